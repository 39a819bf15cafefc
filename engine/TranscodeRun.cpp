// Set-up of the run tables, decoders and encoders; the main loop that reads
// the inputs; the steps after the loop.
#include "engine/TranscodeRun.h"

#include "engine/CodecThreads.h"
#include "engine/OutputTags.h"
#include "engine/TCustomFFmpeg.h"
#include "media/CodecLock.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <exception>
#include <filesystem>
#include <memory>
#include <thread>

TranscodeRun::TranscodeRun(TCustomFFmpeg& task, const RunHooks& hooks)
    : task_(task), hooks_(hooks), options_(task.pending_), preprocessor_(task.videoHooks_, &task),
      decoded_(av_frame_alloc()), filtered_(av_frame_alloc()), audioFrame_(av_frame_alloc()), cropped_(av_frame_alloc())
{
    if (!decoded_ || !filtered_ || !audioFrame_ || !cropped_)
        throw std::bad_alloc();
    packetsWritten_.assign(static_cast<size_t>(task_.media_.OutputCount()), 0);
    recordingTimeUs_ = options_.recordingTimeUs;
    preprocessor_.SetDeinterlace(options_.deinterlace);
    if (hooks.customHook)
        preprocessor_.CustomHook().SetHandler(hooks.customHook);
}

TranscodeRun::~TranscodeRun() { preprocessor_.Reset(); }

void TranscodeRun::PassPauseGate() const
{
    if (!hooks_.pauseGate)
        return;
    // a pause holds the encoders' threads too: they finish what they were given
    if (hooks_.pauseGate->IsClosed())
        for (const RunOutputStream& ost : outputStreams_)
            if (ost.encodeWorker)
                ost.encodeWorker->WaitIdle();
    hooks_.pauseGate->Pass();
}

std::string TranscodeRun::StreamName(int fileIndex, int streamIndex, AVMediaType type) const
{
    return FormatText("#%d.%d (%s)", fileIndex, streamIndex, MediaTypeName(type).c_str());
}

double TranscodeRun::SyncInputTime(const RunInputStream& ist) const
{
    return static_cast<double>(ist.ptsUs - options_.startTimeUs) / AV_TIME_BASE;
}

void TranscodeRun::Execute()
{
    task_.finished_ = false;
    if (task_.codecThreads_ <= 0)
        task_.codecThreads_ = MachineCores();
    CreateInputStreams();
    CreateOutputStreams();
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.encodingNeeded)
            PrepareEncoding(ost);
        else
            PrepareStreamCopy(ost);
        PrepareTwoPass(ost);
    }
    ChooseSegmentedOutput();
    OpenEncoders();
    OpenDecoders();
    CopyMetaData();
    CopyChapters();
    PrepareSegments();
    WriteHeaders();
    StartEncodeWorkers();
    MainLoop();
    AfterLoop();
    task_.finished_ = !task_.stopRequested_;
}

// --- set-up -----------------------------------------------------------------

void TranscodeRun::CreateInputStreams()
{
    TaskMedia& media = task_.media_;
    const int64_t now = av_gettime_relative();
    for (int i = 0; i < media.InputCount(); ++i) {
        AVFormatContext* ic = media.inputs[i].get();
        RunInputFile file;
        file.firstStream = static_cast<int>(inputStreams_.size());
        file.streamCount = static_cast<int>(ic->nb_streams);
        inputFiles_.push_back(file);
        for (unsigned k = 0; k < ic->nb_streams; ++k) {
            RunInputStream ist;
            ist.fileIndex = i;
            ist.streamIndex = static_cast<int>(k);
            ist.stream = ic->streams[k];
            if (k < media.inputStreams[i].size())
                ist.decoder = media.inputStreams[i][k].decoder.get();
            if (options_.rateEmulation)
                ist.startWallUs = now;
            if (static_cast<size_t>(i) < media.inputStartTimesUs.size() && media.inputStartTimesUs[i] != 0)
                ist.startGateUs = 0;
            inputStreams_.push_back(std::move(ist));
        }
    }
}

void TranscodeRun::CreateOutputStreams()
{
    TaskMedia& media = task_.media_;
    size_t total = 0;
    for (int j = 0; j < media.OutputCount(); ++j) {
        AVFormatContext* oc = media.outputs[j].get();
        if (oc->nb_streams == 0) {
            av_dump_format(oc, j, oc->url, 1);
            throw FFmpegException::Format("Output file #%d does not contain any stream", j);
        }
        total += oc->nb_streams;
    }
    const auto& maps = task_.tables_.streamMaps;
    if (!maps.empty() && maps.size() != total)
        throw FFmpegException("Number of stream maps must match number of output streams");

    outputStreams_.reserve(total);
    for (int j = 0; j < media.OutputCount(); ++j) {
        AVFormatContext* oc = media.outputs[j].get();
        auto& setups = media.outputSetups[j].streams;
        for (unsigned k = 0; k < oc->nb_streams; ++k) {
            RunOutputStream ost;
            ost.fileIndex = j;
            ost.index = static_cast<int>(k);
            ost.stream = oc->streams[k];
            if (k < setups.size()) {
                ost.setup = &setups[k];
                ost.encoder = setups[k].encoder.get();
                ost.enc = ost.encoder ? ost.encoder->Context() : nullptr;
                ost.encodingNeeded = !setups[k].streamCopy && ost.encoder;
            }
            outputStreams_.push_back(std::move(ost));
        }
    }
    for (size_t n = 0; n < outputStreams_.size(); ++n)
        MapOutputStream(outputStreams_[n], n);
}

