#pragma once
// The enabling of the main window's controls in each state of the list and
// the run.
#include "app/MainWindowControls.h"

namespace ControlStates {
// A row was added: 移除, 清空, 转换, "浏览...", the three settings lists and
// the list buttons become usable.
void RowsAdded(MainWindowControls& c);
// After a remove: 移除 off; the rest by whether rows remain.
void AfterRemove(MainWindowControls& c, bool rowsRemain);
// After a clear: only 添加 of the list's tools.
void Cleared(MainWindowControls& c);
// A run started: editing off, 暂停 and 停止 on.
void Running(MainWindowControls& c);
// Paused: 暂停 off, 转换 (resume) on.
void Paused(MainWindowControls& c);
// Resumed: 暂停 on, 转换 off.
void Resumed(MainWindowControls& c);
// The run ended: editing on, 暂停 and 停止 off.
void RunEnded(MainWindowControls& c);
}  // namespace ControlStates
