// Preparing an output: its format, the streams it gets from the pending
// state and the opened inputs, its meta-data and its file.
#include "engine/OutputTags.h"
#include "engine/TCustomFFmpeg.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include <cerrno>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace {

// Muxers whose default video codec is a still-image codec for cover art (mp3,
// aiff): video through them would become one picture per frame, so they
// count as audio-only formats.
bool HasPictureVideoDefault(const AVOutputFormat* format)
{
    return format->audio_codec != AV_CODEC_ID_NONE &&
           (format->video_codec == AV_CODEC_ID_PNG || format->video_codec == AV_CODEC_ID_MJPEG);
}

// Image sequence muxers need a frame number ("%d") in the file name.
bool NeedsFrameNumber(const AVOutputFormat* format)
{
    if (format->flags & AVFMT_NEEDNUMBER)
        return true;
    const std::string name = format->name;
    return name == "image2";
}

// Meta-data keys whose meaning moved to another key in the muxers.
std::string MuxerMetadataKey(const std::string& key)
{
    if (key == "author")
        return "artist";
    if (key == "year")
        return "date";
    return key;
}

// "YYYY-MM-DDTHH:MM:SS.000000Z" of seconds since 1970 (UTC).
std::string IsoTime(int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    return text;
}

// Why `fileName` cannot become an output (a negative error code), or 0: the
// folder must let us create files, and the name must not be a folder.
int OutputFileRefusal(const std::string& fileName)
{
    std::error_code failed;
    if (std::filesystem::is_directory(fileName, failed))
        return AVERROR(EISDIR);
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    const std::string folderName = folder.empty() ? std::string(".") : folder.string();
    if (access(folderName.c_str(), W_OK | X_OK) != 0)
        return AVERROR(errno);
    return 0;
}

}  // namespace

bool TCustomFFmpeg::InputsHaveSubtitlesFor(AVCodecID encoderId) const
{
    const AVCodecDescriptor* target = avcodec_descriptor_get(encoderId);
    const int kinds = AV_CODEC_PROP_TEXT_SUB | AV_CODEC_PROP_BITMAP_SUB;
    if (!target || !(target->props & kinds))
        return true;  // nothing known against it
    for (const AVFormatInputPtr& input : media_.inputs)
        for (unsigned i = 0; i < input->nb_streams; ++i) {
            const AVCodecParameters* par = input->streams[i]->codecpar;
            if (par->codec_type != AVMEDIA_TYPE_SUBTITLE)
                continue;
            const AVCodecDescriptor* source = avcodec_descriptor_get(par->codec_id);
            if (!source || (source->props & target->props & kinds))
                return true;
        }
    return false;
}

bool TCustomFFmpeg::IsOpenedInput(const std::string& fileName) const
{
    std::error_code error;
    for (const AVFormatInputPtr& input : media_.inputs)
        if (input && input->url && std::filesystem::equivalent(fileName, WideFileName(input->url), error))
            return true;
    return false;
}

