// A run whose output is also written as segments (engine/SegmentedOutput.h):
// the choice of outputs that can be written so, the comparison with what an
// interrupted run left, the seek of a resumed run and the copy of the kept
// part into its output.
#include "engine/TranscodeRun.h"

#include "engine/SegmentedOutput.h"
#include "engine/TCustomFFmpeg.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <time.h>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kResumeSeekMarginUs = 200'000;

// The muxers whose files are joined from segments by stream copy.
const std::set<std::string>& JoinableMuxers()
{
    static const std::set<std::string> names = {"avi", "mp4", "matroska", "dvd", "mp3"};
    return names;
}

// The encoders whose streams are known to join cleanly: a forced key picture
// that no picture refers across (an IDR picture, a closed GOP), the reordering delay told in has_b_frames, audio
// frames that decode on their own.
const std::set<std::string>& JoinableEncoders()
{
    static const std::set<std::string> names = {"mpeg4",      "libx264", "mpeg2video", "mpeg1video",
                                                "libmp3lame", "aac",     "ac3",        "mp2"};
    return names;
}

uint64_t Digest(const uint8_t* data, size_t size)
{
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 1099511628211ull;
    return hash;
}

// The option values of an encoder object that decide its stream; the
// thread settings (which follow the files converted at once) left out.
std::string OptionValues(void* object)
{
    if (!object)
        return {};
    char* text = nullptr;
    if (av_opt_serialize(object, AV_OPT_FLAG_ENCODING_PARAM, AV_OPT_SERIALIZE_SKIP_DEFAULTS, &text, '=', ',') < 0 ||
        !text)
        return {};
    std::string all(text);
    av_free(text);
    std::string kept;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(',', start);
        if (end == std::string::npos)
            end = all.size();
        const std::string item = all.substr(start, end - start);
        if (item.rfind("threads=", 0) != 0 && item.rfind("thread_type=", 0) != 0)
            kept += item + ",";
        start = end + 1;
    }
    return kept;
}

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(path, ignored);
}

}  // namespace

