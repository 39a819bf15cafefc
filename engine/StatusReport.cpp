// The status report of a run (every progress interval and once at the end)
// and the video statistics lines.
#include "engine/TranscodeRun.h"

#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/time.h>
}

#include <algorithm>
#include <cmath>
#include <string>

namespace {

double Psnr(double error) { return -10.0 * std::log10(error); }

}  // namespace

void TranscodeRun::Report(bool last)
{
    TaskMedia& media = task_.media_;
    if (media.outputs.empty())
        return;
    AVFormatContext* oc = media.outputs[0].get();
    // what the encoders' threads write, read in one piece; the handler and
    // the log are called after
    std::unique_lock lock(writing_);
    // the file's size lags behind the data still in the output buffer: the
    // write position counts it too
    int64_t totalSize = 0;
    if (oc->pb)
        totalSize = std::max(avio_size(oc->pb), avio_tell(oc->pb));
    if (totalSize < 0)
        totalSize = 0;

    std::string line;
    bool firstVideo = true;
    int frameNumber = -1, fps = -1;
    float quality = -1.0f;
    constexpr double kNothingWritten = 1e10;
    double reportTime = kNothingWritten;
    for (RunOutputStream& ost : outputStreams_) {
        const AVMediaType type = ost.stream->codecpar->codec_type;
        const float q = ost.enc ? static_cast<float>(ost.lastQuality) / FF_QP2LAMBDA : -1.0f;
        if (type == AVMEDIA_TYPE_VIDEO && !firstVideo)
            line += FormatText("q=%2.1f ", q);
        if (type == AVMEDIA_TYPE_VIDEO && firstVideo) {
            firstVideo = false;
            if (ost.frameCount < 1)
                return;  // nothing to say before the first picture
            const double elapsed = static_cast<double>(av_gettime_relative() - loopStartUs_) / 1e6;
            frameNumber = ost.frameCount;
            fps = elapsed > 1 ? static_cast<int>(frameNumber / elapsed + 0.5) : 0;
            quality = q;
            line += FormatText("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, q);
            if (last)
                line += "L";
            if (options_.qpHistogram) {
                const int qp = static_cast<int>(std::lround(q));
                if (qp >= 0 && qp < static_cast<int>(counters_.qpHistogram.size()))
                    ++counters_.qpHistogram[qp];
                for (int j = 0; j < 32; ++j)
                    line += FormatText("%X", static_cast<int>(std::lround(std::log2(counters_.qpHistogram[j] + 1))));
            }
            if (ost.enc && (ost.enc->flags & AV_CODEC_FLAG_PSNR)) {
                const double pixels = static_cast<double>(ost.enc->width) * ost.enc->height;
                const char planes[3] = {'Y', 'U', 'V'};
                double errorSum = 0, scaleSum = 0;
                line += "PSNR=";
                for (int j = 0; j < 3; ++j) {
                    const double error = static_cast<double>(last ? ost.enc->error[j] : ost.lastError[j]);
                    double scale = pixels * 255.0 * 255.0 * (last ? std::max(ost.frameCount, 1) : 1);
                    if (j)
                        scale /= 4;
                    errorSum += error;
                    scaleSum += scale;
                    line += FormatText("%c:%2.2f ", planes[j], Psnr(error / scale));
                }
                line += FormatText("*:%2.2f ", Psnr(errorSum / scaleSum));
            }
        }
        const double outputTime = ost.outputTimeSec;
        if (outputTime > 0 && outputTime < reportTime)
            reportTime = outputTime;
    }
    // before the encoders' first packets (their look-ahead) nothing is written yet
    if (reportTime == kNothingWritten)
        reportTime = 0;
    if (reportTime < 0.01)
        reportTime = 0.01;

    lock.unlock();

    const ProgressHandler& onProgress = hooks_.onProgress;
    if (onProgress || options_.verbosity > 0 || last) {
        const double bitRate = static_cast<double>(totalSize) * 8 / reportTime / 1000.0;
        line += FormatText("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", static_cast<double>(totalSize) / 1024,
                           reportTime, bitRate);
        if (counters_.duplicatedFrames || counters_.droppedFrames) {
            line += FormatText(" dup=%d drop=%d", counters_.duplicatedFrames, counters_.droppedFrames);
            if (counters_.dupDropChanged && options_.verbosity >= 0 && onProgress) {
                counters_.dupDropChanged = false;
                task_.Log(llVerbose, line.substr(0, 1023));
            }
        }
        if (onProgress) {
            TProgressInfo info;
            info.FileIndex = last ? -1 : lastFileIndex_;
            info.TotalDuration = task_.totalDurationUs_;
            // a resumed run reports the output's time, the kept part included
            info.CurrentDuration = std::llround(reportTime * 1e6) + resumeUs_;
            info.TotalSize = totalSize;
            info.BitRate = static_cast<float>(bitRate);
            info.Quality = quality;
            info.FPS = fps;
            info.FrameNumber = frameNumber;
            onProgress(info);
        } else if (options_.verbosity >= 0) {
            task_.Log(llVerbose, line.substr(0, 1023));
        }
    }

    if (last && options_.verbosity >= 0) {
        const double video = static_cast<double>(counters_.videoBytes);
        const double audio = static_cast<double>(counters_.audioBytes);
        const double header = static_cast<double>(counters_.headerBytes);
        const double sum = video + audio + header;
        const double overhead = sum > 0 ? 100.0 * (static_cast<double>(totalSize) - sum) / sum : 0;
        task_.LogFmt(llVerbose, "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                     video / 1024, audio / 1024, header / 1024, overhead);
    }
}

void TranscodeRun::WriteVideoStats(RunOutputStream& ost, int frameBytes)
{
    if (!vstats_) {
        vstats_.reset(std::fopen(options_.vstatsFileName.c_str(), "w"));
        if (!vstats_)
            throw FFmpegException("fopen fail: " + options_.vstatsFileName);
    }
    AVCodecContext* enc = ost.enc;
    const int frameNumber = ost.frameCount + 1;
    const double quality = static_cast<double>(ost.lastQuality) / FF_QP2LAMBDA;
    std::fprintf(vstats_.get(), "frame= %5d q= %2.1f ", frameNumber, quality);
    if (enc->flags & AV_CODEC_FLAG_PSNR)
        std::fprintf(vstats_.get(), "PSNR= %6.2f ",
                     Psnr(static_cast<double>(ost.lastError[0]) / (enc->width * enc->height * 255.0 * 255.0)));
    std::fprintf(vstats_.get(), "f_size= %6d ", frameBytes);
    double time = static_cast<double>(ost.syncOpts) * av_q2d(enc->time_base);
    if (time < 0.01)
        time = 0.01;
    const double bitRate = frameBytes * 8 / av_q2d(enc->time_base) / 1000.0;
    const double averageBitRate = static_cast<double>(counters_.videoBytes) * 8 / time / 1000.0;
    std::fprintf(vstats_.get(), "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                 static_cast<double>(counters_.videoBytes) / 1024, time, bitRate, averageBitRate);
    std::fprintf(vstats_.get(), "type= %c\n", ost.lastPictType);
}
