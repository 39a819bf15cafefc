#include "app/RunControl.h"

#include "app/ControlStates.h"
#include "app/MainWindowTables.h"
#include "engine/CodecThreads.h"
#include "media/MainThreadCalls.h"

#include <algorithm>
#include <filesystem>
#include <exception>
#include <optional>

namespace {
// The engine reports in English; a box says first, in Chinese, what happened.
std::string WithChineseLead(const std::string& lead, const std::string& engineText)
{
    if (!engineText.empty() && static_cast<unsigned char>(engineText.front()) >= 0x80)
        return engineText;
    return lead + "\n转换引擎的报告（英文）：\n" + engineText;
}

std::string SourceName(const ConversionList& list, int row)
{
    if (row < 0 || row >= list.RowCount())
        return {};
    const std::string& path = list.Rows()[static_cast<size_t>(row)].SourceFile;
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

RunControl::RunControl(ListWindowParts parts, ConversionList& list) : parts_(std::move(parts)), list_(list) {}

RunControl::~RunControl()
{
    std::lock_guard guard(pendingLock_);
    post_ = nullptr;
}

void RunControl::ControlsChanged()
{
    if (parts_.controlsChanged)
        parts_.controlsChanged();
}

void RunControl::SetPostToMainThread(std::function<void()> post)
{
    std::lock_guard guard(pendingLock_);
    post_ = std::move(post);
}

void RunControl::AttachEvents()
{
    parts_.converter.SetOnProgress(
        [this](TCustomMediaConverter*, PProgressInfo info) { MediaConverter1Progress(info); });
    parts_.converter.SetOnTerminate(
        [this](TCustomMediaConverter*, const TTerminateInfo& info) { MediaConverter1Terminate(info); });
    GetFFLogger().SetOnLog([this](const void*, uint32_t threadId, TLogLevel level, const std::string& message) {
        FFLoggerLog(threadId, level, message);
    });
}

void RunControl::FormCloseQuery()
{
    TMediaConverter& converter = parts_.converter;
    converter.SetOnCustomHook(nullptr);
    converter.SetOnProgress(nullptr);
    converter.SetOnTerminate(nullptr);
    stopping_ = true;
    converter.StopTasks(true);
    stopping_ = false;
    GetFFLogger().SetOnLog(nullptr);
    std::lock_guard guard(pendingLock_);
    pending_.clear();
}

void RunControl::btnStartClick()
{
    if (parts_.pausedFlag)
        Resume();
    else
        Start();
}

void RunControl::Start()
{
    parts_.stopRequested = false;
    std::optional<ConversionList::KeptBatch> kept(list_);  // the list is kept once, not once per row
    const std::vector<RowTask> rows = list_.RebuildTasks();
    taskRows_.clear();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        if (rows[static_cast<size_t>(row)].TaskIndex >= 0)
            taskRows_.push_back(row);
    }
    int simultaneous = parts_.controls.simultaneousIndex;  // 0: automatic
    if (simultaneous <= 0)
        simultaneous = AutomaticFilesAtOnce(MachineCores());
    simultaneous = std::clamp(simultaneous, 1, std::max(1, list_.RowCount()));
    std::vector<RunEstimates::RowPlan> plans;
    for (int row = 0; row < list_.RowCount(); ++row) {
        list_.SetProgress(row, 0);
        list_.SetStatus(row, kStatusReady);
        list_.SetRunTexts(row, "", "");
        list_.SetOutputBytes(row, -1);
        const ListRow& shown = list_.Rows()[static_cast<size_t>(row)];
        const RowRecord& slot = list_.Slot(row);
        plans.push_back(
            {ConvertedDurationUs(slot.Output, shown.SourceDurationUs), slot.FormatNumber, shown.SampleSpeed});
    }
    estimates_.Start(plans, simultaneous);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row)
        if (rows[static_cast<size_t>(row)].TaskIndex < 0)
            estimates_.Ended(row, RunEstimates::Clock::now());
    ShowListProgress();
    TMediaConverter& converter = parts_.converter;
    converter.SetThreadPriority(static_cast<TThreadPriority>(parts_.controls.priorityIndex));
    ControlStates::Running(parts_.controls);
    ControlsChanged();