void TranscodeRun::MapOutputStream(RunOutputStream& ost, size_t mapIndex)
{
    TaskMedia& media = task_.media_;
    const auto& maps = task_.tables_.streamMaps;
    const AVMediaType type = ost.stream->codecpar->codec_type;
    auto entryOf = [&](int file, int stream) { return inputFiles_[file].firstStream + stream; };
    auto exists = [&](int file, int stream) {
        return file >= 0 && file < media.InputCount() && stream >= 0 && stream < inputFiles_[file].streamCount;
    };

    if (!maps.empty()) {
        const StreamMap& map = maps[mapIndex];
        if (!exists(map.fileIndex, map.streamIndex))
            throw FFmpegException::Format("Could not find input stream #%d.%d", map.fileIndex, map.streamIndex);
        if (!exists(map.syncFileIndex, map.syncStreamIndex))
            throw FFmpegException::Format("Could not find sync stream #%d.%d", map.syncFileIndex, map.syncStreamIndex);
        ost.sourceIndex = entryOf(map.fileIndex, map.streamIndex);
        ost.syncIndex = entryOf(map.syncFileIndex, map.syncStreamIndex);
        const AVMediaType sourceType = inputStreams_[ost.sourceIndex].stream->codecpar->codec_type;
        if (sourceType != type) {
            const AVFormatContext* ic = media.inputs[map.fileIndex].get();
            const AVFormatContext* oc = media.outputs[ost.fileIndex].get();
            av_dump_format(const_cast<AVFormatContext*>(ic), map.fileIndex, ic->url, 0);
            av_dump_format(const_cast<AVFormatContext*>(oc), ost.fileIndex, oc->url, 1);
            throw FFmpegException::Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", map.fileIndex,
                                          map.streamIndex, MediaTypeName(sourceType).c_str(), ost.fileIndex, ost.index,
                                          MediaTypeName(type).c_str());
        }
    } else if (ost.setup && ost.setup->coverInput >= 0) {
        ost.sourceIndex = entryOf(ost.setup->coverInput, ost.setup->coverStream);
        ost.syncIndex = ost.sourceIndex;
    } else {
        // the unused stream of that type seen with the most frames; the first on a tie
        auto usable = [&](const RunInputStream& ist) {
            return ist.stream->codecpar->codec_type == type && ist.stream->discard != AVDISCARD_ALL;
        };
        int best = -1;
        int64_t bestFrames = -1;
        for (int i = 0; i < static_cast<int>(inputStreams_.size()); ++i) {
            const RunInputStream& ist = inputStreams_[i];
            if (!usable(ist) || !ist.discard)
                continue;
            const int64_t frames = ist.stream->nb_frames;
            if (frames > bestFrames) {
                best = i;
                bestFrames = frames;
            }
        }
        if (best < 0 && options_.programId == 0)
            for (int i = 0; i < static_cast<int>(inputStreams_.size()); ++i)
                if (usable(inputStreams_[i]))
                    best = i;
        if (best < 0)
            throw FFmpegException::Format("Could not find input stream matching output stream #%d.%d (%s)",
                                          ost.fileIndex, ost.index, MediaTypeName(type).c_str());
        ost.sourceIndex = best;
        ost.syncIndex = best;
    }
    inputStreams_[ost.sourceIndex].discard = false;
}

