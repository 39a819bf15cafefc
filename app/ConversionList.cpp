#include "app/ConversionList.h"

#include "app/ControlStates.h"
#include "app/ConversionTask.h"
#include "app/NewNameRule.h"
#include "app/OutputFolderCheck.h"
#include "app/OutputOptionsCopy.h"
#include "app/RunEstimates.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <exception>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
// Whether `path` ends in one of the extensions of the open dialog's first entry.
bool IsMediaFile(const fs::path& path)
{
    static const std::vector<std::string> extensions = [] {
        std::vector<std::string> found;
        const std::string patterns = OpenDialogFilter().front().patterns;
        size_t start = 0;
        while (start < patterns.size()) {
            size_t end = patterns.find(';', start);
            if (end == std::string::npos)
                end = patterns.size();
            std::string pattern = patterns.substr(start, end - start);
            if (pattern.rfind("*.", 0) == 0) {
                for (char& c : pattern)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                found.push_back(pattern.substr(1));
            }
            start = end + 1;
        }
        return found;
    }();
    std::string ext = path.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return !ext.empty() && std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

constexpr const char* kInfoCaption = "提示";

bool FileExists(const std::string& path)
{
    std::error_code ignored;
    return !path.empty() && fs::exists(path, ignored);
}

// The output's name: `planned`, or the next free numbered name when a file of
// that name exists and existing files are kept (choice 0).
std::string OutputNameFor(const std::string& planned, int existingFileIndex)
{
    return FileExists(planned) && existingFileIndex == 0 ? NewNameRule(planned) : planned;
}

bool IsDatFile(const std::string& path) { return ExtensionLabel(path) == "DAT"; }

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}
}  // namespace

ConversionList::ConversionList(ListWindowParts parts) : parts_(std::move(parts)) {}

void ConversionList::RowsChanged(int row)
{
    if (rowsChanged_)
        rowsChanged_(row);
}

void ConversionList::KeptChanged()
{
    if (keptBatches_ > 0) {
        keptPending_ = true;
        return;
    }
    keptPending_ = false;
    if (keptChanged_)
        keptChanged_();
}

ConversionList::KeptBatch::~KeptBatch()
{
    if (--list_.keptBatches_ == 0 && list_.keptPending_)
        list_.KeptChanged();
}

std::vector<KeptRow> ConversionList::KeptRows() const
{
    std::vector<KeptRow> kept;
    kept.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i)
        kept.push_back({rows_[i], slots_[i]});
    return kept;
}

void ConversionList::RestoreRows(const std::vector<KeptRow>& kept)
{
    for (ListRow& row : rows_)
        CancelSample(row);
    rows_.clear();
    Button15Click();
    for (const KeptRow& row : kept) {
        if (rows_.size() == slots_.size())
            break;
        slots_[rows_.size()] = row.Record;
        slots_[rows_.size()].SlotState = kSlotFull;
        rows_.push_back(row.Row);
        rows_.back().SampleKey = 0;
        rows_.back().Sampling = false;
        rows_.back().Sampled = false;
        RequestSample(RowCount() - 1);
    }
    selected_ = -1;
    Renumber();
    if (!rows_.empty())
        ControlStates::RowsAdded(parts_.controls);
    ControlsChanged();
}

void ConversionList::ControlsChanged()
{
    if (parts_.controlsChanged)
        parts_.controlsChanged();
}

void ConversionList::ResetOutputSettings() { parts_.session.Settings.Reset(); }

void ConversionList::Button15Click()
{
    for (RowRecord& slot : slots_)
        slot.SlotState = kSlotFree;
}

bool ConversionList::LibraryReady()
{
    TMediaConverter& converter = parts_.converter;
    if (converter.AVLibLoaded() || converter.LoadAVLib(parts_.programFolder + "LibAV"))
        return true;
    parts_.log.Append(converter.LastErrMsg());
    return false;
}

bool ConversionList::HasFreeSlot() const
{
    return std::any_of(slots_.begin(), slots_.end(), [](const RowRecord& s) { return s.SlotState == kSlotFree; });
}

void ConversionList::RefuseFullList()
{
    parts_.dialogs.MessageBox("转换列表已满，请先清空列表再添加文件！", kInfoCaption, MessageIcon::Information,
                              MessageButtons::Ok);
}

bool ConversionList::ReadyToAdd()
{
    ResetOutputSettings();
    if (!LibraryReady())
        return false;
    if (!HasFreeSlot()) {
        RefuseFullList();
        return false;
    }
    return true;
}

