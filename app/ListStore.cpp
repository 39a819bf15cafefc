#include "app/ListStore.h"

#include "app/IniRegistry.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kHexKey = "hex";  // a text that is not UTF-8, kept byte for byte

// Every kept field of a record, in one list for writing and reading.
template <class Input, class Visit> void InputFields(Input& o, Visit&& v)
{
    v("FileName", o.FileName);
    v("FileFormat", o.FileFormat);
    v("StartTime", o.StartTime);
    v("ProgramID", o.ProgramID);
    v("ExtOptions", o.ExtOptions);
}

template <class Info, class Visit> void InfoFields(Info& o, Visit&& v)
{
    v("TimeStamp", o.TimeStamp);
    v("Year", o.Year);
    v("Track", o.Track);
    v("Title", o.Title);
    v("Author", o.Author);
    v("Copyright", o.Copyright);
    v("Comment", o.Comment);
    v("Album", o.Album);
    v("Genre", o.Genre);
}

template <class Output, class Visit> void OutputFields(Output& o, Visit&& v)
{
    v("FileName", o.FileName);
    v("FileFormat", o.FileFormat);
    v("PacketSize", o.PacketSize);
    v("MuxRate", o.MuxRate);
    v("MuxDelay", o.MuxDelay);
    v("MuxPreload", o.MuxPreload);
    v("AudioCodec", o.AudioCodec);
    v("AudioPreset", o.AudioPreset);
    v("DisableAudio", o.DisableAudio);
    v("AudioVolume", o.AudioVolume);
    v("AudioChannels", o.AudioChannels);
    v("AudioSampleRate", o.AudioSampleRate);
    v("AudioBitrate", o.AudioBitrate);
    v("AudioBitrateTolerance", o.AudioBitrateTolerance);
    v("AudioLanguage", o.AudioLanguage);
    v("AudioSync", o.AudioSync);
    v("AudioTag", o.AudioTag);
    v("VideoCodec", o.VideoCodec);
    v("VideoPreset", o.VideoPreset);
    v("DisableVideo", o.DisableVideo);
    v("FrameRate", o.FrameRate);
    v("FrameSize", o.FrameSize);
    v("FrameAspectRatio", o.FrameAspectRatio);
    v("CropTop", o.CropTop);
    v("CropBottom", o.CropBottom);
    v("CropLeft", o.CropLeft);
    v("CropRight", o.CropRight);
    v("GOPSize", o.GOPSize);
    v("VideoBitrate", o.VideoBitrate);
    v("VideoMaxRate", o.VideoMaxRate);
    v("VideoMinRate", o.VideoMinRate);
    v("VideoBitrateTolerance", o.VideoBitrateTolerance);
    v("VideoBufSize", o.VideoBufSize);
    v("VideoSync", o.VideoSync);
    v("VideoTag", o.VideoTag);
    v("VideoFilters", o.VideoFilters);
    v("VideoLanguage", o.VideoLanguage);
    v("SubtitleCodec", o.SubtitleCodec);
    v("SubtitlePreset", o.SubtitlePreset);
    v("DisableSubtitle", o.DisableSubtitle);
    v("SubtitleLanguage", o.SubtitleLanguage);
    v("InputSync", o.InputSync);
    v("CopyTimestamps", o.CopyTimestamps);
    v("StartTime", o.StartTime);
    v("Duration", o.Duration);
    v("Info", o.Info);
    v("TargetType", o.TargetType);
    v("TargetNorm", o.TargetNorm);
    v("TargetDefaultNorm", o.TargetDefaultNorm);
    v("CustomHook", o.CustomHook);
    v("Join", o.Join);
    v("ExtOptions", o.ExtOptions);
}

// The row's own fields; the records are kept under "Input" and "Output".
template <class Row, class Visit> void RowFields(Row& r, Visit&& v)
{
    v("SourceFile", r.Row.SourceFile);
    v("SourceExt", r.Row.SourceExt);
    v("TargetExt", r.Row.TargetExt);
    v("Status", r.Row.Status);
    v("Progress", r.Row.Progress);
    v("FormatNumber", r.Record.FormatNumber);
    v("RunOutputFile", r.Record.RunOutputFile);
    v("Input", r.Record.Input);
    v("Output", r.Record.Output);
}

bool IsUtf8(const std::string& text)
{
    try {
        (void)json(text).dump();  // the writer checks the encoding
        return true;
    } catch (const json::type_error&) {
        return false;
    }
}

// Records to JSON. A text that is not UTF-8 goes in as hex; looking at every
// text costs more than the rest of the write, so it is done only when
// `checkTexts` is set, after writing without it has failed.
struct JsonWriter {
    bool checkTexts = false;

