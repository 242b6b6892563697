#include "card/card_selection.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/result_codes.h"

namespace tintara {
namespace {

bool IsCornerIndex(int index) { return index >= 0 && index < 4; }

// The rise of the edge from `from` to `to`, measured upwards on screen, as an angle.
double EdgeRise(const PointD& from, const PointD& to) {
  const double dx = to.x - from.x;
  const double dy = to.y - from.y;
  double length = std::sqrt(dx * dx + dy * dy);
  if (length == 0.0) length = 1.0;
  // The quotient cannot leave -1..1 in exact arithmetic; holding it there keeps asin defined when a
  // rounding step says otherwise.
  const double sine = std::clamp((from.y - to.y) / length, -1.0, 1.0);
  return std::asin(sine);
}

}  // namespace

void QuadSelection::AddCorner(double x, double y) {
  if (complete_ || clicked_ >= 3) return;
  corners_[clicked_] = {x, y};
  inProgress_ = true;
  ++clicked_;
  if (clicked_ < 3) return;

  // The fourth corner completes a parallelogram.
  PointD& p3 = corners_[3];
  p3.x = corners_[2].x - (corners_[1].x - corners_[0].x);
  p3.y = corners_[2].y - corners_[1].y + corners_[0].y;
  complete_ = true;
  inProgress_ = false;

  // The clicks themselves lie inside the image, but the completed corner may not.
  const double width = ImageWidth();
  const double height = ImageHeight();
  if (p3.x < 0) p3.x = 0;
  if (p3.y < 0) p3.y = 0;
  if (p3.x >= width) p3.x = width - 1;
  if (p3.y >= height) p3.y = height - 1;

  NormaliseCorners();
  if (CreateHandles() == kSelectionIncomplete) {
    Reset();
  } else {
    Relayout();
  }
}

void QuadSelection::NormaliseCorners() {
  // The corner nearest the top-left of the screen comes first; a tie keeps the earlier corner.
  int first = 0;
  for (int i = 1; i < 4; ++i) {
    if (corners_[i].x + corners_[i].y < corners_[first].x + corners_[first].y) first = i;
  }
  std::rotate(corners_.begin(), corners_.begin() + first, corners_.end());

  // Of the two edges leaving P0, the one that rises more on screen leads to the top-right corner.
  const double a1 = EdgeRise(corners_[0], corners_[1]);
  const double a3 = EdgeRise(corners_[0], corners_[3]);
  if (a3 > a1) std::swap(corners_[1], corners_[3]);
  MoveHandlesToCorners();
}

void QuadSelection::Reset() {
  corners_ = {};
  rubberPoint_ = {};
  clicked_ = 0;
  inProgress_ = false;
  complete_ = false;
  DeleteHandles();
}

double QuadSelection::CornerX(int index) const {
  return IsCornerIndex(index) ? corners_[index].x : 0.0;
}

double QuadSelection::CornerY(int index) const {
  return IsCornerIndex(index) ? corners_[index].y : 0.0;
}

void QuadSelection::RotateClockwise() {
  if (!complete_) return;
  TurnCornersClockwise();
  Relayout();
}

void QuadSelection::RotateCounterClockwise() {
  if (!complete_) return;
  TurnCornersCounterClockwise();
  Relayout();
}

void QuadSelection::TurnCornersClockwise() {
  // New P0..P3 = old P3, P0, P1, P2, so the order stays top-left first on the turned image.
  std::rotate(corners_.begin(), corners_.begin() + 3, corners_.end());
  const double width = ImageWidth();
  for (PointD& p : corners_) p = {width - p.y, p.x};
  MoveHandlesToCorners();
}

void QuadSelection::TurnCornersCounterClockwise() {
  // New P0..P3 = old P1, P2, P3, P0.
  std::rotate(corners_.begin(), corners_.begin() + 1, corners_.end());
  const double height = ImageHeight();
  for (PointD& p : corners_) p = {p.y, height - p.x};
  MoveHandlesToCorners();
}

double QuadSelection::Width() const { return corners_[1].x - corners_[0].x; }

double QuadSelection::Height() const { return corners_[2].y - corners_[1].y; }

Error QuadSelection::SetCorner(int index, double x, double y) {
  if (!IsCornerIndex(index)) return kSelectionIncomplete;
  corners_[index] = {x, y};
  MoveHandlesToCorners();
  return kOk;
}

Error QuadSelection::CreateHandles() {
  if (!complete_) return kSelectionIncomplete;
  DeleteHandles();
  for (int i = 0; i < 4; ++i) handles_.push_back({i, corners_[i]});
  return kOk;
}

void QuadSelection::DeleteHandles() { handles_.clear(); }

Error QuadSelection::PlaceCorners(const std::array<PointD, 4>& corners) {
  Reset();
  corners_ = corners;
  clicked_ = 3;
  complete_ = true;
  const Error handles = CreateHandles();
  if (handles.failed()) Reset();
  return handles;
}

void QuadSelection::MoveHandlesToCorners() {
  for (CornerHandle& handle : handles_) handle.position = corners_[handle.corner];
}

void CardSelection::Reset() {
  QuadSelection::Reset();
  DeleteLayout();
}

void CardSelection::RotateClockwise() {
  if (!Complete()) return;
  // The orientation is judged on the layout's corners as they were before the turn.
  const int code = layout_ ? layout_->ComputeOrientation() : 0;
  TurnCornersClockwise();
  if (layout_ && (code == 1 || code == 3)) layout_->Turned = !layout_->Turned;
  Relayout();
}

void CardSelection::RotateCounterClockwise() {
  if (!Complete()) return;
  const int code = layout_ ? layout_->ComputeOrientation() : 0;
  TurnCornersCounterClockwise();
  if (layout_ && (code == 2 || code == 4)) layout_->Turned = !layout_->Turned;
  Relayout();
}

Error CardSelection::Relayout() {
  if (!Complete() || !layout_) return kOk;
  layout_->corners = Corners();
  return layout_->Layout();
}

Error CardSelection::CreateHandles() {
  const Error handles = QuadSelection::CreateHandles();
  if (handles.failed()) return handles;
  const bool turned = layout_ ? layout_->Turned : false;
  std::unique_ptr<CardLayout> fresh = MakeCardLayout(host_->MarkingCardModel());
  if (!fresh) {
    // Without a layout a complete outline would be a lie: start over.
    Reset();
    return kSelectionIncomplete;
  }
  fresh->corners = Corners();
  fresh->Turned = turned;
  layout_ = std::move(fresh);
  return kOk;
}

Error CardSelection::Place(const std::array<PointD, 4>& corners, bool turned) {
  const Error placed = PlaceCorners(corners);
  if (placed.failed()) return placed;
  layout_->Turned = turned;
  return Relayout();
}

Error CardSelection::TurnHalf() {
  if (!Complete() || !layout_) return kOk;
  layout_->Turned = !layout_->Turned;
  return Relayout();
}

}  // namespace tintara
