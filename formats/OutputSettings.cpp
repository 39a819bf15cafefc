#include "formats/OutputSettings.h"

void OutputSettings::Reset()
{
    const std::string source = SourceFile;
    *this = OutputSettings{};
    SourceFile = source;
}