    json Value(const std::string& text) const
    {
        if (!checkTexts || IsUtf8(text))
            return text;
        return json{{kHexKey, IniRegistry::HexEncode(text)}};
    }
    template <class Number, std::enable_if_t<std::is_arithmetic_v<Number>, int> = 0> json Value(Number value) const
    {
        if constexpr (std::is_floating_point_v<Number>) {
            if (!std::isfinite(value))
                return nullptr;  // JSON has no such numbers; read back as not set
        }
        return value;
    }
    json Value(const TInputOptions& o) const
    {
        return Object(o, [](const auto& r, auto&& v) { InputFields(r, v); });
    }
    json Value(const TStreamInfo& o) const
    {
        return Object(o, [](const auto& r, auto&& v) { InfoFields(r, v); });
    }
    json Value(const TOutputOptions& o) const
    {
        return Object(o, [](const auto& r, auto&& v) { OutputFields(r, v); });
    }
    json Value(const KeptRow& row) const
    {
        return Object(row, [](const auto& r, auto&& v) { RowFields(r, v); });
    }
    template <class Record, class Fields> json Object(const Record& record, Fields fields) const
    {
        json object = json::object();
        fields(record, [&](const char* key, const auto& value) { object[key] = Value(value); });
        return object;
    }
    std::string Document(const std::vector<KeptRow>& rows) const
    {
        json list = json::array();
        for (const KeptRow& row : rows)
            list.push_back(Value(row));
        const json document{{"version", kListFileVersion}, {"rows", std::move(list)}};
        return document.dump(2) + "\n";
    }
};

[[noreturn]] void WrongType(const char* key) { throw ListFormatError(std::string("字段 ") + key + " 的类型不对"); }

void FromJson(const json& j, const char* key, TInputOptions& o);
void FromJson(const json& j, const char* key, TStreamInfo& o);
void FromJson(const json& j, const char* key, TOutputOptions& o);

void FromJson(const json& j, const char* key, std::string& text)
{
    if (j.is_string()) {
        text = j.get<std::string>();
    } else if (j.is_object() && j.size() == 1 && j.contains(kHexKey) && j[kHexKey].is_string()) {
        const std::optional<std::string> bytes = IniRegistry::HexDecode(j[kHexKey].get<std::string>());
        if (!bytes)
            WrongType(key);
        text = *bytes;
    } else {
        WrongType(key);
    }
}
void FromJson(const json& j, const char* key, bool& value)
{
    if (!j.is_boolean())
        WrongType(key);
    value = j.get<bool>();
}
template <class Number, std::enable_if_t<std::is_arithmetic_v<Number>, int> = 0>
void FromJson(const json& j, const char* key, Number& value)
{
    if constexpr (std::is_floating_point_v<Number>) {
        if (j.is_null())
            return;
        if (!j.is_number())
            WrongType(key);
        value = static_cast<Number>(j.get<double>());
        if (!std::isfinite(value))
            WrongType(key);  // too large for the field
    } else {
        if (!j.is_number_integer())
            WrongType(key);
        // a number the field cannot hold is damage, not a value to cut down
        if (j.is_number_unsigned()) {
            const auto wide = j.get<uint64_t>();
            if (wide > static_cast<uint64_t>(std::numeric_limits<Number>::max()))
                WrongType(key);
            value = static_cast<Number>(wide);
        } else {
            const auto wide = j.get<int64_t>();
            if (wide < std::numeric_limits<Number>::min() || wide > std::numeric_limits<Number>::max())
                WrongType(key);
            value = static_cast<Number>(wide);
        }
    }
}

// Missing fields keep the record's defaults; unknown ones are ignored.
template <class Record, class Fields> void ReadObject(const json& j, const char* key, Record& record, Fields fields)
{
    if (!j.is_object())
        WrongType(key);
    fields(record, [&](const char* field, auto& value) {
        const auto found = j.find(field);
        if (found != j.end())
            FromJson(*found, field, value);
    });
}

void FromJson(const json& j, const char* key, TInputOptions& o)
{
    ReadObject(j, key, o, [](auto& r, auto&& v) { InputFields(r, v); });
}
void FromJson(const json& j, const char* key, TStreamInfo& o)
{
    ReadObject(j, key, o, [](auto& r, auto&& v) { InfoFields(r, v); });
}
void FromJson(const json& j, const char* key, TOutputOptions& o)
{
    ReadObject(j, key, o, [](auto& r, auto&& v) { OutputFields(r, v); });
}

