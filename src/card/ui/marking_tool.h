#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "card/card_selection.h"
#include "image/ui/view_interaction.h"

namespace tintara {

class CTintaraView;
struct PreviousOutline;

// How a card is marked on one image view: the Mark tool's three presses with the rubber line and
// the parallelogram preview, the corner handles (drawn, hit-tested and dragged with any tool, with
// their cursors), Esc to unmark, the outline with its colour areas, their crosses and the numbered
// labels drawn over the image, the Move tool's tool tip naming the area under the pointer, the
// outline turning with the image, and the last complete outline remembered for the next photograph.
//
// The view owns it and offers it its events first. The card model is the main window's, shared by
// all views: it hands it to each marking (SetCardModel) and runs the model commands on the active
// one (OnChooseCardModel).
class CMarkingTool final : public QObject, public ViewInteraction, private CardSelectionHost {
  Q_OBJECT

 public:
  // Makes the marking of `view`, which owns it from then on.
  static CMarkingTool& Install(CTintaraView& view, CardModel model);
  // The marking of a view, or nullptr when it has none.
  static CMarkingTool* Of(const CTintaraView& view);

  CMarkingTool(CTintaraView& view, CardModel model);
  ~CMarkingTool() override;

  CTintaraView& view() const { return view_; }

  // The card outline on this view's image.
  CardSelection& selection() { return *selection_; }
  const CardSelection& selection() const { return *selection_; }

  // The card model, taken over without further effect.
  CardModel cardModel() const { return cardModel_; }
  void SetCardModel(CardModel model) { cardModel_ = model; }

  // Lumeno K7 / K3 (and the Mark button): the Mark tool with that model; a complete outline keeps
  // its corners and Turned and is laid out for the model, a partial one is dropped.
  void OnChooseCardModel(CardModel model);
  // Unmark (also Esc in the view): no outline, no zoom band.
  void OnUnmark();
  // 180° Selection: the card turned within a complete outline.
  void OnTurnSelection();
  // Use Previous Outline: whether `outline` fits this image (same size), and placing it with this
  // marking's card model (the main window chooses the outline's model first). Placing ends as a
  // marking does, with the Move tool.
  bool CanPlaceOutline(const PreviousOutline& outline) const;
  bool PlaceOutline(const PreviousOutline& outline);

  // Whether a handle is being dragged (dragged corner 0..3, else 4).
  bool handleDrag() const { return handleDrag_; }
  int draggedCorner() const { return draggedCorner_; }
  // What the tool tip over a device point says: the colour area there, with the Move tool; empty
  // elsewhere.
  QString AreaTipAt(QPoint devicePoint) const;

  // Labels drawn at the centres of the listed colour areas (0-based area indices; the label shows
  // the number the user reads, index + 1) until the outline changes or is removed. An empty list
  // removes the labels.
  void SetMarkedAreas(std::vector<int> areaIndices);
  const std::vector<int>& markedAreas() const { return markedAreas_; }

  // What the view offers.
  bool MousePress(QPoint devicePoint) override;
  bool MouseMove(QPoint devicePoint, bool leftDown) override;
  bool MouseRelease(QPoint devicePoint) override;
  bool KeyPress(const QKeyEvent& event) override;
  void Paint(QPainter& painter, const ViewMapping& map) const override;
  std::optional<Qt::CursorShape> CursorAt(QPoint devicePoint) const override;
  QString ToolTipAt(QPoint devicePoint) const override { return AreaTipAt(devicePoint); }
  void ToolChosen(ViewTool tool) override;
  void ImageTurned(bool clockwise) override;

 signals:
  // The outline was placed, completed, changed or removed: the commands on it change their state.
  void selectionChanged();

 private:
  int ImageWidth() const override;
  int ImageHeight() const override;
  CardModel MarkingCardModel() const override { return cardModel_; }

  // Repaints the outline's area (with its labels).
  QRect OutlineRect() const;
  void UpdateOutline();
  // Ends a handle drag: the areas are laid out for the new corners. DropHandleDrag lets it go as it is.
  void EndHandleDrag();
  void DropHandleDrag();
  // The outline changed: the area numbers go, the main window hears of it.
  void OutlineChanged();
  void RememberOutline();

  CTintaraView& view_;
  CardModel cardModel_;
  std::unique_ptr<CardSelection> selection_;
  std::vector<int> markedAreas_;
  bool handleDrag_ = false;
  int draggedCorner_ = 4;
};

}  // namespace tintara
