// Conversions run by the converter component: extra streams from the option
// text, meta-data from the output record, progress on the main thread, and
// pausing and stopping real runs. Outputs are checked with ffprobe.
#include "ConverterTestKit.h"
#include "engine/OutputPlacement.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ctime>
#include <random>
#include <strings.h>

namespace {

using convtest::Clips;
using convtest::EventLog;
using convtest::PumpUntil;

double Seconds(const std::map<std::string, std::string>& fields, const char* key = "duration")
{
    const auto it = fields.find(key);
    return it == fields.end() ? -1.0 : std::atof(it->second.c_str());
}

// A format tag, whatever case the container gives its name.
std::string Tag(const std::map<std::string, std::string>& format, const std::string& name)
{
    for (const auto& [key, value] : format)
        if (key.size() == name.size() + 4 && strncasecmp(key.c_str(), ("TAG:" + name).c_str(), key.size()) == 0)
            return value;
    return std::string();
}

class ConverterRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
        events.Attach(converter);
    }

    // A task from `input` to `output` with the given records; its index.
    int Add(const std::string& input, const std::string& output, const TOutputOptions* outputOptions,
            const TInputOptions* inputOptions = nullptr)
    {
        const int index = converter.AddTask(input, inputOptions);
        EXPECT_GE(index, 0) << converter.LastErrMsg();
        if (index >= 0) {
            EXPECT_TRUE(converter.SetOutputFile(index, output, outputOptions)) << converter.LastErrMsg();
        }
        return index;
    }

    qtest::ScratchDir dir;
    TMediaConverter converter;
    EventLog events;
};

