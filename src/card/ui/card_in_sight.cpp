#include "card/ui/card_in_sight.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "card/card_selection.h"
#include "card/ui/marking_tool.h"
#include "image/ui/tintara_view.h"

namespace tintara {

QPoint PlaceBoxBeside(const QRect& box, const QRect& avoid, const QRect& screen) {
  if (avoid.isEmpty() || !box.intersects(avoid)) return box.topLeft();
  constexpr int kGap = 12;
  const int w = box.width();
  const int h = box.height();
  // Room left on each side of the outline, with the gap counted in.
  const int right = screen.right() - avoid.right() - kGap;
  const int left = avoid.left() - screen.left() - kGap;
  const int below = screen.bottom() - avoid.bottom() - kGap;
  const int above = avoid.top() - screen.top() - kGap;
  const auto clampX = [&](int x) { return std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - w)); };
  const auto clampY = [&](int y) { return std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - h)); };
  const int centreX = clampX(avoid.center().x() - w / 2);
  const int centreY = clampY(avoid.center().y() - h / 2);

  // Sides that take the whole box, the roomiest first; beside the card reads better than above it,
  // so a tie goes to the sides.
  struct Side {
    int room;
    QPoint at;
  };
  Side sides[] = {{right - w, {avoid.right() + 1 + kGap, centreY}},
                  {left - w, {avoid.left() - kGap - w, centreY}},
                  {below - h, {centreX, avoid.bottom() + 1 + kGap}},
                  {above - h, {centreX, avoid.top() - kGap - h}}};
  const Side* best = nullptr;
  for (const Side& side : sides) {
    if (side.room >= 0 && (!best || side.room > best->room)) best = &side;
  }
  return best ? best->at : box.topLeft();
}

CKeepCardInSight::CKeepCardInSight(const CMarkingTool& marking) : marking_(marking) {
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

CKeepCardInSight::~CKeepCardInSight() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool CKeepCardInSight::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (dialog && dialog->isWindow()) {
      // A dialog takes its place over its parent only as it is shown, so it is moved once the
      // showing is done.
      QTimer::singleShot(0, dialog, [this, dialog] { MoveOffTheCard(*dialog); });
    }
  }
  return QObject::eventFilter(watched, event);
}

void CKeepCardInSight::MoveOffTheCard(QDialog& dialog) const {
  const QRect outline = OutlineOnScreen();
  const QScreen* screen = dialog.screen();
  if (outline.isEmpty() || !screen) return;
  const QRect frame = dialog.frameGeometry();
  const QPoint to = PlaceBoxBeside(frame, outline, screen->availableGeometry());
  if (to != frame.topLeft()) dialog.move(to);
}

QRect CKeepCardInSight::OutlineOnScreen() const {
  const CardSelection& selection = marking_.selection();
  if (!selection.Complete()) return {};
  const CTintaraView& view = marking_.view();
  const QWidget* viewport = view.viewport();
  // The view maps image points to device pixels; the widget places in logical pixels.
  const double ratio = view.DeviceRatio();
  QRectF bounds;
  for (const PointD& corner : selection.Corners()) {
    const QPointF at = view.ImageToWindow(QPointF(corner.x, corner.y)) / ratio;
    bounds = bounds.isNull() ? QRectF(at, QSizeF(1, 1)) : bounds.united(QRectF(at, QSizeF(1, 1)));
  }
  const QRect shown = bounds.toAlignedRect() & viewport->rect();
  if (shown.isEmpty()) return {};
  return QRect(viewport->mapToGlobal(shown.topLeft()), shown.size());
}

}  // namespace tintara
