// One decoded picture to one video output stream: the frame-rate decision
// (duplicate, drop or keep), cropping and resizing without a filter graph,
// encoding and the preview of each written frame.
#include "engine/TranscodeRun.h"

#include "engine/CodecThreads.h"
#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <climits>
#include <cmath>

void TranscodeRun::VideoOut(RunOutputStream& ost, RunInputStream& ist, AVFrame* picture, int64_t ptsUs)
{
    AVCodecContext* enc = ost.enc;
    const AVFormatContext* oc = task_.media_.outputs[ost.fileIndex].get();
    const double frameSeconds = av_q2d(enc->time_base);
    const double target = static_cast<double>(ptsUs - options_.startTimeUs) / AV_TIME_BASE / frameSeconds;
    const int method = options_.videoSyncMethod;
    const bool variableRate = method == 2 || (method < 0 && (oc->oformat->flags & AVFMT_VARIABLE_FPS));

    int held = 0;  // slots before this picture's start, filled with the last picture written
    int frames = 1;  // slots of this picture
    if (method == 0) {
        ost.syncOpts = std::llround(target);
    } else if (variableRate) {
        const double vdelta = target - static_cast<double>(ost.syncOpts);
        if (vdelta <= -0.6)
            frames = 0;
        else if (vdelta > 0.6)
            ost.syncOpts = std::llround(target);
    } else {
        // Constant rate: every slot shows the picture that is current at its
        // time, so a picture fills the slots from its start to its end (the
        // next picture's time, or one input frame on), gaps in the source
        // keep showing the picture before, and the last picture lasts its
        // own length, as long as the source runs.
        const double lengthUs = static_cast<double>(std::max<int64_t>(ist.nextPtsUs - ist.ptsUs, 0));
        const int64_t first = std::llround(target);
        const int64_t end = lengthUs > 0 ? std::llround(target + lengthUs / AV_TIME_BASE / frameSeconds) : first + 1;
        // a first picture that comes late starts the output at its own time
        // rather than standing for the time before it
        if (!ost.lastPicture && ost.frameCount == 0)
            ost.syncOpts = std::max(ost.syncOpts, first);
        held = static_cast<int>(std::clamp<int64_t>(first - ost.syncOpts, 0, INT_MAX / 2));
        frames = static_cast<int>(std::clamp<int64_t>(end - std::max(first, ost.syncOpts), 0, INT_MAX / 2));
        if (held > 0 && !ost.lastPicture) {
            // nothing written yet (the earlier pictures were dropped): this one stands for the gap
            frames += held;
            held = 0;
        }
    }
    if (method != 0) {
        if (frames == 0) {
            ++counters_.droppedFrames;
            counters_.dupDropChanged = true;
            if (options_.verbosity > 2)
                task_.Log(llVerbose, "*** drop!");
        }
        if (held + frames > 1) {
            const int copies = held + frames - 1;
            counters_.duplicatedFrames += copies;
            counters_.dupDropChanged = true;
            if (options_.verbosity > 2)
                task_.LogFmt(llVerbose, "*** %d dup!", copies);
        }
    }
    const int room = std::max(options_.maxFramesVideo - ost.frameCount, 0);
    held = std::min(held, room);
    frames = std::min(frames, room - held);
    if (held > 0)
        WriteVideoFrames(ost, ost.lastPicture.get(), held, ptsUs);
    if (frames <= 0)
        return;

    AVFrame* prepared = CropAndResize(ost, ist, picture);
    if (!prepared)
        return;
    WriteVideoFrames(ost, prepared, frames, ptsUs);
    if (!ost.lastPicture) {
        ost.lastPicture.reset(av_frame_alloc());
        if (!ost.lastPicture)
            throw std::bad_alloc();
    }
    av_frame_unref(ost.lastPicture.get());
    if (av_frame_ref(ost.lastPicture.get(), prepared) < 0)
        throw std::bad_alloc();
}

