#pragma once

#include <Qt>

namespace tintara {

// A cursor over the whole program for as long as the object lives: the wait cursor for the length
// of a command, the ordinary one again while a box of that command waits for the user. Nothing is
// shown where there is no GUI application (the widget-free tests of the shells).
class ScopedOverrideCursor {
 public:
  explicit ScopedOverrideCursor(Qt::CursorShape shape);
  ~ScopedOverrideCursor();
  ScopedOverrideCursor(const ScopedOverrideCursor&) = delete;
  ScopedOverrideCursor& operator=(const ScopedOverrideCursor&) = delete;

 private:
  bool active_;
};

}  // namespace tintara
