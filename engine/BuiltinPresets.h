#pragma once
// The built-in preset table: option texts looked up by name before any
// preset file.
#include <string>
#include <vector>

struct TOptionsPreset {
    const char* Name;
    const char* Text;  // name=value lines
};

// Every built-in preset, in table order.
const std::vector<TOptionsPreset>& BuiltinPresets();
// The text of the preset called `name` (any letter case), or null.
const char* FindBuiltinPreset(const std::string& name);
