#pragma once

#include <QPoint>
#include <QRect>
#include <vector>

#include "card/card_model.h"

class QPainter;

namespace tintara {

class CardSelection;

// How image points land in the view: all in device pixels of the viewport, at zoom z with the
// scroll position (sx, sy).
struct ViewMapping {
  double zoom = 1.0;
  QPoint scroll;
  int imageWidth = 0;
  int imageHeight = 0;

  // Where the outline drawing puts an image point: (ceil(z x) - sx, ceil(z y) - sy). Drawing
  // always rounds up, so a line at an image pixel's edge lies on the first zoomed pixel past it.
  QPoint Draw(const PointD& p) const;
  // The centre of a corner handle, (z x - sx, z y - sy), in fractions.
  QPointF Centre(const PointD& p) const;
};

// The Zoom-in tool's band, in image pixels.
struct ZoomBand {
  bool armed = false;   // the tool is ready to start one
  bool active = false;  // a press started one; the drag moves its end
  PointD start;
  PointD end;
};

// A corner handle's 8 x 8 square around `corner`: centre -4 to centre +4 on both axes, the ends
// rounded halves away from zero. The square's pixels are the left/top inclusive ones.
QRect HandleRect(const PointD& corner, const ViewMapping& map);

// The corner whose handle square holds the device point, or -1. Only a complete outline has
// handles; where two overlap the later corner wins, as it is drawn on top.
int HandleAt(const CardSelection& selection, QPoint devicePoint, const ViewMapping& map);

// What repainting "the outline's area" means: the bounding box of the corners placed so far (with
// the rubber point and the preview corner while marking), zoomed and scrolled, widened by 4 pixels
// on each side and by 4 more when complete (the handles). `labelled` widens it further for the
// area numbers, which may stick out of small areas. Empty with no outline.
QRect OutlineArea(const CardSelection& selection, const ViewMapping& map, bool labelled = false);
// The band's rectangle as it is drawn, widened by one pixel; empty unless the band is active.
QRect ZoomBandArea(const ZoomBand& band, const ViewMapping& map);

// Draws the outline as it stands: the rubber line after one corner, the parallelogram preview
// after two, the outline with its colour areas, their crosses and the corner handles when
// complete. The colour areas are left out while `dragging` (a handle drag: they would have to be
// laid out at every move). Lines are dotted white with the gaps in black, so they show on any
// photograph.
void PaintSelection(QPainter& painter, const CardSelection& selection, const ViewMapping& map, bool dragging);

// Numbers the listed colour areas (0-based positions in the layout; the label shows index + 1)
// with white labels in a black frame at the areas' centres.
void PaintAreaLabels(QPainter& painter, const CardSelection& selection, const std::vector<int>& areaIndices,
                     const ViewMapping& map);

// The Zoom-in tool's band: a dashed white rectangle whose right and bottom edges lie one pixel
// inside the band.
void PaintZoomBand(QPainter& painter, const ZoomBand& band, const ViewMapping& map);

}  // namespace tintara
