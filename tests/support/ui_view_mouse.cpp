#include "support/ui_view_mouse.h"

#include <QMouseEvent>
#include <QTest>
#include <cmath>

#include "image/ui/tintara_view.h"

namespace tintara {

void TintaraViewTestAccess::Show(CTintaraView& view, const DisplayBitmap& bitmap) {
  view.testBitmap_ = &bitmap;
  view.OnUpdate(0);
}

namespace test {

QPoint ViewMouse::Logical(QPointF device) const {
  const double r = view_.DeviceRatio();
  return QPoint(static_cast<int>(std::floor(device.x() / r + 0.25)), static_cast<int>(std::floor(device.y() / r + 0.25)));
}

QPoint ViewMouse::At(double x, double y) const { return Logical(view_.ImageToWindow({x, y})); }

void ViewMouse::Press(QPoint p) const { QTest::mousePress(view_.viewport(), Qt::LeftButton, {}, p); }

void ViewMouse::Release(QPoint p) const { QTest::mouseRelease(view_.viewport(), Qt::LeftButton, {}, p); }

void ViewMouse::Click(QPoint p) const {
  Press(p);
  Release(p);
}

void ViewMouse::Move(QPoint p, Qt::MouseButtons buttons) const {
  // QTest's own move only sets the cursor when no button is held; the event goes to the viewport
  // here either way, as the window system would send it.
  QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(view_.viewport()->mapToGlobal(p)), Qt::NoButton, buttons, {});
  QCoreApplication::sendEvent(view_.viewport(), &move);
}

}  // namespace test
}  // namespace tintara
