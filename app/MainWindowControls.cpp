#include "app/MainWindowControls.h"

MainWindowControls MainWindowControls::AtDesign()
{
    MainWindowControls controls;
    for (const ToolButtonInfo& button : ToolButtons())
        controls.toolEnabled[static_cast<size_t>(button.id)] = button.enabledAtStart;
    for (const ListButtonInfo& button : ListButtons())
        controls.listActive[static_cast<size_t>(button.id)] = button.activeAtStart;
    return controls;
}
