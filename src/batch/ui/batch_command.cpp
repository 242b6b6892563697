#include "batch/ui/batch_command.h"

#include "batch/ui/batch_dialog.h"

namespace tintara {

void RunBatchCommand(CMainFrame& frame) {
  CBatchDialog& dialog = CBatchDialog::Of(frame);
  dialog.Initialise();
  dialog.exec();
}

}  // namespace tintara
