#pragma once
// Clips and small helpers for the input/output set-up tests: the clips are
// generated once per test program into one scratch folder.
#include "engine/TCustomFFmpeg.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace setuptest {

class SetupClips {
public:
    static SetupClips& Get()
    {
        static SetupClips clips;
        return clips;
    }
    const qtest::ScratchDir& dir() const { return dir_; }
    // H.264 + AAC, 320x240, 25 fps, 2 s
    std::string Mp4() { return qtest::MakeMp4Clip(dir_.path()); }
    // 16-bit stereo 44.1 kHz WAV, 2 s
    std::string Wav() { return qtest::MakeWavClip(dir_.path()); }
    // MPEG-4 video only, 160x120, 25 fps, 1 s
    std::string VideoOnly() { return Once("video_only.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg4"); }
    // 32 s of tiny video with a key frame every second, in MP4 (starts at 0)
    // and MPEG-TS (starts after the muxer's delay)
    std::string LongMp4() { return Once("long.mp4", kLong); }
    std::string LongTs() { return Once("long.ts", kLong); }

private:
    static constexpr const char* kLong = "-f lavfi -i testsrc=size=64x48:rate=5:duration=32 -g 5 -c:v mpeg4";
    std::string Once(const std::string& name, const std::string& args)
    {
        const std::string path = dir_.file(name);
        if (qtest::FileBytes(path) <= 0)
            qtest::MakeMedia(path, args);
        return path;
    }
    qtest::ScratchDir dir_;
};

// A reset task with `options` applied in order.
inline std::unique_ptr<TCustomFFmpeg> NewTask(const std::vector<std::pair<std::string, std::string>>& options = {})
{
    auto task = std::make_unique<TCustomFFmpeg>(20);
    task->Reset();
    for (const auto& [name, value] : options)
        task->SetOption(name, value);
    return task;
}

inline void Apply(TCustomFFmpeg& task, const std::vector<std::pair<std::string, std::string>>& options)
{
    for (const auto& [name, value] : options)
        task.SetOption(name, value);
}

inline const TOutputFileSetup& OutputSetup(const TCustomFFmpeg& task, int index)
{
    return task.Media().outputSetups.at(index);
}

}  // namespace setuptest
