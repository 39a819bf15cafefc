#pragma once
// Video hook modules of one task (option `vhook`): external libraries that
// process each decoded picture in place. Modules are loaded once per process
// and stay loaded; each task keeps its own list of configured hooks.
#include "engine/VideoHookApi.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The most tokens (module path and arguments) a `vhook` value may have.
constexpr int kMaxVideoHookTokens = 64;

// Splits a `vhook` value: at "|" when it has one (so arguments keep their
// spaces), else at spaces; empty tokens are dropped.
std::vector<std::string> SplitVideoHookValue(const std::string& value);

class VideoHookModules {
public:
    VideoHookModules() = default;
    ~VideoHookModules() { Release(); }
    VideoHookModules(const VideoHookModules&) = delete;
    VideoHookModules& operator=(const VideoHookModules&) = delete;

    // Loads and configures the module a `vhook` value names and appends it to
    // the list. Throws FFmpegException "Failed to add video hook function: "
    // + value on any failure (the reason is logged first).
    void Add(const std::string& value);

    bool Empty() const { return hooks_.empty(); }
    size_t Count() const { return hooks_.size(); }

    // Calls every hook in order on `picture` (changed in place).
    void Process(AVFrame* picture, int64_t ptsUs);

    // Calls each hook's Release (when it has one) and empties the list.
    void Release();

private:
    struct Hook {
        VideoHookConfigureFn configure = nullptr;
        VideoHookProcessFn process = nullptr;
        VideoHookReleaseFn release = nullptr;
        void* context = nullptr;
        // the argument vector handed to Configure; modules may keep pointers
        // into it, so it lives as long as the hook
        std::vector<std::string> arguments;
        std::vector<char*> argv;
    };

    bool TryAdd(std::vector<std::string> tokens);

    std::vector<std::unique_ptr<Hook>> hooks_;  // in the order they were added
};
