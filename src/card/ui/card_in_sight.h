#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QDialog;

namespace tintara {

class CMarkingTool;

// Where a box of `box`'s size goes so that it does not cover `avoid`: beside it on the side with
// the most room on `screen` (right, left, below, above), centred on it along that side and kept on
// the screen. A box that covers nothing stays where it is; where no side has room it stays too.
QPoint PlaceBoxBeside(const QRect& box, const QRect& avoid, const QRect& screen);

// For as long as it lives, every dialog that opens is moved off the card outline of `marking`, so
// the crosses the findings put on the card stay in sight while the photographer reads about them.
class CKeepCardInSight final : public QObject {
 public:
  explicit CKeepCardInSight(const CMarkingTool& marking);
  ~CKeepCardInSight() override;
  CKeepCardInSight(const CKeepCardInSight&) = delete;
  CKeepCardInSight& operator=(const CKeepCardInSight&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveOffTheCard(QDialog& dialog) const;
  // The outline's bounds on the screen, clipped to the part of the view that shows; empty when
  // none of it shows.
  QRect OutlineOnScreen() const;

  const CMarkingTool& marking_;
};

}  // namespace tintara
