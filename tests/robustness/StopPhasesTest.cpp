// A stop in the middle of each phase of a run: while the input keeps the
// worker waiting for data right after its header (also by closing the
// component, as the program does when it ends), while data flows at a steady
// pace, and while the decoders and encoders are flushed after the last
// packet. Each stop must return within a bound (a read that waits for data is
// interrupted), end the run unfinished without an error with exactly one
// termination, and leave no 0-byte output, only a file ffprobe can read.
#include "ConverterRun.h"

#include "engine/FFmpegException.h"
#include "engine/TFFmpeg.h"
#include "engine/TMediaConverter.h"
#include "media/TFFmpegLoader.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kFrames = 200;  // 8 s at 25 fps
constexpr int kRunBoundMs = 90000;  // a run that does not end fails the test
constexpr int kStopBoundSeconds = 60;  // a stop that does not return ends the program

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Serves one file over a local TCP connection at a pace the test controls, so
// the run's reads can be made to wait for data the way a stalled network
// share or stream makes them wait.
class PacedServer {
public:
    explicit PacedServer(std::string bytes) : bytes_(std::move(bytes))
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no local listening socket";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~PacedServer()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            close(listener_);
    }

    PacedServer(const PacedServer&) = delete;
    PacedServer& operator=(const PacedServer&) = delete;

    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
    // Sends nothing more; the connection stays open, so a reader waits.
    void Hold() { hold_ = true; }
    size_t SentBytes() const { return sent_; }
    // Everything sent so far has reached the reader's side of the connection.
    bool AllDelivered() const
    {
        const int connection = connection_;
        int unacknowledged = 0;
        return connection >= 0 && ioctl(connection, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
    }

private:
    static constexpr size_t kChunkBytes = 2048;
    static constexpr auto kPace = 10ms;  // about 200 KB/s: slower than the run reads

    void Serve()
    {
        int connection = -1;
        while (!quit_ && connection < 0) {
            pollfd waiting{listener_, POLLIN, 0};
            if (poll(&waiting, 1, 50) > 0)
                connection = accept(listener_, nullptr, nullptr);
        }
        if (connection < 0)
            return;
        connection_ = connection;
        bool ended = false;
        while (!quit_) {
            const size_t sent = sent_;
            if (!hold_ && sent < bytes_.size()) {
                const size_t chunk = std::min(kChunkBytes, bytes_.size() - sent);
                const ssize_t written = send(connection, bytes_.data() + sent, chunk, MSG_NOSIGNAL);
                if (written < 0)
                    break;  // the reader went away
                sent_ = sent + static_cast<size_t>(written);
            } else if (!hold_ && !ended) {
                shutdown(connection, SHUT_WR);  // the reader sees the end of the input
                ended = true;
            }
            std::this_thread::sleep_for(kPace);
        }
        connection_ = -1;
        close(connection);
    }

    const std::string bytes_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> hold_{false};
    std::atomic<bool> quit_{false};
    std::atomic<size_t> sent_{0};
    std::atomic<int> connection_{-1};
    std::thread thread_;
};

// Holds the worker in OnCustomHook at the last picture until released. The
// source has B-frames, so the decoder gives its last picture out only when it
// is flushed after the loop: a stop made while the worker is held lands in the
// flush, with the encoder still holding the frames of its look-ahead.
class LastPictureHold {
public:
    void Attach(TCustomMediaConverter& converter)
    {
        converter.SetOnCustomHook([this](TCustomMediaConverter*, PHookInfo) {
            std::unique_lock guard(lock_);
            if (++pictures_ != kFrames)
                return;
            reached_ = true;
            changed_.notify_all();
            changed_.wait_for(guard, 60s, [this] { return released_; });
        });
    }
    bool Reached() const
    {
        std::lock_guard guard(lock_);
        return reached_;
    }
    void Release()
    {
        {
            std::lock_guard guard(lock_);
            released_ = true;
        }
        changed_.notify_all();
    }

private:
    mutable std::mutex lock_;  // guards pictures_, reached_, released_
    std::condition_variable changed_;
    int pictures_ = 0;
    bool reached_ = false;
    bool released_ = false;
};

