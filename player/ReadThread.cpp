// The read thread: opens the input, chooses and opens the streams, then
// demultiplexes into the packet queues, serving seek and pause requests.
#include "media/CodecLock.h"
#include "media/FormatInput.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/PipeReader.h"
#include "media/ProbedFormats.h"
#include "media/TAVProbe.h"
#include "media/TFFLogger.h"
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr int kMaxQueueBytes = 15 * 1024 * 1024;
constexpr int kMinAudioQueueBytes = 20 * 16 * 1024;
constexpr int kMinFrames = 5;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int DecodeInterruptCallback(void* opaque) { return static_cast<PlaybackState*>(opaque)->AbortRequest ? 1 : 0; }

// Still pictures: image2, and the image pipe demuxers a single picture opens with.
bool IsImageInput(const AVInputFormat* format)
{
    if (!format || !format->name)
        return false;
    const std::string name = format->name;
    const std::string pipe = "_pipe";
    return name == "image2" || name == "image2pipe" ||
           (name.size() > pipe.size() && name.compare(name.size() - pipe.size(), pipe.size(), pipe) == 0);
}

bool IsCaptureInput(const AVInputFormat* format)
{
    if (!format)
        return false;
    const std::string name = format->name ? format->name : "";
    if (name == "vfwcap" || name == "vfwcapture")
        return true;
    return format->priv_class && format->priv_class->category == AV_CLASS_CATEGORY_DEVICE_VIDEO_INPUT;
}

