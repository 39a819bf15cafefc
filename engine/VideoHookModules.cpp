#include "engine/VideoHookModules.h"

#include "engine/FFmpegException.h"
#include "media/MediaText.h"

extern "C" {
#include <libavutil/log.h>
}

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

namespace {

// Loaded modules of the whole process, by path; never unloaded, since a
// module's code may still be referenced by a hook context of another task.
class ModuleTable {
public:
    // The handle of `path`, loading the module on first use. A bare file name
    // is looked up by the system loader, then beside the program. On failure
    // returns nullptr with the loader's text in `error`.
    void* Open(const std::string& path, std::string& error)
    {
        std::vector<std::string> candidates{path};
        if (path.find('/') == std::string::npos)
            candidates.push_back(ProgramFolder() + path);
        std::lock_guard guard(lock_);
        for (const std::string& candidate : candidates) {
            const std::string key = CanonicalPath(candidate);
            if (auto found = modules_.find(key); found != modules_.end())
                return found->second;
            void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle) {
                modules_.emplace(key, handle);
                return handle;
            }
            // the first failure says most about the name the user gave
            if (error.empty()) {
                const char* text = dlerror();
                error = text ? text : "cannot load " + candidate;
            }
        }
        return nullptr;
    }

private:
    static std::string CanonicalPath(const std::string& path)
    {
        char resolved[PATH_MAX];
        if (path.find('/') != std::string::npos && realpath(path.c_str(), resolved))
            return resolved;
        return path;
    }

    std::mutex lock_;  // guards modules_
    std::map<std::string, void*> modules_;  // path -> dlopen handle
};

ModuleTable& Modules()
{
    static ModuleTable table;
    return table;
}

}  // namespace

std::vector<std::string> SplitVideoHookValue(const std::string& value)
{
    const bool byBar = value.find('|') != std::string::npos;
    std::vector<std::string> tokens;
    std::string current;
    for (char c : value) {
        const bool separator = byBar ? c == '|' : (c == ' ' || c == '\t');
        if (separator) {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

void VideoHookModules::Add(const std::string& value)
{
    std::vector<std::string> tokens = SplitVideoHookValue(value);
    // A value with more tokens than a module's argument vector may hold is
    // refused rather than silently cut.
    if (tokens.empty() || tokens.size() > static_cast<size_t>(kMaxVideoHookTokens) || !TryAdd(std::move(tokens)))
        throw FFmpegException("Failed to add video hook function: " + value);
}

// Dynamic libraries on this platform are found by their path (or the loader's
// own search rules); the working folder and PATH are left alone, since both are
// shared by every task of the process.
bool VideoHookModules::TryAdd(std::vector<std::string> tokens)
{
    const std::string path = tokens.front();
    std::string loadError;
    void* module = Modules().Open(path, loadError);
    if (!module) {
        av_log(nullptr, AV_LOG_ERROR, "%s\n", loadError.c_str());
        return false;
    }

    auto entry = std::make_unique<Hook>();
    Hook& hook = *entry;
    hook.configure = reinterpret_cast<VideoHookConfigureFn>(dlsym(module, "Configure"));
    hook.process = reinterpret_cast<VideoHookProcessFn>(dlsym(module, "Process"));
    hook.release = reinterpret_cast<VideoHookReleaseFn>(dlsym(module, "Release"));
    if (!hook.process) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", path.c_str());
        return false;
    }
    if (!hook.configure && tokens.size() > 1) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", path.c_str());
        return false;
    }
    if (hook.configure) {
        hook.arguments = std::move(tokens);
        for (std::string& argument : hook.arguments)
            hook.argv.push_back(argument.data());
        hook.argv.push_back(nullptr);
        const int argc = static_cast<int>(hook.arguments.size());
        if (hook.configure(&hook.context, argc, hook.argv.data()) != 0) {
            av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", path.c_str());
            return false;
        }
    }
    hooks_.push_back(std::move(entry));
    return true;
}

void VideoHookModules::Process(AVFrame* picture, int64_t ptsUs)
{
    VideoHookPicture layout;
    for (int plane = 0; plane < 4; ++plane) {
        layout.data[plane] = picture->data[plane];
        layout.linesize[plane] = picture->linesize[plane];
    }
    for (const auto& hook : hooks_)
        hook->process(hook->context, &layout, picture->format, picture->width, picture->height, ptsUs);
}

void VideoHookModules::Release()
{
    for (const auto& hook : hooks_) {
        if (hook->release)
            hook->release(hook->context);
    }
    hooks_.clear();
}
