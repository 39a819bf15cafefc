#include "PlayerTestSupport.h"

#include "media/TFFLogger.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace ptest {

std::string MakeVideoClip(const std::string& dir, double seconds)
{
    const std::string path = dir + "/bars_tone.mp4";
    const std::string d = std::to_string(seconds);
    qtest::MakeMedia(path,
                     "-f lavfi -i testsrc=size=320x240:rate=25:duration=" + d +
                         " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                         " -ac 2 -c:v libx264 -preset ultrafast -g 5 -pix_fmt yuv420p -c:a aac -b:a 96k -shortest");
    return path;
}

std::string MakeBlueClip(const std::string& dir, double seconds)
{
    const std::string path = dir + "/blue.mp4";
    qtest::MakeMedia(path, "-f lavfi -i color=c=blue:size=320x240:rate=25:duration=" + std::to_string(seconds) +
                               " -c:v libx264 -preset ultrafast -pix_fmt yuv420p");
    return path;
}

std::string MakeToneClip(const std::string& dir, double seconds)
{
    const std::string path = dir + "/tone.wav";
    qtest::MakeMedia(path, "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) +
                               " -ac 2 -c:a pcm_s16le");
    return path;
}

std::string MakeSizeChangeClip(const std::string& dir)
{
    const std::string first = dir + "/large.ts";
    const std::string second = dir + "/small.ts";
    const std::string path = dir + "/size_change.ts";
    qtest::MakeMedia(first, "-f lavfi -i testsrc=size=320x240:rate=25:duration=1 -c:v mpeg2video");
    qtest::MakeMedia(second, "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg2video -output_ts_offset 1");
    qtest::RunCommand("cat " + qtest::ShellQuote(first) + " " + qtest::ShellQuote(second) + " > " +
                      qtest::ShellQuote(path));
    return path;
}

std::string MakeSubtitleOnlyClip(const std::string& dir)
{
    const std::string srt = dir + "/words.srt";
    std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:01,000\nhello\n\n2\n00:00:01,000 --> 00:00:02,000\nworld\n";
    const std::string path = dir + "/subtitles_only.mkv";
    qtest::MakeMedia(path, "-i " + qtest::ShellQuote(srt) + " -c:s srt");
    return path;
}

void EventRecorder::Attach(TCustomPlayer& player)
{
    player.OnState = [this](TCustomPlayer*, TPlayState state) {
        std::lock_guard guard(lock);
        states.push_back(state);
    };
    player.OnPosition = [this](TCustomPlayer*, int64_t pts) {
        std::lock_guard guard(lock);
        positions.push_back(pts);
    };
}

bool EventRecorder::Saw(TPlayState state) { return Count(state) > 0; }

int EventRecorder::Count(TPlayState state)
{
    std::lock_guard guard(lock);
    return static_cast<int>(std::count(states.begin(), states.end(), state));
}

int64_t EventRecorder::LastPosition()
{
    std::lock_guard guard(lock);
    return positions.empty() ? -1 : positions.back();
}

size_t EventRecorder::PositionCount()
{
    std::lock_guard guard(lock);
    return positions.size();
}

void PlayerFixture::SetUp()
{
    SetMainThread(&mainThread);
    TFFPlayer probe;
    ASSERT_TRUE(probe.LoadAVLib("LibAV"));
}

void PlayerFixture::TearDown() { SetMainThread(nullptr); }

bool PlayerFixture::PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    return mainThread.pumpUntil(done, timeoutMs);
}

void PlayerFixture::PumpFor(int ms)
{
    mainThread.pumpUntil([] { return false; }, ms);
}

LogCapture::LogCapture()
{
    GetFFLogger().SetTriggerEventInMainThread(false);
    GetFFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel level, const std::string& text) {
        if (level <= llError) {
            std::lock_guard guard(lock);
            lines.push_back(text);
        }
    });
}

LogCapture::~LogCapture()
{
    GetFFLogger().SetOnLog(nullptr);
    GetFFLogger().SetTriggerEventInMainThread(true);
}

bool LogCapture::Has(const std::string& text)
{
    std::lock_guard guard(lock);
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

bool LogCapture::HasPrefix(const std::string& prefix)
{
    std::lock_guard guard(lock);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

Bgr MeanColour(const Bitmap24& bitmap, int x, int y, int size)
{
    long b = 0, g = 0, r = 0, n = 0;
    for (int row = y; row < y + size && row < bitmap.Height(); ++row) {
        const uint8_t* p = bitmap.Row(row);
        for (int col = x; col < x + size && col < bitmap.Width(); ++col, ++n) {
            b += p[col * 3];
            g += p[col * 3 + 1];
            r += p[col * 3 + 2];
        }
    }
    if (n == 0)
        return {};
    return {int(b / n), int(g / n), int(r / n)};
}

}  // namespace ptest
