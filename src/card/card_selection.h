#pragma once

#include <array>
#include <memory>
#include <vector>

#include "card/card_layout.h"
#include "card/card_model.h"

namespace tintara {

// A handle on one outline corner while the outline is complete. Only its position lives here; how
// it is shown and dragged belongs to the card marking tool (card/ui/marking_tool.h).
struct CornerHandle {
  int corner = 0;  // 0..3
  PointD position;
};

// A four-corner outline marked on an image: three clicked corners, the fourth completing a
// parallelogram, then put into screen order (top-left, top-right, bottom-right, bottom-left).
class QuadSelection {
 public:
  QuadSelection() = default;
  virtual ~QuadSelection() = default;
  QuadSelection(const QuadSelection&) = delete;
  QuadSelection& operator=(const QuadSelection&) = delete;

  // One click of the Mark tool. Ignored once the outline is complete; the third click completes it.
  void AddCorner(double x, double y);
  // Puts the smallest x + y corner first and makes the outline run clockwise on screen.
  void NormaliseCorners();

  // Back to an empty outline: no corners, no handles.
  virtual void Reset();

  // Corner coordinates; 0.0 for an index outside 0..3 (4 is what a view uses for "no corner").
  double CornerX(int index) const;
  double CornerY(int index) const;
  // The document has turned its image by a quarter; the corners follow it. Only a complete outline
  // turns; the image's new size comes from ImageWidth/ImageHeight.
  virtual void RotateClockwise();
  virtual void RotateCounterClockwise();
  double Width() const;   // x of P1 minus x of P0
  double Height() const;  // y of P2 minus y of P1
  // Moves one corner and its handle (a handle drag). 14 (SelectionIncomplete) for an index outside
  // 0..3, which changes nothing; otherwise 0.
  virtual Error SetCorner(int index, double x, double y);
  // Lays the areas out anew from the corners; 0 when there is nothing to lay out.
  virtual Error Relayout() = 0;
  // The size of the image the outline is marked on.
  virtual int ImageWidth() const = 0;
  virtual int ImageHeight() const = 0;
  // 14 when the outline is not complete; otherwise one handle per corner and 0.
  virtual Error CreateHandles();
  void DeleteHandles();
  virtual void DeleteLayout() = 0;

  const std::array<PointD, 4>& Corners() const { return corners_; }
  int Clicked() const { return clicked_; }
  bool InProgress() const { return inProgress_; }
  bool Complete() const { return complete_; }
  const PointD& RubberPoint() const { return rubberPoint_; }
  void SetRubberPoint(const PointD& point) { rubberPoint_ = point; }
  const std::vector<CornerHandle>& Handles() const { return handles_; }

 protected:
  // A complete outline with these four corners, as they are (no parallelogram, no reordering), and
  // its handles; what CreateHandles returns. Used to put back an outline marked before.
  Error PlaceCorners(const std::array<PointD, 4>& corners);
  // Reorders the corners for a quarter turn and moves them (and the handles) into the turned image.
  void TurnCornersClockwise();
  void TurnCornersCounterClockwise();

 private:
  void MoveHandlesToCorners();

  std::array<PointD, 4> corners_{};
  int clicked_ = 0;
  bool inProgress_ = false;
  bool complete_ = false;
  PointD rubberPoint_;
  std::vector<CornerHandle> handles_;
};

// What a card selection needs from the view that owns it: the image's size and the card model the
// user has chosen for marking.
class CardSelectionHost {
 public:
  virtual ~CardSelectionHost() = default;
  virtual int ImageWidth() const = 0;
  virtual int ImageHeight() const = 0;
  virtual CardModel MarkingCardModel() const = 0;
};

// The outline of a reference card with the layout of its colour areas, which exists exactly while
// the outline is complete.
class CardSelection final : public QuadSelection {
 public:
  // `host` must outlive the selection.
  explicit CardSelection(const CardSelectionHost& host) : host_(&host) {}
  ~CardSelection() override = default;

  void Reset() override;
  void RotateClockwise() override;
  void RotateCounterClockwise() override;
  Error Relayout() override;
  int ImageWidth() const override { return host_->ImageWidth(); }
  int ImageHeight() const override { return host_->ImageHeight(); }
  // Besides the handles, replaces the layout by a fresh one of the host's current card model with
  // the same Turned, not yet laid out (Relayout does that). 14 when the outline is not complete,
  // and also, after resetting the selection, when no layout could be made.
  Error CreateHandles() override;
  void DeleteLayout() override { layout_.reset(); }

  // The 180-degree turn of the card within the outline; returns Relayout's code (0 with no layout).
  Error TurnHalf();

  // Replaces whatever is marked by a complete outline with these corners (kept in the order given)
  // and Turned, laid out for the host's card model. Returns Relayout's code, or 14 when no layout
  // could be made (the selection is then empty).
  Error Place(const std::array<PointD, 4>& corners, bool turned);

  CardLayout* Layout() { return layout_.get(); }
  const CardLayout* Layout() const { return layout_.get(); }

 private:
  const CardSelectionHost* host_;
  std::unique_ptr<CardLayout> layout_;
};

}  // namespace tintara
