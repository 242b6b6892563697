#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>

class QPainter;

namespace tintara {

// A zoomed coordinate as a whole device pixel. Points on the image stay far inside int's range (the
// zoom limits keep them within 32767); the value is held there only so a stray one cannot overflow.
int DevicePixel(double v);

// How image points land in the view: all in device pixels of the viewport, at zoom z with the
// scroll position (sx, sy). Image points are in image pixels, x to the right and y downwards.
struct ViewMapping {
  double zoom = 1.0;
  QPoint scroll;
  int imageWidth = 0;
  int imageHeight = 0;

  // The image point a window point shows, ((x + sx) / z, (y + sy) / z), and back, (z x - sx, z y - sy)
  // in fractions (where a corner handle's centre lies).
  QPointF ToImage(QPointF windowPoint) const;
  QPointF ToWindow(QPointF imagePoint) const;
  // The image point under a device pixel, rounded to the nearest pixel edge: where a drag puts a
  // corner or a band's end.
  QPointF RoundedToImage(QPoint devicePoint) const;
  // Where drawing over the image puts an image point: (ceil(z x) - sx, ceil(z y) - sy). Drawing
  // always rounds up, so a line at an image pixel's edge lies on the first zoomed pixel past it.
  QPoint Draw(QPointF imagePoint) const;
};

// The Zoom-in tool's band, in image pixels.
struct ZoomBand {
  bool armed = false;   // the tool is ready to start one
  bool active = false;  // a press started one; the drag moves its end
  QPointF start;
  QPointF end;
};

// The band's rectangle as it is drawn, widened by one pixel; empty unless the band is active.
QRect ZoomBandArea(const ZoomBand& band, const ViewMapping& map);

// The Zoom-in tool's band: a dashed white rectangle whose right and bottom edges lie one pixel
// inside the band.
void PaintZoomBand(QPainter& painter, const ZoomBand& band, const ViewMapping& map);

}  // namespace tintara
