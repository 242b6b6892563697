#pragma once

#include <QPoint>
#include <QRect>
#include <vector>

#include "card/card_model.h"
#include "image/ui/view_mapping.h"

class QPainter;

namespace tintara {

class CardSelection;

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

}  // namespace tintara
