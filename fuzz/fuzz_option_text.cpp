// Option texts and single options on a fresh transcoder task. A rejected
// option must surface as FFmpegException; anything else escaping, a crash or
// a sanitizer report is a finding.
#include "FuzzBudget.h"

#include "engine/TCustomFFmpeg.h"
#include "media/TFFmpegLoader.h"

extern "C" {
#include <libavutil/log.h>
}

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace {

// vhook loads a shared library by name: by design, not something to fuzz.
bool NamesVideoHook(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text.find("vhook") != std::string::npos;
}

}  // namespace

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
    FuzzedDataProvider input(data, size);
    TCustomFFmpeg task(4);
    task.Reset();
    task.SetVerbosity(-8);
    const bool asText = input.ConsumeBool();
    const bool includeStreamOptions = input.ConsumeBool();
    try {
        if (asText) {
            const std::string text = input.ConsumeRemainingBytesAsString();
            if (NamesVideoHook(text))
                return -1;
            task.ApplyOptionText(text, includeStreamOptions);
        } else {
            while (input.remaining_bytes() > 0) {
                const std::string name = input.ConsumeRandomLengthString(32);
                const std::string value = input.ConsumeRandomLengthString(128);
                if (NamesVideoHook(name))
                    return -1;
                try {
                    task.SetOption(name, value);
                } catch (const FFmpegException&) {
                    // rejected: the next option still goes to the same task
                }
            }
        }
    } catch (const FFmpegException&) {}
    task.Reset();
    return 0;
}
