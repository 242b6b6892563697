#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <optional>
#include <string>
#include <vector>

class QMainWindow;

namespace tintara {

class SettingsStorage;

// The main window's placement as it is stored in the section "Window": the show state ("Show": 1
// normal, 2 minimised, 3 maximised) and the normal-position rectangle of the frame ("Left", "Top",
// "Right", "Bottom"), measured from the top-left corner of its monitor's work area, the way the
// window system reports a window's normal position.
struct WindowPlacement {
  int show = 1;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// One monitor: its whole area and its work area (without panels), in desktop coordinates.
struct ScreenArea {
  QRect full;
  QRect available;
};

// The stored placement; nullopt when none is stored ("Show" absent) or when what is stored could
// not describe a window (a value that is not a whole number, an empty rectangle), so that the
// window then opens where the window system puts a new one rather than nowhere.
std::optional<WindowPlacement> ReadWindowPlacement(SettingsStorage& store);
void WriteWindowPlacement(SettingsStorage& store, const WindowPlacement& placement);

// The index of the screen nearest to `point` (the one containing it, else the closest); -1 when
// there is none.
int NearestScreen(const std::vector<ScreenArea>& screens, QPoint point);

// Where a stored placement puts the frame on the screens there are now: the top-left point is
// moved by the offset between the work area and the whole area of the monitor nearest to it; when
// that point lies outside the monitor's work area, the frame goes to the work area's top-left
// corner. The size is kept. With no screen the rectangle stays as stored.
QRect PlacedFrameRect(const WindowPlacement& placement, const std::vector<ScreenArea>& screens);

// The inverse for a frame at `frame` (desktop coordinates): the rectangle measured from its
// monitor's work area, as PlacedFrameRect expects it back.
WindowPlacement PlacementOfFrame(QRect frame, int show, const std::vector<ScreenArea>& screens);

// The screens of the running application.
std::vector<ScreenArea> CurrentScreens();

// Applies a stored placement to a window that is not shown yet (its frame's top-left point and
// its size); returns the show state to show it with, kShowNormal when nothing is stored.
int RestoreWindowPlacement(QMainWindow& window, SettingsStorage& store);
// Stores the window's show state and normal position.
void SaveWindowPlacement(const QMainWindow& window, SettingsStorage& store);

// The bars' state (QMainWindow::saveState) under the name "MainFrame".
void SaveBarState(const QMainWindow& window, SettingsStorage& store);
bool RestoreBarState(QMainWindow& window, SettingsStorage& store);

}  // namespace tintara
