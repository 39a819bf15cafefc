#pragma once
// The conversion list AdvListView1 and the table of row records behind it:
// adding one or many files, removing, clearing and moving rows, and the
// re-creation of the converter's tasks from the records at every start.
#include "app/IFormatChooser.h"
#include "app/ISizeSampler.h"
#include "app/ListRow.h"
#include "app/ListStore.h"
#include "app/ListWindowParts.h"
#include "app/RowRecord.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// What RebuildTasks made of one row.
struct RowTask {
    int TaskIndex = -1;  // the converter's task, -1 when the source could not be opened
    std::string ErrorText;  // why there is no task
};

class ConversionList {
public:
    explicit ConversionList(ListWindowParts parts);

    // The format chooser and option window (not owned); without one every
    // add ends as if the chooser had been cancelled.
    void SetChooser(IFormatChooser* chooser) { chooser_ = chooser; }
    // Called with a row index after that row changed, -1 after the rows
    // changed as a whole (add, remove, move, clear, selection).
    void SetRowsChanged(std::function<void(int row)> changed) { rowsChanged_ = std::move(changed); }
    // Called after every change of what the list keeps across runs of the
    // program: rows added, removed, moved or cleared, a row's records or its
    // status; never for progress or time alone. A code path that changes a
    // row's records must call KeptChanged().
    void SetKeptChanged(std::function<void()> changed) { keptChanged_ = std::move(changed); }
    // Changes made while a batch lives reach SetKeptChanged once, when the last batch ends.
    class KeptBatch {
    public:
        explicit KeptBatch(ConversionList& list) : list_(list) { ++list_.keptBatches_; }
        ~KeptBatch();
        KeptBatch(const KeptBatch&) = delete;
        KeptBatch& operator=(const KeptBatch&) = delete;

    private:
        ConversionList& list_;
    };
    // The sampler that estimates each row's output size from short pieces
    // converted with the row's settings (not owned; null: the bit-rate
    // estimate only). Every row is sampled once it is set, each added or
    // changed row afterwards; a removed or changed row's sample is cancelled.
    void SetSizeSampler(ISizeSampler* sampler);
    // Takes the sampler's finished estimates into their rows (UI thread).
    void ApplySampledSizes();

    // The rows as they are kept, and an empty list filled with kept rows at start.
    std::vector<KeptRow> KeptRows() const;
    void RestoreRows(const std::vector<KeptRow>& rows);

    const std::vector<ListRow>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    int Selected() const { return selected_; }  // -1: none
    const RowRecord& Slot(int index) const { return slots_.at(static_cast<size_t>(index)); }

    void MenuItem15Click();  // 添加一个视频文件
    void N2Click();  // 添加多个视频文件
    void AddOneFile();  // Button6Click
    void AddManyFiles();  // Button22Click
    // 添加一个文件夹: the media files of a chosen folder and its subfolders,
    // one format choice for all, then as AddManyFiles.
    void AddFolder();
    // The chooser and option window again for `row`; the next run converts
    // the row with what was chosen. Refused while a run is on.
    void ChangeRowFormat(int row);
    // Files dropped onto the list: one format choice for all, then as AddManyFiles.
    void AddDroppedFiles(const std::vector<std::string>& files);
    void btnRemoveClick();
    // The Delete key in the list: 移除, unless a run is on.
    void DeleteKey();
    void btnClearClick();
    void Button10Click();  // 上移
    void Button11Click();  // 下移
    void ResetOutputSettings();  // Button7Click
    void Button15Click();  // every slot free
    // Button14Click: one task per row, in row order; the result says, per
    // row, which task it got.
    std::vector<RowTask> RebuildTasks();
    // A row became selected (a click in the list); -1 when the view's
    // selection became empty.
    void AdvListView1SelectItem(int row);

    // Run control writes the cells of a row.
    void SetStatus(int row, const std::string& status);
    // The name the finished output of `row` took when it was put in place.
    void SetRunOutputFile(int row, const std::string& name);
    void SetProgress(int row, int percent);
    void SetTimeText(int row, const std::string& text);
    void SetRunTexts(int row, const std::string& speed, const std::string& remaining);
    void SetOutputBytes(int row, int64_t bytes);  // -1: none yet

private:
    bool LibraryReady();
    bool HasFreeSlot() const;
    void RefuseFullList();
    // What every add checks first: the last add's settings cleared, the
    // library loaded, room in the list (else says so); false to add nothing.
    bool ReadyToAdd();
    // The chooser, once for the files; false when cancelled.
    bool ChooseFormat(bool clipAllowed);
    // Whether the converter can write into `folder`; else says why in a box.
    bool OutputFolderWritable(const std::string& folder);
    TInputOptions InputOptionsFor(const std::string& file) const;
    // Probes `file`; on failure the log lines and the message box.
    bool Probe(const std::string& file);
    void AppendRow(const std::string& source, const TInputOptions& input, const TOutputOptions& output);
    void FillRowFacts(ListRow& row, const TOutputOptions& output);
    // A sample of `row` with its slot's records, replacing any earlier one.
    void RequestSample(int row);
    void CancelSample(ListRow& row);
    void AddFilesOneFormat(const std::vector<std::string>& files);
    void Renumber();
    void Select(int row);
    void SwapWithNeighbour(int direction);
    void RowsChanged(int row = -1);
    void KeptChanged();
    void ControlsChanged();

    ListWindowParts parts_;
    IFormatChooser* chooser_ = nullptr;
    std::function<void(int)> rowsChanged_;
    std::function<void()> keptChanged_;
    int keptBatches_ = 0;
    bool keptPending_ = false;  // changed inside a batch
    std::vector<ListRow> rows_;
    std::array<RowRecord, kRowSlotCount> slots_;
    int selected_ = -1;
    std::string lastFolder_;  // the folder the last folder add took
    ISizeSampler* sampler_ = nullptr;
    uint64_t lastSampleKey_ = 0;
};
