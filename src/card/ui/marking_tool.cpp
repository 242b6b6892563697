#include "card/ui/marking_tool.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "app/messages.h"
#include "app/settings.h"
#include "base/result_codes.h"
#include "card/card_layout.h"
#include "card/previous_outline.h"
#include "card/ui/selection_painter.h"
#include "image/ui/tintara_view.h"

namespace tintara {

namespace {

// The one-time message after an outline is complete: how to adjust it and what comes next.
constexpr int kOutlineMarkedMessage = 40700;

PointD ToPointD(QPointF p) { return {p.x(), p.y()}; }

}  // namespace

CMarkingTool& CMarkingTool::Install(CTintaraView& view, CardModel model) {
  auto marking = std::make_unique<CMarkingTool>(view, model);
  CMarkingTool& installed = *marking;
  view.SetInteraction(std::move(marking));
  return installed;
}

CMarkingTool* CMarkingTool::Of(const CTintaraView& view) { return dynamic_cast<CMarkingTool*>(view.interaction()); }

CMarkingTool::CMarkingTool(CTintaraView& view, CardModel model)
    : view_(view),
      cardModel_(model),
      selection_(std::make_unique<CardSelection>(static_cast<const CardSelectionHost&>(*this))) {}

CMarkingTool::~CMarkingTool() = default;

int CMarkingTool::ImageWidth() const { return view_.ImageWidth(); }

int CMarkingTool::ImageHeight() const { return view_.ImageHeight(); }

QRect CMarkingTool::OutlineRect() const { return OutlineArea(*selection_, view_.Mapping(), !markedAreas_.empty()); }

void CMarkingTool::UpdateOutline() { view_.RepaintDeviceRect(OutlineRect()); }

void CMarkingTool::OutlineChanged() {
  markedAreas_.clear();
  emit selectionChanged();
}

void CMarkingTool::RememberOutline() {
  if (const std::optional<PreviousOutline> outline = OutlineOf(*selection_, ImageWidth(), ImageHeight())) {
    Settings().SetPreviousOutline(FormatPreviousOutline(*outline));
  }
}

void CMarkingTool::EndHandleDrag() {
  DropHandleDrag();
  selection_->Relayout();
  UpdateOutline();
  RememberOutline();
  OutlineChanged();
}

void CMarkingTool::DropHandleDrag() {
  handleDrag_ = false;
  draggedCorner_ = 4;
}

void CMarkingTool::SetMarkedAreas(std::vector<int> areaIndices) {
  UpdateOutline();  // the labels there before
  markedAreas_ = std::move(areaIndices);
  UpdateOutline();
}

// ---- commands ----

void CMarkingTool::ToolChosen(ViewTool) {
  if (handleDrag_) EndHandleDrag();
  // A complete outline stays with every tool; one still being marked is dropped.
  if (selection_->InProgress()) {
    UpdateOutline();
    selection_->Reset();
    OutlineChanged();
  }
}

void CMarkingTool::OnChooseCardModel(CardModel model) {
  view_.OnToolCommand(ViewTool::kMark);
  cardModel_ = model;
  UpdateOutline();
  if (selection_->Complete()) {
    // The corners and Turned stay; the areas are those of the new model.
    if (selection_->CreateHandles() == kSelectionIncomplete) {
      selection_->Reset();
    } else {
      selection_->Relayout();
      RememberOutline();
    }
  }
  UpdateOutline();
  OutlineChanged();
}

void CMarkingTool::OnUnmark() {
  if (handleDrag_) DropHandleDrag();
  if (selection_->InProgress() || selection_->Complete()) {
    UpdateOutline();
    selection_->Reset();
    OutlineChanged();
  }
  view_.CancelZoomBand();
}

void CMarkingTool::OnTurnSelection() {
  if (!selection_->Complete() || handleDrag_) return;
  UpdateOutline();
  selection_->TurnHalf();
  UpdateOutline();
  RememberOutline();
  OutlineChanged();
}

void CMarkingTool::ImageTurned(bool clockwise) {
  if (handleDrag_) DropHandleDrag();
  if (selection_->Complete()) {
    if (clockwise) {
      selection_->RotateClockwise();
    } else {
      selection_->RotateCounterClockwise();
    }
    OutlineChanged();
  } else if (selection_->InProgress()) {
    // Two corners on the unturned image would lead the third press astray.
    selection_->Reset();
    OutlineChanged();
  }
}

bool CMarkingTool::CanPlaceOutline(const PreviousOutline& outline) const {
  return outline.imageWidth == ImageWidth() && outline.imageHeight == ImageHeight() && ImageWidth() > 0;
}

bool CMarkingTool::PlaceOutline(const PreviousOutline& outline) {
  if (!CanPlaceOutline(outline)) return false;
  if (handleDrag_) EndHandleDrag();
  UpdateOutline();
  const bool placed = selection_->Place(outline.corners, outline.turned) != kSelectionIncomplete;
  UpdateOutline();
  OutlineChanged();
  if (!placed) return false;
  view_.RequestTool(ViewTool::kMove);
  return true;
}

// ---- the pointer ----

QString CMarkingTool::AreaTipAt(QPoint devicePoint) const {
  const CardLayout* layout = selection_->Layout();
  if (view_.tool() != ViewTool::kMove || !selection_->Complete() || !layout || handleDrag_) return {};
  const int at = layout->AreaAt(ToPointD(view_.Mapping().ToImage(QPointF(devicePoint))));
  if (at < 0) return {};
  const ColorArea& area = layout->areas[static_cast<size_t>(at)];
  const QString name = tr("Area %1").arg(area.index + 1);
  // A fresh layout holds no measurement; Create Profile measures every area.
  if (area.pixelCount == 0 && area.Valid && !area.Unreliable) return tr("%1: not measured yet").arg(name);
  const QString state = !area.Valid ? tr("invalid") : area.Unreliable ? tr("unreliable") : tr("valid");
  return tr("%1: %2\n%3 pixels\nMean colour R %4, G %5, B %6")
      .arg(name, state)
      .arg(area.pixelCount)
      .arg(area.mean[0])
      .arg(area.mean[1])
      .arg(area.mean[2]);
}

std::optional<Qt::CursorShape> CMarkingTool::CursorAt(QPoint devicePoint) const {
  const int corner = handleDrag_ ? draggedCorner_ : HandleAt(*selection_, devicePoint, view_.Mapping());
  if (corner < 0 || corner >= 4) return std::nullopt;
  return corner == 0 || corner == 2 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
}

bool CMarkingTool::MousePress(QPoint devicePoint) {
  if (handleDrag_) EndHandleDrag();
  // A handle takes the press whatever the tool: the outline is adjusted the same way with each.
  const int handle = HandleAt(*selection_, devicePoint, view_.Mapping());
  if (handle >= 0) {
    handleDrag_ = true;
    draggedCorner_ = handle;
    UpdateOutline();  // the areas go while the corner moves
    return true;
  }
  if (view_.tool() != ViewTool::kMark) return false;

  if (selection_->Complete()) {
    UpdateOutline();
    selection_->Reset();
    OutlineChanged();
  }
  const PointD p = ToPointD(view_.Mapping().ToImage(QPointF(devicePoint)));
  // The last column and row cannot start an area; a press there, or past the image, is ignored.
  if (p.x < ImageWidth() - 1 && p.y < ImageHeight() - 1) {
    selection_->AddCorner(p.x, p.y);
    selection_->SetRubberPoint(p);
    UpdateOutline();
    if (selection_->Complete()) {
      RememberOutline();
      OutlineChanged();
      view_.RequestTool(ViewTool::kMove);
      AppMessages().ShowOnce(kOutlineMarkedMessage, false);
    }
  }
  return true;
}

bool CMarkingTool::MouseMove(QPoint devicePoint, bool leftDown) {
  if (handleDrag_ && selection_->Complete()) {
    if (!leftDown) {
      EndHandleDrag();
      view_.ShowCursorAt(devicePoint);
      return true;
    }
    PointD p = ToPointD(view_.Mapping().RoundedToImage(devicePoint));
    // The corner may reach the image's right and bottom edges; the image ends there and at 0.
    p.x = std::clamp(p.x, 0.0, static_cast<double>(ImageWidth()));
    p.y = std::clamp(p.y, 0.0, static_cast<double>(ImageHeight()));
    const QRect before = OutlineRect();
    selection_->SetCorner(draggedCorner_, p.x, p.y);
    view_.RepaintDeviceRect(before.united(OutlineRect()));
    return true;
  }
  if (view_.tool() == ViewTool::kMark && selection_->InProgress()) {
    PointD p = ToPointD(view_.Mapping().RoundedToImage(devicePoint));
    if (p.x >= ImageWidth()) p.x = ImageWidth() - 1;
    if (p.y >= ImageHeight()) p.y = ImageHeight() - 1;
    const QRect before = OutlineRect();
    selection_->SetRubberPoint(p);
    view_.RepaintDeviceRect(before.united(OutlineRect()));
    return true;
  }
  return false;
}

bool CMarkingTool::MouseRelease(QPoint) {
  if (!handleDrag_) return false;
  EndHandleDrag();
  return true;
}

bool CMarkingTool::KeyPress(const QKeyEvent& event) {
  if (event.key() != Qt::Key_Escape || event.modifiers() != Qt::NoModifier) return false;
  OnUnmark();
  return true;
}

void CMarkingTool::Paint(QPainter& painter, const ViewMapping& map) const {
  PaintSelection(painter, *selection_, map, handleDrag_);
  if (!handleDrag_) PaintAreaLabels(painter, *selection_, markedAreas_, map);
}

}  // namespace tintara
