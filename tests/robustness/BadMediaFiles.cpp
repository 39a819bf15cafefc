#include "BadMediaFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace robust {

void CopyPrefix(const std::string& from, const std::string& to, long long keep)
{
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes.resize(static_cast<size_t>(keep));
    std::ofstream(to, std::ios::binary) << bytes;
}

namespace {

std::string Noise(size_t count)
{
    std::mt19937 random(20240611);  // fixed seed: the same noise every run
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

void WriteNoise(const std::string& path, size_t count) { std::ofstream(path, std::ios::binary) << Noise(count); }

uint64_t BigEndian(const std::string& bytes, size_t at, int width)
{
    uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

void CopyWithGarbageInTheMediaData(const std::string& from, const std::string& to, size_t count)
{
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // top-level boxes: 32-bit size (1: a 64-bit size follows the type, 0: to
    // the end of the file), then the four-letter type
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
        uint64_t size = BigEndian(bytes, at, 4);
        size_t header = 8;
        if (size == 1 && at + 16 <= bytes.size()) {
            size = BigEndian(bytes, at + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size() - at;
        }
        if (size < header || at + size > bytes.size())
            break;
        if (bytes.compare(at + 4, 4, "mdat") == 0) {
            const size_t payload = size - header;
            if (count > payload / 4)
                throw std::runtime_error(from + ": media data too small to damage only its middle");
            bytes.replace(at + header + payload / 2 - count / 2, count, Noise(count));
            std::ofstream(to, std::ios::binary) << bytes;
            return;
        }
        at += size;
    }
    throw std::runtime_error(from + ": no media data box found");
}

BadMediaFiles& BadMediaFiles::Get()
{
    static BadMediaFiles files;
    return files;
}

BadMediaFiles::BadMediaFiles()
{
    // an unprivileged child must reach the files to be refused for the right reason
    chmod(dir_.path().c_str(), 0755);
    goodMp4_ = qtest::MakeMp4Clip(dir_.path(), 2.0);
    chmod(goodMp4_.c_str(), 0644);

    const std::string empty = dir_.file("empty.avi");
    std::ofstream(empty, std::ios::binary).close();

    const std::string noise = dir_.file("noise.mp4");
    WriteNoise(noise, 64 * 1024);

    // The mp4 muxer writes its index (moov) after the media data, so the first
    // half of the file has no index; with faststart the index comes first and
    // only the media data is cut.
    const std::string indexCut = dir_.file("index_cut.mp4");
    CopyPrefix(goodMp4_, indexCut, qtest::FileBytes(goodMp4_) / 2);
    const std::string faststart = dir_.file("faststart.mp4");
    qtest::MakeMedia(faststart, "-i " + qtest::ShellQuote(goodMp4_) + " -c copy -movflags +faststart");
    const std::string dataCut = dir_.file("data_cut.mp4");
    CopyPrefix(faststart, dataCut, qtest::FileBytes(faststart) / 2);

    // one damaged stretch of a few packets; the index still describes them all
    const std::string garbage = dir_.file("garbage_in_the_middle.mp4");
    CopyWithGarbageInTheMediaData(goodMp4_, garbage, 4096);

    const std::string renamedAudio = dir_.file("renamed_audio.avi");
    const std::string wav = qtest::MakeWavClip(dir_.path(), 2.0);
    CopyPrefix(wav, renamedAudio, qtest::FileBytes(wav));

    const std::string folder = dir_.file("folder.avi");
    mkdir(folder.c_str(), 0755);

    const std::string unreadable = dir_.file("unreadable.mp4");
    CopyPrefix(goodMp4_, unreadable, qtest::FileBytes(goodMp4_));
    chmod(unreadable.c_str(), 0);

    inputs_ = {
        {"ZeroByteFile", empty, Expect::Refused},
        {"RandomBytesWithVideoName", noise, Expect::Refused},
        {"Mp4WithItsIndexCutOff", indexCut, Expect::Refused},
        {"Mp4WithItsMediaDataCutOff", dataCut, Expect::Opens, false, 0, true},
        {"Mp4WithGarbageInTheMiddle", garbage, Expect::Opens, false, 2.0, true},
        {"WavRenamedToAvi", renamedAudio, Expect::Opens},
        {"Folder", folder, Expect::Refused},
        {"MissingFile", dir_.file("missing.avi"), Expect::Refused},
        {"UnreadableFile", unreadable, Expect::Refused, true},
    };
}

const BadInput& BadMediaFiles::Input(const std::string& name) const
{
    for (const BadInput& input : inputs_)
        if (name == input.name)
            return input;
    throw std::out_of_range("no bad input named " + name);
}

}  // namespace robust
