#pragma once

namespace tintara {

class CMainFrame;

// File > Batch: shows the program's one batch dialog modally over `frame`.
void RunBatchCommand(CMainFrame& frame);

}  // namespace tintara
