#pragma once
// Fakes of the desktop services and the duration probe for the formats tests.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "formats/IDurationProbe.h"
#include "formats/IFormatsDialogs.h"

struct FakeFormatsDialogs : IFormatsDialogs {
    std::vector<std::pair<std::string, std::string>> messages;  // caption, text
    std::vector<std::string> opened;

    void ShowInformation(const std::string& caption, const std::string& text) override
    {
        messages.emplace_back(caption, text);
    }
    void OpenWithDefaultApplication(const std::string& path) override { opened.push_back(path); }
};

struct FakeDurationProbe : IDurationProbe {
    int64_t durationUs = -1;
    std::vector<std::pair<std::string, std::string>> calls;  // file, forced format

    int64_t DurationUs(const std::string& file, const std::string& forcedFormat) override
    {
        calls.emplace_back(file, forcedFormat);
        return durationUs;
    }
};