    // a source that can no longer be opened fails like a file that fails while converting
    std::vector<std::string> errors;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        if (rows[static_cast<size_t>(row)].TaskIndex >= 0)
            continue;
        list_.SetStatus(row, kStatusFailed);
        errors.push_back(
            WithChineseLead("无法打开源文件：" + SourceName(list_, row), rows[static_cast<size_t>(row)].ErrorText));
    }
    kept.reset();
    if (converter.TaskCount() == 0) {
        // nothing to run: the run ends at once
        TTerminateInfo allEnded;
        allEnded.TaskIndex = -1;
        allEnded.Finished = true;
        HandOver(allEnded);
    } else {
        converter.StartTask(simultaneous);
    }
    // shown once the other rows are converting, so the boxes hold nothing up
    for (const std::string& error : errors)
        parts_.dialogs.MessageBox(error, std::string(kApplicationTitle), MessageIcon::Warning, MessageButtons::Ok);
}

void RunControl::Resume()
{
    parts_.pausedFlag = false;
    ControlStates::Resumed(parts_.controls);
    ControlsChanged();
    parts_.converter.ResumeTasks();
}

void RunControl::btnPauseClick()
{
    parts_.pausedFlag = true;
    ControlStates::Paused(parts_.controls);
    ControlsChanged();
    parts_.converter.PauseTasks();
    ConversionList::KeptBatch kept(list_);
    for (int row = 0; row < list_.RowCount(); ++row) {
        if (list_.Rows()[static_cast<size_t>(row)].Status == kStatusConverting)
            list_.SetStatus(row, kStatusPaused);
    }
}

void RunControl::btnStopClick()
{
    if (parts_.dialogs.MessageBox("您确实要终止目前的转换工作吗？", "提示信息", MessageIcon::Information,
                                  MessageButtons::OkCancel) != MessageResult::Ok)
        return;
    parts_.pausedFlag = false;
    parts_.stopRequested = true;
    parts_.controls.toolEnabled[static_cast<size_t>(ToolButton::Stop)] = false;
    ControlsChanged();
    stopping_ = true;
    parts_.converter.StopTasks(true);
    stopping_ = false;
    ApplyTerminations();
}

int RunControl::RowOfTask(int taskIndex) const
{
    if (taskIndex < 0 || taskIndex >= static_cast<int>(taskRows_.size()))
        return -1;
    return taskRows_[static_cast<size_t>(taskIndex)];
}

void RunControl::MediaConverter1Progress(PProgressInfo info)
{
    const int row = RowOfTask(info->TaskIndex);
    if (row < 0)
        return;
    if (info->TotalDuration > 0)
        list_.SetProgress(row, static_cast<int>(info->CurrentDuration * 100 / info->TotalDuration));
    list_.SetTimeText(row, std::to_string(info->CurrentDuration / 1000000) + "   (秒)");
    estimates_.Report(row, info->CurrentDuration, info->TotalDuration, RunEstimates::Clock::now());
    list_.SetRunTexts(row, SpeedText(estimates_.Speed(row)), RemainingText(estimates_.RemainingSeconds(row)));
    ShowListProgress();
    // a report that was on its way when the run paused does not undo 暂停
    list_.SetStatus(row, parts_.pausedFlag ? kStatusPaused : kStatusConverting);
}

void RunControl::MediaConverter1Terminate(const TTerminateInfo& info) { HandOver(info); }

void RunControl::HandOver(const TTerminateInfo& info)
{
    // posting under the lock: once SetPostToMainThread(nullptr) returns, no post is under way
    std::lock_guard guard(pendingLock_);
    pending_.push_back(info);
    if (post_)
        post_();
}

size_t RunControl::PendingTerminations() const
{
    std::lock_guard guard(pendingLock_);
    return pending_.size();
}

void RunControl::ApplyTerminations()
{
    // a box of one termination runs a nested event loop; the outer call goes on afterwards
    if (stopping_ || applying_)
        return;
    applying_ = true;
    for (;;) {
        TTerminateInfo info;
        {
            std::lock_guard guard(pendingLock_);
            if (pending_.empty())
                break;
            info = pending_.front();
            pending_.pop_front();
        }
        try {
            ApplyTermination(info);
        } catch (const std::exception& error) {
            parts_.dialogs.ShowError(error.what());
        }
    }
    applying_ = false;
}

