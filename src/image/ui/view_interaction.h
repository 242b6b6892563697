#pragma once

#include <QCursor>
#include <QPoint>
#include <QString>
#include <optional>

class QKeyEvent;
class QPainter;

namespace tintara {

struct ViewMapping;
enum class ViewTool;

// What works over a view's image besides the view itself (the card marking): the view keeps its
// scrolling, zooming, panning and the painting of the image, and offers every left-button press,
// move and release, every key and every paint here first. What is taken here the view leaves alone.
// Points are device pixels of the viewport.
class ViewInteraction {
 public:
  virtual ~ViewInteraction() = default;

  // True when the press, the move (with the left button down or not) or the key was taken.
  virtual bool MousePress(QPoint devicePoint) = 0;
  virtual bool MouseMove(QPoint devicePoint, bool leftDown) = 0;
  virtual bool KeyPress(const QKeyEvent& event) = 0;
  // True when the release ended something begun here: the view's tools then do not act on it.
  virtual bool MouseRelease(QPoint devicePoint) = 0;

  // Paints over the image and the zoom band; the painter counts device pixels.
  virtual void Paint(QPainter& painter, const ViewMapping& map) const = 0;
  // The cursor at a point where it is not the tool's own; nothing elsewhere.
  virtual std::optional<Qt::CursorShape> CursorAt(QPoint devicePoint) const = 0;
  // The tool tip at a point; empty for none.
  virtual QString ToolTipAt(QPoint devicePoint) const = 0;

  // A tool command chose the view's tool; the document turned its image by a quarter.
  virtual void ToolChosen(ViewTool tool) = 0;
  virtual void ImageTurned(bool clockwise) = 0;
};

}  // namespace tintara
