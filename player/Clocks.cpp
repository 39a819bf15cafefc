#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

#include <chrono>
#include <algorithm>
#include <cmath>

int64_t SystemTimeUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

double SystemTimeSeconds() { return SystemTimeUs() / 1000000.0; }

double AudioClockNow(const PlaybackState* is)
{
    double pts = is->AudioClock;
    const int bytesPerSecond = is->AudioSampleRate * 2 * is->AudioChannels;
    if (bytesPerSecond <= 0)
        return pts;
    const int pending = is->AudioBufSize - is->AudioBufIndex;
    // what the device took at the last callback plays out from then on
    const int64_t sinceCallbackUs = SystemTimeUs() - is->Player->AudioCallbackTimeUs;
    const double playedSeconds = std::max<double>(sinceCallbackUs, 0) / 1e6;
    const double hardwareSeconds =
        is->Paused ? 0.0 : std::max(0.0, double(is->AudioHwBufSize) / bytesPerSecond - playedSeconds);
    return pts - double(pending) / bytesPerSecond - hardwareSeconds;
}

double VideoClockNow(const PlaybackState* is)
{
    if (is->Paused)
        return is->VideoCurrentPts;
    if (!is->PictureShown)
        return is->StartTimeUs / 1000000.0;
    return is->VideoCurrentPtsDrift + SystemTimeSeconds();
}

double ExternalClockNow(const PlaybackState* is)
{
    return is->ExternalClock + (SystemTimeUs() - is->ExternalClockTime) * 1e-6;
}

double MasterClockNow(const PlaybackState* is)
{
    switch (is->MasterClockChoice) {
    case scVideoMaster:
        return is->VideoStream ? VideoClockNow(is) : AudioClockNow(is);
    case scAudioMaster:
        return is->AudioStream ? AudioClockNow(is) : VideoClockNow(is);
    default:
        return ExternalClockNow(is);
    }
}

bool AudioIsMaster(const PlaybackState* is) { return is->MasterClockChoice == scAudioMaster && is->AudioStream; }

void PositionTick(PlaybackState* is)
{
    TCustomPlayer* player = is->Player;
    if (!player->Engine() || is->IsImage2)
        return;
    double seconds;
    if (is->VideoStream)
        seconds = VideoClockNow(is);
    else if (is->AudioStream)
        seconds = AudioClockNow(is);
    else
        return;
    int64_t position = std::llround(seconds * 1e6) - is->StartTimeUs;
    if (!is->VideoStream && is->AudioDurationUs > 0 && position >= is->AudioDurationUs && is->DurationUs > position)
        position = is->DurationUs;
    player->SetCurrentPosition(position);
    if (is->DurationUs > 0 && position >= is->DurationUs) {
        position = is->DurationUs;
        if (player->ReportedPosition() != is->DurationUs)
            player->SetReportedPosition(0);
    }
    const int64_t reported = player->ReportedPosition();
    if (reported == AV_NOPTS_VALUE || std::llabs(position - reported) > 10000) {
        player->SetReportedPosition(position);
        if (player->OnPosition)
            player->PostEvent({PlayerEventKind::Position, position});
    }
    if (is->Drained && !is->EndReported && !is->IsCaptureDevice) {
        player->SetState(psEnd);
        if (is->VideoStream)
            is->EndReported = true;
    }
}
