#include "batch/ui/batch_command.h"

#include "base/ui/command_registry.h"
#include "base/ui/commands.h"
#include "batch/ui/batch_dialog.h"

namespace tintara {

void RegisterBatchCommand(CommandRegistry& commands, QWidget& owner, CProfileMenu& profiles) {
  commands.Register(cmd::kBatch, [&owner, &profiles] {
    CBatchDialog& dialog = CBatchDialog::Of(owner, profiles);
    dialog.Initialise();
    dialog.exec();
  });
}

}  // namespace tintara
