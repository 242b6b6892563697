#include "card/ui/marking_commands.h"

#include <QAction>
#include <QMainWindow>
#include <optional>

#include "app/settings.h"
#include "base/ui/command_registry.h"
#include "base/ui/commands.h"
#include "card/previous_outline.h"
#include "card/ui/create_profile_command.h"
#include "card/ui/marking_tool.h"
#include "card/ui/quality_report_dock.h"
#include "image/ui/document_windows.h"
#include "image/ui/image_commands.h"
#include "image/ui/tintara_view.h"
#include "profiles/ui/profile_bar.h"
#include "profiles/ui/profile_commands.h"

namespace tintara {

namespace {

// The outline remembered from the last marking.
std::optional<PreviousOutline> RememberedOutline() { return ParsePreviousOutline(Settings().PreviousOutline()); }

}  // namespace

CMarkingCommands::CMarkingCommands(CommandRegistry& commands, const DocumentWindows& windows, CImageCommands& image,
                                   CProfileMenu& profiles, const ReferenceSetList& references, QMainWindow& window,
                                   QObject* parent)
    : QObject(parent),
      commands_(commands),
      windows_(windows),
      image_(image),
      profiles_(profiles),
      references_(references),
      window_(window) {
  RegisterModelCommands();
  RegisterOutlineCommands();
}

void CMarkingCommands::RegisterModelCommands() {
  const auto hasView = [this] { return windows_.ActiveView() != nullptr; };
  for (const CardModel model : {CardModel::K7, CardModel::K3}) {
    commands_.Register(
        model == CardModel::K7 ? cmd::kMarkK7 : cmd::kMarkK3, [this, model] { ChooseCardModel(model); }, hasView,
        [this, model] { return cardModel_ == model; });
  }
  // The Mark button runs the command of the card model in use.
  commands_.Register(
      cmd::kToolMark, [this] { ChooseCardModel(cardModel_); }, hasView,
      [this] { return image_.tool() == ViewTool::kMark; });
}

void CMarkingCommands::RegisterOutlineCommands() {
  // The commands on the active view's marking.
  const auto marking = [this]() -> CMarkingTool* {
    const CTintaraView* view = windows_.ActiveView();
    return view ? CMarkingTool::Of(*view) : nullptr;
  };
  const auto marked = [marking] {
    const CMarkingTool* active = marking();
    return active && active->selection().Complete();
  };
  commands_.Register(
      cmd::kUnmark,
      [marking] {
        if (CMarkingTool* active = marking()) active->OnUnmark();
      },
      marked);
  commands_.Register(
      cmd::kTurnSelection,
      [marking] {
        if (CMarkingTool* active = marking()) active->OnTurnSelection();
      },
      marked);
  commands_.Register(
      cmd::kUsePreviousOutline,
      [this, marking] {
        const std::optional<PreviousOutline> outline = RememberedOutline();
        CMarkingTool* active = marking();
        if (!outline || !active || !active->CanPlaceOutline(*outline)) return;
        // The outline comes back with the card it was marked on.
        if (outline->model != cardModel_) ChooseCardModel(outline->model);
        active->PlaceOutline(*outline);
      },
      [marking] {
        const CMarkingTool* active = marking();
        if (!active) return false;
        const std::optional<PreviousOutline> outline = RememberedOutline();
        return outline && active->CanPlaceOutline(*outline);
      });
  commands_.Register(
      cmd::kCreateProfile,
      [this, marking] {
        CTintaraDoc* document = windows_.ActiveDocument();
        CMarkingTool* active = marking();
        if (!document || !active) return;
        RunCreateProfileCommand(*document, *active, profiles_, references_, SelectedReferenceIndex(), window_);
      },
      marked);
  commands_.Register(
      cmd::kQualityReport, [this] { CQualityReportDock::ShowIn(window_); },
      [this] { return CQualityReportDock::HasReport(window_); });
}

void CMarkingCommands::AttachView(CTintaraView& view) {
  CMarkingTool& marking = CMarkingTool::Install(view, cardModel_);
  connect(&marking, &CMarkingTool::selectionChanged, this, [this] { commands_.UpdateCommandUI(); });
}

void CMarkingCommands::ChooseCardModel(CardModel model) {
  cardModel_ = model;
  image_.RecordTool(ViewTool::kMark);
  CTintaraView* active = windows_.ActiveView();
  for (CTintaraView* view : windows_.Views()) {
    CMarkingTool* marking = CMarkingTool::Of(*view);
    if (!marking) continue;
    if (view == active) {
      marking->OnChooseCardModel(model);
    } else {
      marking->SetCardModel(model);
      view->SetTool(ViewTool::kMark);
    }
  }
  RefillReferenceBox();
  commands_.UpdateCommandUI();
}

void CMarkingCommands::RefillReferenceBox() { profiles_.bar().FillReferences(references_, cardModel_); }

int CMarkingCommands::SelectedReferenceIndex() const {
  const int index = profiles_.bar().SelectedReferenceIndex();
  return index >= 0 && static_cast<size_t>(index) < references_.size() ? index : -1;
}

}  // namespace tintara
