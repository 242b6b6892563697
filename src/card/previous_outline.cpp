#include "card/previous_outline.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "card/card_layout.h"
#include "card/card_selection.h"

namespace tintara {
namespace {

void AppendNumber(std::string& out, double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, result.ptr);
}

// Reads a number from the front of `text` and takes it off; false when there is none.
template <typename T>
bool TakeNumber(std::string_view& text, T& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc()) return false;
  text.remove_prefix(static_cast<size_t>(result.ptr - text.data()));
  return true;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<PreviousOutline> OutlineOf(const CardSelection& selection, int imageWidth, int imageHeight) {
  const CardLayout* layout = selection.Layout();
  if (!selection.Complete() || !layout) return std::nullopt;
  PreviousOutline outline;
  outline.corners = selection.Corners();
  outline.turned = layout->Turned;
  outline.model = layout->Model();
  outline.imageWidth = imageWidth;
  outline.imageHeight = imageHeight;
  return outline;
}

std::string FormatPreviousOutline(const PreviousOutline& outline) {
  std::string out = outline.model == CardModel::K3 ? "K3 " : "K7 ";
  out += outline.turned ? "1 " : "0 ";
  out += std::to_string(outline.imageWidth) + "x" + std::to_string(outline.imageHeight);
  for (const PointD& p : outline.corners) {
    out += ' ';
    AppendNumber(out, p.x);
    out += ',';
    AppendNumber(out, p.y);
  }
  return out;
}

std::optional<PreviousOutline> ParsePreviousOutline(const std::string& text) {
  std::string_view rest(text);
  PreviousOutline outline;
  if (rest.substr(0, 3) == "K7 ") {
    outline.model = CardModel::K7;
  } else if (rest.substr(0, 3) == "K3 ") {
    outline.model = CardModel::K3;
  } else {
    return std::nullopt;
  }
  rest.remove_prefix(3);
  if (rest.substr(0, 2) == "0 ") {
    outline.turned = false;
  } else if (rest.substr(0, 2) == "1 ") {
    outline.turned = true;
  } else {
    return std::nullopt;
  }
  rest.remove_prefix(2);
  if (!TakeNumber(rest, outline.imageWidth) || !TakeChar(rest, 'x') || !TakeNumber(rest, outline.imageHeight)) {
    return std::nullopt;
  }
  if (outline.imageWidth <= 0 || outline.imageHeight <= 0) return std::nullopt;
  for (PointD& p : outline.corners) {
    if (!TakeChar(rest, ' ') || !TakeNumber(rest, p.x) || !TakeChar(rest, ',') || !TakeNumber(rest, p.y)) {
      return std::nullopt;
    }
    // A handle drag may take a corner up to the image's right and bottom edges, not past them.
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || p.x < 0 || p.y < 0 || p.x > outline.imageWidth ||
        p.y > outline.imageHeight) {
      return std::nullopt;
    }
  }
  if (!rest.empty()) return std::nullopt;
  return outline;
}

}  // namespace tintara