void TranscodeRun::PrepareStreamCopy(RunOutputStream& ost)
{
    const RunInputStream& ist = inputStreams_[ost.sourceIndex];
    const AVFormatContext* oc = task_.media_.outputs[ost.fileIndex].get();
    const AVCodecParameters* in = ist.stream->codecpar;
    AVCodecParameters* out = ost.stream->codecpar;
    const AVMediaType type = out->codec_type;

    if (static_cast<int64_t>(in->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE > INT_MAX)
        throw FFmpegException("icodec.extradata_size is invalid (too large)");

    if (type == AVMEDIA_TYPE_VIDEO) {
        // a cover picture is copied as it is and never decoded: no frame hook misses it
        if (!IsCover(ost)) {
            if (hooks_.customHook)
                throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
            if (task_.VideoHookInUse())
                throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
            if (task_.PreviewFlags() != 0)
                throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
        }
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        if (options_.audioVolume != 256)
            throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
    } else if (type != AVMEDIA_TYPE_SUBTITLE) {
        throw FFmpegException("invalid codec_type of output stream");
    }

    const uint32_t forcedTag = out->codec_tag;
    if (avcodec_parameters_copy(out, in) < 0)
        throw std::bad_alloc();
    uint32_t tag = forcedTag ? forcedTag : in->codec_tag;
    if (!forcedTag && oc->oformat->codec_tag && av_codec_get_id(oc->oformat->codec_tag, tag) != in->codec_id)
        tag = 0;
    out->codec_tag = tag;

    // the time base: the codec's frame duration when the container's is finer than 1 ms
    const AVRational streamBase = ist.stream->time_base;
    AVRational codecBase{0, 1};
    if (ist.stream->avg_frame_rate.num > 0 && ist.stream->avg_frame_rate.den > 0)
        codecBase = av_inv_q(ist.stream->avg_frame_rate);
    if (codecBase.num > 0 && av_q2d(codecBase) > av_q2d(streamBase) && av_q2d(streamBase) < 1.0 / 1000) {
        av_reduce(&codecBase.num, &codecBase.den, codecBase.num, codecBase.den, INT_MAX);
        ost.stream->time_base = codecBase;
    } else {
        ost.stream->time_base = streamBase;
    }

    if (type == AVMEDIA_TYPE_VIDEO) {
        ost.stream->sample_aspect_ratio = ist.stream->sample_aspect_ratio;
        ost.stream->avg_frame_rate = ist.stream->avg_frame_rate;
        ost.stream->r_frame_rate = ist.stream->r_frame_rate;
        // copied pictures are not turned here: they keep the source's display matrix
        size_t matrixSize = 0;
        if (const uint8_t* matrix = av_stream_get_side_data(ist.stream, AV_PKT_DATA_DISPLAYMATRIX, &matrixSize)) {
            uint8_t* copy = av_stream_new_side_data(ost.stream, AV_PKT_DATA_DISPLAYMATRIX, matrixSize);
            if (!copy)
                throw std::bad_alloc();
            std::memcpy(copy, matrix, matrixSize);
        }
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        if ((in->codec_id == AV_CODEC_ID_MP3 && in->block_align == 1) || in->codec_id == AV_CODEC_ID_AC3)
            out->block_align = 0;
    }
}

void TranscodeRun::PrepareEncoding(RunOutputStream& ost)
{
    RunInputStream& ist = inputStreams_[ost.sourceIndex];
    AVCodecContext* enc = ost.enc;
    const AVCodecParameters* in = ist.stream->codecpar;
    ist.decodingNeeded = true;

    switch (enc->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
        if (enc->pix_fmt == AV_PIX_FMT_NONE)
            throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
        ost.cropTop = options_.cropTop;
        ost.cropBottom = options_.cropBottom;
        ost.cropLeft = options_.cropLeft;
        ost.cropRight = options_.cropRight;
        ost.cropping = ost.cropTop || ost.cropBottom || ost.cropLeft || ost.cropRight;
        // pictures are written upright: sizes and crops count on the turned picture
        const PictureOrientation orientation = StreamOrientation(ist.stream);
        const int uprightWidth = orientation.SwapsSides() ? in->height : in->width;
        const int uprightHeight = orientation.SwapsSides() ? in->width : in->height;
        const int croppedWidth = uprightWidth - ost.cropLeft - ost.cropRight;
        const int croppedHeight = uprightHeight - ost.cropTop - ost.cropBottom;
        if (enc->width <= 0 || enc->height <= 0) {
            enc->width = croppedWidth;
            enc->height = croppedHeight;
        }
        const auto inFormat = static_cast<AVPixelFormat>(in->format);
        ost.lastWidth = in->width;
        ost.lastHeight = in->height;
        ost.lastFormat = in->format;
        // only the filter graph turns pictures
        if (task_.media_.filtersInUse || !orientation.Upright()) {
            FilterGraphInput graphIn;
            graphIn.width = in->width;
            graphIn.height = in->height;
            graphIn.pixelFormat = inFormat;
            graphIn.orientation = orientation;
            graphIn.timeBase = ist.stream->time_base;
            graphIn.sampleAspect =
                ist.stream->sample_aspect_ratio.num ? ist.stream->sample_aspect_ratio : in->sample_aspect_ratio;
            FilterGraphOutput graphOut;
            graphOut.cropTop = ost.cropTop;
            graphOut.cropBottom = ost.cropBottom;
            graphOut.cropLeft = ost.cropLeft;
            graphOut.cropRight = ost.cropRight;
            graphOut.width = enc->width;
            graphOut.height = enc->height;
            graphOut.pixelFormat = enc->pix_fmt;
            graphOut.scalerFlags = task_.scalerFlags_;
            graphOut.filters = options_.videoFilters;
            graphOut.threads = task_.codecThreads_;
            ost.graph = std::make_unique<FilterGraph>();
            ost.graph->Build(graphIn, graphOut);
            ost.graphInput = graphIn;
            ost.graphOutput = graphOut;
            enc->width = ost.graph->Width();
            enc->height = ost.graph->Height();
            break;
        }
        ost.resizing = croppedWidth != enc->width || croppedHeight != enc->height || inFormat != enc->pix_fmt;
        if (ost.resizing) {
            ost.scaled.reset(av_frame_alloc());
            if (ost.scaled) {
                ost.scaled->width = enc->width;
                ost.scaled->height = enc->height;
                ost.scaled->format = enc->pix_fmt;
            }
            if (!ost.scaled || av_frame_get_buffer(ost.scaled.get(), 0) < 0)
                throw FFmpegException("Cannot allocate temp picture, check pix fmt");
            ost.scaler.reset(MakeScaler(croppedWidth, croppedHeight, inFormat, enc->width, enc->height, enc->pix_fmt,
                                        task_.scalerFlags_, task_.codecThreads_));
            if (!ost.scaler)
                throw FFmpegException("Cannot get resampling context");
        }
        break;
    }
    case AVMEDIA_TYPE_AUDIO: {
        ost.fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024));
        if (!ost.fifo)
            throw FFmpegException("av_fifo_alloc fail");
        ost.resample = in->ch_layout.nb_channels != enc->ch_layout.nb_channels || in->sample_rate != enc->sample_rate ||
                       options_.audioSyncMethod > 1;
        break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
        break;
    default:
        throw FFmpegException("invalid codec_type of output stream");
    }
}