std::string SystemError(const std::string& step, int error) { return step + ": " + std::strerror(error); }

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string LocalTimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames `path` to `path`.<kind>-<time>, with a number added when that name is taken.
std::string SetAside(const std::string& path, const char* kind, std::string& problem)
{
    const std::string base = path + "." + kind + "-" + LocalTimeStamp();
    for (int n = 1; n < 1000; ++n) {
        const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return target;
        if (errno != EEXIST) {
            problem += "；" + SystemError("另存失败", errno);
            return {};
        }
    }
    problem += "；另存失败: 名称都已被占用";
    return {};
}

}  // namespace

std::string ListToJson(const std::vector<KeptRow>& rows)
{
    try {
        return JsonWriter{}.Document(rows);
    } catch (const json::type_error&) {
        return JsonWriter{true}.Document(rows);  // a text that is not UTF-8
    }
}

std::vector<KeptRow> ListFromJson(const std::string& text)
{
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {  // a syntax error, or a number beyond any double
        throw ListFormatError(std::string("不是完整的 JSON 文本 (") + error.what() + ")");
    }
    if (!document.is_object())
        throw ListFormatError("不是 JSON 对象");
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer())
        throw ListFormatError("没有版本号");
    const bool newer = version->is_number_unsigned() ? version->get<uint64_t>() > kListFileVersion
                                                     : version->get<int64_t>() > kListFileVersion;
    if (newer)
        throw ListVersionError("文件版本 " + version->dump() + " 高于本程序的版本 " + std::to_string(kListFileVersion));
    if (version->get<int64_t>() < 1)
        throw ListFormatError("版本号有误");
    const auto list = document.find("rows");
    if (list == document.end() || !list->is_array())
        throw ListFormatError("没有行的列表");
    std::vector<KeptRow> rows;
    for (const json& object : *list) {
        if (!object.is_object())
            WrongType("rows");
        KeptRow row;
        RowFields(row, [&](const char* key, auto& value) {
            const auto found = object.find(key);
            if (found != object.end())
                FromJson(*found, key, value);
        });
        row.Record.SlotState = kSlotFull;
        rows.push_back(std::move(row));
    }
    return rows;
}

ListStore::ListStore(std::string folder) : folder_(std::move(folder)), path_(folder_ + kListFileName) {}

void ListStore::RemoveLeftovers() const
{
    // what a write killed half-way left behind; the kept file itself is whole
    const std::string prefix = std::string(".") + kListFileName + ".";
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            fs::remove(entry.path(), ec);
    }
}

ListReadResult ListStore::Read() const
{
    RemoveLeftovers();
    ListReadResult result;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return result;
        result.Outcome = ListReadOutcome::Unreadable;
        result.Problem = SystemError("打开失败", errno);
        return result;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.Outcome = ListReadOutcome::Unreadable;
            result.Problem = SystemError("读取失败", errno);
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);

    const char* kind = "damaged";
    try {
        result.Rows = ListFromJson(text);
        result.Outcome = ListReadOutcome::Read;
        return result;
    } catch (const ListVersionError& error) {
        result.Newer = true;
        result.Problem = error.what();
        kind = "newer";
    } catch (const std::exception& error) {
        result.Problem = error.what();
    }
    result.Rows.clear();
    result.SetAsidePath = SetAside(path_, kind, result.Problem);
    result.Outcome = result.SetAsidePath.empty() ? ListReadOutcome::Unreadable : ListReadOutcome::SetAside;
    return result;
}

std::string ListStore::Write(const std::vector<KeptRow>& rows) const
{
    std::string text;
    try {
        text = ListToJson(rows);
    } catch (const std::exception& error) {
        return std::string("无法写成 JSON: ") + error.what();
    }
    std::error_code ec;
    fs::create_directories(folder_, ec);
    if (ec)
        return "无法建立文件夹 " + folder_ + ": " + ec.message();

    std::string temporary = folder_ + "." + kListFileName + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return SystemError("无法建立临时文件", errno);
    std::string failed;
    if (!WriteAll(fd, text))
        failed = SystemError("写入失败", errno);
    else if (::fsync(fd) != 0)
        failed = SystemError("写入磁盘失败", errno);
    if (::close(fd) != 0 && failed.empty())
        failed = SystemError("写入失败", errno);
    if (failed.empty() && ::rename(temporary.c_str(), path_.c_str()) != 0)
        failed = SystemError("改名失败", errno);
    if (!failed.empty()) {
        ::unlink(temporary.c_str());
        return failed;
    }
    // the rename itself is durable only once the folder is synced
    const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return SystemError("无法打开文件夹", errno);
    const int synced = ::fsync(folder);
    const int error = errno;
    ::close(folder);
    if (synced != 0)
        return SystemError("文件夹写入磁盘失败", error);
    return {};
}