// The stream of `type` to play: the wanted ordinal among streams of that
// type, or the library's best choice when any will do.
int ChooseStream(AVFormatContext* ic, AVMediaType type, int wanted)
{
    if (wanted < 0) {
        int best = av_find_best_stream(ic, type, -1, -1, nullptr, 0);
        return best >= 0 ? best : -1;
    }
    int seen = 0;
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        if (ic->streams[i]->codecpar->codec_type != type)
            continue;
        if (seen++ == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

void HandleSeek(PlaybackState* is)
{
    AVFormatContext* ic = is->Format;
    const int64_t target = is->SeekTarget;
    const int64_t relative = is->SeekRelative;
    const int64_t minTs = relative > 0 ? target - relative + 2 : INT64_MIN;
    const int64_t maxTs = relative < 0 ? target - relative - 2 : INT64_MAX;
    int ret = avformat_seek_file(ic, -1, minTs, target, maxTs, is->SeekFlags);
    if (ret < 0)
        ret = av_seek_frame(ic, -1, target, is->SeekFlags);
    if (ret < 0)
        ret = av_seek_frame(ic, -1, target, is->SeekFlags ^ AVSEEK_FLAG_BACKWARD);
    if (ret < 0) {
        GetFFLogger().LogFmt(is->Player, llError, "%s: error while seeking", is->FileName.c_str());
        if (is->VideoStream)
            is->Player->PictureEvent().Set();
    } else {
        // the demuxer lands on the key frame before the target: decoding
        // starts there, showing starts at the target
        is->SeekShowFrom = is->SeekExact ? target / double(AV_TIME_BASE) : NAN;
        if (is->AudioStreamIndex >= 0) {
            is->AudioQueue.Flush();
            is->AudioQueue.PutFlush();
        }
        if (is->SubtitleStreamIndex >= 0) {
            is->SubtitleQueue.Flush();
            is->SubtitleQueue.PutFlush();
        }
        if (is->VideoStreamIndex >= 0) {
            is->VideoQueue.Flush();
            is->VideoQueue.PutFlush();
            is->DecoderFlushed = false;
            is->Player->PictureEvent().Reset();
        }
    }
    is->EndLogged = false;
    is->Drained = false;
    is->EndOfInput = false;
    is->JustSeeked = true;
    is->SeekRequest = false;
    is->Player->SeekDoneEvent().Set();
}

bool QueuesWantMore(PlaybackState* is)
{
    const int total = is->AudioQueue.Bytes() + is->VideoQueue.Bytes() + is->SubtitleQueue.Bytes();
    if (total > kMaxQueueBytes)
        return false;
    return (is->AudioStreamIndex >= 0 && is->AudioQueue.Bytes() <= kMinAudioQueueBytes) ||
           (is->VideoStreamIndex >= 0 && is->VideoQueue.Count() <= kMinFrames) ||
           (is->SubtitleStreamIndex >= 0 && is->SubtitleQueue.Count() <= kMinFrames);
}

void ReadLoop(PlaybackState* is)
{
    AVFormatContext* ic = is->Format;
    AVPacketPtr pkt{av_packet_alloc()};
    while (!is->AbortRequest) {
        if (is->Paused != is->LastPaused) {
            is->LastPaused = is->Paused;
            if (is->Paused)
                is->ReadPauseResult = av_read_pause(ic);
            else
                av_read_play(ic);
        }
        if (is->SeekRequest)
            HandleSeek(is);
        if (!QueuesWantMore(is)) {
            SleepMs(10);
            continue;
        }
        if (is->EndOfInput || (ic->pb && avio_feof(ic->pb))) {
            if (is->VideoStreamIndex >= 0) {
                AVPacketPtr empty{av_packet_alloc()};
                empty->stream_index = is->VideoStreamIndex;
                is->VideoQueue.Put(empty.get());
                is->Player->PictureEvent().Set();
            }
            SleepMs(10);
            const bool videoIdle = is->VideoStreamIndex < 0 || is->VideoQueue.Count() == 0;
            if (is->AudioQueue.Bytes() == 0 && videoIdle && is->SubtitleQueue.Bytes() == 0)
                is->Drained = true;
            continue;
        }
        is->ReadInProgress = true;
        int ret = av_read_frame(ic, pkt.get());
        is->ReadInProgress = false;
        if (is->AbortRequest)
            break;
        if (ret == AVERROR(EAGAIN)) {
            SleepMs(10);
            continue;
        }
        if (ret < 0) {
            if (is->VideoStreamIndex >= 0)
                is->Player->PictureEvent().Set();
            if (!is->EndLogged && !is->IsImage2) {
                if (ret == AVERROR_EOF)
                    GetFFLogger().LogFmt(is->Player, llInfo, "reach end of file: %s", is->FileName.c_str());
                else
                    GetFFLogger().LogFmt(is->Player, llError, "error #%d while reading file: %s", ret,
                                         is->FileName.c_str());
            }
            is->EndLogged = true;
            if (ret == AVERROR_EOF)
                is->EndOfInput = true;
            if (ic->pb && ic->pb->error)
                break;
            if (ret != AVERROR_EOF)
                SleepMs(100);
            continue;
        }
        if (pkt->stream_index == is->AudioStreamIndex)
            is->AudioQueue.Put(pkt.get());
        else if (pkt->stream_index == is->VideoStreamIndex)
            is->VideoQueue.Put(pkt.get());
        else if (pkt->stream_index == is->SubtitleStreamIndex)
            is->SubtitleQueue.Put(pkt.get());
        else
            av_packet_unref(pkt.get());
    }
    while (!is->AbortRequest)
        SleepMs(100);
}

// Opens the input and its streams into `input` (`reader` when our own reader
// feeds it); false with the player's LastErrMsg set when there is nothing to play.
bool OpenInput(PlaybackState* is, std::unique_ptr<PipeReader>& reader, AVFormatInputPtr& input)
{
    TCustomPlayer* player = is->Player;
    const PlayerOptions& options = player->Options();
    AVFormatContextPtr unopened{avformat_alloc_context()};
    if (!unopened) {
        player->SetLastErrMsg("av_mallocz() failed.");
        return false;
    }
    AVFormatContext* ic = unopened.get();
    ic->interrupt_callback.callback = DecodeInterruptCallback;
    ic->interrupt_callback.opaque = is;
    AVDictionary* openOptionsRaw = nullptr;
    if (player->FrameWidth > 0 && player->FrameHeight > 0)
        av_dict_set(&openOptionsRaw, "video_size",
                    (std::to_string(player->FrameWidth) + "x" + std::to_string(player->FrameHeight)).c_str(), 0);
    av_dict_set(&openOptionsRaw, "framerate", "25", 0);
    if (!options.DemuxerPixelFormat.empty())
        av_dict_set(&openOptionsRaw, "pixel_format", options.DemuxerPixelFormat.c_str(), 0);
    AVDictionaryPtr openOptions{openOptionsRaw};
    const AVInputFormat* forced =
        options.ForcedFormat.empty() ? nullptr : av_find_input_format(options.ForcedFormat.c_str());
    const std::string url = MediaFileName(is->FileName);
    LimitProbedFormats(ic, forced, url.c_str());
    // A named pipe or a device is read through our own reader, which the
    // abort request interrupts while it waits for data; a demuxer that
    // opens its own device is left alone.
    if ((!forced || !(forced->flags & AVFMT_NOFILE)) && PipeReader::Wanted(is->FileName)) {
        int error = 0;
        reader = PipeReader::Open(
            is->FileName, [is] { return is->AbortRequest.load(); }, error);
        if (!reader) {
            player->SetLastErrMsg(ErrorText(is->FileName, error));
            return false;
        }
        ic->pb = reader->Context();
        ic->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    int ret = 0;
    input = OpenFormatInput(unopened, url.c_str(), forced, openOptions, ret);
    if (!input) {
        player->SetLastErrMsg(ErrorText(is->FileName, ret));
        return false;
    }
    is->Format = ic;
    if (options.GeneratePts)
        ic->flags |= AVFMT_FLAG_GENPTS;
    {
        std::lock_guard guard(CodecLock());
        ret = avformat_find_stream_info(ic, nullptr);
    }
    if (ret < 0) {
        player->SetLastErrMsg(is->FileName + ": could not find codec parameters");
        return false;
    }
    if (ic->pb)
        ic->pb->eof_reached = 0;
    is->IsImage2 = IsImageInput(ic->iformat);
    is->IsCaptureDevice = IsCaptureInput(ic->iformat);
    is->StartTimeUs = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
    is->DurationUs = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;

    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = AVDISCARD_ALL;
    const int audio =
        player->DisableAudio ? -1 : ChooseStream(ic, AVMEDIA_TYPE_AUDIO, options.WantedStream[AVMEDIA_TYPE_AUDIO]);
    const int video =
        player->DisableVideo ? -1 : ChooseStream(ic, AVMEDIA_TYPE_VIDEO, options.WantedStream[AVMEDIA_TYPE_VIDEO]);
    const int subtitle = player->DisableVideo
                             ? -1
                             : ChooseStream(ic, AVMEDIA_TYPE_SUBTITLE, options.WantedStream[AVMEDIA_TYPE_SUBTITLE]);
    if (audio >= 0)
        OpenStreamComponent(is, audio);
    if (video >= 0)
        OpenStreamComponent(is, video);
    if (subtitle >= 0)
        OpenStreamComponent(is, subtitle);
    if (is->AudioStreamIndex < 0 && is->VideoStreamIndex < 0) {
        player->SetLastErrMsg(is->FileName + ": could not open codecs, no stream to play.");
        return false;
    }
    return true;
}

}  // namespace

void ReadThreadMain(PlaybackState* is)
{
    TCustomPlayer* player = is->Player;
    std::unique_ptr<PipeReader> reader;  // declared before `input`: outlives the context
    AVFormatInputPtr input;  // is->Format while it is open
    const bool opened = OpenInput(is, reader, input);
    if (opened) {
        is->OpenResult = 1;
        ReadLoop(is);
    }

    if (is->OpenResult != 1)
        is->OpenResult = -1;
    if (is->AudioStreamIndex >= 0)
        CloseStreamComponent(is, is->AudioStreamIndex);
    if (is->VideoStreamIndex >= 0)
        CloseStreamComponent(is, is->VideoStreamIndex);
    if (is->SubtitleStreamIndex >= 0)
        CloseStreamComponent(is, is->SubtitleStreamIndex);
    if (opened)
        player->Probe().Close();
    is->Format = nullptr;
    input.reset();
    if (!opened)
        PushEngineEvent(EngineEventTypes().Quit);
    SDL_TLSCleanup();  // SDL keeps per-thread data (its error text) for threads it did not create
    if (is->OpenResult == -1)
        is->OpenResult = -2;
}

bool OpenStreamComponent(PlaybackState* is, int streamIndex)
{
    AVFormatContext* ic = is->Format;
    TCustomPlayer* player = is->Player;
    const PlayerOptions& options = player->Options();
    if (streamIndex < 0 || streamIndex >= static_cast<int>(ic->nb_streams))
        return false;
    AVStream* st = ic->streams[streamIndex];
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    AVCodecContextPtr dec{avcodec_alloc_context3(codec)};
    bool ok = codec && dec && avcodec_parameters_to_context(dec.get(), par) >= 0;
    if (ok) {
        dec->pkt_timebase = st->time_base;
        dec->debug = options.DecoderDebug;
        dec->workaround_bugs = options.WorkaroundBugs;
        dec->lowres = std::min<int>(options.LowResolution, codec->max_lowres);
        dec->idct_algo = options.TransformAlgorithm;
        if (options.FastDecoding)
            dec->flags2 |= AV_CODEC_FLAG2_FAST;
        dec->skip_frame = static_cast<AVDiscard>(options.SkipFrame);
        dec->skip_idct = static_cast<AVDiscard>(options.SkipTransform);
        dec->skip_loop_filter = static_cast<AVDiscard>(options.SkipLoopFilter);
        dec->err_recognition = options.ErrorRecognition;
        dec->error_concealment = options.ErrorConcealment;
        dec->thread_count = 1;
        std::lock_guard guard(CodecLock());
        ok = avcodec_open2(dec.get(), codec, nullptr) >= 0;
    }
    if (!ok) {
        GetFFLogger().Log(player, llError, "avcodec_open() failed.");
        CloseCodecContext(dec);
        return false;
    }
    if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
        int channels = dec->ch_layout.nb_channels;
        if (channels < 1 || channels > 2)
            channels = 2;
        SDL_AudioSpec wanted{};
        SDL_AudioSpec obtained{};
        wanted.freq = dec->sample_rate;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = static_cast<Uint8>(channels);
        wanted.silence = 0;
        wanted.samples = 1024;
        wanted.callback = AudioCallback;
        wanted.userdata = is;
        is->AudioChannels = channels;
        is->AudioSampleRate = dec->sample_rate;
        SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device == 0) {
            GetFFLogger().Log(player, llError, std::string("SDL_OpenAudio() failed: ") + SDL_GetError());
            CloseCodecContext(dec);
            return false;
        }
        is->AudioDevice = device;
        is->AudioHwBufSize = static_cast<int>(obtained.size);
        is->AudioSourceFormat = AV_SAMPLE_FMT_NONE;
    }
    st->discard = AVDISCARD_DEFAULT;
    switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        is->AudioDecoder = std::move(dec);
        is->AudioStreamIndex = streamIndex;
        is->AudioStream = st;
        is->AudioDurationUs = st->duration != AV_NOPTS_VALUE
                                  ? av_rescale_q(st->duration, st->time_base, AVRational{1, AV_TIME_BASE})
                                  : -1;
        is->AudioBufSize = 0;
        is->AudioBufIndex = 0;
        is->AudioDiffAvgCoef = std::exp(std::log(0.01) / 20);
        is->AudioDiffAvgCount = 0;
        is->AudioDiffThreshold = 2.0 * 1024 / is->AudioSampleRate;
        is->AudioPacket.reset(av_packet_alloc());
        is->AudioFrame.reset(av_frame_alloc());
        is->AudioDecoderHasFrames = false;
        is->AudioQueue.Open();
        SDL_PauseAudioDevice(is->AudioDevice, 0);
        break;
    case AVMEDIA_TYPE_VIDEO:
        is->VideoDecoder = std::move(dec);
        is->VideoStreamIndex = streamIndex;
        is->VideoStream = st;
        is->VideoQueue.Open();
        is->VideoThread = std::thread(VideoThreadMain, is);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        is->SubtitleDecoder = std::move(dec);
        is->SubtitleStreamIndex = streamIndex;
        is->SubtitleStream = st;
        is->SubtitleQueue.Open();
        is->SubtitleThread = std::thread(SubtitleThreadMain, is);
        break;
    default:
        st->discard = AVDISCARD_ALL;
        CloseCodecContext(dec);
        return false;
    }
    return true;
}