std::string TranscodeRun::ResumeObstacle() const
{
    const TaskMedia& media = task_.media_;
    if (media.InputCount() != 1 || media.OutputCount() != 1 || !media.inputReaders.empty())
        return "not one file to one file";
    const AVFormatContext* ic = media.inputs[0].get();
    if (!ic->url || SourceStampOf(WideFileName(ic->url)).sizeBytes < 0)
        return "the source is not a regular file";
    if (!media.outputSetups[0].resumable)
        return "written directly on request";
    const AVFormatContext* oc = media.outputs[0].get();
    if (media.outputSetups[0].finalName.empty() || (oc->oformat->flags & AVFMT_NOFILE) ||
        !JoinableMuxers().contains(oc->oformat->name))
        return "the format cannot be joined from parts";
    for (const RunOutputStream& ost : outputStreams_) {
        if (ost.enc && (ost.enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
            return "two-pass encoding";
        const AVMediaType type = ost.stream->codecpar->codec_type;
        if (!ost.encodingNeeded || IsCover(ost) || (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO))
            return "a stream is copied or is not audio or video";
        if (!JoinableEncoders().contains(ost.encoder->Choice().name))
            return "the encoder " + ost.encoder->Choice().name + " cannot be joined from parts";
    }
    if (options_.pass != 0)
        return "two-pass encoding";
    if (options_.copyTs || options_.startTimeUs != 0 || options_.shortest || options_.rateEmulation ||
        options_.fileSizeLimitBytes > 0 || options_.maxFramesVideo != INT_MAX || options_.maxFramesAudio != INT_MAX ||
        options_.maxFramesData != INT_MAX)
        return "the run is limited by its options";
    return {};
}

std::string TranscodeRun::SettingsText() const
{
    const TaskMedia& media = task_.media_;
    const AVFormatContext* oc = media.outputs[0].get();
    const int64_t inputStartUs = media.inputStartTimesUs.empty() ? 0 : media.inputStartTimesUs[0];
    std::string text = FormatText(
        "%s|clip=%lld,%lld|vf=%s|crop=%d,%d,%d,%d|vol=%d|deint=%d|sync=%d,%d|", oc->oformat->name,
        static_cast<long long>(inputStartUs), static_cast<long long>(options_.recordingTimeUs),
        options_.videoFilters.c_str(), options_.cropTop, options_.cropBottom, options_.cropLeft, options_.cropRight,
        options_.audioVolume, options_.deinterlace ? 1 : 0, options_.videoSyncMethod, options_.audioSyncMethod);
    for (const RunOutputStream& ost : outputStreams_) {
        const AVCodecContext* enc = ost.enc;
        text +=
            FormatText("[%d %s %dx%d %d %d/%d r%d c%d s%d f%d p%d b%lld q%d g%d bf%d fl%d x%llx] ", enc->codec_type,
                       ost.encoder->Choice().name.c_str(), enc->width, enc->height, enc->pix_fmt, enc->time_base.num,
                       enc->time_base.den, enc->sample_rate, enc->ch_layout.nb_channels, enc->sample_fmt,
                       enc->frame_size, enc->initial_padding, static_cast<long long>(enc->bit_rate),
                       enc->global_quality, enc->gop_size, enc->max_b_frames, enc->flags,
                       static_cast<unsigned long long>(
                           Digest(enc->extradata, static_cast<size_t>(std::max(enc->extradata_size, 0)))));
        text += OptionValues(const_cast<AVCodecContext*>(enc)) + "|" + OptionValues(enc->priv_data) + "|";
    }
    return text;
}

int64_t TranscodeRun::ExpectedLengthUs() const
{
    const TaskMedia& media = task_.media_;
    // the length asked for: the clip's, or the source's from where it starts
    int64_t expectedUs = -1;
    if (media.InputCount() > 0 && media.inputs[0]->duration != AV_NOPTS_VALUE && media.inputs[0]->duration > 0) {
        const int64_t inputStartUs = media.inputStartTimesUs.empty() ? 0 : media.inputStartTimesUs[0];
        expectedUs =
            media.inputs[0]->duration - std::max<int64_t>(inputStartUs, 0) - std::max<int64_t>(options_.startTimeUs, 0);
    }
    if (options_.recordingTimeUs != INT64_MAX && (expectedUs < 0 || options_.recordingTimeUs < expectedUs))
        expectedUs = options_.recordingTimeUs;
    // options that end a run early on purpose leave no length to compare with
    if (options_.shortest || options_.fileSizeLimitBytes > 0 || options_.maxFramesVideo != INT_MAX ||
        options_.maxFramesAudio != INT_MAX || options_.maxFramesData != INT_MAX || media.InputCount() != 1)
        expectedUs = -1;
    return expectedUs;
}

void TranscodeRun::ChooseSegmentedOutput()
{
    segmentedOutput_ = -1;
    const std::string obstacle = ResumeObstacle();
    const TaskMedia& media = task_.media_;
    if (!obstacle.empty()) {
        // what an interrupted run of this output left cannot be taken up
        if (media.OutputCount() == 1 && !media.outputSetups[0].finalName.empty()) {
            const std::string& finalName = media.outputSetups[0].finalName;
            const std::string folder = SegmentFolderName(finalName);
            if (Exists(folder) || Exists(PartFileName(finalName))) {
                task_.LogFmt(llInfo, "%s: cannot resume (%s): converting from the start", finalName.c_str(),
                             obstacle.c_str());
                SegmentFolderLock lock;
                std::error_code ignored;
                if (Exists(folder) && lock.Take(folder))
                    fs::remove_all(folder, ignored);
            }
        }
        return;
    }
    // the first picture after a segment boundary may be the first a resumed
    // run makes: no picture on either side of it may refer across it
    for (RunOutputStream& ost : outputStreams_) {
        AVCodecContext* enc = ost.enc;
        if (!enc || enc->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (ost.encoder->Choice().name == "libx264") {
            // a forced key picture is an IDR picture; the GOPs elsewhere stay as the settings make them
            av_opt_set_int(enc, "forced-idr", 1, AV_OPT_SEARCH_CHILDREN);
            continue;
        }
        if (enc->max_b_frames <= 0)
            continue;
        enc->flags |= AV_CODEC_FLAG_CLOSED_GOP;
        // the MPEG encoders close their GOPs only without scene-cut key pictures
        av_opt_set_int(enc, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    }
    segmentedOutput_ = 0;
}

void TranscodeRun::PrepareSegments()
{
    if (segmentedOutput_ < 0)
        return;
    TaskMedia& media = task_.media_;
    const std::string& finalName = media.outputSetups[0].finalName;
    const std::string folder = SegmentFolderName(finalName);
    if (!segmentLock_.Take(folder)) {
        // another run writes this output now, or the folder cannot be made
        task_.LogFmt(llVerbose, "%s: written without resumable parts (the folder %s is in use or cannot be made)",
                     finalName.c_str(), folder.c_str());
        segmentedOutput_ = -1;
        return;
    }
    segmentFolder_ = folder;

    const std::string source = WideFileName(media.inputs[0]->url);
    std::error_code ignored;
    SegmentRecord fresh;
    fresh.sourcePath = fs::weakly_canonical(source, ignored).string();
    fresh.source = SourceStampOf(source);
    fresh.settings = SettingsText();
    fresh.lengthUs = ExpectedLengthUs();
    // the time bases are the muxer's choice, known once the header is written (the writer's)
    for (const RunOutputStream& ost : outputStreams_)
        fresh.types.push_back(ost.stream->codecpar->codec_type);

    SegmentRecord old;
    std::string problem;
    KeptPart kept;
    if (ReadSegmentRecord(folder, old, problem)) {
        const bool sameStreams = old.types == fresh.types && old.timeBases.size() == fresh.types.size();
        if (old.sourcePath != fresh.sourcePath || !(old.source == fresh.source))
            task_.LogFmt(llInfo, "%s: the source changed since the interrupted conversion: converting from the start",
                         finalName.c_str());
        else if (old.settings != fresh.settings || !sameStreams)
            task_.LogFmt(llInfo, "%s: the settings changed since the interrupted conversion: converting from the start",
                         finalName.c_str());
        else
            kept = KeptPartOf(old);
        if (kept.segments > 0 && !SeekForResume(kept)) {
            task_.LogFmt(llInfo, "%s: the source cannot be sought to the kept part: converting from the start",
                         finalName.c_str());
            kept = KeptPart{};
        }
        if (kept.segments > 0) {
            fresh.segments = old.segments;
            task_.LogFmt(llInfo, "%s: resuming at %s", finalName.c_str(), ResumeTimeText(kept.keptUs).c_str());
        }
    }
    // everything but the kept segments goes
    std::set<std::string> keep = {"record.json", "lock"};
    for (size_t i = 0; i < kept.segments; ++i)
        keep.insert(fresh.segments[i].file);
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        if (!keep.contains(entry.path().filename().string()))
            fs::remove_all(entry.path(), ignored);
    pendingRecord_ = std::move(fresh);
    pendingKept_ = kept;
}

bool TranscodeRun::SeekForResume(const KeptPart& kept)
{
    TaskMedia& media = task_.media_;
    AVFormatContext* ic = media.inputs[0].get();
    const int64_t resumeUs = kept.keptUs;
    // where the kept audio ends, on the output's time line
    int64_t audioUs = resumeUs;
    int audioStream = -1;
    for (const RunOutputStream& ost : outputStreams_) {
        const size_t i = static_cast<size_t>(ost.index);
        if (ost.stream->codecpar->codec_type != AVMEDIA_TYPE_AUDIO || i >= kept.endTs.size() ||
            i >= kept.timeBases.size())
            continue;
        audioStream = ost.index;
        audioUs = av_rescale_q(kept.endTs[i], kept.timeBases[i], AV_TIME_BASE_Q);
    }
    const int64_t inputStartUs = media.inputStartTimesUs.empty() ? 0 : media.inputStartTimesUs[0];
    // a little before: some demuxers land past the time asked for, and the
    // gates below drop what comes before the kept part's end
    int64_t target = std::max<int64_t>(0, inputStartUs + std::min(resumeUs, audioUs) - kResumeSeekMarginUs);
    if (ic->start_time != AV_NOPTS_VALUE)
        target += ic->start_time;
    if (av_seek_frame(ic, -1, target, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    // this run's time 0 is the output's resumeUs
    media.inputTsOffsetsUs[0] -= resumeUs;
    for (RunInputStream& ist : inputStreams_)
        ist.startGateUs = 0;
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.index != audioStream)
            continue;
        // the sound goes on where the kept sound ends
        inputStreams_[static_cast<size_t>(ost.sourceIndex)].startGateUs = audioUs - resumeUs;
        ost.syncOpts = av_rescale(audioUs - resumeUs, ost.enc->sample_rate, AV_TIME_BASE);
    }
    resumeUs_ = resumeUs;
    if (recordingTimeUs_ != INT64_MAX)
        recordingTimeUs_ -= resumeUs;
    return true;
}

void TranscodeRun::StartSegments()
{
    if (segmentedOutput_ < 0)
        return;
    std::vector<const AVStream*> streams;
    for (const RunOutputStream& ost : outputStreams_)
        streams.push_back(ost.stream);
    segments_ =
        std::make_unique<SegmentWriter>(segmentFolder_, std::move(pendingRecord_), streams, pendingKept_, resumeUs_);
    if (segments_->Files().empty())
        return;
    // a resumed run's output opens with the kept part, copied from its segments
    const int j = segmentedOutput_;
    const int64_t startUs = av_gettime_relative();
    const double startCpu = ThreadCpuSeconds();
    std::vector<int64_t> counts;
    JoinSegments(segments_->Folder(), segments_->Files(), task_.media_.outputs[static_cast<size_t>(j)].get(), counts);
    int64_t packets = 0;
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.fileIndex != j || static_cast<size_t>(ost.index) >= counts.size())
            continue;
        ost.packetCount += counts[static_cast<size_t>(ost.index)];
        packets += counts[static_cast<size_t>(ost.index)];
    }
    packetsWritten_[static_cast<size_t>(j)] += packets;
    task_.LogFmt(llVerbose,
                 "%s: the kept part (%zu segments, %lld packets) copied into the output in %.3f s, %.3f s of CPU",
                 task_.media_.outputSetups[static_cast<size_t>(j)].finalName.c_str(), segments_->Files().size(),
                 static_cast<long long>(packets), static_cast<double>(av_gettime_relative() - startUs) / 1e6,
                 ThreadCpuSeconds() - startCpu);
}

void TranscodeRun::FinishSegments()
{
    if (segments_)
        segments_->Finish();
}
