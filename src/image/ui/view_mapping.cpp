#include "image/ui/view_mapping.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace tintara {

int DevicePixel(double v) {
  constexpr double kFar = 1 << 24;
  return static_cast<int>(std::clamp(v, -kFar, kFar));
}

QPointF ViewMapping::ToImage(QPointF windowPoint) const {
  return QPointF((windowPoint.x() + scroll.x()) / zoom, (windowPoint.y() + scroll.y()) / zoom);
}

QPointF ViewMapping::ToWindow(QPointF imagePoint) const {
  return QPointF(imagePoint.x() * zoom - scroll.x(), imagePoint.y() * zoom - scroll.y());
}

QPointF ViewMapping::RoundedToImage(QPoint devicePoint) const {
  const QPointF p = ToImage(QPointF(devicePoint));
  return QPointF(std::round(p.x()), std::round(p.y()));
}

QPoint ViewMapping::Draw(QPointF imagePoint) const {
  return QPoint(DevicePixel(std::ceil(zoom * imagePoint.x())) - scroll.x(),
                DevicePixel(std::ceil(zoom * imagePoint.y())) - scroll.y());
}

QRect ZoomBandArea(const ZoomBand& band, const ViewMapping& map) {
  if (!band.active) return {};
  const QPoint a = map.Draw(band.start);
  const QPoint b = map.Draw(band.end);
  return QRect(a, b).normalized().adjusted(-1, -1, 1, 1);
}

void PaintZoomBand(QPainter& painter, const ZoomBand& band, const ViewMapping& map) {
  if (!band.active) return;
  const QRect r = QRect(map.Draw(band.start), map.Draw(band.end)).normalized();
  if (r.width() < 2 || r.height() < 2) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  QPen dashes(Qt::white, 1.0, Qt::DashLine);
  dashes.setCosmetic(true);
  painter.setPen(dashes);
  // A stroked QRect reaches one pixel past right() and bottom(); the band's right and bottom edges
  // lie one pixel inside the pointer's pixel.
  painter.drawRect(r.adjusted(0, 0, -2, -2));
  painter.restore();
}

}  // namespace tintara
