// Where the debugging windows go, as arithmetic: frames side by side on the free area of the
// screen, the main window narrowed only by what it can give.
#include <gtest/gtest.h>

#include "shell/debug_layout.h"

namespace vn::shell {
namespace {

// Title bars and borders as a window manager draws them.
DebugLayoutInput Input(QRect area, QRect main_frame, int main_min = 500) {
  const QMargins frame(1, 20, 1, 4);
  return DebugLayoutInput{area, main_frame, {frame, QSize(main_min, 200), 0}, {frame, QSize(400, 150), 500},
                          {frame, QSize(150, 100), 360}};
}

std::string Text(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

TEST(DebugLayout, FramesSideBySideOnTheFreeArea) {
  struct Case {
    const char* what;
    DebugLayoutInput in;
    QRect main, debug, variable;
    bool overlapping;
  };
  const Case cases[] = {
      {"room enough: the main window keeps its width and place",
       Input({0, 0, 1920, 1040}, {100, 100, 700, 400}), {100, 100, 700, 400}, {800, 100, 502, 400}, {1302, 100, 362, 400}, false},
      {"near the right and bottom edges: the row moves onto the screen",
       Input({0, 0, 1920, 1040}, {1500, 700, 700, 400}), {356, 640, 700, 400}, {1056, 640, 502, 400}, {1558, 640, 362, 400}, false},
      {"from a maximized window: the whole area, the main window narrowed",
       Input({0, 28, 1366, 740}, {0, 28, 1366, 740}), {0, 28, 502, 740}, {502, 28, 502, 740}, {1004, 28, 362, 740}, false},
      {"the main window's minimum wins: the others give up their extra width",
       Input({0, 0, 1366, 740}, {228, 123, 912, 520}, 700), {0, 123, 702, 520}, {702, 123, 402, 520}, {1104, 123, 262, 520}, false},
      {"taller than the area: as high as the area",
       Input({0, 0, 1920, 740}, {0, -30, 800, 900}), {0, 0, 800, 740}, {800, 0, 502, 740}, {1302, 0, 362, 740}, false},
      {"a screen too narrow for three: the debug window over the main window only",
       Input({0, 0, 1024, 768}, {100, 100, 700, 400}), {0, 100, 662, 400}, {0, 100, 662, 400}, {662, 100, 362, 400}, true},
  };
  for (const Case& c : cases) {
    const DebugLayout out = PlaceDebugWindows(c.in);
    EXPECT_EQ(Text(out.main), Text(c.main)) << c.what;
    EXPECT_EQ(Text(out.debug), Text(c.debug)) << c.what;
    EXPECT_EQ(Text(out.variable), Text(c.variable)) << c.what;
    EXPECT_EQ(out.overlapping, c.overlapping) << c.what;
  }
}

// Every screen width and every place of the main window: inside the area, no two frames
// overlapping, no window below its minimum, the main window never wider than it was.
TEST(DebugLayout, NeverOverlappingNeverOffTheScreen) {
  int checked = 0;
  for (int width = 1100; width <= 2600; width += 61) {
    for (int x = -300; x <= 2600; x += 97) {
      for (int main_width : {300, 672, 910, 1400, 3000}) {
        const QRect area(0, 24, width, 700);
        const DebugLayoutInput in = Input(area, {x, 50, main_width, 500});
        const DebugLayout out = PlaceDebugWindows(in);
        const std::string at = std::to_string(width) + " / " + std::to_string(x) + " / " + std::to_string(main_width);
        ASSERT_FALSE(out.overlapping || out.main.intersects(out.debug) || out.main.intersects(out.variable) ||
                     out.debug.intersects(out.variable)) << at;
        for (const QRect& r : {out.main, out.debug, out.variable}) ASSERT_TRUE(area.contains(r)) << at << " " << Text(r);
        ASSERT_TRUE(out.main.width() >= 502 && out.debug.width() >= 402 && out.variable.width() >= 152) << at;
        ASSERT_LE(out.main.width(), std::max(502, main_width)) << at;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 500);
}

}  // namespace
}  // namespace vn::shell
