// The media probe on arbitrary bytes written to a file: open, describe every
// stream and produce the information text. A file that cannot be read must
// give false with a message, never a crash.
#include "FuzzBudget.h"
#include "FuzzScratch.h"

#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzing::Budget::Start(argc, argv);
    GetFFmpegLoader().Load(ConverterLibraries);
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::Budget::Running(data, size);
    static fuzzing::ScratchFile file(".avi");
    const std::string& path = file.Write(data, size);
    TAVProbe probe;
    if (!probe.LoadFile(path)) {
        if (probe.LastErrMsg().empty())
            std::abort();  // a failure without a reason
        return 0;
    }
    TFileStreamInfo fileInfo;
    probe.GetFileStreamInfo(fileInfo);
    for (int i = 0; i < probe.StreamCount(); ++i) {
        TAudioStreamInfo audio;
        TVideoStreamInfo video;
        probe.GetAudioStreamInfo(i, audio);
        probe.GetVideoStreamInfo(i, video);
    }
    const std::string text = probe.GetInfoText();
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0)
        std::abort();  // every line, the last one too, ends with CR LF
    probe.Close();
    return 0;
}
