#include "image/ui/view_tools.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

namespace tintara {

QCursor ZoomCursor(bool zoomIn) {
  // Drawn at the screen's scale: a 32-unit cursor on a doubled screen gets 64 real pixels.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double ratio = screen ? screen->devicePixelRatio() : 1.0;
  const int size = 32;
  QPixmap pixmap(static_cast<int>(size * ratio), static_cast<int>(size * ratio));
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);

  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(12.0, 12.0);
  const double radius = 8.0;
  // The handle: a thick dark bar with a light rim, so it shows on dark and light photographs.
  p.setPen(QPen(Qt::white, 6.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(18.5, 18.5), QPointF(27.0, 27.0));
  p.setPen(QPen(Qt::black, 4.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(18.5, 18.5), QPointF(27.0, 27.0));
  // The lens: a white glass in a black ring with a white outer rim.
  p.setPen(QPen(Qt::white, 4.0));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(Qt::black, 2.0));
  p.setBrush(QColor(255, 255, 255, 230));
  p.drawEllipse(centre, radius, radius);
  // The sign.
  p.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(centre.x() - 4.5, centre.y()), QPointF(centre.x() + 4.5, centre.y()));
  if (zoomIn) p.drawLine(QPointF(centre.x(), centre.y() - 4.5), QPointF(centre.x(), centre.y() + 4.5));
  p.end();
  return QCursor(pixmap, static_cast<int>(centre.x()), static_cast<int>(centre.y()));
}

}  // namespace tintara