TEST_F(ConverterRun, NewAudioLinesTakeTheirOwnEncoders)
{
    TOutputOptions options;
    options.ExtOptions = "acodec=mp2\r\nnewaudio\r\nacodec=ac3\r\nnewaudio";
    const std::string output = dir.file("three.mkv");
    Add(Clips::Get().Wav(), output, &options);
    converter.StartTask(0);
    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_TRUE(terminations[0].Finished) << terminations[0].ExceptionMsg;
    ASSERT_EQ(qtest::CountStreams(output, 'a'), 3);
    const char* expected[] = {"mp2", "mp2", "ac3"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(qtest::ProbeStream(output, "a:" + std::to_string(i))["codec_name"], expected[i]) << i;
}

TEST_F(ConverterRun, RecordFieldsReachTheOutput)
{
    // a zone without summer time, so the offset of any date is the offset of today
    const char* oldZone = std::getenv("TZ");
    const std::string savedZone = oldZone ? oldZone : "";
    setenv("TZ", "CST-8", 1);
    tzset();

    TOutputOptions options;
    options.AudioCodec = "mp2";
    options.AudioSampleRate = 22050;
    options.AudioChannels = 1;
    options.Info.Title = "Quorvex title";
    options.Info.Comment = "made in a test";
    // 14 February 2009 07:31:30 local time, in days since 30 December 1899
    options.Info.TimeStamp = 39858.0 + (7 * 3600 + 31 * 60 + 30) / 86400.0;
    const std::string output = dir.file("fields.mkv");
    Add(Clips::Get().Wav(), output, &options);
    converter.StartTask(0);

    if (oldZone)
        setenv("TZ", savedZone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    ASSERT_TRUE(events.AllEnded());
    auto audio = qtest::ProbeStream(output, "a:0");
    EXPECT_EQ(audio["codec_name"], "mp2");
    EXPECT_EQ(audio["sample_rate"], "22050");
    EXPECT_EQ(audio["channels"], "1");
    auto format = qtest::ProbeFormat(output);
    EXPECT_EQ(Tag(format, "title"), "Quorvex title");
    EXPECT_EQ(Tag(format, "comment"), "made in a test");
    EXPECT_EQ(Tag(format, "creation_time").substr(0, 19), "2009-02-13T23:31:30");
}

// The source's global tags reach the output, except where the record sets
// its own; the source container's own fields (its brands) stay behind.
TEST_F(ConverterRun, SourceTagsReachTheOutputUnderTheRecordsOwn)
{
    const std::string source = dir.file("tagged.mp4");
    ASSERT_TRUE(qtest::MakeMedia(source,
                                 "-f lavfi -i sine=r=44100:d=1 -c:a aac -metadata title=\"Source title\" "
                                 "-metadata artist=\"Source artist\" -metadata date=1999 -metadata album=Songs"));
    TOutputOptions options;
    options.Info.Title = "Record title";
    const std::string output = dir.file("tagged.mkv");
    Add(source, output, &options);
    converter.StartTask(0);
    ASSERT_TRUE(events.AllEnded());
    ASSERT_FALSE(events.Terminations().front().Exception) << events.Terminations().front().ExceptionMsg;
    auto format = qtest::ProbeFormat(output);
    EXPECT_EQ(Tag(format, "title"), "Record title");
    EXPECT_EQ(Tag(format, "artist"), "Source artist");
    EXPECT_EQ(Tag(format, "date"), "1999");
    EXPECT_EQ(Tag(format, "album"), "Songs");
    EXPECT_EQ(Tag(format, "major_brand"), "");
    EXPECT_EQ(Tag(format, "compatible_brands"), "");
}

// A task the library refuses ends with the library's own lines in its record,
// for the error box.
TEST_F(ConverterRun, AFailedTaskCarriesTheLibrarysLastLines)
{
    TOutputOptions options;
    options.ExtOptions = "acodec=wmav2\r\nab=8000";
    Add(Clips::Get().Wav(), dir.file("low.wma"), &options);
    converter.StartTask(0);
    ASSERT_TRUE(events.AllEnded());
    const std::vector<TTerminateInfo> terminations = events.Terminations();
    const TTerminateInfo& info = terminations.front();
    ASSERT_TRUE(info.Exception);
    EXPECT_NE(info.ExceptionMsg.find("Error while opening encoder"), std::string::npos) << info.ExceptionMsg;
    EXPECT_NE(info.LibraryLines.find("[wmav2 @ "), std::string::npos) << info.LibraryLines;
    EXPECT_NE(info.LibraryLines.find("bitrate too low"), std::string::npos) << info.LibraryLines;
    EXPECT_EQ(info.LibraryLines.back(), '\n');
}

TEST_F(ConverterRun, ThreadedTasksConvertAndReportOnTheMainThread)
{
    converter.SetProgressInterval(100);
    TOutputOptions avi;
    avi.VideoCodec = "mpeg4";
    avi.AudioCodec = "libmp3lame";
    TOutputOptions audioOnly;
    audioOnly.AudioCodec = "mp2";
    const std::string first = dir.file("first.avi");
    const std::string second = dir.file("second.mp2");
    Add(Clips::Get().Mp4(), first, &avi);
    Add(Clips::Get().Wav(), second, &audioOnly);
    converter.StartTask(2);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }, 60000));

    for (const TTerminateInfo& info : events.Terminations())
        EXPECT_TRUE(info.Finished && !info.Exception) << info.TaskIndex << " " << info.ExceptionMsg;
    EXPECT_FALSE(events.ProgressOffMainThread());
    bool sawVideoTask = false;
    for (const TProgressInfo& p : events.Progress()) {
        ASSERT_TRUE(p.TaskIndex == 0 || p.TaskIndex == 1) << p.TaskIndex;
        if (p.TaskIndex == 0 && p.FrameNumber > 0)
            sawVideoTask = true;
        if (p.TaskIndex == 1) {
            EXPECT_EQ(p.FrameNumber, -1);  // no video
        }
    }
    EXPECT_TRUE(sawVideoTask);
    EXPECT_EQ(qtest::ProbeStream(first, "v:0")["codec_name"], "mpeg4");
    EXPECT_EQ(qtest::ProbeStream(first, "a:0")["codec_name"], "mp3");
    EXPECT_NEAR(Seconds(qtest::ProbeFormat(first)), 2.0, 0.2);
    EXPECT_EQ(qtest::ProbeStream(second, "a:0")["codec_name"], "mp2");
    EXPECT_NEAR(Seconds(qtest::ProbeFormat(second)), 1.0, 0.15);
}

