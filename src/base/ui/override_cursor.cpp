#include "base/ui/override_cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace tintara {

ScopedOverrideCursor::ScopedOverrideCursor(Qt::CursorShape shape)
    : active_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
  if (active_) QGuiApplication::setOverrideCursor(QCursor(shape));
}

ScopedOverrideCursor::~ScopedOverrideCursor() {
  if (active_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace tintara