void TranscodeRun::PrepareTwoPass(RunOutputStream& ost)
{
    if (!ost.enc || !(ost.enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
        return;
    const int streamNumber = static_cast<int>(&ost - outputStreams_.data());
    const std::string prefix = options_.passLogFile.empty() ? "ffmpeg2pass" : options_.passLogFile;
    ost.passLogName = FormatText("%s-%d.log", prefix.c_str(), streamNumber).substr(0, 1023);
    const bool libx264 = ost.encoder->Choice().name == "libx264";
    if (libx264 && ost.enc->priv_data)
        av_opt_set(ost.enc->priv_data, "stats", ost.passLogName.c_str(), 0);
    if (ost.enc->flags & AV_CODEC_FLAG_PASS1) {
        if (libx264)
            return;  // libx264 writes its own log
        ost.passLog.reset(std::fopen(ost.passLogName.c_str(), "wb"));
        if (!ost.passLog)
            throw FFmpegException::Format("Cannot write log file %s for pass-1 encoding", ost.passLogName.c_str());
        return;
    }
    if (libx264)
        return;
    const CFilePtr log{std::fopen(ost.passLogName.c_str(), "rb")};
    if (!log)
        throw FFmpegException::Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding",
                                      ost.passLogName.c_str());
    std::string text;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, log.get())) > 0)
        text.append(chunk, got);
    char* stats = static_cast<char*>(av_malloc(text.size() + 1));
    if (!stats)
        throw FFmpegException::Format(
            "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding",
            ost.passLogName.c_str());
    std::memcpy(stats, text.c_str(), text.size() + 1);
    ost.enc->stats_in = stats;  // freed with the encoder's context
}

void TranscodeRun::OpenEncoders()
{
    for (RunOutputStream& ost : outputStreams_) {
        if (!ost.encodingNeeded)
            continue;
        const std::string name = StreamName(ost.fileIndex, ost.index, ost.enc->codec_type);
        if (!ost.encoder) {
            const std::string text = FormatText("Encoder (codec id %d) not found for output stream %s",
                                                static_cast<int>(ost.enc->codec_id), name.c_str());
            LogStreamMapping(llError);
            task_.Log(llError, text);
            throw FFmpegException(text);
        }
        if (ost.enc->codec_type == AVMEDIA_TYPE_SUBTITLE)
            PrepareSubtitleEncoder(ost);
        ApplyCodecThreads(ost.enc, ost.encoder->Choice().codec,
                          ost.enc->thread_count > 0 ? ost.enc->thread_count : task_.codecThreads_.load());
        AVDictionary* unused = nullptr;
        const int ret = ost.encoder->Open(&unused);  // takes CodecLock
        av_dict_free(&unused);
        if (ret < 0) {
            const std::string text =
                FormatText("Error while opening encoder for output stream %s - maybe incorrect parameters such as "
                           "bit_rate, rate, width or height. Please check error log message to find out more detail "
                           "information.",
                           name.c_str());
            LogStreamMapping(llError);
            task_.Log(llError, text);
            throw FFmpegException(text);
        }
        ost.encoderOpen = true;
        AVCodecContext* enc = ost.enc;
        avcodec_parameters_from_context(ost.stream->codecpar, enc);
        // rate-control properties (VBV size) reach the muxer only as side data
        for (int i = 0; i < enc->nb_coded_side_data; ++i) {
            const AVPacketSideData& sd = enc->coded_side_data[i];
            uint8_t* copy = av_stream_new_side_data(ost.stream, sd.type, sd.size);
            if (copy)
                std::memcpy(copy, sd.data, sd.size);
        }
        ost.stream->time_base = enc->time_base;
        if (enc->codec_type == AVMEDIA_TYPE_VIDEO && ost.setup) {
            ost.stream->avg_frame_rate = ost.setup->frameRate;
            ost.stream->r_frame_rate = ost.setup->frameRate;
        }
        counters_.headerBytes += static_cast<uint64_t>(enc->extradata_size);
    }
}

void TranscodeRun::PrepareSubtitleEncoder(RunOutputStream& ost)
{
    // text subtitle encoders take the styles the decoder describes its events with
    RunInputStream& ist = inputStreams_[ost.sourceIndex];
    OpenDecoder(ist);
    AVCodecContext* enc = ost.enc;
    if (enc->time_base.num <= 0 || enc->time_base.den <= 0)
        enc->time_base = AVRational{1, 1000};
    if (ist.decoder && ist.decoder->subtitle_header && !enc->subtitle_header) {
        enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(ist.decoder->subtitle_header_size + 1));
        if (!enc->subtitle_header)
            throw std::bad_alloc();
        std::memcpy(enc->subtitle_header, ist.decoder->subtitle_header, ist.decoder->subtitle_header_size);
        enc->subtitle_header_size = ist.decoder->subtitle_header_size;
    }
}

void TranscodeRun::OpenDecoder(RunInputStream& ist)
{
    if (ist.decoderOpen)
        return;
    const AVMediaType type = ist.stream->codecpar->codec_type;
    const std::string name = StreamName(ist.fileIndex, ist.streamIndex, type);
    const AVCodec* codec = ist.decoder ? ist.decoder->codec : nullptr;
    if (!codec)
        throw FFmpegException::Format("Decoder (codec id %d) not found for input stream %s",
                                      static_cast<int>(ist.stream->codecpar->codec_id), name.c_str());
    ApplyCodecThreads(ist.decoder, codec,
                      ist.decoder->thread_count > 0 ? ist.decoder->thread_count : task_.codecThreads_.load());
    int ret = 0;
    {
        std::lock_guard guard(CodecLock());
        ret = avcodec_open2(ist.decoder, codec, nullptr);
    }
    if (ret < 0)
        throw FFmpegException::Format("Error while opening decoder for input stream %s", name.c_str());
    ist.decoderOpen = true;
}

