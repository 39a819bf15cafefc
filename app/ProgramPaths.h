#pragma once
// Where the program finds its own files and where it writes beside itself.
#include <string>

struct ProgramPaths {
    std::string programFolder;  // folder of the program file, with a trailing "/"
    std::string configFolder;  // $XDG_CONFIG_HOME/quorvex/ (or ~/.config/quorvex/), trailing "/"
    std::string defaultOutputFolder;  // $HOME/Video_Directory
    std::string defaultSnapshotFolder;  // $HOME/Video_Directory/快照
    std::string dataFolder;  // $XDG_DATA_HOME/quorvex/ (or ~/.local/share/quorvex/), trailing "/"

    // Paths for a program living in `programFolder`, the rest from HOME and
    // XDG_CONFIG_HOME and XDG_DATA_HOME.
    static ProgramPaths FromEnvironment(const std::string& programFolder);

    // A file the program reads from and writes beside itself (system.ini,
    // update.ini): in the program folder when that folder is writable,
    // otherwise in the configuration folder.
    std::string WritableFile(const std::string& fileName) const;
    // A file shipped with the program (skins, help page, sounds).
    std::string ProgramFile(const std::string& relativePath) const;
};

// `folder` with exactly one trailing "/".
std::string WithTrailingSlash(std::string folder);