// MPEG-4 with B-frames and MP2 in NUT, a container that streams without an
// index: 200 frames of 320x240 at 25 fps. Reading the header and the stream
// information takes about 90 KB of its 320 KB; the rest is what the run reads.
const std::string& SourceClip()
{
    static qtest::ScratchDir dir;
    static const std::string path = [] {
        const std::string clip = dir.file("bframes.nut");
        qtest::MakeMedia(clip,
                         "-f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100"
                         " -frames:v " +
                             std::to_string(kFrames) + " -t 8 -ac 2 -c:v mpeg4 -bf 2 -q:v 4 -c:a mp2 -b:a 128k");
        return clip;
    }();
    return path;
}

enum class Phase { WaitingForDataAfterTheHeader, ClosingWhileWaitingForData, ReadingSteadily, FlushingTheEncoders };

struct PhaseCase {
    const char* name;
    Phase phase;
};

class StopPhase : public ::testing::TestWithParam<PhaseCase> {
protected:
    qtest::ScratchDir out;
    robust::RunEvents events;
};

TEST_P(StopPhase, StopReturnsAndTheRunEndsUnfinishedWithAReadableOrNoOutput)
{
    const PhaseCase& c = GetParam();
    const std::string source = SourceClip();
    ASSERT_GT(qtest::FileBytes(source), 0);
    const std::string before = qtest::FileDigest(source);
    const bool flushing = c.phase == Phase::FlushingTheEncoders;
    const std::string output = out.file(std::string(c.name) + (flushing ? ".mp4" : ".avi"));

    LastPictureHold hold;
    std::unique_ptr<PacedServer> server;
    // a component of its own, so closing it is one of the ways to stop
    auto running = std::make_unique<TMediaConverter>();
    TMediaConverter& converter = *running;
    ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
    converter.SetProgressInterval(100);
    events.Attach(converter);

    if (flushing) {
        ASSERT_EQ(converter.AddTask(source), 0) << converter.LastErrMsg();
        TOutputOptions options;
        options.VideoCodec = "libx264";
        options.GOPSize = 250;
        options.ExtOptions = "rc-lookahead=" + std::to_string(kFrames);  // every frame waits for the flush
        options.CustomHook = true;
        ASSERT_TRUE(converter.SetOutputFile(0, output, &options)) << converter.LastErrMsg();
        hold.Attach(converter);
    } else {
        server = std::make_unique<PacedServer>(ReadWholeFile(source));
        {
            robust::Watchdog watchdog(kStopBoundSeconds, "opening the served input");
            ASSERT_EQ(converter.AddTask(server->Url()), 0) << converter.LastErrMsg();
        }
        if (c.phase != Phase::ReadingSteadily)
            server->Hold();  // only what reading the header took has been sent
        ASSERT_TRUE(converter.SetOutputFile(0, output)) << converter.LastErrMsg();
    }

    converter.StartTask(1);
    switch (c.phase) {
    case Phase::WaitingForDataAfterTheHeader:
    case Phase::ClosingWhileWaitingForData:
        ASSERT_TRUE(robust::PumpUntil([&] { return server->AllDelivered(); }, kRunBoundMs));
        robust::PumpUntil([] { return false; }, 500);  // the run reads what came and waits for more
        break;
    case Phase::ReadingSteadily:
        ASSERT_TRUE(robust::PumpUntil([&] { return events.ProgressCount() >= 2; }, kRunBoundMs));
        break;
    case Phase::FlushingTheEncoders:
        ASSERT_TRUE(robust::PumpUntil([&] { return hold.Reached() || events.AllEnded(); }, kRunBoundMs));
        ASSERT_TRUE(hold.Reached()) << "the run ended without giving out its last picture";
        break;
    }
    ASSERT_FALSE(events.AllEnded()) << "the run ended before the stop";
    {
        robust::Watchdog watchdog(kStopBoundSeconds, std::string("stopping ") + c.name);
        if (flushing) {
            converter.StopTasks(false);
            hold.Release();
        }
        if (c.phase == Phase::ClosingWhileWaitingForData)
            running.reset();  // the component stops its tasks itself
        else
            converter.StopTasks(true);
    }
    if (running) {
        ASSERT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs));
        robust::PumpUntil([] { return false; }, 200);  // room for a second termination, which must not come
        const TTerminateInfo info = robust::TaskTermination(events);
        EXPECT_FALSE(info.Finished) << "a stopped conversion reported as run to its end";
        EXPECT_FALSE(info.Exception) << "a stop is not an error: " << info.ExceptionMsg;
    }
    server.reset();

    EXPECT_EQ(robust::OutputProblem(output), "");
    if (flushing) {
        // Nothing was written before the stop (the look-ahead held every
        // frame); the flush after it wrote all the encoder held. Only the
        // picture in hand when the stop came may be left out.
        const auto video = qtest::ProbeStream(output, "v:0");
        EXPECT_EQ(video.count("codec_name") ? video.at("codec_name") : "", "h264");
        const int frames = video.count("nb_frames") ? std::stoi(video.at("nb_frames")) : 0;
        EXPECT_GE(frames, kFrames - 1);
        EXPECT_LE(frames, kFrames);
    } else {
        EXPECT_GT(qtest::FileBytes(output), 0) << "what was converted before the stop is gone";
    }
    EXPECT_EQ(qtest::FileDigest(source), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Phases, StopPhase,
                         ::testing::Values(PhaseCase{"WaitingForDataAfterTheHeader",
                                                     Phase::WaitingForDataAfterTheHeader},
                                           PhaseCase{"ClosingWhileWaitingForData", Phase::ClosingWhileWaitingForData},
                                           PhaseCase{"ReadingSteadily", Phase::ReadingSteadily},
                                           PhaseCase{"FlushingTheEncoders", Phase::FlushingTheEncoders}),
                         [](const ::testing::TestParamInfo<PhaseCase>& info) { return std::string(info.param.name); });

