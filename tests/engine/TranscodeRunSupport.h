#pragma once
// Running one transcoder task to its end in a test: clips, options before
// the input and the output, and an independent look at the result (ffprobe).
#include "engine/TCustomFFmpeg.h"
#include "engine/TranscodeRun.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace runtest {

using Options = std::vector<std::pair<std::string, std::string>>;

// Source clips, generated once per test program.
class RunClips {
public:
    static RunClips& Get()
    {
        static RunClips clips;
        return clips;
    }
    const qtest::ScratchDir& dir() const { return dir_; }
    // H.264 + AAC in MP4, 320x240, 25 fps, 2 s
    std::string Mp4() { return qtest::MakeMp4Clip(dir_.path(), 2.0); }
    // MPEG-4 + MP3 in AVI, 320x240, 29.97 fps, 2 s
    std::string Avi() { return qtest::MakeAviClip(dir_.path(), 2.0); }
    // Any clip made once from ffmpeg arguments.
    std::string Once(const std::string& name, const std::string& args)
    {
        const std::string path = dir_.file(name);
        if (qtest::FileBytes(path) <= 0)
            qtest::MakeMedia(path, args);
        return path;
    }

private:
    qtest::ScratchDir dir_;
};

struct RunResult {
    bool error = false;
    std::string message;
    bool finished = false;
};

// A task a test can stop as the component would (the stop request is a
// flag the loop reads).
class TestTask : public TCustomFFmpeg {
public:
    TestTask() : TCustomFFmpeg(4) {}
    void RequestStop() { stopRequested_ = true; }
};

// A prepared task: input opened, output added, ready to run.
inline std::unique_ptr<TestTask> PrepareTask(const std::string& input, const Options& inputOptions,
                                             const std::string& output, const Options& outputOptions)
{
    auto task = std::make_unique<TestTask>();
    task->Reset();
    task->SetVerbosity(-1);
    for (const auto& [name, value] : inputOptions)
        task->SetOption(name, value);
    EXPECT_NO_THROW(task->OpenInputFile(input));
    for (const auto& [name, value] : outputOptions)
        task->SetOption(name, value);
    EXPECT_EQ(task->AddOutputFile(output), 1) << task->LastError();
    return task;
}

// Every sample of a file's first audio stream as signed 16-bit, interleaved,
// decoded by the ffmpeg tool.
inline std::vector<int16_t> DecodeS16(const std::string& path)
{
    std::string bytes;
    qtest::RunCommand("ffmpeg -nostdin -v error -i " + qtest::ShellQuote(path) + " -map 0:a:0 -f s16le -", &bytes);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Packets of the first video stream as ffprobe lists them: true for a key packet.
inline std::vector<bool> VideoPacketKeys(const std::string& path)
{
    std::string out;
    qtest::RunCommand(
        "ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 " + qtest::ShellQuote(path), &out);
    std::vector<bool> keys;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(pos, end - pos);
        if (!line.empty())
            keys.push_back(line[0] == 'K');
        pos = end + 1;
    }
    return keys;
}

// Frames of the first video stream counted by decoding.
inline int VideoFrames(const std::string& path)
{
    std::string out;
    qtest::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                      "-of csv=p=0 " +
                          qtest::ShellQuote(path),
                      &out);
    return out.empty() ? -1 : std::atoi(out.c_str());
}

inline RunResult RunTask(TCustomFFmpeg& task, const RunHooks& hooks = {})
{
    RunResult result;
    try {
        RunTranscode(task, hooks);
    } catch (const std::exception& e) {
        result.error = true;
        result.message = e.what();
    }
    result.finished = task.Finished();
    return result;
}

inline double Number(const std::map<std::string, std::string>& values, const std::string& key)
{
    const auto it = values.find(key);
    if (it == values.end() || it->second.empty() || it->second == "N/A")
        return -1;
    const std::string& text = it->second;
    const size_t slash = text.find('/');
    if (slash != std::string::npos) {
        const double den = std::atof(text.c_str() + slash + 1);
        return den != 0 ? std::atof(text.substr(0, slash).c_str()) / den : -1;
    }
    return std::atof(text.c_str());
}

// Decoded length of the first video stream: frames counted by decoding,
// divided by the stream's frame rate; -1 when it cannot be read.
inline double VideoSeconds(const std::string& path)
{
    std::string out;
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 "
                                "-show_entries stream=nb_read_frames,r_frame_rate -of csv=p=0 " +
                                qtest::ShellQuote(path);
    if (qtest::RunCommand(command, &out) != 0 || out.empty())
        return -1;
    // "num/den,frames"
    const size_t comma = out.find(',');
    if (comma == std::string::npos)
        return -1;
    const double rate = Number({{"r", out.substr(0, comma)}}, "r");
    const double frames = std::atof(out.c_str() + comma + 1);
    return rate > 0 ? frames / rate : -1;
}

// Decoded length of the first audio stream: samples of every decoded frame
// over the sample rate; -1 when it cannot be read.
inline double AudioSeconds(const std::string& path)
{
    std::string out;
    const std::string command = "ffprobe -v error -select_streams a:0 -show_entries frame=nb_samples "
                                "-of csv=p=0 " +
                                qtest::ShellQuote(path);
    if (qtest::RunCommand(command, &out) != 0)
        return -1;
    long long samples = 0;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos)
            end = out.size();
        const std::string line = out.substr(pos, end - pos);
        if (!line.empty() && line[0] >= '0' && line[0] <= '9')
            samples += std::atoll(line.c_str());
        pos = end + 1;
    }
    const double rate = Number(qtest::ProbeStream(path, "a:0"), "sample_rate");
    return rate > 0 ? static_cast<double>(samples) / rate : -1;
}

}  // namespace runtest