void TranscodeRun::OpenDecoders()
{
    for (RunInputStream& ist : inputStreams_) {
        if (!ist.decodingNeeded)
            continue;
        OpenDecoder(ist);
    }
    for (RunInputStream& ist : inputStreams_) {
        const AVRational rate = ist.stream->avg_frame_rate;
        const int delay = ist.decoder ? ist.decoder->has_b_frames : 0;
        ist.ptsUs = rate.num > 0 && rate.den > 0 ? -std::llround(delay * 1e6 / av_q2d(rate)) : 0;
        ist.nextPtsUs = AV_NOPTS_VALUE;
        ist.isStart = true;
    }
}

void TranscodeRun::CopyMetaData()
{
    TaskMedia& media = task_.media_;
    // without a map of its own an output keeps the first input's tags, as the
    // option record leaves them
    const auto& maps = task_.tables_.metaDataMaps;
    for (int j = 0; j < media.OutputCount() && media.InputCount() > 0; ++j) {
        const bool mapped =
            std::any_of(maps.begin(), maps.end(), [j](const MetaDataMap& m) { return m.outFileIndex == j; });
        if (!mapped)
            CopyGlobalTags(media.inputs[0]->metadata, &media.outputs[j]->metadata);
    }
    for (const MetaDataMap& map : task_.tables_.metaDataMaps) {
        if (map.outFileIndex < 0 || map.outFileIndex >= media.OutputCount())
            throw FFmpegException::Format("Invalid output file index %d map_meta_data(%d,%d)", map.outFileIndex,
                                          map.outFileIndex, map.inFileIndex);
        if (map.inFileIndex < 0 || map.inFileIndex >= media.InputCount())
            throw FFmpegException::Format("Invalid input file index %d map_meta_data(%d,%d)", map.inFileIndex,
                                          map.outFileIndex, map.inFileIndex);
        av_dict_copy(&media.outputs[map.outFileIndex]->metadata, media.inputs[map.inFileIndex]->metadata, 0);
    }
}

void TranscodeRun::CopyChapters()
{
    TaskMedia& media = task_.media_;
    for (int i = 0; i < media.InputCount(); ++i) {
        const AVFormatContext* ic = media.inputs[i].get();
        for (int j = 0; j < media.OutputCount(); ++j) {
            AVFormatContext* oc = media.outputs[j].get();
            for (unsigned c = 0; c < ic->nb_chapters; ++c) {
                const AVChapter* in = ic->chapters[c];
                const int64_t offset =
                    av_rescale_q(options_.startTimeUs - media.inputTsOffsetsUs[i], AV_TIME_BASE_Q, in->time_base);
                const int64_t limit = options_.recordingTimeUs == INT64_MAX
                                          ? INT64_MAX
                                          : av_rescale_q(options_.recordingTimeUs, AV_TIME_BASE_Q, in->time_base);
                if (in->end < offset)
                    continue;
                if (limit != INT64_MAX && in->start > limit + offset)
                    break;
                auto* out = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
                if (!out)
                    throw FFmpegException("av_mallocz fail");
                out->id = in->id;
                out->time_base = in->time_base;
                out->start = std::max<int64_t>(0, in->start - offset);
                out->end = std::min(limit, in->end - offset);
                av_dict_copy(&out->metadata, in->metadata, 0);
                void* grown = av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*));
                if (!grown) {
                    av_dict_free(&out->metadata);
                    av_free(out);
                    throw FFmpegException("av_realloc fail");
                }
                oc->chapters = static_cast<AVChapter**>(grown);
                oc->chapters[oc->nb_chapters++] = out;
            }
        }
    }
}

void TranscodeRun::WriteHeaders()
{
    TaskMedia& media = task_.media_;
    for (RunOutputStream& ost : outputStreams_)
        InitBitstreamFilters(ost);
    for (int j = 0; j < media.OutputCount(); ++j)
        OpenOutputFile(j);
    StartSegments();
    headersWritten_ = true;
    for (int j = 0; j < media.OutputCount(); ++j)
        av_dump_format(media.outputs[j].get(), j, media.outputs[j]->url, 1);
    if (options_.verbosity >= 0)
        LogStreamMapping(llVerbose);
}

void TranscodeRun::OpenOutputFile(int j)
{
    TaskMedia& media = task_.media_;
    AVFormatContext* oc = media.outputs[j].get();
    // the file: a part file beside the output, which takes the output's
    // name only when it is finished
    OutputFileSetup& setup = media.outputSetups[j];
    if (!(oc->oformat->flags & AVFMT_NOFILE) && !oc->pb && !setup.finalName.empty()) {
        auto part = std::make_unique<PartFile>();
        std::string error;
        if (!part->Claim(setup.finalName, error))
            throw FFmpegException(error);
        const int ret = avio_open2(&oc->pb, MediaFileName(part->Name()).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr);
        if (ret < 0)
            throw FFmpegException(ErrorText(setup.finalName, ret));
        setup.part = std::move(part);
    }
    AVDictionary* options = nullptr;
    av_dict_copy(&options, media.outputSetups[j].muxerOptions.get(), 0);
    const int ret = avformat_write_header(oc, &options);
    av_dict_free(&options);
    if (ret < 0)
        throw FFmpegException::Format("Could not write header for output file #%d (incorrect codec parameters ?)", j);
    if (std::string(oc->oformat->name) == "rtp") {
        char sdp[2048];
        AVFormatContext* list[] = {oc};
        av_sdp_create(list, 1, sdp, sizeof sdp);
        task_.Log(llInfo, std::string("SDP:\r\n") + sdp);
    }
}

