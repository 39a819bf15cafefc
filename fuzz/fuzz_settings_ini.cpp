// system.ini as the program reads and writes it, from arbitrary bytes: the
// program's own keys are read, one is written, and the written file must read
// back with the new value while every other key keeps the value it had.
#include "FuzzBudget.h"

#include "app/IniDocument.h"
#include "app/SettingsFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Key = std::pair<const char*, const char*>;
const std::vector<Key> kProgramKeys = {
    {SettingsKeys::kSkinSection, SettingsKeys::kSkinKey},
    {SettingsKeys::kOutPathSection, SettingsKeys::kOutPathKey},
    {SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotDirKey},
    {SettingsKeys::kSnapShotSection, SettingsKeys::kSnapShotPictureKey},
};

// A value the program could write: a path-like text without line breaks or
// surrounding blanks (the reader trims those by design).
std::string WritableValue(FuzzedDataProvider& input)
{
    static const char kChars[] = "abcXYZ019/._-:\\ ";
    std::string value = "v";
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, 40);
    for (size_t i = 0; i < length; ++i)
        value += kChars[input.ConsumeIntegralInRange<size_t>(0, sizeof(kChars) - 2)];
    return value + "e";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzing::Budget::Start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::Budget::Running(data, size);
    FuzzedDataProvider input(data, size);
    const size_t which = input.ConsumeIntegralInRange<size_t>(0, kProgramKeys.size() - 1);
    const std::string newValue = WritableValue(input);
    const std::string text = input.ConsumeRemainingBytesAsString();

    IniDocument document = IniDocument::Parse(text);
    std::vector<std::optional<std::string>> before;
    for (const Key& key : kProgramKeys)
        before.push_back(document.Value(key.first, key.second));

    document.SetValue(kProgramKeys[which].first, kProgramKeys[which].second, newValue);
    const IniDocument reread = IniDocument::Parse(document.Text());
    for (size_t i = 0; i < kProgramKeys.size(); ++i) {
        const std::optional<std::string> after = reread.Value(kProgramKeys[i].first, kProgramKeys[i].second);
        if (i == which ? after != newValue : after != before[i])
            std::abort();  // the written file lost or changed a value
    }
    return 0;
}
