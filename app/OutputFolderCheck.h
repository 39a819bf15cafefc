#pragma once
// Whether the converter will be able to write into an output folder, asked
// before a file is added, so the add can say which folder fails and why.
#include <optional>
#include <string>

// Creates `folder` when it is missing and tries a scratch file in it (removed
// again). Nothing when the folder can be written; else the Chinese message
// naming the folder and the reason.
std::optional<std::string> OutputFolderProblem(const std::string& folder);

// The reason in words for a system error number (EACCES, EROFS, ...).
std::string FolderErrorReason(int errorNumber);