void TranscodeRun::LogStreamMapping(TLogLevel level)
{
    task_.Log(level, "Stream mapping:");
    for (const RunOutputStream& ost : outputStreams_) {
        if (ost.sourceIndex < 0)
            continue;
        const RunInputStream& source = inputStreams_[ost.sourceIndex];
        const AVMediaType type = ost.stream->codecpar->codec_type;
        task_.LogFmt(level, "  Stream #%d.%d -> #%d.%d (%s)", source.fileIndex, source.streamIndex, ost.fileIndex,
                     ost.index, MediaTypeName(type).c_str());
        if (ost.syncIndex != ost.sourceIndex) {
            const RunInputStream& sync = inputStreams_[ost.syncIndex];
            task_.LogFmt(level, " [sync #%d.%d (%s)]", sync.fileIndex, sync.streamIndex,
                         MediaTypeName(sync.stream->codecpar->codec_type).c_str());
        }
    }
}

// --- main loop ----------------------------------------------------------------

int TranscodeRun::ChooseInputFile(bool& anyNoPacketNow)
{
    anyNoPacketNow = false;
    for (const RunInputFile& file : inputFiles_)
        anyNoPacketNow |= file.noPacketNow;
    double minInput = 1e100, minOutput = 1e100;
    int chosen = -1;
    std::lock_guard lock(writing_);  // the output times move with the encoders' threads
    for (const RunOutputStream& ost : outputStreams_) {
        const RunInputStream& ist = inputStreams_[ost.sourceIndex];
        const RunInputFile& file = inputFiles_[ist.fileIndex];
        // a written cover picture has no time that asks for more reading
        if (ist.pastRecordingTime || file.noPacketNow || (IsCover(ost) && ost.frameCount > 0))
            continue;
        const double outputTime = ost.outputTimeSec;
        const double inputTime = static_cast<double>(ist.ptsUs) / AV_TIME_BASE;
        if (!file.eof) {
            if (options_.inputSync ? inputTime < minInput : outputTime < minOutput) {
                minInput = std::min(minInput, inputTime);
                minOutput = std::min(minOutput, outputTime);
                chosen = ist.fileIndex;
            }
        }
        const AVMediaType type = ost.stream->codecpar->codec_type;
        const int maxFrames = type == AVMEDIA_TYPE_VIDEO   ? options_.maxFramesVideo
                              : type == AVMEDIA_TYPE_AUDIO ? options_.maxFramesAudio
                                                           : options_.maxFramesData;
        if (ost.frameCount >= maxFrames)
            return -1;
    }
    return chosen;
}

bool TranscodeRun::FileSizeLimitReached() const
{
    if (options_.fileSizeLimitBytes <= 0 || task_.media_.outputs.empty())
        return false;
    const AVFormatContext* oc = task_.media_.outputs[0].get();
    std::lock_guard lock(writing_);
    return oc->pb && avio_tell(oc->pb) > options_.fileSizeLimitBytes;
}

