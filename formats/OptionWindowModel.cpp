#include "formats/OptionWindowModel.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "formats/DiscTargets.h"
#include "formats/EncoderOffer.h"
#include "formats/FormatProfiles.h"
#include "formats/FormatsTexts.h"
#include "formats/IDurationProbe.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionCaptions.h"
#include "formats/OptionTranslation.h"
#include "formats/OutputNaming.h"

namespace {

constexpr OptionList kVideoLists[] = {OptionList::VideoEncoder, OptionList::VideoBitrate, OptionList::FrameSize,
                                      OptionList::FrameRate, OptionList::ScalingMode};

constexpr OptionList kAudioLists[] = {OptionList::AudioEncoder, OptionList::AudioBitrate, OptionList::SampleRate,
                                      OptionList::Channels};

bool IsOneOf(const std::string& caption, std::initializer_list<const char*> captions)
{
    return std::any_of(captions.begin(), captions.end(), [&caption](const char* c) { return caption == c; });
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

OptionWindowModel::OptionWindowModel(FormatSession& session, IFormatsDialogs& dialogs)
    : session_(session), dialogs_(&dialogs)
{}

void OptionWindowModel::Shown()
{
    Clear();
    Fill();
    SplitTime();
}

void OptionWindowModel::Clear()
{
    sourceText_.clear();
    for (ComboState& list : lists_) {
        list.items.clear();
        list.selected = -1;
    }
    filters_ = {};
    session_.Settings.VideoFilters.clear();
    session_.Settings.VideoTag.clear();
}

void OptionWindowModel::SetVideoControlsEnabled(bool enabled)
{
    for (OptionList list : kVideoLists)
        lists_[Index(list)].enabled = enabled;
    filtersEnabled_ = enabled;
}

void OptionWindowModel::SetVideoMode()
{
    SetVideoControlsEnabled(true);
    mediaKind_ = kMediaKindVideo;
}

void OptionWindowModel::SetAudioOnlyMode()
{
    SetVideoControlsEnabled(false);
    mediaKind_ = kMediaKindMusic;
}

void OptionWindowModel::SetList(OptionList list, const std::vector<std::string>& items, int selected)
{
    ComboState& combo = lists_[Index(list)];
    combo.items = items;
    combo.selected = selected;
}

void OptionWindowModel::Fill()
{
    OutputSettings& settings = session_.Settings;
    sourceText_ = settings.SourceFile;
    SetVideoMode();
    for (OptionList list : kAudioLists)
        lists_[Index(list)].enabled = true;
    settings.OutputFormat.clear();
    discTarget_.clear();
    settings.VideoNorm.clear();

    const FormatProfile* profile = FindProfile(session_.FormatNumber);
    if (!profile)
        return;
    settings.OutputFile =
        JoinFolder(session_.OutputFolder, ReplaceExtension(FileNamePart(sourceText_), profile->extension));
    settings.OutputExt = profile->outputExt;
    switch (profile->extra) {
    case ProfileExtra::AudioOnly:
        SetAudioOnlyMode();
        break;
    case ProfileExtra::MovContainer:
        settings.OutputFormat = "mov";
        break;
    case ProfileExtra::DiscDvd:
        discTarget_ = "dvd";
        break;
    case ProfileExtra::DiscSvcd:
        discTarget_ = "svcd";
        break;
    case ProfileExtra::DiscVcd:
        discTarget_ = "vcd";
        break;
    case ProfileExtra::None:
        break;
    }
    for (std::size_t i = 0; i < kOptionListCount; ++i) {
        const auto list = static_cast<OptionList>(i);
        const OptionChoice& choice = profile->lists[i];
        const OptionItems offered = OfferedItems(*profile, list, session_.EncoderPresent);
        int selected = choice.defaultIndex;
        if (offered.size() != choice.items->size()) {
            // an encoder missing here may have been the default: the first offered one stands in
            selected = std::max(0, ChoiceOf(offered, choice.items->at(choice.defaultIndex)).defaultIndex);
            if (offered.empty())
                selected = -1;
        }
        SetList(list, offered, selected);
    }
    // an animation has no sound: its audio lists only say so
    if (List(OptionList::AudioEncoder).Selected() == kAudioNone) {
        for (OptionList list : kAudioLists)
            lists_[Index(list)].enabled = false;
    }
    ShowDiscPicture();
}

// A disc's norm decides its picture: the size and rate lists show what the
// selected PAL or NTSC encoder writes, and the picture lists take no choice.
void OptionWindowModel::ShowDiscPicture()
{
    const DiscSpec* disc = FindDiscTarget(discTarget_);
    if (!disc)
        return;
    const auto rule = VideoEncoderRuleOf(List(OptionList::VideoEncoder).Selected());
    const DiscPicture& picture = DiscPictureOf(*disc, rule ? rule->discNorm : std::string());
    const auto select = [this](OptionList list, const char* caption) {
        ComboState& combo = lists_[Index(list)];
        const auto found = std::find(combo.items.begin(), combo.items.end(), caption);
        if (found != combo.items.end())
            combo.selected = static_cast<int>(found - combo.items.begin());
        combo.enabled = false;
    };
    select(OptionList::FrameSize, picture.frameSize);
    select(OptionList::FrameRate, picture.frameRate);
    lists_[Index(OptionList::VideoBitrate)].enabled = false;
}

void OptionWindowModel::SplitTime()
{
    const std::string& file = session_.Settings.SourceFile;
    const std::string forcedFormat = EndsWithNoCase(file, ".dat") ? "mpeg" : "";
    const int64_t durationUs = probe_ ? probe_->DurationUs(file, forcedFormat) : -1;
    TimeFields stop{"", "", ""};
    if (durationUs >= 0) {
        const int64_t seconds = durationUs / 1'000'000;
        durationSeconds_ = std::to_string(seconds);
        stop = FieldsFromSeconds(seconds);
    }
    for (int i = 0; i < 3; ++i) {
        timeFields_[i] = "00";
        timeFields_[3 + i] = stop[i];
    }
}

void OptionWindowModel::UserSelected(OptionList list, int index)
{
    ComboState& combo = lists_[Index(list)];
    if (index < 0 || index >= static_cast<int>(combo.items.size()))
        return;
    combo.selected = index;
    if (list == OptionList::VideoEncoder)
        VideoEncoderChanged();
    else if (list == OptionList::AudioEncoder)
        AudioEncoderChanged();
}

void OptionWindowModel::VideoEncoderChanged()
{
    const int number = session_.FormatNumber;
    const std::string encoder = List(OptionList::VideoEncoder).Selected();

    ShowDiscPicture();
    if (number >= 1 && number <= 3) {
        if (encoder == kVideoMjpeg) {
            SetList(OptionList::VideoBitrate, ProfileLists::VideoBitratesMjpeg(),
                    ChoiceOf(ProfileLists::VideoBitratesMjpeg(), "3000 kbps(高质量)").defaultIndex);
        } else if (IsOneOf(encoder,
                           {kVideoDivx5, kVideoMpeg4Spaced, kVideoXvid1, kVideoXvid2, kVideoDivx, kVideoH264})) {
            SetList(OptionList::VideoBitrate, ProfileLists::VideoBitratesWide(),
                    ChoiceOf(ProfileLists::VideoBitratesWide(), "528 kbps(中等质量)").defaultIndex);
        }
    }
    if (number == 100 || number == 101) {
        if (IsOneOf(encoder, {kVideoMpeg4, kVideoH263, kVideoDivx})) {
            SetList(OptionList::FrameSize, ProfileLists::FrameSizesH263(),
                    ChoiceOf(ProfileLists::FrameSizesH263(), "176*144").defaultIndex);
        } else if (IsOneOf(encoder, {kVideoDivx5, kVideoXvid1, kVideoXvid2})) {
            SetList(OptionList::FrameSize, ProfileLists::FrameSizesPhone(),
                    ChoiceOf(ProfileLists::FrameSizesPhone(), "176*144").defaultIndex);
        }
    }
}

void OptionWindowModel::AudioEncoderChanged()
{
    const int number = session_.FormatNumber;
    const std::string encoder = List(OptionList::AudioEncoder).Selected();

    struct AudioRefill {
        const OptionItems* bitrates;
        const char* bitrate;
        const OptionItems* rates;
        const char* rate;
        const OptionItems* channels;
    };
    const AudioRefill amr{&ProfileLists::AudioBitratesAmr(), "7.4", &ProfileLists::SampleRateAmr(), "8000",
                          &ProfileLists::ChannelsMono()};
    const OptionItems& phoneRates = ProfileLists::SampleRatesPhone();
    const OptionItems& stereo = ProfileLists::ChannelsStereo();

    const AudioRefill* refill = nullptr;
    AudioRefill aac{};
    if (encoder == kAudioAmr && number >= 100 && number <= 103) {
        refill = &amr;
    } else if (encoder == kAudioAac) {
        switch (number) {
        case 100:
            aac = {&ProfileLists::AudioBitratesAac8k(), "12", &ProfileLists::SampleRateAmr(), "8000",
                   &ProfileLists::ChannelsMono()};
            break;
        case 101:
            aac = {&ProfileLists::AudioBitratesAac3g2(), "48", &phoneRates, "32000", &stereo};
            break;
        case 102:
            aac = {&ProfileLists::AudioBitratesSymbian(), "64", &phoneRates, "44100", &stereo};
            break;
        case 103:
            aac = {&ProfileLists::AudioBitratesPhone(), "32", &phoneRates, "32000", &stereo};
            break;
        default:
            break;
        }
        if (aac.bitrates)
            refill = &aac;
    }
    if (!refill)
        return;
    SetList(OptionList::AudioBitrate, *refill->bitrates, ChoiceOf(*refill->bitrates, refill->bitrate).defaultIndex);
    SetList(OptionList::SampleRate, *refill->rates, ChoiceOf(*refill->rates, refill->rate).defaultIndex);
    SetList(OptionList::Channels, *refill->channels, 0);
}

void OptionWindowModel::SetFilter(FilterBox box, bool checked) { filters_[static_cast<int>(box)] = checked; }

void OptionWindowModel::SetClipChecked(bool checked) { clipChecked_ = checked; }

void OptionWindowModel::ResetClipCheck(bool enabled)
{
    clipChecked_ = false;
    clipCheckEnabled_ = enabled;
}

void OptionWindowModel::SetTimeField(int field, const std::string& text) { timeFields_.at(field) = text; }

bool OptionWindowModel::TimeKeyAccepted(char32_t key)
{
    if (IsTimeFieldKey(key))
        return true;
    dialogs_->ShowInformation(kPromptCaption, kDigitsOnlyMessage);
    return false;
}

ConfirmOutcome OptionWindowModel::Confirm()
{
    ConfirmInput input;
    for (std::size_t i = 0; i < kOptionListCount; ++i)
        input.captions[i] = lists_[i].Selected();
    input.horizontalFlip = Filter(FilterBox::HorizontalFlip);
    input.verticalFlip = Filter(FilterBox::VerticalFlip);
    input.negative = Filter(FilterBox::Negative);
    input.mediaKind = mediaKind_;
    input.discTarget = discTarget_;
    input.outputFolder = session_.OutputFolder;
    if (const std::string refused = RefusedCombination(input); !refused.empty()) {
        dialogs_->ShowInformation(kPromptCaption, refused);
        return ConfirmOutcome::StayOpen;
    }
    TranslateSelection(input, session_.Settings);
    return ApplyClip();
}

ConfirmOutcome OptionWindowModel::ApplyClip()
{
    OutputSettings& settings = session_.Settings;
    if (!clipChecked_) {
        settings.CutStart = 0;
        settings.CutMode = "NoSelect";
        return ConfirmOutcome::Closed;
    }
    for (std::string& field : timeFields_) {
        if (field.empty())
            field = "00";
    }
    // Without a known length the stop time cannot be checked; a clip beyond
    // the end would be cut from nothing.
    if (durationSeconds_.empty()) {
        dialogs_->ShowInformation(kPromptCaption, kUnknownLengthMessage);
        return ConfirmOutcome::StayOpen;
    }
    const int64_t startMs = MillisecondsFromFields({timeFields_[0], timeFields_[1], timeFields_[2]});
    const int64_t stopMs = MillisecondsFromFields({timeFields_[3], timeFields_[4], timeFields_[5]});
    if (stopMs > std::stoll(durationSeconds_) * 1000) {
        dialogs_->ShowInformation(kPromptCaption, kStopBeyondLengthMessage);
        return ConfirmOutcome::StayOpen;
    }
    if (startMs >= stopMs) {
        dialogs_->ShowInformation(kPromptCaption, kStartNotBeforeStopMessage);
        return ConfirmOutcome::StayOpen;
    }
    settings.CutStart = startMs;
    settings.CutLength = stopMs - startMs;
    settings.CutMode = "Select";
    return ConfirmOutcome::Closed;
}

void OptionWindowModel::Preview() { dialogs_->OpenWithDefaultApplication(sourceText_); }
