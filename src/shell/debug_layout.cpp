#include "shell/debug_layout.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vn::shell {

namespace {

int FrameWidth(const WindowFrame& w, int client) { return client + w.margins.left() + w.margins.right(); }
int FrameHeight(const WindowFrame& w, int client) { return client + w.margins.top() + w.margins.bottom(); }

// The smallest size the window's layout lets it have.
QSize MinimumOf(const QWidget& w) { return w.minimumSize().expandedTo(w.minimumSizeHint()); }

}  // namespace

DebugLayout PlaceDebugWindows(const DebugLayoutInput& in) {
  const QRect& area = in.available;
  const int w = area.width();
  // The frame widths each window needs at least and would like.
  const int main_min = FrameWidth(in.main, in.main.minimum.width());
  const int debug_min = FrameWidth(in.debug, in.debug.minimum.width());
  const int debug_pref = std::max(debug_min, FrameWidth(in.debug, in.debug.preferred_width));
  const int var_min = FrameWidth(in.variable, in.variable.minimum.width());
  const int var_pref = std::max(var_min, FrameWidth(in.variable, in.variable.preferred_width));
  const int main_now = std::min(in.main_frame.width(), w);

  DebugLayout out;
  int main_w = 0, debug_w = 0, var_w = 0;
  if (main_min + debug_min + var_min <= w) {
    // Side by side: the variable window as wide as it likes while the others keep their
    // minimum, the debug window as wide as it likes from what the main window can give, the
    // main window narrowed by what that leaves it (never widened, never below its minimum).
    var_w = std::min(var_pref, w - main_min - debug_min);
    debug_w = std::clamp(w - var_w - main_min, debug_min, debug_pref);
    main_w = std::clamp(main_now, main_min, w - var_w - debug_w);
  } else {
    // Too narrow a screen for three: the debug window over the main window, the variable
    // window beside both.
    out.overlapping = true;
    var_w = std::clamp(w - main_min, std::min(var_min, w), var_pref);
    main_w = std::clamp(main_now, std::min(main_min, w - var_w), std::max(0, w - var_w));
    debug_w = main_w;
  }
  const int row = out.overlapping ? main_w + var_w : main_w + debug_w + var_w;
  const int left = std::clamp(in.main_frame.left(), area.left(), area.left() + std::max(0, w - row));

  // One height and one top for all three: the main window's, inside the area, at least what
  // each window needs.
  const int need = std::max({FrameHeight(in.main, in.main.minimum.height()),
                             FrameHeight(in.debug, in.debug.minimum.height()),
                             FrameHeight(in.variable, in.variable.minimum.height())});
  const int height = std::min(std::max(in.main_frame.height(), need), area.height());
  const int top = std::clamp(in.main_frame.top(), area.top(), area.top() + area.height() - height);

  out.main = QRect(left, top, main_w, height);
  out.debug = out.overlapping ? out.main : QRect(out.main.right() + 1, top, debug_w, height);
  out.variable = QRect((out.overlapping ? out.main : out.debug).right() + 1, top, var_w, height);
  return out;
}

QMargins FrameMarginsOf(const QWidget& w) {
  const QRect frame = w.frameGeometry();
  const QRect client = w.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// ---- SavedPlacement -----------------------------------------------------------------------------

void SavedPlacement::Save(const QWidget& w) {
  geometry_ = w.saveGeometry();
  maximized_ = w.isMaximized();
  normal_ = maximized_ && w.normalGeometry().isValid() ? w.normalGeometry() : w.geometry();
}

bool SavedPlacement::Restore(QWidget& w) {
  if (!saved()) return false;
  if (maximized_) {
    // The normal rectangle under the maximized window, then maximized again.
    w.restoreGeometry(geometry_);
    if (!w.isMaximized()) w.showMaximized();
  } else {
    if (w.isMaximized() || w.isMinimized()) w.showNormal();
    w.setGeometry(normal_);
  }
  return true;
}

void SavedPlacement::Clear() {
  geometry_.clear();
  normal_ = QRect();
  maximized_ = false;
}

// ---- On the screen --------------------------------------------------------------------------------

DebugLayout PlaceDebugWindowsOn(QWidget& main, QWidget& debug, QWidget& variable, int variable_width,
                                const QRect& main_frame) {
  const QMargins main_margins = FrameMarginsOf(main);
  auto frame_of = [&](const QWidget& w, int preferred) {
    WindowFrame f;
    // A window not framed yet gets what the main window got from the same window manager.
    f.margins = w.isVisible() && !FrameMarginsOf(w).isNull() ? FrameMarginsOf(w) : main_margins;
    f.minimum = MinimumOf(w);
    f.preferred_width = preferred;
    return f;
  };
  DebugLayoutInput in;
  const QWidget* screen_of = &main;
  in.available = screen_of->screen() != nullptr ? screen_of->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  in.main_frame = main_frame;
  in.main = frame_of(main, 0);
  in.main.margins = main_margins;
  in.debug = frame_of(debug, 0);
  in.variable = frame_of(variable, variable_width);
  const DebugLayout out = PlaceDebugWindows(in);
  main.setGeometry(ClientOf(out.main, in.main.margins));
  debug.setGeometry(ClientOf(out.debug, in.debug.margins));
  variable.setGeometry(ClientOf(out.variable, in.variable.margins));
  return out;
}

bool WaitForFrames(const QWidget& main, std::initializer_list<const QWidget*> windows, int ms) {
  if (FrameMarginsOf(main).isNull()) return false;
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    const bool framed = std::all_of(windows.begin(), windows.end(),
                                    [](const QWidget* w) { return !FrameMarginsOf(*w).isNull(); });
    if (framed) return true;
    if (clock.elapsed() >= ms) return false;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  }
}

}  // namespace vn::shell