bool ConversionList::OutputFolderWritable(const std::string& folder)
{
    const std::optional<std::string> problem = OutputFolderProblem(folder);
    if (!problem)
        return true;
    parts_.log.AppendBlock("***" + *problem);
    parts_.dialogs.MessageBox(*problem, kInfoCaption, MessageIcon::Warning, MessageButtons::Ok);
    return false;
}

bool ConversionList::ChooseFormat(bool clipAllowed)
{
    if (!chooser_)
        return false;
    chooser_->ResetClipCheck(clipAllowed);
    chooser_->RunModal();
    return !parts_.session.Cancelled();
}

TInputOptions ConversionList::InputOptionsFor(const std::string& file) const
{
    TInputOptions input;
    input.FileName = file;
    if (IsDatFile(file))
        input.FileFormat = "mpeg";
    return input;
}

bool ConversionList::Probe(const std::string& file)
{
    TAVProbe& probe = parts_.converter.Probe();
    if (probe.LoadFile(file))
        return true;
    parts_.log.AppendBlock("***文件打开失败 " + probe.LastErrMsg());
    parts_.dialogs.MessageBox("无法识别的音频或视频文件！" + file, kInfoCaption, MessageIcon::Information,
                              MessageButtons::Ok);
    return false;
}

void ConversionList::MenuItem15Click()
{
    if (chooser_)
        chooser_->ResetClipCheck(true);
    AddOneFile();
}

void ConversionList::N2Click()
{
    if (chooser_)
        chooser_->ResetClipCheck(false);
    AddManyFiles();
}

void ConversionList::AddOneFile()
{
    if (!ReadyToAdd())
        return;
    const std::optional<std::string> chosen = parts_.dialogs.OpenFile(OpenDialogFilter());
    if (!chosen || !FileExists(*chosen))
        return;

    OutputSettings& settings = parts_.session.Settings;
    settings.SourceFile = *chosen;
    if (!ChooseFormat(true))
        return;
    const std::string source = settings.SourceFile;

    if (!OutputFolderWritable(fs::path(settings.OutputFile).parent_path().string()))
        return;
    TInputOptions input = InputOptionsFor(source);
    if (!Probe(source))
        return;

    TOutputOptions output;
    output.FileName = OutputNameFor(settings.OutputFile, parts_.controls.existingFileIndex);
    const AddedTask added = AddConversionTask(parts_.converter, settings, input, output);
    if (added.opened)
        parts_.previewFile = source;
    if (added.task < 0) {
        parts_.log.AppendBlock((added.opened ? "***不能进行正常转换: " : "***打开文件失败: ") + added.error);
        return;
    }
    AppendRow(source, input, output);
    Renumber();
    Select(RowCount() - 1);
    parts_.log.AppendBlock("装入成功.");
    ControlStates::RowsAdded(parts_.controls);
    ControlsChanged();
}

void ConversionList::AddManyFiles()
{
    if (!ReadyToAdd())
        return;
    const std::vector<std::string> files = parts_.dialogs.OpenFiles(OpenDialogFilter());
    if (files.empty())
        return;
    if (!ChooseFormat(false))
        return;
    AddFilesOneFormat(files);
}

