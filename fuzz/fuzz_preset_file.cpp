// A preset file (option fpre) with arbitrary content, applied to a fresh
// task. A bad line must surface as FFmpegException.
#include "FuzzBudget.h"
#include "FuzzScratch.h"

#include "engine/TCustomFFmpeg.h"
#include "media/TFFmpegLoader.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
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
    static fuzzing::ScratchFile file(".ffpreset");
    const std::string& path = file.Write(data, size);
    TCustomFFmpeg task(4);
    task.Reset();
    task.SetVerbosity(-8);
    try {
        task.ApplyPreset("fpre", path);
    } catch (const FFmpegException&) {}
    return 0;
}
