#pragma once

class QWidget;

namespace tintara {

class CommandRegistry;
class CProfileMenu;

// File > Batch: shows the program's one batch dialog modally over `owner`, with the profile menu's
// profiles. Registered with the window's commands; `owner` and `profiles` must outlive them.
void RegisterBatchCommand(CommandRegistry& commands, QWidget& owner, CProfileMenu& profiles);

}  // namespace tintara