void ConversionList::AddFolder()
{
    if (parts_.converter.Working() || !ReadyToAdd())
        return;
    const std::optional<std::string> folder = parts_.dialogs.ChooseFolder("选择要添加的文件夹", lastFolder_);
    if (!folder)
        return;
    lastFolder_ = *folder;
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(*folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError) && IsMediaFile(it->path()))
            files.push_back(it->path().string());
    }
    if (files.empty()) {
        parts_.dialogs.MessageBox("这个文件夹（包括其子文件夹）中没有可以转换的音频或视频文件！" + *folder,
                                  kInfoCaption, MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    // AddFilesOneFormat appends from the last file, so the list ends up in path order
    std::sort(files.begin(), files.end(), std::greater<>());
    if (!ChooseFormat(false))
        return;
    AddFilesOneFormat(files);
}

void ConversionList::ChangeRowFormat(int row)
{
    if (row < 0 || row >= RowCount() || parts_.converter.Working())
        return;
    ResetOutputSettings();
    if (!LibraryReady())
        return;
    ListRow& shown = rows_[static_cast<size_t>(row)];
    OutputSettings& settings = parts_.session.Settings;
    settings.SourceFile = shown.SourceFile;
    if (!ChooseFormat(true))
        return;
    if (!OutputFolderWritable(fs::path(settings.OutputFile).parent_path().string()))
        return;
    if (!Probe(shown.SourceFile))
        return;
    TFileStreamInfo facts;
    const TaskClip clip = ClipOfSettings(
        settings,
        parts_.converter.Probe().GetFileStreamInfo(facts) && facts.Duration >= 0 ? facts.Duration : kNoTimeUs);
    if (!clip.refusal.empty()) {
        parts_.log.AppendBlock("***不能进行正常转换: " + clip.refusal);
        return;
    }
    RowRecord& slot = slots_[static_cast<size_t>(row)];
    slot.Input = InputOptionsFor(shown.SourceFile);
    slot.Output = TOutputOptions{};
    slot.Output.FileName = OutputNameFor(settings.OutputFile, parts_.controls.existingFileIndex);
    CopyOutputSettings(settings, slot.Output);
    PutClip(clip, slot.Input, slot.Output);
    shown.TargetExt = ExtensionLabel(slot.Output.FileName);
    shown.Status = kStatusReady;
    shown.Progress = -1;
    shown.TimeText = "0";
    shown.OutputBytes = -1;
    FillRowFacts(shown, slot.Output);
    RequestSample(row);
    parts_.log.AppendBlock("已更改输出格式: " + PathFileName(shown.SourceFile));
    RowsChanged(row);
}

void ConversionList::AddDroppedFiles(const std::vector<std::string>& files)
{
    if (files.empty() || parts_.converter.Working())
        return;
    if (!ReadyToAdd())
        return;
    if (!ChooseFormat(false))
        return;
    AddFilesOneFormat(files);
}

void ConversionList::AddFilesOneFormat(const std::vector<std::string>& files)
{
    OutputSettings& settings = parts_.session.Settings;
    TMediaConverter& converter = parts_.converter;
    const std::string outputExt = PathExtension(settings.OutputFile);
    if (!OutputFolderWritable(parts_.OutputFolder()))
        return;
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        if (!FileExists(*file))
            break;
        if (!HasFreeSlot()) {
            RefuseFullList();
            break;
        }
        settings.SourceFile = *file;
        TInputOptions input = InputOptionsFor(*file);
        if (!Probe(*file))
            continue;
        const std::string stem = fs::path(PathFileName(*file)).stem().string();
        TOutputOptions output;
        output.FileName =
            OutputNameFor(JoinPath(parts_.OutputFolder(), stem + outputExt), parts_.controls.existingFileIndex);
        const AddedTask added = AddConversionTask(converter, settings, input, output);
        if (!added.opened) {
            parts_.log.AppendBlock("***打开文件失败: " + added.error);
            break;
        }
        if (added.task < 0) {
            parts_.log.AppendBlock("***不能进行正常转换: " + added.error);
            continue;
        }
        AppendRow(*file, input, output);
        parts_.log.AppendBlock("装入成功.");
        ControlStates::RowsAdded(parts_.controls);
    }
    Renumber();
    if (!rows_.empty())
        Select(RowCount() - 1);
    ControlsChanged();
}

void ConversionList::AppendRow(const std::string& source, const TInputOptions& input, const TOutputOptions& output)
{
    ListRow row;
    FillRowFacts(row, output);
    row.SourceFile = source;
    row.SourceExt = ExtensionLabel(source);
    row.TargetExt = ExtensionLabel(output.FileName);
    // what is written where it differs from the lists' selection
    const std::string& adjustments = parts_.session.Settings.Adjustments;
    if (!adjustments.empty()) {
        row.TargetExt += " (" + adjustments + ")";
        parts_.log.AppendBlock("按编码器和格式的要求写入: " + adjustments);
    }
    rows_.push_back(row);
    for (RowRecord& slot : slots_) {
        if (slot.SlotState == kSlotFree) {
            slot.Input = input;
            slot.Output = output;
            slot.FormatNumber = parts_.session.FormatNumber;
            slot.RunOutputFile.clear();
            slot.SlotState = kSlotFull;
            break;
        }
    }
    RequestSample(RowCount() - 1);
}

void ConversionList::SetSizeSampler(ISizeSampler* sampler)
{
    if (sampler_)
        for (ListRow& row : rows_)
            CancelSample(row);
    sampler_ = sampler;
    for (int row = 0; row < RowCount(); ++row)
        RequestSample(row);
    if (!rows_.empty())
        RowsChanged();
}

