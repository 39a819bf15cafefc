#include "app/Snapshots.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

void CreateFolder(const std::string& folder)
{
    std::error_code error;
    fs::create_directories(fs::path(folder), error);
    if (error)
        throw fs::filesystem_error(error.message(), fs::path(folder), error);
}

}  // namespace

std::string Snapshots::DetermineFolder() const
{
    using namespace SettingsKeys;
    if (settings_.Exists()) {
        const std::string stored = settings_.Read(kSnapShotSection, kSnapShotDirKey);
        if (!stored.empty() && stored != kNotSet) {
            CreateFolder(stored);
            return stored;
        }
    }
    const std::string folder = settings_.Paths().defaultSnapshotFolder;
    CreateFolder(folder);
    settings_.Write(kSnapShotSection, kSnapShotDirKey, folder);
    return folder;
}

void Snapshots::ChooseFolder(IDialogs& dialogs) const
{
    // start where snapshots go now, without creating or storing anything
    std::string start = settings_.Read(SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotDirKey);
    if (start.empty() || start == SettingsKeys::kNotSet)
        start = settings_.Paths().defaultSnapshotFolder;
    const std::optional<std::string> chosen = dialogs.ChooseFolder("选择快照文件存放目录", start);
    std::error_code ignored;
    if (chosen && fs::is_directory(fs::path(*chosen), ignored))
        settings_.Write(SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotDirKey, *chosen);
}

std::string Snapshots::TypeName(SnapshotType type)
{
    switch (type) {
    case SnapshotType::JPG:
        return "JPG";
    case SnapshotType::GIF:
        return "GIF";
    case SnapshotType::PNG:
        return "PNG";
    case SnapshotType::BMP:
        break;
    }
    return "BMP";
}

std::optional<SnapshotType> Snapshots::TypeFromName(const std::string& name)
{
    for (SnapshotType type : {SnapshotType::BMP, SnapshotType::JPG, SnapshotType::GIF, SnapshotType::PNG}) {
        if (name == TypeName(type))
            return type;
    }
    return std::nullopt;
}

SnapshotType Snapshots::DetermineType() const
{
    if (settings_.Exists()) {
        if (auto type = TypeFromName(settings_.Read(SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotPictureKey)))
            return *type;
    }
    SetType(SnapshotType::BMP);
    return SnapshotType::BMP;
}

void Snapshots::SetType(SnapshotType type) const
{
    settings_.Write(SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotPictureKey, TypeName(type));
}

std::string Snapshots::FreeName(const std::string& folder, const std::string& base, const std::string& extension)
{
    const std::string prefix = WithTrailingSlash(folder) + base + "_";
    for (unsigned long n = 1;; ++n) {
        const std::string path = prefix + std::to_string(n) + extension;
        std::error_code ignored;
        if (!fs::exists(fs::path(path), ignored))
            return path;
    }
}

Snapshots::Outcome Snapshots::Take(const Bitmap24& picture, const std::string& previewFile) const
{
    Outcome outcome;
    std::string folder;
    try {
        folder = DetermineFolder();
        outcome.type = DetermineType();
    } catch (const std::exception& error) {
        outcome.error = error.what();
        return outcome;
    }
    if (picture.Empty())
        return outcome;
    const std::string base = fs::path(previewFile).stem().string();
    outcome.path = FreeName(folder, base, SnapshotWriter::Extension(outcome.type));
    outcome.saved = SnapshotWriter::Save(picture, outcome.type, outcome.path, outcome.error);
    return outcome;
}
