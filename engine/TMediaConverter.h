#pragma once
// The converter component as the application places it (MediaConverter1).
#include "engine/TCustomMediaConverter.h"

class TMediaConverter : public TCustomMediaConverter {
public:
    using TCustomMediaConverter::TCustomMediaConverter;
};
