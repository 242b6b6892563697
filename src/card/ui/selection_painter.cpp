#include "card/ui/selection_painter.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>

#include "card/card_layout.h"
#include "card/card_selection.h"

namespace tintara {
namespace {

int RoundAway(double v) { return DevicePixel(std::round(v)); }  // std::round rounds halves away from zero

QPointF At(const PointD& p) { return QPointF(p.x, p.y); }

const QColor kOutlineColour(255, 255, 255);
const QColor kGapColour(0, 0, 0);
const QColor kInvalidColour(255, 0, 0);
const QColor kUnreliableColour(255, 255, 0);

// The outline pen: drawn once solid in black and once dotted in white, the dots' gaps show black.
template <typename DrawFn>
void DrawDotted(QPainter& painter, DrawFn draw) {
  QPen gap(kGapColour, 1.0);
  gap.setCosmetic(true);
  painter.setPen(gap);
  draw();
  QPen dots(kOutlineColour, 1.0);
  dots.setCosmetic(true);
  dots.setDashPattern({2.0, 2.0});
  painter.setPen(dots);
  draw();
}

void DrawClosed(QPainter& painter, const std::array<QPoint, 4>& points) {
  DrawDotted(painter, [&] { painter.drawPolygon(points.data(), 4); });
}

std::array<QPoint, 4> Drawn(const std::array<PointD, 4>& quad, const ViewMapping& map) {
  return {map.Draw(At(quad[0])), map.Draw(At(quad[1])), map.Draw(At(quad[2])), map.Draw(At(quad[3]))};
}

// The points the outline's area covers, in image pixels; how many are used.
int OutlinePoints(const CardSelection& s, std::array<PointD, 4>& out) {
  const auto& c = s.Corners();
  if (s.Complete()) {
    out = c;
    return 4;
  }
  if (!s.InProgress()) return 0;
  const PointD r = s.RubberPoint();
  if (s.Clicked() == 1) {
    out[0] = c[0];
    out[1] = r;
    return 2;
  }
  out[0] = c[0];
  out[1] = c[1];
  out[2] = r;
  out[3] = {c[0].x + r.x - c[1].x, c[0].y + r.y - c[1].y};
  return 4;
}

}  // namespace

QRect HandleRect(const PointD& corner, const ViewMapping& map) {
  const QPointF c = map.ToWindow(At(corner));
  const int left = RoundAway(c.x() - 4.0);
  const int top = RoundAway(c.y() - 4.0);
  const int right = RoundAway(c.x() + 4.0);
  const int bottom = RoundAway(c.y() + 4.0);
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

int HandleAt(const CardSelection& selection, QPoint devicePoint, const ViewMapping& map) {
  if (!selection.Complete()) return -1;
  int found = -1;
  for (const CornerHandle& handle : selection.Handles()) {
    if (HandleRect(handle.position, map).contains(devicePoint)) found = handle.corner;
  }
  return found;
}

QRect OutlineArea(const CardSelection& selection, const ViewMapping& map, bool labelled) {
  std::array<PointD, 4> points;
  const int n = OutlinePoints(selection, points);
  if (n == 0) return {};
  double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
  for (int i = 1; i < n; ++i) {
    minX = std::min(minX, points[i].x);
    maxX = std::max(maxX, points[i].x);
    minY = std::min(minY, points[i].y);
    maxY = std::max(maxY, points[i].y);
  }
  int widen = selection.Complete() ? 8 : 4;
  if (labelled) widen += 24;
  const int left = DevicePixel(std::floor(minX * map.zoom)) - map.scroll.x() - widen;
  const int top = DevicePixel(std::floor(minY * map.zoom)) - map.scroll.y() - widen;
  const int right = DevicePixel(std::ceil(maxX * map.zoom)) - map.scroll.x() + widen;
  const int bottom = DevicePixel(std::ceil(maxY * map.zoom)) - map.scroll.y() + widen;
  return QRect(QPoint(left, top), QPoint(right, bottom));
}

void PaintSelection(QPainter& painter, const CardSelection& selection, const ViewMapping& map, bool dragging) {
  if (!selection.InProgress() && !selection.Complete()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  const auto& c = selection.Corners();

  if (!selection.Complete()) {
    const QPoint p0 = map.Draw(At(c[0]));
    const QPoint rubber = map.Draw(At(selection.RubberPoint()));
    if (selection.Clicked() == 1) {
      DrawDotted(painter, [&] { painter.drawLine(p0, rubber); });
    } else {
      // The fourth corner of the parallelogram the third click would make, held inside the
      // zoomed image as the completed corner will be.
      const QPoint p1 = map.Draw(At(c[1]));
      const int w = DevicePixel(map.imageWidth * map.zoom);
      const int h = DevicePixel(map.imageHeight * map.zoom);
      const QPoint s = map.scroll;
      QPoint q = rubber - p1 + p0 + s;
      q.setX(std::clamp(q.x(), 0, std::max(0, w - 1)));
      q.setY(std::clamp(q.y(), 0, std::max(0, h - 1)));
      DrawClosed(painter, {p0, p1, rubber, q - s});
    }
    painter.restore();
    return;
  }

  std::array<PointD, 4> handlePoints = c;
  for (const CornerHandle& handle : selection.Handles()) handlePoints[handle.corner] = handle.position;
  DrawClosed(painter, Drawn(handlePoints, map));

  const CardLayout* layout = selection.Layout();
  if (layout && !dragging) {
    for (const ColorArea& area : layout->areas) DrawClosed(painter, Drawn(area.corners, map));
    for (const ColorArea& area : layout->areas) {
      if (area.Valid && !area.Unreliable) continue;
      QPen cross(area.Valid ? kUnreliableColour : kInvalidColour, 2.0);
      painter.setPen(cross);
      const std::array<QPoint, 4> p = Drawn(area.corners, map);
      painter.drawLine(p[0], p[2]);
      painter.drawLine(p[1], p[3]);
    }
  }

  QPen border(Qt::black, 1.0);
  border.setCosmetic(true);
  for (const CornerHandle& handle : selection.Handles()) {
    const QRect r = HandleRect(handle.position, map);
    painter.fillRect(r, Qt::white);
    painter.setPen(border);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
  }
  painter.restore();
}

void PaintAreaLabels(QPainter& painter, const CardSelection& selection, const std::vector<int>& areaIndices,
                     const ViewMapping& map) {
  const CardLayout* layout = selection.Layout();
  if (!selection.Complete() || !layout || areaIndices.empty()) return;
  painter.save();
  QFont font = painter.font();
  // The painter draws in device pixels; the labels keep their size on a scaled screen.
  const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  font.setPixelSize(std::max(8, static_cast<int>(std::lround(11 * ratio))));
  font.setBold(true);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  QPen border(Qt::black, 1.0);
  border.setCosmetic(true);
  for (int index : areaIndices) {
    if (index < 0 || static_cast<size_t>(index) >= layout->areas.size()) continue;
    const std::array<QPoint, 4> p = Drawn(layout->areas[static_cast<size_t>(index)].corners, map);
    const QPoint centre((p[0].x() + p[1].x() + p[2].x() + p[3].x()) / 4, (p[0].y() + p[1].y() + p[2].y() + p[3].y()) / 4);
    const QString text = QString::number(index + 1);
    const int width = metrics.horizontalAdvance(text) + 6;
    const int height = metrics.height() + 2;
    const QRect box(centre.x() - width / 2, centre.y() - height / 2, width, height);
    painter.fillRect(box, Qt::white);
    painter.setPen(border);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawText(box, Qt::AlignCenter, text);
  }
  painter.restore();
}

}  // namespace tintara
