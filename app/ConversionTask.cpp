#include "app/ConversionTask.h"

#include "app/OutputOptionsCopy.h"
#include "formats/FormatsTexts.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

TaskClip ClipOfSettings(const OutputSettings& settings, int64_t sourceDurationUs)
{
    TaskClip clip;
    if (settings.CutMode != "Select")
        return clip;
    clip.clipped = true;
    clip.startUs = std::max<int64_t>(settings.CutStart, 0) * 1000;
    clip.durationUs = settings.CutLength * 1000;
    const bool lengthKnown = sourceDurationUs != kNoTimeUs && sourceDurationUs >= 0;
    if (clip.durationUs <= 0)
        clip.refusal = kStartNotBeforeStopMessage;
    else if (lengthKnown && clip.startUs >= sourceDurationUs)
        clip.refusal = kStopBeyondLengthMessage;
    else if (lengthKnown)
        clip.durationUs = std::min(clip.durationUs, sourceDurationUs - clip.startUs);
    return clip;
}

void PutClip(const TaskClip& clip, TInputOptions& input, TOutputOptions& output)
{
    if (clip.clipped) {
        input.StartTime = clip.startUs;
        output.Duration = clip.durationUs;
    } else {
        output.StartTime = 0;
    }
}

AddedTask AddConversionTask(TMediaConverter& converter, const OutputSettings& settings, TInputOptions& input,
                            TOutputOptions& output)
{
    AddedTask added;
    // a clip that cannot be right whatever the source's length opens nothing
    TaskClip clip = ClipOfSettings(settings, kNoTimeUs);
    if (!clip.refusal.empty()) {
        added.error = clip.refusal;
        return added;
    }
    PutClip(clip, input, output);
    const int task = converter.AddTask(input.FileName, &input);
    if (task < 0) {
        added.error = converter.LastErrMsg();
        return added;
    }
    added.opened = true;
    const AVFormatContext* source = converter.GetInputContext(task, 0);
    clip = ClipOfSettings(settings, source && source->duration != AV_NOPTS_VALUE ? source->duration : kNoTimeUs);
    CopyOutputSettings(settings, output);
    PutClip(clip, input, output);
    if (!clip.refusal.empty())
        added.error = clip.refusal;
    else if (!converter.SetOutputFile(task, output.FileName, &output))
        added.error = converter.LastErrMsg();
    if (!added.error.empty()) {
        converter.RemoveTask(task);
        return added;
    }
    added.task = task;
    return added;
}