void TranscodeRun::WriteVideoFrames(RunOutputStream& ost, const AVFrame* prepared, int count, int64_t ptsUs)
{
    AVCodecContext* enc = ost.enc;
    AVFramePtr frame{av_frame_alloc()};
    if (!frame)
        throw std::bad_alloc();
    for (int i = 0; i < count && !task_.stopRequested_; ++i) {
        PassPauseGate();
        if (av_frame_ref(frame.get(), prepared) < 0)
            throw std::bad_alloc();
        frame->pts = ost.syncOpts;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        frame->key_frame = 0;
        // a segment of a resumable output starts with a key picture
        if (segments_ && ost.fileIndex == segmentedOutput_) {
            std::lock_guard lock(writing_);
            if (segments_->KeyFrameDue(ost.index, av_rescale_q(ost.syncOpts, enc->time_base, ost.stream->time_base)))
                frame->pict_type = AV_PICTURE_TYPE_I;
        }
        if (enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME)) {
            frame->interlaced_frame = 1;
            if (options_.topFieldFirst != -1)
                frame->top_field_first = options_.topFieldFirst;
        }
        // a fixed quantiser only holds when every picture carries it
        if (enc->flags & AV_CODEC_FLAG_QSCALE)
            frame->quality = enc->global_quality;
        const int bytes = EncodeVideoFrame(ost, frame.get());
        av_frame_unref(frame.get());
        if (bytes > 0 && !options_.vstatsFileName.empty())
            WriteVideoStats(ost, bytes);
        task_.preview_.Show(prepared, preprocessor_.FrameNumber(), ptsUs);
        ++ost.syncOpts;
        ++ost.frameCount;
    }
}

namespace {

constexpr int kPictureAlign = 64;  // as the libraries' own picture buffers
constexpr int kLargePictureBytes = 512 * 1024;

}  // namespace

AVFramePtr TranscodeRun::NewScaledPicture(RunOutputStream& ost)
{
    // The encoder's queue and the held last picture keep a few scaled
    // pictures alive at once: their buffers come from one pool and go back
    // to it, where a buffer of its own for every picture left the heap
    // scattered (a megabyte more at the peak on a DVD-sized output).
    const AVPixelFormat format = ost.enc->pix_fmt;
    const int width = ost.enc->width, height = ost.enc->height;
    const int bytes = av_image_get_buffer_size(format, width, height, kPictureAlign);
    if (bytes <= 0)
        throw FFmpegException("Cannot allocate temp picture, check pix fmt");
    if (!ost.scaledPool) {
        ost.scaledPool.reset(av_buffer_pool_init(static_cast<size_t>(bytes) + AV_INPUT_BUFFER_PADDING_SIZE, nullptr));
        if (!ost.scaledPool)
            throw std::bad_alloc();
    }
    AVFramePtr picture{av_frame_alloc()};
    if (!picture)
        throw std::bad_alloc();
    picture->buf[0] = av_buffer_pool_get(ost.scaledPool.get());
    if (!picture->buf[0])
        throw std::bad_alloc();
    picture->width = width;
    picture->height = height;
    picture->format = format;
    if (av_image_fill_arrays(picture->data, picture->linesize, picture->buf[0]->data, format, width, height,
                             kPictureAlign) < 0)
        throw FFmpegException("Cannot allocate temp picture, check pix fmt");
    return picture;
}