TEST_F(ConverterRun, FrameEventsArriveOnTheirThreads)
{
    struct {
        std::mutex lock;  // guards the fields below
        int hookCalls = 0;
        bool hookOnMainThread = false;
        int hookTaskIndex = -2;
        int previewCalls = 0;
        bool previewOffMainThread = false;
        bool previewHadPicture = true;
    } seen;
    converter.SetOnCustomHook([&](TCustomMediaConverter*, PHookInfo info) {
        std::lock_guard guard(seen.lock);
        ++seen.hookCalls;
        seen.hookOnMainThread = seen.hookOnMainThread || convtest::IsMainThread();
        seen.hookTaskIndex = info->TaskIndex;
        EXPECT_TRUE(info->Update);
        EXPECT_EQ(info->Bitmap->Width(), 320);
        info->StopHook = seen.hookCalls == 3;  // asks for no further frames
    });
    converter.SetOnPreviewBitmap([&](TCustomMediaConverter*, const TPreviewInfo& info) {
        std::lock_guard guard(seen.lock);
        ++seen.previewCalls;
        seen.previewOffMainThread = seen.previewOffMainThread || !convtest::IsMainThread();
        seen.previewHadPicture = seen.previewHadPicture && info.Bitmap && !info.Bitmap->Empty() && info.TaskIndex == 0;
    });
    converter.SetPreviewBitmap(true);
    TOutputOptions options;
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "mp2";
    options.CustomHook = true;
    const std::string output = dir.file("hooked.avi");
    Add(Clips::Get().Mp4(), output, &options);
    converter.StartTask(1);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }, 60000));

    EXPECT_TRUE(events.Terminations().front().Finished) << events.Terminations().front().ExceptionMsg;
    std::lock_guard guard(seen.lock);
    EXPECT_EQ(seen.hookCalls, 3);
    EXPECT_FALSE(seen.hookOnMainThread);
    EXPECT_EQ(seen.hookTaskIndex, 0);
    EXPECT_GT(seen.previewCalls, 0);
    EXPECT_FALSE(seen.previewOffMainThread);
    EXPECT_TRUE(seen.previewHadPicture);
    EXPECT_EQ(qtest::ProbeStream(output, "v:0")["codec_name"], "mpeg4");
}

TEST_F(ConverterRun, RealRunsStoppedAndRestartedRepeatedlyEndOncePerRun)
{
    TOutputOptions options;
    options.AudioCodec = "mp2";
    std::mt19937 random(1210);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        events.Clear();
        converter.ClearTasks();
        std::vector<std::string> outputs;
        for (int i = 0; i < 10; ++i) {
            outputs.push_back(dir.file("r" + std::to_string(round) + "_" + std::to_string(i) + ".mp2"));
            Add(Clips::Get().Wav(), outputs.back(), &options);
        }
        converter.StartTask(4);
        PumpUntil([] { return false; }, static_cast<int>(random() % 60));
        converter.StopTasks(round % 2 == 1);
        ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }, 60000));
        const std::map<int, int> counts = events.TerminationCounts();
        for (int i = -1; i < 10; ++i)
            EXPECT_EQ(counts.count(i) ? counts.at(i) : 0, 1) << "task " << i;
        EXPECT_EQ(events.Terminations().back().TaskIndex, -1);
        for (const TTerminateInfo& info : events.Terminations()) {
            EXPECT_FALSE(info.Exception) << info.TaskIndex << " " << info.ExceptionMsg;
            // a task that ran to its end left a whole file
            if (info.TaskIndex >= 0 && info.Finished) {
                EXPECT_NEAR(Seconds(qtest::ProbeFormat(outputs[static_cast<size_t>(info.TaskIndex)])), 1.0, 0.15)
                    << info.TaskIndex;
            }
        }
    }
}

// Runs read at the clip's own pace, so there is time to pause and stop them.
class PacedRun : public ConverterRun {
protected:
    int AddPaced(const std::string& output)
    {
        TInputOptions input;
        input.ExtOptions = "re=1";
        TOutputOptions options;
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "mp2";
        return Add(Clips::Get().Mp4(), output, &options, &input);  // 2 s
    }
};

TEST_F(PacedRun, PausedConversionNeitherGrowsNorReportsAndCompletesAfterResume)
{
    converter.SetProgressInterval(100);
    const std::string output = dir.file("paused.avi");
    AddPaced(output);
    converter.StartTask(1);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 3; }));
    converter.PauseTasks();
    PumpUntil([] { return false; }, 150);  // a packet under way may still be written
    // until it is finished the run writes into its part file
    const std::string part = PartFileName(output);
    const long long sizeAtPause = qtest::FileBytes(part);
    const size_t reportsAtPause = events.ProgressCount();
    PumpUntil([] { return false; }, 700);
    EXPECT_EQ(qtest::FileBytes(part), sizeAtPause);
    EXPECT_EQ(events.ProgressCount(), reportsAtPause);
    EXPECT_FALSE(events.AllEnded());

    converter.ResumeTasks();
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }, 30000));
    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_TRUE(terminations[0].Finished) << terminations[0].ExceptionMsg;
    EXPECT_GT(events.ProgressCount(), reportsAtPause);
    EXPECT_EQ(qtest::ProbeStream(output, "v:0")["codec_name"], "mpeg4");
    EXPECT_NEAR(Seconds(qtest::ProbeFormat(output)), 2.0, 0.2);
}

