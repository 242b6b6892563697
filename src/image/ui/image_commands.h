#pragma once

#include <QObject>
#include <functional>

#include "image/ui/view_tools.h"

class QAction;

namespace tintara {

class CommandRegistry;
class CTintaraView;
class DocumentWindows;
struct ProfileRecord;

// The document and view commands: Save, Save As, Convert Image, the undo entry (Undo Conversion or
// Undo Embedding, whichever the document offers) and Ctrl+Z, the rotations, the zoom commands and
// the view tools Move, Zoom-in and Zoom-out. The tool is shared by all views: choosing one runs the
// tool command on the active view and hands the tool to the others.
class CImageCommands : public QObject {
  Q_OBJECT

 public:
  // Registers the commands. Convert Image converts with what `chosenProfile` gives (nullptr: no
  // profile is chosen). `commands` and `windows` must outlive the commands.
  CImageCommands(CommandRegistry& commands, const DocumentWindows& windows,
                 std::function<const ProfileRecord*()> chosenProfile, QObject* parent = nullptr);

  // A new document window's view takes the tool; a tool the view asks for becomes every view's.
  void AttachView(CTintaraView& view);

  ViewTool tool() const { return tool_; }
  // Makes `tool` every view's: the active view runs the tool command, the others take it over.
  void ChooseTool(ViewTool tool);
  // The views were handed `tool` another way (the Mark tool with a card model): it is the shared
  // tool from now on.
  void RecordTool(ViewTool tool) { tool_ = tool; }

 private:
  void RegisterDocumentCommands();
  void RegisterViewCommands();
  // The undo entry names the undo the active document offers.
  void ShowUndoKind();

  CommandRegistry& commands_;
  const DocumentWindows& windows_;
  std::function<const ProfileRecord*()> chosenProfile_;
  QAction* undoEntry_ = nullptr;
  ViewTool tool_ = ViewTool::kMove;
};

}  // namespace tintara
