#pragma once

#include <array>
#include <optional>
#include <string>

#include "card/card_model.h"

namespace tintara {

class CardSelection;

// The last complete card outline the user marked, kept between sessions so that a series of
// photographs taken from one tripod position can be marked with one command.
struct PreviousOutline {
  std::array<PointD, 4> corners{};
  bool turned = false;
  CardModel model = CardModel::K7;
  int imageWidth = 0;
  int imageHeight = 0;
};

// The outline of a complete selection with a layout, on an image of the given size.
std::optional<PreviousOutline> OutlineOf(const CardSelection& selection, int imageWidth, int imageHeight);

// The text kept between sessions, which the shells store beside the settings:
// "K7 0 400x600 x0,y0 x1,y1 x2,y2 x3,y3" (model, turned, image size, corners in shortest exact form,
// so the outline comes back to the bit).
std::string FormatPreviousOutline(const PreviousOutline& outline);
// The outline such a text describes; nullopt for text that is not exactly that form: an unknown
// model, a size that is not positive, a corner that is not a finite number or lies outside 0..W,
// 0..H, or anything left over.
std::optional<PreviousOutline> ParsePreviousOutline(const std::string& text);

}  // namespace tintara