void TranscodeRun::MainLoop()
{
    TaskMedia& media = task_.media_;
    AVPacketPtr packet{av_packet_alloc()};
    if (!packet)
        throw std::bad_alloc();
    loopStartUs_ = av_gettime_relative();
    lastReportUs_ = loopStartUs_;
    const double discontinuityUs = static_cast<double>(options_.dtsDeltaThresholdSeconds) * AV_TIME_BASE;

    while (!task_.stopRequested_) {
        PassPauseGate();
        if (task_.stopRequested_)
            break;
        bool anyNoPacketNow = false;
        const int fileIndex = ChooseInputFile(anyNoPacketNow);
        if (fileIndex < 0) {
            if (!anyNoPacketNow)
                break;
            for (RunInputFile& file : inputFiles_)
                file.noPacketNow = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (FileSizeLimitReached())
            break;

        AVFormatContext* ic = media.inputs[fileIndex].get();
        const int ret = av_read_frame(ic, packet.get());
        if (ret == AVERROR(EAGAIN)) {
            inputFiles_[fileIndex].noPacketNow = true;
            continue;
        }
        if (ret < 0) {
            // a read that fails before the end (not a stop) means a damaged or cut source
            if (ret != AVERROR_EOF && ret != AVERROR_EXIT)
                ++counters_.inputErrors;
            inputFiles_[fileIndex].eof = true;
            if (options_.shortest)
                break;
            continue;
        }
        for (RunInputFile& file : inputFiles_)
            file.noPacketNow = false;
        lastFileIndex_ = fileIndex;
        if (options_.dumpPackets)
            av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, packet.get(), options_.hexDump, ic->streams[packet->stream_index]);

        const RunInputFile& file = inputFiles_[fileIndex];
        if (packet->stream_index >= file.streamCount) {
            av_packet_unref(packet.get());
            continue;
        }
        const int istIndex = file.firstStream + packet->stream_index;
        RunInputStream& ist = inputStreams_[istIndex];
        if (ist.discard) {
            av_packet_unref(packet.get());
            continue;
        }

        const AVRational tb = ist.stream->time_base;
        const int64_t offset = av_rescale_q(media.inputTsOffsetsUs[fileIndex], AV_TIME_BASE_Q, tb);
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts += offset;
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts += offset;
        const double scale =
            packet->stream_index < MAX_STREAMS ? task_.tables_.TsScale(fileIndex, packet->stream_index) : 0.0;
        if (scale != 0.0) {
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts = std::llround(static_cast<double>(packet->dts) * scale);
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts = std::llround(static_cast<double>(packet->pts) * scale);
        }

        const int64_t expectedUs = ist.nextDtsUs != AV_NOPTS_VALUE ? ist.nextDtsUs : ist.nextPtsUs;
        if ((ic->iformat->flags & AVFMT_TS_DISCONT) && expectedUs != AV_NOPTS_VALUE && packet->dts != AV_NOPTS_VALUE &&
            !options_.copyTs) {
            const int64_t dtsUs = av_rescale_q(packet->dts, tb, AV_TIME_BASE_Q);
            const int64_t delta = dtsUs - expectedUs;
            if (std::fabs(static_cast<double>(delta)) > discontinuityUs || dtsUs < ist.ptsUs) {
                media.inputTsOffsetsUs[fileIndex] -= delta;
                const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
                packet->dts -= shift;
                if (packet->pts != AV_NOPTS_VALUE)
                    packet->pts -= shift;
                if (options_.verbosity > 2)
                    task_.LogFmt(llVerbose, "timestamp discontinuity %" PRId64 ", new offset= %" PRId64, delta,
                                 media.inputTsOffsetsUs[fileIndex]);
            }
        }

        if (packet->dts != AV_NOPTS_VALUE && packet->duration > 0)
            ist.nextDtsUs = av_rescale_q(packet->dts + packet->duration, tb, AV_TIME_BASE_Q);
        else
            ist.nextDtsUs = AV_NOPTS_VALUE;

        if (recordingTimeUs_ != INT64_MAX) {
            const int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
            if (ts != AV_NOPTS_VALUE &&
                av_compare_ts(ts, tb, recordingTimeUs_ + options_.startTimeUs, AV_TIME_BASE_Q) >= 0) {
                ist.pastRecordingTime = true;
                av_packet_unref(packet.get());
                continue;
            }
        }

        if (!ProcessPacket(istIndex, packet.get())) {
            ++counters_.inputErrors;
            const std::string text =
                FormatText("Error while decoding stream %s",
                           StreamName(ist.fileIndex, ist.streamIndex, ist.stream->codecpar->codec_type).c_str());
            av_packet_unref(packet.get());
            if (options_.exitOnError) {
                ReleaseCodecs();
                throw FFmpegException(text);
            }
            if (options_.verbosity >= 0)
                task_.Log(llVerbose, text);
            continue;
        }
        av_packet_unref(packet.get());

        const int64_t now = av_gettime_relative();
        if (now - lastReportUs_ > task_.progressIntervalUs_) {
            Report(false);
            lastReportUs_ = now;
        }
    }
}

void TranscodeRun::AfterLoop()
{
    for (int i = 0; i < static_cast<int>(inputStreams_.size()); ++i) {
        RunInputStream& ist = inputStreams_[i];
        if (ist.decodingNeeded && !ist.flushed)
            ProcessPacket(i, nullptr);
    }
    // an encoder whose source was not flushed still finishes its pictures
    // before the outputs end
    for (RunOutputStream& ost : outputStreams_) {
        if (ost.encodeWorker) {
            ost.encodeWorker->Finish();
            ost.encodeWorker.reset();
        }
    }
    // packets still held by bitstream filters
    for (RunOutputStream& ost : outputStreams_)
        if (!ost.bitstreamFilters.empty())
            WritePacket(ost, nullptr);
    FinishSegments();
    TaskMedia& media = task_.media_;
    // The buffered writer swallows a failed write (a full disk, a size limit):
    // the trailer's result and the file's error state are what tell the truth.
    std::string writeFailure;
    for (int j = 0; j < media.OutputCount(); ++j) {
        AVFormatContext* oc = media.outputs[j].get();
        int ret = av_write_trailer(oc);
        if (oc->pb) {
            avio_flush(oc->pb);
            if (ret >= 0 && oc->pb->error < 0)
                ret = oc->pb->error;
        }
        if (ret < 0 && writeFailure.empty())
            writeFailure =
                FormatText("Error writing output file '%s': %s", oc->url ? oc->url : "", ErrorCodeText(ret).c_str());
    }
    Report(true);
    ReleaseCodecs();
    if (!writeFailure.empty())
        throw FFmpegException(writeFailure);
}

void TranscodeRun::ReleaseCodecs()
{
    // the encoders' threads end before anything they use goes
    for (RunOutputStream& ost : outputStreams_)
        ost.encodeWorker.reset();
    for (RunOutputStream& ost : outputStreams_) {
        ost.resampler.reset();
        ost.fifo.reset();
        ost.scaler.reset();
        ost.scaled.reset();
        ost.scaledPool.reset();
        ost.lastPicture.reset();
        ost.graph.reset();
        ost.bitstreamFilters.clear();
        ost.passLog.reset();
        // the pass-2 statistics are ours: the library reads them at open but never frees them
        if (ost.enc && ost.enc->stats_in)
            av_freep(&ost.enc->stats_in);
    }
    // the encoders themselves are freed with the task's set-up tables (their
    // contexts take CodecLock when they close); the decoders are closed here
    for (RunInputStream& ist : inputStreams_) {
        ist.toS16.reset();
        ist.decoderOpen = false;
    }
}

