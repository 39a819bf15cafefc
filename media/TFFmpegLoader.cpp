#include "media/TFFmpegLoader.h"

#include "media/EAssertionFailed.h"
#include "media/TFFLogger.h"

extern "C" {
#include <libavcodec/version.h>
#include <libavdevice/avdevice.h>
#include <libavdevice/version.h>
#include <libavfilter/version.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
#include <libswscale/version.h>
}

#include <cfenv>

namespace {

constexpr const char* kModule = "FFmpegLoader";

struct LibraryRow {
    const char* name;
    int version;  // -1: the file name carries no version
};
// Names and the major versions of the libraries this program is linked with.
constexpr LibraryRow kLibraries[kLibraryCount] = {
    {"avcodec", LIBAVCODEC_VERSION_MAJOR},
    {"avdevice", LIBAVDEVICE_VERSION_MAJOR},
    {"avfilter", LIBAVFILTER_VERSION_MAJOR},
    {"avformat", LIBAVFORMAT_VERSION_MAJOR},
    {"avutil", LIBAVUTIL_VERSION_MAJOR},
    {"swscale", LIBSWSCALE_VERSION_MAJOR},
    {"c", 6},
    {"SDL2-2.0", 0},
};

// The media libraries expect every floating-point exception masked. That is
// the default here, but make sure of it for the life of the process and give
// the caller's state back at exit.
class FloatingPointState {
public:
    FloatingPointState()
    {
        saved_ = fegetenv(&environment_) == 0;
        fedisableexcept(FE_ALL_EXCEPT);
    }
    ~FloatingPointState()
    {
        if (saved_)
            fesetenv(&environment_);
    }

private:
    fenv_t environment_{};
    bool saved_ = false;
};

}  // namespace

std::string LibraryName(TLibrary library) { return kLibraries[library].name; }

int LibraryVersion(TLibrary library) { return kLibraries[library].version; }

std::string LibraryFileName(TLibrary library)
{
    std::string file = std::string("lib") + kLibraries[library].name + ".so";
    if (kLibraries[library].version >= 0)
        file += "." + std::to_string(kLibraries[library].version);
    return file;
}

TFFmpegLoader::TFFmpegLoader() = default;
TFFmpegLoader::~TFFmpegLoader() = default;

void TFFmpegLoader::SetLibraryPath(const std::string& folder)
{
    std::lock_guard guard(lock_);
    libraryPath_ = folder;
}

std::string TFFmpegLoader::LibraryPath() const
{
    std::lock_guard guard(lock_);
    return libraryPath_;
}

std::string TFFmpegLoader::LastError() const
{
    std::lock_guard guard(lock_);
    return lastError_;
}

bool TFFmpegLoader::Load(TLibraries libraries)
{
    MediaAssert(!libraries.Empty(), kModule, "Load needs a non-empty library set.");
    for (int i = 0; i < kLibraryCount; ++i) {
        const auto library = static_cast<TLibrary>(i);
        if (libraries.Contains(library) && !LoadOne(library)) {
            Unload(libraries);
            return false;
        }
    }
    return true;
}

bool TFFmpegLoader::Loaded(TLibraries libraries) const
{
    MediaAssert(!libraries.Empty(), kModule, "Loaded needs a non-empty library set.");
    std::lock_guard guard(lock_);
    for (int i = 0; i < kLibraryCount; ++i) {
        if (libraries.Contains(static_cast<TLibrary>(i)) && !bound_[i])
            return false;
    }
    return true;
}

void TFFmpegLoader::Unload(TLibraries libraries)
{
    MediaAssert(!libraries.Empty(), kModule, "Unload needs a non-empty library set.");
    for (int i = 0; i < kLibraryCount; ++i) {
        if (libraries.Contains(static_cast<TLibrary>(i)))
            UnloadOne(static_cast<TLibrary>(i));
    }
}

bool TFFmpegLoader::LoadOne(TLibrary library)
{
    bool registerDevices = false;
    bool installCallback = false;
    {
        std::lock_guard guard(lock_);
        if (!bound_[library]) {
            bound_[library] = true;
            registerDevices = library == libAVDevice;
        }
        // The log route is set up once per process, however often the set is loaded.
        if (library == libAVUtil && !callbackInstalled_) {
            callbackInstalled_ = true;
            installCallback = true;
        }
    }
    if (registerDevices)
        avdevice_register_all();
    if (installCallback)
        GetFFLogger().InstallCallback();
    return true;
}

void TFFmpegLoader::UnloadOne(TLibrary library)
{
    std::lock_guard guard(lock_);
    bound_[library] = false;
}

TFFmpegLoader& GetFFmpegLoader()
{
    static FloatingPointState floatingPoint;
    static TFFmpegLoader loader;
    return loader;
}

namespace {
// Created at process start, as the loader module's initialisation does.
[[maybe_unused]] TFFmpegLoader& g_startupLoader = GetFFmpegLoader();
}  // namespace
