#pragma once
// system.ini: the skin, the output folder, the snapshot settings and how
// many files are converted at once. Every
// access opens the file anew; nothing is kept in memory between accesses.
#include "app/ProgramPaths.h"

#include <string>

namespace SettingsKeys {
inline constexpr const char* kNotSet = "Error";  // what a missing file, section or key reads as
inline constexpr const char* kSkinSection = "skin";
inline constexpr const char* kSkinKey = "SetSkin";
inline constexpr const char* kOutPathSection = "OutPath";
inline constexpr const char* kOutPathKey = "OutPath";
inline constexpr const char* kSnapShotSection = "SnapShot";
inline constexpr const char* kSnapShotDirKey = "Dir";
inline constexpr const char* kSnapShotPictureKey = "Picture";
inline constexpr const char* kConvertSection = "Convert";
inline constexpr const char* kFilesAtOnceKey = "FilesAtOnce";  // 1 to 10, or Auto
inline constexpr const char* kFilesAtOnceAuto = "Auto";
}  // namespace SettingsKeys

class SettingsFile {
public:
    explicit SettingsFile(ProgramPaths paths);

    std::string Path() const;
    bool Exists() const;
    // [section] key, or "Error" when the file, the section or the key is missing.
    std::string Read(const std::string& section, const std::string& key) const;
    // Throws IniWriteError ("Unable to write to <path>") when the system refuses.
    void Write(const std::string& section, const std::string& key, const std::string& value) const;

    const ProgramPaths& Paths() const { return paths_; }

private:
    ProgramPaths paths_;
};