AVFrame* TranscodeRun::CropAndResize(RunOutputStream& ost, const RunInputStream& ist, AVFrame* picture)
{
    if (ost.graph)
        return picture;
    AVFrame* current = picture;
    if (ost.cropping) {
        av_frame_unref(cropped_.get());
        if (av_frame_ref(cropped_.get(), picture) < 0)
            throw std::bad_alloc();
        cropped_->crop_top = static_cast<size_t>(ost.cropTop);
        cropped_->crop_bottom = static_cast<size_t>(ost.cropBottom);
        cropped_->crop_left = static_cast<size_t>(ost.cropLeft);
        cropped_->crop_right = static_cast<size_t>(ost.cropRight);
        if (av_frame_apply_cropping(cropped_.get(), AV_FRAME_CROP_UNALIGNED) < 0) {
            if (options_.exitOnError)
                throw FFmpegException("error cropping picture");
            task_.Log(llError, "error cropping picture");
            return nullptr;
        }
        current = cropped_.get();
    }
    const bool changed =
        picture->width != ost.lastWidth || picture->height != ost.lastHeight || picture->format != ost.lastFormat;
    if (changed) {
        // a picture of another size or format always goes through the scaler
        ost.resizing = current->width != ost.enc->width || current->height != ost.enc->height ||
                       current->format != ost.enc->pix_fmt;
    }
    if (!ost.resizing && !changed)
        return current;

    if (changed) {
        const char* formatName = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format));
        task_.LogFmt(llVerbose, "Input Stream #%d.%d frame size changed to %dx%d, %s", ist.fileIndex, ist.streamIndex,
                     picture->width, picture->height, formatName ? formatName : "none");
        ost.lastWidth = picture->width;
        ost.lastHeight = picture->height;
        ost.lastFormat = picture->format;
        ost.scaler.reset();
        if (!ost.resizing)
            return current;
    }
    // the encoder or the held last picture may still use the previous one:
    // then the scaler writes into a new buffer, leaving that one alone
    if (!ost.scaled || !av_frame_is_writable(ost.scaled.get()))
        ost.scaled = NewScaledPicture(ost);
    if (!ost.scaler) {
        ost.scaler.reset(MakeScaler(current->width, current->height, static_cast<AVPixelFormat>(current->format),
                                    ost.enc->width, ost.enc->height, ost.enc->pix_fmt, task_.scalerFlags_,
                                    task_.codecThreads_));
        if (!ost.scaler)
            throw FFmpegException("Cannot get resampling context");
    }
    // the frame call spreads the picture over the scaler's threads
    if (sws_scale_frame(ost.scaler.get(), ost.scaled.get(), current) < 0)
        throw FFmpegException("Cannot scale picture");
    av_frame_copy_props(ost.scaled.get(), picture);
    return ost.scaled.get();
}

int TranscodeRun::EncodeVideoFrame(RunOutputStream& ost, AVFrame* frame)
{
    if (ost.encodeWorker) {
        ost.encodeWorker->Push(frame);  // its bytes are counted on the encoder's thread
        return 0;
    }
    const int64_t bytes = EncodeFrame(ost, frame, "Video encoding failed");
    counters_.videoBytes += static_cast<uint64_t>(bytes);
    return static_cast<int>(bytes);
}

void TranscodeRun::StartEncodeWorkers()
{
    // With one core the loop and the encoder take turns as they must; the
    // video statistics and a first pass's log follow each picture as it is
    // encoded, so they stay on the loop's thread too.
    if (task_.codecThreads_ <= 1 || !options_.vstatsFileName.empty())
        return;
    for (RunOutputStream& ost : outputStreams_) {
        if (!ost.encodingNeeded || !ost.encoderOpen || !ost.enc || ost.enc->codec_type != AVMEDIA_TYPE_VIDEO ||
            ost.passLog)
            continue;
        // Two pictures waiting keep both sides busy; pictures of more than
        // half a megabyte wait one at a time, which costs little speed and
        // holds a picture less (with no scaler they are the decoder's own).
        const int pictureBytes = av_image_get_buffer_size(ost.enc->pix_fmt, ost.enc->width, ost.enc->height, 1);
        const size_t depth = pictureBytes > kLargePictureBytes ? 1 : 2;
        ost.encodeWorker = std::make_unique<EncodeWorker>(
            [this, &ost](AVFrame* picture) {
                counters_.videoBytes += static_cast<uint64_t>(EncodeFrame(ost, picture, "Video encoding failed"));
            },
            depth);
    }
}
