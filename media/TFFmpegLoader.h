#pragma once
// The media libraries are linked at build time. The loader keeps the
// operations and states of a run-time loader: Load runs the registrations that
// must follow binding (the logger's callback and level) once and reports
// success; Loaded is true once that has happened for every library of a set.
#include "media/MediaFileName.h"

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>

enum TLibrary { libAVCodec, libAVDevice, libAVFilter, libAVFormat, libAVUtil, libSwScale, libMSVCRT, libSDL };
constexpr int kLibraryCount = 8;

// A set of TLibrary: bit n stands for value n.
class TLibraries {
public:
    constexpr TLibraries() = default;
    constexpr explicit TLibraries(uint8_t bits) : bits_(bits) {}
    constexpr TLibraries(std::initializer_list<TLibrary> members)
    {
        for (TLibrary library : members)
            bits_ = static_cast<uint8_t>(bits_ | (1u << library));
    }
    constexpr bool Contains(TLibrary library) const { return (bits_ >> library) & 1u; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint8_t Bits() const { return bits_; }
    constexpr TLibraries operator|(TLibraries other) const { return TLibraries(uint8_t(bits_ | other.bits_)); }
    constexpr bool operator==(const TLibraries&) const = default;

private:
    uint8_t bits_ = 0;
};

constexpr TLibraries ConverterLibraries{libAVCodec, libAVFilter, libAVFormat,
                                        libAVUtil,  libSwScale,  libMSVCRT};  // 0x7D
constexpr TLibraries PlayerLibraries = ConverterLibraries | TLibraries{libSDL};  // 0xFD

// Name and version of a library row ("avcodec", 52; "SDL", -1).
std::string LibraryName(TLibrary library);
int LibraryVersion(TLibrary library);
// The library file name of a row ("avcodec-52.dll" style, as the table gives it).
std::string LibraryFileName(TLibrary library);

class TFFmpegLoader {
public:
    TFFmpegLoader();
    ~TFFmpegLoader();
    TFFmpegLoader(const TFFmpegLoader&) = delete;
    TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

    // Stores the library folder ("<ProgramFolder>LibAV"); kept, not needed
    // while the libraries are linked.
    void SetLibraryPath(const std::string& folder);
    std::string LibraryPath() const;
    // Text of the most recent load failure; not cleared on success.
    std::string LastError() const;

    // The three throw EAssertionFailed ("FFmpegLoader") for an empty set.
    bool Load(TLibraries libraries);
    bool Loaded(TLibraries libraries) const;
    void Unload(TLibraries libraries);

private:
    bool LoadOne(TLibrary library);
    void UnloadOne(TLibrary library);

    mutable std::mutex lock_;  // guards libraryPath_, lastError_, bound_, callbackInstalled_
    std::string libraryPath_;
    std::string lastError_;
    bool bound_[kLibraryCount] = {};
    bool callbackInstalled_ = false;
};

// The process's one loader.
TFFmpegLoader& GetFFmpegLoader();
