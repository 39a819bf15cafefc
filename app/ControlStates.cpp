#include "app/ControlStates.h"

namespace {
void SetTool(MainWindowControls& c, ToolButton id, bool enabled) { c.toolEnabled[static_cast<size_t>(id)] = enabled; }
void SetList(MainWindowControls& c, ListButton id, bool active) { c.listActive[static_cast<size_t>(id)] = active; }

void SetEditing(MainWindowControls& c, bool enabled)
{
    for (ToolButton id : {ToolButton::Add, ToolButton::Remove, ToolButton::Clear, ToolButton::Start})
        SetTool(c, id, enabled);
    for (ListButton id : {ListButton::Up, ListButton::Down, ListButton::Remove, ListButton::Clear})
        SetList(c, id, enabled);
    c.browseEnabled = enabled;
    c.priorityEnabled = enabled;
    c.simultaneousEnabled = enabled;
    c.existingFileEnabled = enabled;
}
}  // namespace

namespace ControlStates {

void RowsAdded(MainWindowControls& c)
{
    for (ToolButton id : {ToolButton::Remove, ToolButton::Clear, ToolButton::Start})
        SetTool(c, id, true);
    for (ListButton id : {ListButton::Up, ListButton::Down, ListButton::Remove, ListButton::Clear})
        SetList(c, id, true);
    c.browseEnabled = true;
    c.priorityEnabled = true;
    c.simultaneousEnabled = true;
    c.existingFileEnabled = true;
}

void AfterRemove(MainWindowControls& c, bool rowsRemain)
{
    SetTool(c, ToolButton::Remove, false);
    SetList(c, ListButton::Remove, false);
    for (ListButton id : {ListButton::Up, ListButton::Down, ListButton::Clear})
        SetList(c, id, rowsRemain);
    SetTool(c, ToolButton::Clear, rowsRemain);
    SetTool(c, ToolButton::Start, rowsRemain);
}

void Cleared(MainWindowControls& c)
{
    SetTool(c, ToolButton::Add, true);
    for (ToolButton id : {ToolButton::Remove, ToolButton::Clear, ToolButton::Start})
        SetTool(c, id, false);
    for (ListButton id : {ListButton::Up, ListButton::Down, ListButton::Remove, ListButton::Clear})
        SetList(c, id, false);
}

void Running(MainWindowControls& c)
{
    SetEditing(c, false);
    SetTool(c, ToolButton::Pause, true);
    SetTool(c, ToolButton::Stop, true);
}

void Paused(MainWindowControls& c)
{
    SetTool(c, ToolButton::Pause, false);
    SetTool(c, ToolButton::Start, true);
}

void Resumed(MainWindowControls& c)
{
    SetTool(c, ToolButton::Pause, true);
    SetTool(c, ToolButton::Start, false);
}

void RunEnded(MainWindowControls& c)
{
    SetEditing(c, true);
    SetTool(c, ToolButton::Pause, false);
    SetTool(c, ToolButton::Stop, false);
}

}  // namespace ControlStates
