#pragma once
// The commands of quorvex-cli. Each writes its results to `out`, its
// messages to `err` and returns the process's exit status: 0 success,
// 1 a file or conversion failed, 2 bad arguments.
#include "cli/CliArguments.h"

#include <ostream>

inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// A file argument that names a folder.
inline constexpr const char* kFolderText = "是文件夹 (Is a directory)";

int RunFormats(std::ostream& out);
int RunOptions(int formatNumber, std::ostream& out, std::ostream& err);
// `timing`: each file's probe time in milliseconds goes to `err` as "probe-ms FILE MS".
int RunInfo(const std::vector<std::string>& files, bool timing, std::ostream& out, std::ostream& err);
// `terminal`: progress is redrawn in place.
int RunConvert(const CliCommand& command, bool terminal, std::ostream& out, std::ostream& err);
int RunTranscode(const CliCommand& command, bool terminal, std::ostream& out, std::ostream& err);
