#pragma once
// Snapshots of the preview picture: the folder and the picture type from the
// settings file (with their defaults), the next free file name and the save.
#include "app/IDialogs.h"
#include "app/SettingsFile.h"
#include "app/SnapshotWriter.h"
#include "media/Bitmap24.h"

#include <optional>
#include <string>

class Snapshots {
public:
    explicit Snapshots(const SettingsFile& settings) : settings_(settings) {}

    static constexpr const char* kTakenText = "已经为您捕获视频快照，您可以点击“快照设置”按钮打开快照目录查看图片。";

    // The stored folder, created with its parents when missing; without one,
    // the default folder, created and stored. Throws on a refused write or a
    // folder that cannot be created.
    std::string DetermineFolder() const;
    // 设置快照目录: asks for a folder and stores it when it exists; cancel
    // changes nothing. Throws IniWriteError on a refused write.
    void ChooseFolder(IDialogs& dialogs) const;
    // The stored type; anything else stores and gives BMP.
    SnapshotType DetermineType() const;
    // Stores `type` as the picture type.
    void SetType(SnapshotType type) const;
    static std::string TypeName(SnapshotType type);
    static std::optional<SnapshotType> TypeFromName(const std::string& name);

    // folder/base_n.ext with the smallest n >= 1 that does not exist.
    static std::string FreeName(const std::string& folder, const std::string& base, const std::string& extension);

    struct Outcome {
        bool saved = false;
        std::string path;  // the file written
        std::string error;  // the system's error text when the save failed
        SnapshotType type = SnapshotType::BMP;
    };
    // Saves `picture` of `previewFile`. An empty picture saves nothing and
    // reports no error (after the folder and the type were determined).
    Outcome Take(const Bitmap24& picture, const std::string& previewFile) const;

private:
    const SettingsFile& settings_;
};
