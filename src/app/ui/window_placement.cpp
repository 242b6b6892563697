#include "app/ui/window_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "app/settings_storage.h"

namespace tintara {

namespace {

constexpr char kWindowSection[] = "Window";
constexpr char kBarSection[] = "MainFrame";
constexpr char kBarValue[] = "BarState";
// Bumped when the bars change so that an older layout is not forced onto new bars.
constexpr int kBarStateVersion = 1;

std::optional<int> ReadInt(SettingsStorage& store, const char* name) {
  const std::optional<std::string> text = store.Read(kWindowSection, name);
  if (!text || text->empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

// Squared distance from a point to a rectangle (0 inside).
double DistanceSquared(const QRect& r, QPoint p) {
  const double dx = p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
  const double dy = p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
  return dx * dx + dy * dy;
}

QPoint WorkAreaOffset(const ScreenArea& screen) { return screen.available.topLeft() - screen.full.topLeft(); }

}  // namespace

std::optional<WindowPlacement> ReadWindowPlacement(SettingsStorage& store) {
  const std::optional<int> show = ReadInt(store, "Show");
  if (!show || *show == -1) return std::nullopt;
  const std::optional<int> left = ReadInt(store, "Left");
  const std::optional<int> top = ReadInt(store, "Top");
  const std::optional<int> right = ReadInt(store, "Right");
  const std::optional<int> bottom = ReadInt(store, "Bottom");
  if (!left || !top || !right || !bottom) return std::nullopt;
  if (static_cast<long long>(*right) - *left <= 0 || static_cast<long long>(*bottom) - *top <= 0) return std::nullopt;
  return WindowPlacement{*show, *left, *top, *right, *bottom};
}

void WriteWindowPlacement(SettingsStorage& store, const WindowPlacement& p) {
  store.Write(kWindowSection, "Show", std::to_string(p.show));
  store.Write(kWindowSection, "Left", std::to_string(p.left));
  store.Write(kWindowSection, "Right", std::to_string(p.right));
  store.Write(kWindowSection, "Top", std::to_string(p.top));
  store.Write(kWindowSection, "Bottom", std::to_string(p.bottom));
}

int NearestScreen(const std::vector<ScreenArea>& screens, QPoint point) {
  int best = -1;
  double bestDistance = 0.0;
  for (size_t i = 0; i < screens.size(); ++i) {
    const double d = DistanceSquared(screens[i].full, point);
    if (best < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}

QRect PlacedFrameRect(const WindowPlacement& p, const std::vector<ScreenArea>& screens) {
  const QSize size(p.right - p.left, p.bottom - p.top);
  QPoint topLeft(p.left, p.top);
  const int nearest = NearestScreen(screens, topLeft);
  if (nearest < 0) return QRect(topLeft, size);
  const ScreenArea& screen = screens[static_cast<size_t>(nearest)];
  topLeft += WorkAreaOffset(screen);
  if (!screen.available.contains(topLeft)) topLeft = screen.available.topLeft();
  return QRect(topLeft, size);
}

WindowPlacement PlacementOfFrame(QRect frame, int show, const std::vector<ScreenArea>& screens) {
  QPoint topLeft = frame.topLeft();
  const int nearest = NearestScreen(screens, topLeft);
  if (nearest >= 0) topLeft -= WorkAreaOffset(screens[static_cast<size_t>(nearest)]);
  return WindowPlacement{show, topLeft.x(), topLeft.y(), topLeft.x() + frame.width(), topLeft.y() + frame.height()};
}

std::vector<ScreenArea> CurrentScreens() {
  std::vector<ScreenArea> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    screens.push_back({screen->geometry(), screen->availableGeometry()});
  }
  return screens;
}

int RestoreWindowPlacement(QMainWindow& window, SettingsStorage& store) {
  const std::optional<WindowPlacement> stored = ReadWindowPlacement(store);
  if (!stored) return kShowNormal;
  // The rectangle holds the frame's top-left corner and the size of its client area: move()
  // places a top-level window's frame and resize() sizes its client area, so a window decorated
  // by a window manager comes back exactly where it was, not shifted by its title bar.
  const QRect frame = PlacedFrameRect(*stored, CurrentScreens());
  window.resize(frame.size());
  window.move(frame.topLeft());
  // A window that was minimised when it closed still opens normally: a program starting
  // minimised looks as if it had not started at all.
  return stored->show == kShowMaximized ? kShowMaximized : kShowNormal;
}

void SaveWindowPlacement(const QMainWindow& window, SettingsStorage& store) {
  const int show = window.isMaximized() ? kShowMaximized : window.isMinimized() ? kShowMinimized : kShowNormal;
  // The normal position, also while the window is maximised or minimised.
  const QRect client = show == kShowNormal ? window.geometry() : window.normalGeometry();
  const QPoint frameOffset = window.geometry().topLeft() - window.frameGeometry().topLeft();
  const QRect frame(client.topLeft() - frameOffset, client.size());
  WriteWindowPlacement(store, PlacementOfFrame(frame, show, CurrentScreens()));
}

void SaveBarState(const QMainWindow& window, SettingsStorage& store) {
  store.Write(kBarSection, kBarValue, window.saveState(kBarStateVersion).toBase64().toStdString());
}

bool RestoreBarState(QMainWindow& window, SettingsStorage& store) {
  const std::optional<std::string> text = store.Read(kBarSection, kBarValue);
  if (!text || text->empty()) return false;
  return window.restoreState(QByteArray::fromBase64(QByteArray::fromStdString(*text)), kBarStateVersion);
}

}  // namespace tintara