// --- the run as a whole ----------------------------------------------------------

int64_t TranscodeRun::SourceStreamLengthUs(const RunOutputStream& ost, int64_t fileLengthUs) const
{
    if (fileLengthUs < 0 || ost.sourceIndex < 0)
        return -1;
    const AVStream* source = inputStreams_[static_cast<size_t>(ost.sourceIndex)].stream;
    // a cover picture is one frame, whatever the length of the file
    if (source->disposition & AV_DISPOSITION_ATTACHED_PIC)
        return -1;
    if (source->duration == AV_NOPTS_VALUE || source->duration <= 0)
        return fileLengthUs;
    const int64_t wholeUs = av_rescale_q(source->duration, source->time_base, AV_TIME_BASE_Q);
    const int64_t fileUs = task_.media_.inputs[0]->duration;
    // the part of the stream within the clip: the file's expected length less what the stream lacks
    return std::min(fileLengthUs, fileLengthUs - std::max<int64_t>(0, fileUs - wholeUs));
}

std::vector<FinishedOutput> TranscodeRun::TakeOutputs()
{
    TaskMedia& media = task_.media_;
    const int64_t expectedUs = ExpectedLengthUs();

    std::vector<FinishedOutput> finished;
    for (int j = 0; j < media.OutputCount(); ++j) {
        OutputFileSetup& setup = media.outputSetups[j];
        if (!setup.part)
            continue;
        FinishedOutput out;
        out.part = std::move(setup.part);
        out.finalName = setup.finalName;
        out.replaceExisting = setup.replaceExisting;
        out.expectation.formatName = media.outputs[j]->oformat->name;
        out.expectation.expectedDurationUs = expectedUs;
        out.expectation.inputErrors = counters_.inputErrors;
        for (const RunOutputStream& ost : outputStreams_) {
            if (ost.fileIndex != j)
                continue;
            out.expectation.streamTypes.push_back(ost.stream->codecpar->codec_type);
            out.expectation.packetsWritten.push_back(ost.packetCount);
            out.expectation.streamExpectedUs.push_back(SourceStreamLengthUs(ost, expectedUs));
        }
        finished.push_back(std::move(out));
    }
    return finished;
}

namespace {

int64_t PacketsOf(const FinishedOutput& output)
{
    int64_t total = 0;
    for (int64_t count : output.expectation.packetsWritten)
        total += count;
    return total;
}

// Checks and names the finished outputs, deletes the others; the run's
// result, or raises the reason a ran-through output is not kept.
TRunResult PlaceOutputs(std::vector<FinishedOutput>& outputs, bool failed, bool ranToEnd)
{
    TRunResult result;
    result.outcome = ranToEnd ? TTaskOutcome::Whole : TTaskOutcome::Unfinished;
    std::string failure;
    for (FinishedOutput& output : outputs) {
        // a run that failed, or was stopped before its first packet, keeps nothing
        if (failed || (!ranToEnd && PacketsOf(output) == 0) || !failure.empty()) {
            output.part->Discard();
            continue;
        }
        if (ranToEnd) {
            output.expectation.fileName = output.part->Name();
            const OutputVerdict verdict = CheckOutput(output.expectation);
            if (verdict.outcome == TTaskOutcome::Failed) {
                output.part->Discard();
                failure = output.finalName + ": " + verdict.message;
                continue;
            }
            if (verdict.outcome == TTaskOutcome::Incomplete && result.outcome == TTaskOutcome::Whole) {
                result.outcome = TTaskOutcome::Incomplete;
                result.message = verdict.message;
            }
        }
        std::string error;
        const std::string placed = output.part->Place(output.finalName, output.replaceExisting, error);
        if (placed.empty()) {
            failure = error;
            continue;
        }
        result.outputNames.push_back(placed);
    }
    if (!failure.empty())
        throw FFmpegException(failure);
    return result;
}

}  // namespace

void RunTranscode(TCustomFFmpeg& task, const RunHooks& hooks)
{
    std::exception_ptr failure;
    std::vector<FinishedOutput> outputs;
    std::string segmentFolder;
    {
        std::unique_ptr<TranscodeRun> run;
        try {
            run = std::make_unique<TranscodeRun>(task, hooks);
            run->Execute();
        } catch (...) {
            failure = std::current_exception();
        }
        if (run) {
            outputs = run->TakeOutputs();
            segmentFolder = run->SegmentFolder();
        }
        try {
            if (run)
                run->ReleaseCodecs();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    try {
        TranscodeRun::CleanUp(task);  // closes the files; the part files stay claimed in `outputs`
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    try {
        TranscodeRun::FinishOutputs(task, outputs, failure != nullptr);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    outputs.clear();
    // The segments serve the next run only when this one was stopped; after
    // a whole output, or a failure (which would come again), they go.
    if (!segmentFolder.empty() && (failure || task.Finished())) {
        std::error_code ignored;
        std::filesystem::remove_all(segmentFolder, ignored);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TranscodeRun::FinishOutputs(TCustomFFmpeg& task, std::vector<FinishedOutput>& outputs, bool failed)
{
    task.SetRunResult(PlaceOutputs(outputs, failed, task.finished_));
}

void TranscodeRun::CleanUp(TCustomFFmpeg& task)
{
    task.generic_.Clear();
    task.media_.Clear();
    task.videoHooks_.Release();
    task.preview_.Reset();
}
