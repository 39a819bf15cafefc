#include "app/SnapshotWriter.h"

#include "media/CFile.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace {

void PutLittleEndian(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Bottom-up rows, each padded to four bytes: the same layout as Bitmap24's rows.
std::string EncodeBmp(const Bitmap24& picture)
{
    const uint32_t imageBytes = static_cast<uint32_t>(picture.Stride()) * picture.Height();
    std::string out;
    out += "BM";
    PutLittleEndian(out, 14 + 40 + imageBytes, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 14 + 40, 4);
    PutLittleEndian(out, 40, 4);
    PutLittleEndian(out, static_cast<uint32_t>(picture.Width()), 4);
    PutLittleEndian(out, static_cast<uint32_t>(picture.Height()), 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, 24, 2);
    PutLittleEndian(out, 0, 4);  // BI_RGB
    PutLittleEndian(out, imageBytes, 4);
    PutLittleEndian(out, 2835, 4);  // 72 dpi
    PutLittleEndian(out, 2835, 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4);
    for (int y = picture.Height() - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(picture.Row(y)), static_cast<size_t>(picture.Stride()));
    return out;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg would end the process on an error; jump back instead.
[[noreturn]] void JpegErrorExit(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

std::string EncodeJpg(const Bitmap24& picture)
{
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::string out;
    if (setjmp(error.jump) == 0) {
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(picture.Width());
        info.image_height = static_cast<JDIMENSION>(picture.Height());
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(picture.Row(static_cast<int>(info.next_scanline)));
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        out.assign(reinterpret_cast<const char*>(buffer), size);
    }
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

std::string EncodePng(const Bitmap24& picture)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    std::string out;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, PngWrite, PngFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width()), static_cast<png_uint_32>(picture.Height()),
                     8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < picture.Height(); ++y)
            png_write_row(png, const_cast<png_bytep>(picture.Row(y)));
        png_write_end(png, info);
    } else {
        out.clear();
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return out;
}

int GifWrite(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    return length;
}

// Reduced to 256 colours by giflib's quantiser.
std::string EncodeGif(const Bitmap24& picture)
{
    const unsigned width = static_cast<unsigned>(picture.Width());
    const unsigned height = static_cast<unsigned>(picture.Height());
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* row = picture.Row(static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            blue[at] = row[3 * x];
            green[at] = row[3 * x + 1];
            red[at] = row[3 * x + 2];
        }
    }
    int colours = 256;
    std::vector<GifColorType> palette(256);
    if (GifQuantizeBuffer(width, height, &colours, red.data(), green.data(), blue.data(), indices.data(),
                          palette.data()) == GIF_ERROR)
        return {};
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(256, palette.data()),
                                                                   GifFreeMapObject);
    if (!map)
        return {};
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    if (!gif)
        return {};
    bool written =
        EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0, map.get()) != GIF_ERROR &&
        EGifPutImageDesc(gif, 0, 0, static_cast<int>(width), static_cast<int>(height), false, nullptr) != GIF_ERROR;
    for (unsigned y = 0; written && y < height; ++y)
        written =
            EGifPutLine(gif, indices.data() + static_cast<size_t>(y) * width, static_cast<int>(width)) != GIF_ERROR;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        written = false;
    return written ? out : std::string();
}

}  // namespace

namespace SnapshotWriter {

std::string Extension(SnapshotType type)
{
    switch (type) {
    case SnapshotType::JPG:
        return ".jpg";
    case SnapshotType::GIF:
        return ".gif";
    case SnapshotType::PNG:
        return ".png";
    case SnapshotType::BMP:
        break;
    }
    return ".bmp";
}

std::string Encode(const Bitmap24& picture, SnapshotType type)
{
    if (picture.Empty())
        return {};
    switch (type) {
    case SnapshotType::JPG:
        return EncodeJpg(picture);
    case SnapshotType::GIF:
        return EncodeGif(picture);
    case SnapshotType::PNG:
        return EncodePng(picture);
    case SnapshotType::BMP:
        break;
    }
    return EncodeBmp(picture);
}

bool Save(const Bitmap24& picture, SnapshotType type, const std::string& path, std::string& error)
{
    const std::string bytes = Encode(picture, type);
    if (bytes.empty()) {
        error = "The picture could not be encoded.";
        return false;
    }
    const CFilePtr file{std::fopen(path.c_str(), "wb")};
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() || std::fflush(file.get()) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace SnapshotWriter
