#pragma once
// The option window without its widgets: the ten lists, the filter boxes, the
// clip group and the window's own state, with the fill, the refills after an
// encoder change and the confirmation.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/ClipTimes.h"
#include "formats/ComboState.h"
#include "formats/FormatSession.h"
#include "formats/OptionList.h"

class IFormatsDialogs;
class IDurationProbe;

enum class FilterBox { HorizontalFlip, VerticalFlip, Negative };  // suiCheckBox2..4

enum class ConfirmOutcome {
    Closed,  // OutputSettings written; the option window and the chooser close
    StayOpen,  // a message was shown; the user corrects the clip or cancels
};

class OptionWindowModel {
public:
    OptionWindowModel(FormatSession& session, IFormatsDialogs& dialogs);

    void SetDialogs(IFormatsDialogs& dialogs) { dialogs_ = &dialogs; }
    // nullptr: no probe; the stop fields stay empty.
    void SetDurationProbe(IDurationProbe* probe) { probe_ = probe; }

    // Each time the window is shown: clear, fill, split time.
    void Shown();
    void Clear();
    void Fill();
    void SplitTime();
    void SetVideoMode();
    void SetAudioOnlyMode();

    // The user picked entry `index` of `list`; encoder changes run the refills.
    void UserSelected(OptionList list, int index);
    void SetFilter(FilterBox box, bool checked);
    // suiCheckBox1Click: the six time edits follow the box.
    void SetClipChecked(bool checked);
    // The main window before an add: unchecked; enabled for one file only.
    void ResetClipCheck(bool enabled);
    void SetTimeField(int field, const std::string& text);  // 0-2 start h/m/s, 3-5 stop h/m/s
    // The key filter of the time edits: false (and the message) for a key
    // other than Backspace, Enter or a digit.
    bool TimeKeyAccepted(char32_t key);

    // 确定: OutputSettings from the lists, then the clip.
    ConfirmOutcome Confirm();
    // 预览视频: the desktop opens the source.
    void Preview();

    const ComboState& List(OptionList list) const { return lists_[Index(list)]; }
    bool Filter(FilterBox box) const { return filters_[static_cast<int>(box)]; }
    bool FiltersEnabled() const { return filtersEnabled_; }
    bool ClipChecked() const { return clipChecked_; }
    bool ClipCheckEnabled() const { return clipCheckEnabled_; }
    bool TimeFieldsEnabled() const { return clipChecked_; }
    const std::string& TimeField(int field) const { return timeFields_.at(field); }
    const std::string& SourceText() const { return sourceText_; }
    const std::string& MediaKind() const { return mediaKind_; }
    const std::string& DiscTarget() const { return discTarget_; }
    const std::string& DurationSeconds() const { return durationSeconds_; }

private:
    void SetList(OptionList list, const std::vector<std::string>& items, int selected);
    void SetVideoControlsEnabled(bool enabled);
    void VideoEncoderChanged();
    void ShowDiscPicture();
    void AudioEncoderChanged();
    ConfirmOutcome ApplyClip();

    FormatSession& session_;
    IFormatsDialogs* dialogs_;
    IDurationProbe* probe_ = nullptr;

    std::array<ComboState, kOptionListCount> lists_;
    std::array<bool, 3> filters_{};
    bool filtersEnabled_ = true;
    bool clipChecked_ = false;
    bool clipCheckEnabled_ = true;
    std::array<std::string, 6> timeFields_;
    std::string sourceText_;
    std::string mediaKind_;
    std::string discTarget_;
    std::string durationSeconds_;
};
