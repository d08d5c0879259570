// Where the debugging windows go: the main window narrowed, the debug window and the
// check-variable window side by side on the screen's free area, by their frames (title bar and
// borders included), so that no window covers another and no title bar leaves the screen.
//
// PlaceDebugWindows is the arithmetic alone (no widgets); PlaceDebugWindowsOn puts real windows
// there, and is called again once WaitForFrames has seen the window manager frame them.
#pragma once

#include <QByteArray>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <initializer_list>

class QWidget;

namespace vn::shell {

// One window as the arithmetic needs it.
struct WindowFrame {
  QMargins margins;      // frame less client: title bar and borders
  QSize minimum;         // the client's minimum size
  int preferred_width = 0;  // client width the window would like (0: its minimum)
};

struct DebugLayoutInput {
  QRect available;       // the screen's available geometry (without panels and docks)
  QRect main_frame;      // the main window's frame as it is (its normal frame when maximized)
  WindowFrame main, debug, variable;
};

// Frame rectangles, left to right: the narrowed main window, the debug window, the
// check-variable window. `overlapping` is set when even the minimum widths do not fit beside
// each other; the debug window then lies over the main window (never over the variable window).
struct DebugLayout {
  QRect main, debug, variable;
  bool overlapping = false;
};

DebugLayout PlaceDebugWindows(const DebugLayoutInput& in);

// The client rectangle of a frame rectangle.
inline QRect ClientOf(const QRect& frame, const QMargins& margins) { return frame.marginsRemoved(margins); }

// The frame margins of a window as the window system has them now (0 before it is framed).
QMargins FrameMarginsOf(const QWidget& w);

// The main window's placement for the time of a debugging session: taken before it is narrowed
// and put back exactly (normal or maximized) afterwards.
class SavedPlacement {
 public:
  void Save(const QWidget& w);
  // Puts the saved placement back; false when nothing was saved.
  bool Restore(QWidget& w);
  bool saved() const { return !geometry_.isEmpty(); }
  bool was_maximized() const { return maximized_; }
  // The client rectangle of the normal window at the save.
  QRect normal_geometry() const { return normal_; }
  void Clear();

 private:
  QByteArray geometry_;
  QRect normal_;
  bool maximized_ = false;
};

// Puts the three windows where PlaceDebugWindows says. `main_frame` is the main window's frame
// to start from; a window that has no frame yet (not shown) is assumed to get the margins the
// main window has. Returns the layout that was set.
DebugLayout PlaceDebugWindowsOn(QWidget& main, QWidget& debug, QWidget& variable, int variable_width,
                                const QRect& main_frame);

// Lets the window manager frame the shown windows (at most `ms` milliseconds); true when each
// has its frame margins now. Without a window manager (no margins on the main window) it returns
// at once.
bool WaitForFrames(const QWidget& main, std::initializer_list<const QWidget*> windows, int ms);

}  // namespace vn::shell
