#pragma once
// Names of output files that must not overwrite an existing file.
#include <string>

// base + "(New_" + n + ")" + extension for the first n = 1, 2, ... that names
// no existing file; the extension is the file name's part from its last dot.
std::string NewNameRule(const std::string& name);

// The file name part of a path (after the last "/", "\" or ":").
std::string PathFileName(const std::string& path);
// The extension of the file name part, from its last dot ("" without a dot).
std::string PathExtension(const std::string& path);
// The extension without its dot, in upper case ("rmvb" -> "RMVB").
std::string ExtensionLabel(const std::string& path);
// The numbering dropped again: "D/clip(New_2).mp4" -> "D/clip.mp4"; a name
// without "(New_" in its file name part comes back unchanged.
std::string WithoutNewNumber(const std::string& name);
bool HasNewNumber(const std::string& name);
