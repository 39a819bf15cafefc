#include "cli/ListNames.h"

std::optional<OptionList> ListByName(const std::string& name)
{
    for (size_t i = 0; i < kOptionListCount; ++i) {
        if (name == kCliListNames[i] || name == kOptionListNames[i] || name == std::to_string(i + 1))
            return static_cast<OptionList>(i);
    }
    return std::nullopt;
}
