#include "app/ListKeeper.h"

#include "engine/SegmentedOutput.h"

#include <exception>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
constexpr const char* kCaption = "提示";

bool OutputThere(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 0 && !ec;
}
}  // namespace

KeptRow RowAtStart(KeptRow row)
{
    ListRow& shown = row.Row;
    const std::string& output =
        row.Record.RunOutputFile.empty() ? row.Record.Output.FileName : row.Record.RunOutputFile;
    const bool again = shown.Status == kStatusConverting || shown.Status == kStatusPaused ||
                       (shown.Status == kStatusFinished && !OutputThere(output));
    if (again) {
        shown.Status = kStatusReady;
        shown.Progress = -1;
    }
    // what an interrupted run finished is taken up at the next 转换
    const ResumePoint resume =
        shown.Status == kStatusReady ? FindResumePoint(output, row.Record.Input.FileName) : ResumePoint{};
    shown.ResumeText = resume.Percent() >= 0 ? "已完成 " + std::to_string(resume.Percent()) + "%，将继续转换" : "";
    shown.TimeText = ListRow{}.TimeText;
    return row;
}

ListKeeper::ListKeeper(ConversionList& list, IDialogs& dialogs, const std::string& dataFolder)
    : list_(list), dialogs_(dialogs), store_(dataFolder)
{}

ListKeeper::~ListKeeper() { list_.SetKeptChanged(nullptr); }

void ListKeeper::Restore()
{
    const ListReadResult read = store_.Read();
    switch (read.Outcome) {
    case ListReadOutcome::NoFile:
        break;
    case ListReadOutcome::Read: {
        std::vector<KeptRow> rows;
        rows.reserve(read.Rows.size());
        for (const KeptRow& row : read.Rows)
            rows.push_back(RowAtStart(row));
        list_.RestoreRows(rows);
        break;
    }
    case ListReadOutcome::SetAside:
        dialogs_.MessageBox(std::string(read.Newer ? "转换列表文件由较新版本的程序保存，本程序无法读取"
                                                   : "转换列表文件已损坏，无法读取") +
                                "（" + read.Problem + "）。\n原文件已另存为 " + read.SetAsidePath +
                                "，转换列表从空白开始。",
                            kCaption, MessageIcon::Warning, MessageButtons::Ok);
        break;
    case ListReadOutcome::Unreadable:
        // writing now would replace a list that may still be whole
        dialogs_.MessageBox("转换列表文件 " + store_.FilePath() + " 无法读取（" + read.Problem +
                                "）。\n为免覆盖该文件，本次运行中转换列表的修改不会被保存。",
                            kCaption, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    list_.SetKeptChanged([this] { Write(); });
}

void ListKeeper::Write()
{
    const std::string error = store_.Write(list_.KeptRows());
    if (error.empty()) {
        failureShown_ = false;
        return;
    }
    if (failureShown_)
        return;
    failureShown_ = true;
    try {
        dialogs_.MessageBox("转换列表无法保存到 " + store_.FilePath() + "：" + error, kCaption, MessageIcon::Warning,
                            MessageButtons::Ok);
    } catch (const std::exception&) {
        // a change of the list never ends in an error of its own
    }
}
