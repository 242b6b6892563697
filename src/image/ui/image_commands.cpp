#include "image/ui/image_commands.h"

#include <QAction>

#include "base/ui/command_registry.h"
#include "base/ui/commands.h"
#include "base/ui/ui_text.h"
#include "image/ui/document_windows.h"
#include "image/ui/tintara_doc.h"
#include "image/ui/tintara_view.h"

namespace tintara {

namespace {

// Registers a command on what `target` gives (the active document or view), enabled while there
// is one.
template <typename Target>
void RegisterOn(CommandRegistry& commands, int id, std::function<Target*()> target,
                std::function<void(Target&)> command) {
  commands.Register(
      id,
      [target, command = std::move(command)] {
        if (Target* t = target()) command(*t);
      },
      [target] { return target() != nullptr; });
}

}  // namespace

CImageCommands::CImageCommands(CommandRegistry& commands, const DocumentWindows& windows,
                               std::function<const ProfileRecord*()> chosenProfile, QObject* parent)
    : QObject(parent), commands_(commands), windows_(windows), chosenProfile_(std::move(chosenProfile)) {
  RegisterDocumentCommands();
  RegisterViewCommands();
}

void CImageCommands::RegisterDocumentCommands() {
  const auto onDocument = [this](int id, std::function<void(CTintaraDoc&)> command) {
    RegisterOn<CTintaraDoc>(commands_, id, [this] { return windows_.ActiveDocument(); }, std::move(command));
  };
  onDocument(cmd::kSave, [](CTintaraDoc& doc) { doc.OnFileSave(); });
  onDocument(cmd::kSaveAs, [](CTintaraDoc& doc) { doc.OnFileSaveAs(); });
  commands_.Register(
      cmd::kConvert,
      [this] {
        if (CTintaraDoc* doc = windows_.ActiveDocument()) doc->OnConvert(chosenProfile_());
      },
      [this] { return windows_.ActiveDocument() && CTintaraDoc::CanConvert(chosenProfile_()); });
  onDocument(cmd::kRotateCw, [](CTintaraDoc& doc) { doc.OnRotate(true); });
  onDocument(cmd::kRotateCcw, [](CTintaraDoc& doc) { doc.OnRotate(false); });

  // One entry for both undos, named after the one the document offers; Ctrl+Z is a key of its own
  // that lets the document decide.
  const auto canUndo = [this] {
    const CTintaraDoc* doc = windows_.ActiveDocument();
    return doc && doc->Undo() != CTintaraDoc::UndoKind::kNone;
  };
  undoEntry_ = commands_.Register(
      cmd::kUndoConversion,
      [this] {
        CTintaraDoc* doc = windows_.ActiveDocument();
        if (!doc) return;
        // The entry runs the undo it names.
        if (undoEntry_->data().toInt() == cmd::kUndoEmbedding) {
          doc->OnUndoEmbedding();
        } else {
          doc->OnUndoConversion();
        }
      },
      canUndo);
  commands_.AddAction(cmd::kUndoEmbedding, undoEntry_);
  commands_.AddUpdateStep([this] { ShowUndoKind(); });
  commands_.Register(
      cmd::kUndo,
      [this] {
        if (CTintaraDoc* doc = windows_.ActiveDocument()) doc->OnUndo();
      },
      canUndo);
}

void CImageCommands::ShowUndoKind() {
  const CTintaraDoc* doc = windows_.ActiveDocument();
  const int id = doc && doc->Undo() == CTintaraDoc::UndoKind::kEmbedding ? cmd::kUndoEmbedding : cmd::kUndoConversion;
  if (undoEntry_->data().toInt() == id) return;
  const auto [status, tip] = CommandPrompt(id);
  undoEntry_->setData(id);
  undoEntry_->setText(ui::ToQString(cmd::FindCommand(id)->menuText));
  undoEntry_->setIconText(tip);
  undoEntry_->setStatusTip(status);
  undoEntry_->setToolTip(tip);
}

void CImageCommands::RegisterViewCommands() {
  const auto onView = [this](int id, std::function<void(CTintaraView&)> command) {
    RegisterOn<CTintaraView>(commands_, id, [this] { return windows_.ActiveView(); }, std::move(command));
  };
  onView(cmd::kRealSize, [](CTintaraView& view) { view.OnRealSize(); });
  onView(cmd::kFitOnScreen, [](CTintaraView& view) { view.FitOnScreen(); });
  onView(cmd::kEnterZoom, [](CTintaraView& view) { view.OnEnterZoom(); });
  onView(cmd::kZoomIn, [](CTintaraView& view) { view.OnZoomIn(); });
  onView(cmd::kZoomOut, [](CTintaraView& view) { view.OnZoomOut(); });

  for (const auto& [id, tool] : {std::pair{cmd::kToolMove, ViewTool::kMove}, std::pair{cmd::kToolZoomIn, ViewTool::kZoomIn},
                                std::pair{cmd::kToolZoomOut, ViewTool::kZoomOut}}) {
    commands_.Register(
        id, [this, tool] { ChooseTool(tool); }, [this] { return windows_.ActiveView() != nullptr; },
        [this, tool] { return tool_ == tool; });
  }
}

void CImageCommands::AttachView(CTintaraView& view) {
  view.SetTool(tool_);
  connect(&view, &CTintaraView::toolRequested, this, [this](ViewTool tool) {
    ChooseTool(tool);
    commands_.UpdateCommandUI();
  });
}

void CImageCommands::ChooseTool(ViewTool tool) {
  tool_ = tool;
  CTintaraView* active = windows_.ActiveView();
  for (CTintaraView* view : windows_.Views()) {
    if (view == active) {
      view->OnToolCommand(tool);
    } else {
      view->SetTool(tool);
    }
  }
}

}  // namespace tintara
