#include "app/ProgramPaths.h"

#include <cstdlib>
#include <unistd.h>

std::string WithTrailingSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

ProgramPaths ProgramPaths::FromEnvironment(const std::string& programFolder)
{
    const char* homeVar = std::getenv("HOME");
    const std::string home = WithTrailingSlash(homeVar && *homeVar ? homeVar : "/tmp");
    const char* configVar = std::getenv("XDG_CONFIG_HOME");
    const std::string config = configVar && *configVar ? WithTrailingSlash(configVar) : home + ".config/";
    // a relative XDG_DATA_HOME is invalid and ignored
    const char* dataVar = std::getenv("XDG_DATA_HOME");
    const std::string data = dataVar && *dataVar == '/' ? WithTrailingSlash(dataVar) : home + ".local/share/";
    ProgramPaths paths;
    paths.programFolder = WithTrailingSlash(programFolder);
    paths.configFolder = config + "quorvex/";
    paths.defaultOutputFolder = home + "Video_Directory";
    paths.defaultSnapshotFolder = home + "Video_Directory/快照";
    paths.dataFolder = data + "quorvex/";
    return paths;
}

std::string ProgramPaths::WritableFile(const std::string& fileName) const
{
    if (access(programFolder.c_str(), W_OK | X_OK) == 0)
        return programFolder + fileName;
    return configFolder + fileName;
}

std::string ProgramPaths::ProgramFile(const std::string& relativePath) const { return programFolder + relativePath; }
