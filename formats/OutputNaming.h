#pragma once
// Output file names: the name part of a path, extension replacement, joining.
#include <string>

// The part after the last "/" (or "\", for names typed the other way).
std::string FileNamePart(const std::string& path);
// `name` with the text from its last dot replaced by `extension`; a name
// without a dot gets `extension` appended.
std::string ReplaceExtension(const std::string& name, const std::string& extension);
// folder + "/" + name, without doubling a separator the folder already ends in.
std::string JoinFolder(const std::string& folder, const std::string& name);