void CloseStreamComponent(PlaybackState* is, int streamIndex)
{
    AVFormatContext* ic = is->Format;
    if (!ic || streamIndex < 0 || streamIndex >= static_cast<int>(ic->nb_streams))
        return;
    AVStream* st = ic->streams[streamIndex];
    switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        is->AudioQueue.Abort();
        if (is->AudioDevice) {
            SDL_CloseAudioDevice(is->AudioDevice);
            is->AudioDevice = 0;
        }
        is->AudioConverter.reset();
        av_channel_layout_uninit(&is->AudioSourceLayout);
        is->AudioQueue.Flush();
        st->discard = AVDISCARD_ALL;
        CloseCodecContext(is->AudioDecoder);
        is->AudioStreamIndex = -1;
        is->AudioStream = nullptr;
        is->AudioDurationUs = -1;
        break;
    case AVMEDIA_TYPE_VIDEO:
        is->VideoQueue.Abort();
        {
            std::lock_guard guard(is->Pictures.Lock);
            is->Pictures.Changed.notify_all();
        }
        if (is->VideoThread.joinable())
            is->VideoThread.join();
        is->VideoQueue.Flush();
        st->discard = AVDISCARD_ALL;
        CloseCodecContext(is->VideoDecoder);
        is->VideoStreamIndex = -1;
        is->VideoStream = nullptr;
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        is->SubtitleQueue.Abort();
        {
            std::lock_guard guard(is->Subpictures.Lock);
            is->Subpictures.StreamChanged = true;
            is->Subpictures.Changed.notify_all();
        }
        if (is->SubtitleThread.joinable())
            is->SubtitleThread.join();
        is->SubtitleQueue.Flush();
        st->discard = AVDISCARD_ALL;
        CloseCodecContext(is->SubtitleDecoder);
        is->SubtitleStreamIndex = -1;
        is->SubtitleStream = nullptr;
        break;
    default:
        break;
    }
}