// Writes one file into a named pipe at a steady pace until told to hold; then
// nothing more while the pipe stays open, as a stalled recording tool leaves it.
class StalledPipe {
public:
    StalledPipe(const std::string& path, std::string bytes) : bytes_(std::move(bytes))
    {
        // read-write, so that opening never waits for the reader and the
        // reader never sees an end; non-blocking, so that quitting never
        // waits for a full pipe
        fd_ = open(path.c_str(), O_RDWR | O_NONBLOCK);
        if (fd_ < 0) {
            ADD_FAILURE() << "cannot open the pipe " << path;
            return;
        }
        thread_ = std::thread([this] {
            size_t sent = 0;
            while (!quit_) {
                if (!hold_ && sent < bytes_.size()) {
                    const size_t chunk = std::min<size_t>(2048, bytes_.size() - sent);
                    const ssize_t written = write(fd_, bytes_.data() + sent, chunk);
                    if (written > 0)
                        sent += static_cast<size_t>(written);
                }
                std::this_thread::sleep_for(10ms);
            }
        });
    }
    ~StalledPipe()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            close(fd_);
    }
    StalledPipe(const StalledPipe&) = delete;
    StalledPipe& operator=(const StalledPipe&) = delete;
    void Hold() { hold_ = true; }

private:
    const std::string bytes_;
    int fd_ = -1;
    std::atomic<bool> hold_{false};
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

// A named pipe whose writer stalls keeps a read waiting for data that may
// never come. A stop must still return: the library's own file reader would
// wait inside read(2) until the writer writes again or closes the pipe (the
// watchdog then ends the program with "hang: ...").
TEST(StopNamedPipe, AStopWhileAStalledPipeKeepsTheRunWaitingReturns)
{
    qtest::ScratchDir dir;
    const std::string pipePath = dir.file("stalled.nut");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    const std::string output = dir.file("stalled.avi");
    StalledPipe pipe(pipePath, ReadWholeFile(SourceClip()));
    robust::RunEvents events;
    TMediaConverter converter;
    ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
    events.Attach(converter);
    ASSERT_EQ(converter.AddTask(pipePath), 0) << converter.LastErrMsg();
    pipe.Hold();
    ASSERT_TRUE(converter.SetOutputFile(0, output)) << converter.LastErrMsg();
    converter.StartTask(1);
    robust::PumpUntil([] { return false; }, 1000);  // the run reads what is in the pipe and waits
    ASSERT_FALSE(events.AllEnded()) << "the run ended before the stop";
    {
        robust::Watchdog watchdog(kStopBoundSeconds, "stopping a run that waits on a stalled named pipe");
        converter.StopTasks(true);
    }
    ASSERT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs));
    const TTerminateInfo info = robust::TaskTermination(events);
    EXPECT_FALSE(info.Finished);
    EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
    EXPECT_EQ(robust::OutputProblem(output), "");
}