int TCustomFFmpeg::AddOutputFile(const std::string& fileName, bool /*join: one input per task*/)
{
    PendingOptions& p = pending_;
    if (media_.OutputCount() >= capacity_) {
        lastError_ = FormatText("%s: too many output files (at most %d)", fileName.c_str(), capacity_);
        return -1;
    }
    // 1. a filter graph is in use for the outputs
    if (!p.videoFilters.empty())
        media_.filtersInUse = true;

    // 3. the output format
    const std::string forced = p.forcedFormat;
    p.forcedFormat.clear();
    const std::string mediaName = MediaFileName(fileName);
    const AVOutputFormat* format = nullptr;
    if (!forced.empty()) {
        if (forced == "ffm") {
            // feed output needs the ffm muxer, which the library no longer has
            lastError_ = FormatText("Requested output format '%s' is not a suitable output format "
                                    "(ffm feeds are not supported)",
                                    forced.c_str());
            return -1;
        }
        format = av_guess_format(forced.c_str(), nullptr, nullptr);
        if (!format) {
            lastError_ = FormatText("Requested output format '%s' is not a suitable output format", forced.c_str());
            return -1;
        }
    } else {
        format = av_guess_format(nullptr, mediaName.c_str(), nullptr);
        if (!format) {
            lastError_ = FormatText("Unable to find a suitable output format for '%s'", fileName.c_str());
            return -1;
        }
    }

    // 2. the context, with the format and the file name (the url is a copy)
    AVFormatContext* raw = nullptr;
    const int allocated = avformat_alloc_output_context2(&raw, format, nullptr, mediaName.c_str());
    if (allocated == AVERROR(ENOMEM) || (allocated < 0 && !raw))
        throw FFmpegException("avformat_alloc_context failed");
    const int outputIndex = media_.AddOutput(AVFormatOutputPtr{raw}, OutputFileSetup{});
    AVFormatContext* oc = raw;

    // every failure from here removes the output again
    auto fail = [&](const std::string& text) {
        media_.RemoveLastOutput();
        lastError_ = text;
        return -1;
    };

    // 5. which streams: wanted by the format or the options, present in the inputs
    bool useVideo = (format->video_codec != AV_CODEC_ID_NONE && !HasPictureVideoDefault(format)) ||
                    !p.videoCodecName.empty() || p.videoStreamCopy;
    bool useAudio = format->audio_codec != AV_CODEC_ID_NONE || !p.audioCodecName.empty() || p.audioStreamCopy;
    bool useSubtitle =
        format->subtitle_codec != AV_CODEC_ID_NONE || !p.subtitleCodecName.empty() || p.subtitleStreamCopy;
    if (media_.InputCount() > 0) {
        bool inputVideo = false, inputAudio = false, inputSubtitle = false;
        for (const AVFormatInputPtr& input : media_.inputs)
            for (unsigned i = 0; i < input->nb_streams; ++i) {
                const AVMediaType type = input->streams[i]->codecpar->codec_type;
                inputVideo |= type == AVMEDIA_TYPE_VIDEO;
                inputAudio |= type == AVMEDIA_TYPE_AUDIO;
                inputSubtitle |= type == AVMEDIA_TYPE_SUBTITLE;
            }
        useVideo &= inputVideo;
        useAudio &= inputAudio;
        useSubtitle &= inputSubtitle;
    }
    useVideo &= !p.videoDisable;
    useAudio &= !p.audioDisable;
    useSubtitle &= !p.subtitleDisable;
    // A subtitle encoder (the format's default or the one named) takes either
    // text or pictures; when no input subtitle is of its kind, leave subtitles
    // out rather than fail the whole conversion at the first subtitle.
    if (useSubtitle && !p.subtitleStreamCopy && media_.InputCount() > 0) {
        const AVCodec* named =
            p.subtitleCodecName.empty() ? nullptr : avcodec_find_encoder_by_name(p.subtitleCodecName.c_str());
        const AVCodecID id =
            named ? named->id : av_guess_codec(format, nullptr, mediaName.c_str(), nullptr, AVMEDIA_TYPE_SUBTITLE);
        if (!InputsHaveSubtitlesFor(id)) {
            LogFmt(llWarning, "Subtitles left out: the %s encoder of format '%s' cannot take the input's subtitles",
                   avcodec_get_name(id), format->name);
            useSubtitle = false;
        }
    }

    struct Creation {
        bool wanted;
        void (TCustomFFmpeg::*create)(int);
        const char* failure;
    };
    const Creation creations[] = {
        {useVideo, &TCustomFFmpeg::CreateVideoStream, "new_video_stream fail: %s"},
        {useAudio, &TCustomFFmpeg::CreateAudioStream, "new_audio_stream fail: %s"},
        {useSubtitle, &TCustomFFmpeg::CreateSubtitleStream, "new_subtitle_stream fail: %s"},
    };
    for (const Creation& creation : creations) {
        if (!creation.wanted)
            continue;
        try {
            (this->*creation.create)(outputIndex);
        } catch (const FFmpegException& e) {
            return fail(FormatText(creation.failure, e.what()));
        }
    }

    // the sound keeps its cover picture where the container holds one
    if (useAudio && !useVideo)
        AddCoverPicture(outputIndex);

    // 6. recording timestamp and meta-data (the first definition of a key wins)
    if (p.recordingTimestampSeconds != 0)
        av_dict_set(&oc->metadata, "creation_time", IsoTime(p.recordingTimestampSeconds).c_str(), 0);
    for (auto it = p.metadata.rbegin(); it != p.metadata.rend(); ++it)
        av_dict_set(&oc->metadata, MuxerMetadataKey(it->first).c_str(), it->second.c_str(), 0);
    p.metadata.clear();

    // 8. image sequences need a frame number in the name
    if (NeedsFrameNumber(format) && !av_filename_number_test(mediaName.c_str()))
        return fail(ErrorText(fileName, AVERROR(EDOM)));

    // 9. the file. Nothing is created here: the run writes into a hidden
    // part file and gives it this name when it is finished, so a task that
    // never runs (removed, stopped before its turn) leaves no trace, and an
    // existing file keeps its content until then.
    OutputFileSetup& fileSetup = media_.outputSetups[outputIndex];
    fileSetup.replaceExisting = replaceNextOutput_;
    replaceNextOutput_ = true;
    fileSetup.resumable = resumableNextOutput_;
    resumableNextOutput_ = true;
    if (!(format->flags & AVFMT_NOFILE)) {
        if (IsOpenedInput(fileName))
            return fail(FormatText("%s: the output file is an input file of this conversion", fileName.c_str()));
        const int refused = OutputFileRefusal(fileName);
        if (refused < 0)
            return fail(ErrorText(fileName, refused));
        fileSetup.finalName = fileName;
    }

    // 11. muxing parameters and the encoding options of the format
    OutputFileSetup& setup = fileSetup;
    const int64_t preloadUs = std::llround(p.muxPreloadSeconds * 1000000.0);
    oc->max_delay = static_cast<int>(std::lround(p.muxMaxDelaySeconds * 1000000.0));
    if (oc->priv_data && av_opt_find(oc->priv_data, "preload", nullptr, 0, 0)) {
        AVDictionary* options = setup.muxerOptions.release();
        av_dict_set_int(&options, "preload", preloadUs, 0);
        setup.muxerOptions.reset(options);
    }
    if (p.loopOutput >= 0 && oc->priv_data && av_opt_find(oc->priv_data, "loop", nullptr, 0, 0))
        av_opt_set_int(oc->priv_data, "loop", p.loopOutput, 0);
    oc->flags |= AVFMT_FLAG_NONBLOCK;
    ReplayGenericOptions(oc, rmOutputFormat);

    // 12. the stream-id map served this output
    p.streamIdMap.fill(0);
    return media_.OutputCount();
}