TEST_F(PacedRun, StoppedConversionEndsUnfinishedWithAClosedFile)
{
    const std::string output = dir.file("stopped.avi");
    AddPaced(output);
    converter.StartTask(1);
    ASSERT_TRUE(PumpUntil([&] { return events.ProgressCount() >= 1; }));
    converter.StopTasks(true);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_FALSE(terminations[0].Finished);
    EXPECT_FALSE(terminations[0].Exception) << terminations[0].ExceptionMsg;
    const double seconds = Seconds(qtest::ProbeFormat(output));
    EXPECT_GT(seconds, 0.0);
    EXPECT_LT(seconds, 1.5);
    EXPECT_EQ(qtest::ProbeStream(output, "v:0")["codec_name"], "mpeg4");
}

// A converter that keeps its tasks at hand, to see when a run is held at its
// pause gate.
class GateTask : public TFFmpeg {
public:
    using TFFmpeg::TFFmpeg;
    bool Held() { return Gate().Holding(); }
};

class GateConverter : public TMediaConverter {
public:
    GateTask* TaskAt(size_t index) { return index < made_.size() ? made_[index] : nullptr; }

protected:
    std::unique_ptr<TFFmpeg> CreateTask(int capacity) override
    {
        auto task = std::make_unique<GateTask>(capacity);
        made_.push_back(task.get());
        return task;
    }

private:
    std::vector<GateTask*> made_;
};

TEST(ThreadedPause, PausedLibx264TaskWithFrameThreadsStopsWritingAndEndsWholeAfterResume)
{
    qtest::ScratchDir dir;
    GateConverter converter;
    EventLog events;
    ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
    events.Attach(converter);
    converter.SetCoreCount(4);  // four x264 threads, whatever this machine has
    converter.SetProgressInterval(100);
    TInputOptions input;
    input.ExtOptions = "re=1";  // at the clip's pace, so there is time to pause
    TOutputOptions options;
    options.VideoCodec = "libx264";
    options.VideoPreset = "default";
    options.VideoBitrate = 3000000;  // written out in many buffers a second
    options.AudioCodec = "aac";
    const std::string output = dir.file("paused.mp4");
    const int index = converter.AddTask(Clips::Get().Mp4(), &input);  // 2 s
    ASSERT_GE(index, 0) << converter.LastErrMsg();
    ASSERT_TRUE(converter.SetOutputFile(index, output, &options)) << converter.LastErrMsg();

    converter.StartTask(1);
    // until it is finished the run writes into its part file
    const std::string part = PartFileName(output);
    ASSERT_TRUE(PumpUntil([&] { return qtest::FileBytes(part) > 0 && events.ProgressCount() >= 2; }));
    EXPECT_EQ(converter.TaskCodecThreads(0), 4);
    converter.PauseTasks();
    ASSERT_TRUE(PumpUntil([&] { return converter.TaskAt(0)->Held(); })) << "the run never reached its gate";
    const long long sizeAtPause = qtest::FileBytes(part);
    const size_t reportsAtPause = events.ProgressCount();
    // held: nothing is read, encoded or written, however long it lasts
    EXPECT_FALSE(PumpUntil([&] { return qtest::FileBytes(part) != sizeAtPause || events.AllEnded(); }, 800));
    EXPECT_EQ(events.ProgressCount(), reportsAtPause);
    EXPECT_TRUE(converter.TaskAt(0)->Held());

    converter.ResumeTasks();
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }, 30000));
    const std::vector<TTerminateInfo> terminations = events.Terminations();
    ASSERT_EQ(terminations.size(), 2u);
    EXPECT_TRUE(terminations[0].Finished && !terminations[0].Exception) << terminations[0].ExceptionMsg;
    EXPECT_GT(qtest::FileBytes(output), sizeAtPause);
    auto video = qtest::ProbeStream(output, "v:0");
    EXPECT_EQ(video["codec_name"], "h264");
    EXPECT_NEAR(Seconds(qtest::ProbeFormat(output)), 2.0, 0.2);
    // the encoder's settings, as it wrote them into the stream: frame threads, one per core of its 4
    std::ifstream file(output, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find(" threads=4 "), std::string::npos);
    EXPECT_NE(bytes.find(" sliced_threads=0 "), std::string::npos);
}

}  // namespace