// Opening a named pipe waits for a writer; a stop requested meanwhile ends
// the open with an error instead of leaving it waiting for a writer that
// never comes (open(2) itself would wait there without end).
TEST(StopNamedPipe, AStopWhileOpeningAPipeWithoutWriterReturns)
{
    qtest::ScratchDir dir;
    const std::string pipePath = dir.file("writerless.nut");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    TFFmpeg task(1);
    std::atomic<bool> opened{false};
    std::atomic<bool> returned{false};
    std::string error;  // read after the join
    std::thread opening([&] {
        try {
            task.OpenInputFile(pipePath);
            opened = true;
        } catch (const FFmpegException& e) {
            error = e.what();
        }
        returned = true;
    });
    std::this_thread::sleep_for(500ms);
    const bool returnedBeforeTheStop = returned;
    {
        robust::Watchdog watchdog(kStopBoundSeconds, "stopping the open of a named pipe without a writer");
        task.StopConvert(false);
        opening.join();
    }
    EXPECT_FALSE(returnedBeforeTheStop) << "the open did not wait for a writer: " << error;
    EXPECT_FALSE(opened) << "a pipe with nothing written opened";
    EXPECT_EQ(task.Media().InputCount(), 0);
    EXPECT_FALSE(error.empty());
}

// The reader that lets a stop through also reads a pipe to its end: when the
// writer closes the pipe the run sees the end of the input and finishes with
// the same streams as a run on the file itself.
TEST(StopNamedPipe, APipeReadToItsEndConvertsLikeTheFile)
{
    qtest::ScratchDir dir;
    const auto convert = [](const std::string& input, const std::string& output) {
        robust::RunEvents events;
        TMediaConverter converter;
        EXPECT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
        events.Attach(converter);
        const int taskIndex = converter.AddTask(input);
        EXPECT_EQ(taskIndex, 0) << converter.LastErrMsg();
        if (taskIndex != 0 || !converter.SetOutputFile(0, output))
            return TTerminateInfo{};
        converter.StartTask(1);
        EXPECT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs));
        return robust::TaskTermination(events);
    };
    const auto count = [](const std::string& output, const char* stream) {
        const auto probed = qtest::ProbeStream(output, stream);
        return probed.count("nb_frames") ? std::stoi(probed.at("nb_frames")) : 0;
    };

    const std::string fromFile = dir.file("file.avi");
    const TTerminateInfo fileRun = convert(SourceClip(), fromFile);
    ASSERT_TRUE(fileRun.Finished) << fileRun.ExceptionMsg;

    const std::string pipePath = dir.file("whole.nut");
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    std::thread writer([&pipePath, bytes = ReadWholeFile(SourceClip())] {
        // a reader that went away gives EPIPE here instead of ending the program
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        // waits for the reader, but not without end when the run never opens the pipe
        int fd = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunBoundMs);
        while ((fd = open(pipePath.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        if (fd < 0)
            return;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t written = write(fd, bytes.data() + sent, bytes.size() - sent);
            if (written <= 0)
                break;
            sent += static_cast<size_t>(written);
        }
        close(fd);
    });
    const std::string fromPipe = dir.file("pipe.avi");
    const TTerminateInfo pipeRun = convert(pipePath, fromPipe);
    writer.join();
    EXPECT_TRUE(pipeRun.Finished);
    EXPECT_FALSE(pipeRun.Exception) << pipeRun.ExceptionMsg;
    EXPECT_GE(count(fromPipe, "v:0"), kFrames);
    EXPECT_EQ(count(fromPipe, "v:0"), count(fromFile, "v:0"));
    EXPECT_GT(count(fromPipe, "a:0"), 0);
    EXPECT_EQ(count(fromPipe, "a:0"), count(fromFile, "a:0"));
}

}  // namespace