void ConversionList::RequestSample(int row)
{
    // rows kept from an earlier run of the program came without an add that loaded the libraries
    if (!sampler_ || row < 0 || row >= RowCount() || !LibraryReady())
        return;
    ListRow& shown = rows_[static_cast<size_t>(row)];
    CancelSample(shown);
    const RowRecord& slot = slots_[static_cast<size_t>(row)];
    shown.SampleKey = ++lastSampleKey_;
    shown.Sampled = false;
    shown.SampleSpeed = 0;
    shown.Sampling = true;
    sampler_->Request(shown.SampleKey, slot.Input, slot.Output);
}

void ConversionList::CancelSample(ListRow& row)
{
    if (sampler_ && row.Sampling)
        sampler_->Cancel(row.SampleKey);
    row.Sampling = false;
}

void ConversionList::ApplySampledSizes()
{
    if (!sampler_)
        return;
    for (const SampledSize& result : sampler_->TakeResults()) {
        for (int row = 0; row < RowCount(); ++row) {
            ListRow& shown = rows_[static_cast<size_t>(row)];
            if (!shown.Sampling || shown.SampleKey != result.Key)
                continue;
            shown.Sampling = false;
            shown.SampleSpeed = result.Speed;
            // a sample that could not tell leaves the bit-rate estimate
            if (result.Bytes >= 0) {
                shown.ExpectedBytes = result.Bytes;
                shown.Sampled = true;
            }
            RowsChanged(row);
        }
    }
}

void ConversionList::FillRowFacts(ListRow& row, const TOutputOptions& output)
{
    // the probe still holds the source the add just opened
    TAVProbe& probe = parts_.converter.Probe();
    TFileStreamInfo facts;
    if (probe.GetFileStreamInfo(facts))
        row.SourceDurationUs = facts.Duration;
    row.SourceHasVideo = probe.FirstVideoStream() >= 0;
    row.SourceHasAudio = probe.FirstAudioStream() >= 0;
    row.ExpectedBytes = ExpectedOutputBytes(output, row.SourceDurationUs, row.SourceHasVideo, row.SourceHasAudio);
}

void ConversionList::Renumber()
{
    for (size_t i = 0; i < rows_.size(); ++i)
        rows_[i].Caption = std::to_string(i + 1);
    RowsChanged();
    KeptChanged();
}

void ConversionList::Select(int row)
{
    selected_ = row;
    RowsChanged();
    AdvListView1SelectItem(row);
}

void ConversionList::AdvListView1SelectItem(int row)
{
    try {
        if (row < 0 || row >= RowCount()) {
            // nothing highlighted in the view: nothing is chosen for removal either
            selected_ = -1;
            return;
        }
        selected_ = row;
        if (!parts_.converter.Working()) {
            parts_.controls.toolEnabled[static_cast<size_t>(ToolButton::Remove)] = true;
            parts_.controls.listActive[static_cast<size_t>(ListButton::Remove)] = true;
            ControlsChanged();
        }
    } catch (const std::exception&) {
        // a selection never ends in an error box
    }
}

void ConversionList::btnRemoveClick()
{
    if (selected_ < 0 || selected_ >= RowCount()) {
        parts_.dialogs.MessageBox("请先选择您需要删除的项目！", kInfoCaption, MessageIcon::Information,
                                  MessageButtons::Ok);
        return;
    }
    parts_.listBusy = true;
    const int k = selected_;
    TMediaConverter& converter = parts_.converter;
    if (rows_[static_cast<size_t>(k)].Status == kStatusReady && converter.TaskCount() >= RowCount() &&
        !converter.Working())
        converter.RemoveTask(k);

    CancelSample(rows_[static_cast<size_t>(k)]);
    rows_.erase(rows_.begin() + k);
    selected_ = -1;
    slots_[static_cast<size_t>(k)].SlotState = kSlotDeleted;
    for (int i = k; i < kRowSlotCount - 1; ++i)
        std::swap(slots_[static_cast<size_t>(i)], slots_[static_cast<size_t>(i + 1)]);

    Renumber();
    parts_.listBusy = false;
    ControlStates::AfterRemove(parts_.controls, !rows_.empty());
    ControlsChanged();
}

void ConversionList::DeleteKey()
{
    if (!parts_.converter.Working())
        btnRemoveClick();
}

