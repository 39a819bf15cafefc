#include "app/NewNameRule.h"

#include "engine/OutputPlacement.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

size_t FileNameStart(const std::string& path)
{
    const size_t separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? 0 : separator + 1;
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}
}  // namespace

std::string PathFileName(const std::string& path) { return path.substr(FileNameStart(path)); }

std::string PathExtension(const std::string& path)
{
    const size_t start = FileNameStart(path);
    const size_t dot = path.rfind('.');
    return dot == std::string::npos || dot < start ? std::string() : path.substr(dot);
}

std::string ExtensionLabel(const std::string& path)
{
    std::string label = PathExtension(path);
    if (!label.empty())
        label.erase(0, 1);
    std::transform(label.begin(), label.end(), label.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return label;
}

std::string NewNameRule(const std::string& name)
{
    for (int n = 1;; ++n) {
        std::string candidate = NumberedFileName(name, n);
        if (!Exists(candidate))
            return candidate;
    }
}

bool HasNewNumber(const std::string& name) { return HasFileNumber(name); }

std::string WithoutNewNumber(const std::string& name) { return WithoutFileNumber(name); }
