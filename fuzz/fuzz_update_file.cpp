// The downloaded version file (update.ini) from arbitrary bytes: the reader
// and the update window's check that shows what it read. Beyond "no crash",
// what the check reports must be what the file says: the version, date, size
// and link shown are the file's [version] values, download is offered only
// for a web address, and only that address reaches the desktop.
#include "FuzzBudget.h"
#include "FuzzScratch.h"

#include "app/UpdateCheck.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string kFailure = UpdateCheck::kNotAVersionFile;  // what an answer without a version reads as
const std::string kNoNewVersion = "没有检测到新版本,现在使用的为最新版本!";
const std::string kNewVersion = "发现新版本程序,您可以升级下载新版本。";

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// "Downloads" by writing the input bytes where the check saves the file.
class InputDownloader : public IDownloader {
public:
    InputDownloader(fuzzing::ScratchFile& file, const uint8_t* data, size_t size)
        : file_(file), data_(data), size_(size)
    {}
    DownloadResult Download(const std::string&, const std::string& filePath, const std::atomic<bool>&) override
    {
        Require(file_.Write(data_, size_) == filePath);
        return {DownloadResult::Outcome::Done, 200};
    }

private:
    fuzzing::ScratchFile& file_;
    const uint8_t* data_;
    size_t size_;
};

class RecordingShell : public IShell {
public:
    std::vector<std::string> opened;
    void OpenDefault(const std::string& target) override { opened.push_back(target); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A value as the reader gives it: one trimmed piece of one line of the file.
void RequireValueOf(std::string_view text, const std::string& value)
{
    if (value.empty())
        return;
    Require(value.find('\n') == std::string::npos);
    Require(!IsBlank(value.front()) && !IsBlank(value.back()));
    Require(text.find(value) != std::string_view::npos);
}

bool SameInfo(const std::optional<UpdateFileInfo>& a, const std::optional<UpdateFileInfo>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->newVersion == b->newVersion && a->date == b->date && a->links1 == b->links1 && a->size == b->size;
}

void CheckReader(std::string_view text, const std::optional<UpdateFileInfo>& info)
{
    // Sections after the file's own end never change what [version] says.
    std::string extended(text);
    if (!extended.empty() && extended.back() != '\n')
        extended += '\n';
    extended += "[other]\nnew=9.99\nlinks1=http://other.invalid/\n";
    Require(SameInfo(ReadUpdateFile(extended), info));

    if (!info)
        return;
    Require(!info->newVersion.empty());
    for (const std::string* value : {&info->newVersion, &info->date, &info->links1, &info->size})
        RequireValueOf(text, *value);
    // The values written as a plain version file read back unchanged.
    const std::string plain = "[version]\r\nnew=" + info->newVersion + "\r\ndate=" + info->date +
                              "\r\nlinks1=" + info->links1 + "\r\nsize=" + info->size + "\r\n";
    Require(SameInfo(ReadUpdateFile(plain), info));
}

void CheckWindow(const UpdateCheck::State& state, const std::optional<UpdateFileInfo>& info)
{
    if (!info) {
        Require(state.status == kFailure && state.memoLines == std::vector<std::string>{kFailure});
        Require(!state.downloadEnabled && state.progress == 0 && state.failed);
        return;
    }
    Require(state.progress == 100);
    if (info->newVersion == UpdateCheck::kCurrentVersion) {
        Require(state.status == kNoNewVersion && state.memoLines == std::vector<std::string>{kNoNewVersion});
        Require(!state.downloadEnabled);
        return;
    }
    Require(state.status == kNewVersion && state.memoLines.size() == 8);
    Require(state.memoLines[2] == "最新版本:" + info->newVersion);
    Require(state.memoLines[3] == "更新日期:" + info->date);
    Require(state.memoLines[4] == "软件大小:" + info->size);
    Require(state.memoLines[5] == "下载链接:" + info->links1);
    Require(state.downloadEnabled == IsWebLink(info->links1));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzing::Budget::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::Budget::Running(data, size);
    static fuzzing::ScratchFile file(".ini");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<UpdateFileInfo> info = ReadUpdateFile(text);
    CheckReader(text, info);

    InputDownloader downloader(file, data, size);
    RecordingShell shell;
    UpdateCheck check(downloader, shell, "http://127.0.0.1:9", file.Path());
    check.FormShow();
    check.CheckClick();
    check.WaitForResult();
    CheckWindow(check.Current(), info);

    const bool offered = check.Current().downloadEnabled;
    check.DownloadClick();
    if (offered)
        Require(shell.opened == std::vector<std::string>{info->links1} && IsWebLink(shell.opened.front()));
    else
        Require(shell.opened.empty());
    return 0;
}
