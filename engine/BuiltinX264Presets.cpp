#include "engine/BuiltinPresets.h"

#include "engine/OptionValues.h"

const std::vector<TOptionsPreset>& BuiltinPresets()
{
    static const std::vector<TOptionsPreset> presets = {};
    return presets;
}

const char* FindBuiltinPreset(const std::string& name)
{
    const std::string wanted = LowerText(name);
    for (const TOptionsPreset& preset : BuiltinPresets())
        if (LowerText(preset.Name) == wanted)
            return preset.Text;
    return nullptr;
}
