#pragma once

#include <QPoint>
#include <QPointF>
#include <Qt>

namespace tintara {

class CTintaraView;
class DisplayBitmap;

// The document's image reaches a view only through an opened file; tests give the view a display
// bitmap of their own instead, so they do not depend on the file readers.
class TintaraViewTestAccess {
 public:
  static void Show(CTintaraView& view, const DisplayBitmap& bitmap);
};

namespace test {

// The mouse on a view, as a user drives it: events go to the viewport, at the viewport's own
// (logical) coordinates, which differ from device pixels on a scaled screen.
class ViewMouse {
 public:
  explicit ViewMouse(CTintaraView& view) : view_(view) {}

  QPoint Logical(QPointF device) const;
  // An image point as the window shows it.
  QPoint At(double x, double y) const;

  void Press(QPoint p) const;
  void Release(QPoint p) const;
  void Click(QPoint p) const;
  // A move with these buttons held (none: the pointer hovers).
  void Move(QPoint p, Qt::MouseButtons buttons) const;

 private:
  CTintaraView& view_;
};

}  // namespace test
}  // namespace tintara