void RunControl::ApplyTermination(const TTerminateInfo& info)
{
    if (info.TaskIndex < 0) {
        EndOfRun();
        return;
    }
    const int row = RowOfTask(info.TaskIndex);
    if (!info.OutputFiles.empty())
        list_.SetRunOutputFile(row, info.OutputFiles.front());
    estimates_.Ended(row, RunEstimates::Clock::now());
    if (row >= 0 && row < list_.RowCount()) {
        list_.SetRunTexts(row, "", "");
        std::error_code ec;
        const std::string& output = list_.Rows()[static_cast<size_t>(row)].OutputFile;
        const auto bytes = output.empty() ? 0 : std::filesystem::file_size(output, ec);
        if (info.Finished && !ec && !output.empty())
            list_.SetOutputBytes(row, static_cast<int64_t>(bytes));
    }
    if (info.Finished && !info.Exception) {
        list_.SetProgress(row, 100);
        // 完成 only for a file that checked out whole
        const bool whole = info.Outcome == TTaskOutcome::Whole;
        list_.SetStatus(row, whole ? kStatusFinished : kStatusIncomplete);
        if (!whole)
            parts_.dialogs.MessageBox(info.OutcomeMsg, std::string(kApplicationTitle), MessageIcon::Warning,
                                      MessageButtons::Ok);
    }
    if (info.Exception) {
        list_.SetStatus(row, kStatusFailed);
        parts_.dialogs.MessageBox(WithChineseLead("文件转换失败：" + SourceName(list_, row), FailureText(info)),
                                  std::string(kApplicationTitle), MessageIcon::Warning, MessageButtons::Ok);
    }
}

std::string RunControl::FailureText(const TTerminateInfo& info)
{
    std::string text = info.ExceptionMsg;
    std::string lines = info.LibraryLines;
    while (!lines.empty() && lines.back() == '\n')
        lines.pop_back();
    // what the media library said before the failure, where there is no log to read
    if (!lines.empty())
        text += "\n\n媒体库的最后信息：\n" + lines;
    return text;
}

void RunControl::EndOfRun()
{
    ControlStates::RunEnded(parts_.controls);
    parts_.pausedFlag = false;
    ControlsChanged();
    if (parts_.stopRequested) {
        ConversionList::KeptBatch kept(list_);
        for (int row = 0; row < list_.RowCount(); ++row) {
            const std::string& status = list_.Rows()[static_cast<size_t>(row)].Status;
            if (status == kStatusConverting || status == kStatusPaused)
                list_.SetStatus(row, kStatusStopped);
        }
    }
    // without a stop every row that ran to its end already shows 完成; a
    // failed row keeps 失败 even when it is the selected one
    parts_.converter.ClearTasks();
    taskRows_.clear();
    const std::string title = parts_.stopRequested ? "转换已停止" : "转换列表已完成";
    parts_.controls.listProgressText = title + "：" + EndCounts();
    ControlsChanged();
    if (runEnded_)
        runEnded_(title, EndCounts() + "。");
    switch (parts_.controls.afterCompletionIndex) {
    case 1:
        Button18Click();
        break;
    case 2:
        if (openOutputFolder_)
            openOutputFolder_();
        break;
    default:
        break;
    }
}

void RunControl::ShowListProgress()
{
    std::string text = "总进度 " + std::to_string(estimates_.ListPercent()) + "%";
    const std::string left = RemainingText(estimates_.ListRemainingSeconds(RunEstimates::Clock::now()));
    if (!left.empty())
        text += "  剩余时间 " + left;
    if (parts_.controls.listProgressText == text)
        return;
    parts_.controls.listProgressText = text;
    ControlsChanged();
}

std::string RunControl::EndCounts() const
{
    int finished = 0, failed = 0, other = 0;
    for (const ListRow& row : list_.Rows()) {
        if (row.Status == kStatusFinished)
            ++finished;
        else if (row.Status == kStatusFailed)
            ++failed;
        else
            ++other;  // stopped, or a word for an incomplete output
    }
    std::string text = "成功 " + std::to_string(finished) + " 个，失败 " + std::to_string(failed) + " 个";
    if (other > 0)
        text += "，未完成 " + std::to_string(other) + " 个";
    return text;
}

void RunControl::FFLoggerLog(uint32_t threadId, TLogLevel level, const std::string& message)
{
    parts_.log.Append("#" + std::to_string(threadId) + "." + std::to_string(static_cast<int>(level)) + ": " + message);
}

void RunControl::Button18Click()
{
    // a refused request changes nothing
    if (shutdown_)
        shutdown_->PowerOff();
}