void ConversionList::btnClearClick()
{
    if (parts_.converter.Working() &&
        parts_.dialogs.MessageBox("文件正在转换中。清空列表将停止转换，已转换完成的文件会保留。\n确实要清空吗？",
                                  kInfoCaption, MessageIcon::Question, MessageButtons::OkCancel) != MessageResult::Ok)
        return;
    if (parts_.converter.Working()) {
        parts_.stopRequested = true;
        parts_.converter.StopTasks(true);
    }
    ResetOutputSettings();
    parts_.converter.ClearTasks();
    for (ListRow& row : rows_)
        CancelSample(row);
    rows_.clear();
    selected_ = -1;
    RowsChanged();
    ControlStates::Cleared(parts_.controls);
    ControlsChanged();
    Button15Click();
    KeptChanged();
}

void ConversionList::SwapWithNeighbour(int direction)
{
    parts_.listBusy = true;
    const int k = selected_;
    const int other = k + direction;
    if (k >= 0 && k < RowCount() && other >= 0 && other < RowCount()) {
        std::swap(rows_[static_cast<size_t>(k)], rows_[static_cast<size_t>(other)]);
        std::swap(slots_[static_cast<size_t>(k)], slots_[static_cast<size_t>(other)]);
        selected_ = other;
        Renumber();
    }
    parts_.listBusy = false;
}

void ConversionList::Button10Click() { SwapWithNeighbour(-1); }

void ConversionList::Button11Click() { SwapWithNeighbour(+1); }

std::vector<RowTask> ConversionList::RebuildTasks()
{
    // rows kept from an earlier run of the program came without an add that loaded them
    LibraryReady();
    const std::string& folder = parts_.OutputFolder();
    std::error_code ignored;
    if (!folder.empty() && !fs::exists(folder, ignored))
        fs::create_directories(folder, ignored);

    TMediaConverter& converter = parts_.converter;
    converter.ClearTasks();
    std::vector<RowTask> result;
    for (RowRecord& slot : slots_) {
        if (slot.SlotState != kSlotFull)
            continue;
        parts_.log.Clear();
        RowTask row;
        row.TaskIndex = converter.AddTask(slot.Input.FileName, &slot.Input);
        if (row.TaskIndex < 0) {
            // the row keeps its place; later rows still find their own tasks
            row.ErrorText = converter.LastErrMsg();
            result.push_back(row);
            continue;
        }
        // The name is claimed when the finished file is put in place: with
        // 自动生成相应的新文件名 an existing file (one the last run made, say)
        // keeps its name and this one takes the first free "(New_n)".
        const std::string name = WithoutNewNumber(JoinPath(folder, PathFileName(slot.Output.FileName)));
        TOutputOptions output = slot.Output;
        output.FileName = name;
        output.ReplaceExisting = parts_.controls.existingFileIndex != 0;
        slot.RunOutputFile = name;  // until the finished file tells the name it took
        if (result.size() < rows_.size())
            rows_[result.size()].OutputFile = name;
        // a failure here ends the task at once with its error when the run starts
        converter.SetOutputFile(row.TaskIndex, name, &output);
        result.push_back(row);
    }
    KeptChanged();
    return result;
}

void ConversionList::SetStatus(int row, const std::string& status)
{
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].Status == status)
        return;
    rows_[static_cast<size_t>(row)].Status = status;
    rows_[static_cast<size_t>(row)].ResumeText.clear();
    RowsChanged(row);
    KeptChanged();
}

void ConversionList::SetRunOutputFile(int row, const std::string& name)
{
    if (row < 0 || row >= RowCount() || name.empty())
        return;
    slots_[static_cast<size_t>(row)].RunOutputFile = name;
    rows_[static_cast<size_t>(row)].OutputFile = name;
    KeptChanged();
}

void ConversionList::SetProgress(int row, int percent)
{
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].Progress == percent)
        return;
    rows_[static_cast<size_t>(row)].Progress = percent;
    RowsChanged(row);
}

void ConversionList::SetRunTexts(int row, const std::string& speed, const std::string& remaining)
{
    if (row < 0 || row >= RowCount())
        return;
    ListRow& r = rows_[static_cast<size_t>(row)];
    if (r.SpeedText == speed && r.RemainingText == remaining)
        return;
    r.SpeedText = speed;
    r.RemainingText = remaining;
    RowsChanged(row);
}

void ConversionList::SetOutputBytes(int row, int64_t bytes)
{
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].OutputBytes == bytes)
        return;
    rows_[static_cast<size_t>(row)].OutputBytes = bytes;
    RowsChanged(row);
}

void ConversionList::SetTimeText(int row, const std::string& text)
{
    if (row < 0 || row >= RowCount() || rows_[static_cast<size_t>(row)].TimeText == text)
        return;
    rows_[static_cast<size_t>(row)].TimeText = text;
    RowsChanged(row);
}
