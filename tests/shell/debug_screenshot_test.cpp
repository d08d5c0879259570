// A picture of the debug window stopped on a line, with the check-variable window beside it,
// written to the build tree (screenshots/vnstudio-debug.png) for anyone to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "debug_fixtures.h"

namespace vn::shell {
namespace {

using testing::DebugRig;
using testing::ScratchDir;
using testing::VirtualCable;
using testing::WriteAll;

constexpr char kCounter[] =
    "' Counts rounds and keeps a running total; stops at BREAK every round.\r\n"
    "CONST DEVICE = WF\r\n"
    "DIM ROUNDS AS BYTE, TOTAL AS INTEGER\r\n"
    "DIM LEVELS(4) AS BYTE\r\n"
    "\r\n"
    "AGAIN:\r\n"
    "    ROUNDS = ROUNDS + 1\r\n"
    "    GOSUB ADDUP\r\n"
    "    BREAK\r\n"
    "    LEVELS(1) = ROUNDS\r\n"
    "    GOTO AGAIN\r\n"
    "\r\n"
    "ADDUP:\r\n"
    "    TOTAL = TOTAL + ROUNDS\r\n"
    "    RETURN\r\n";

TEST(Screenshot, TheDebugWindowStoppedOnALine) {
  ScratchDir dir;
  const std::string path = dir.Doc("counter.bas");
  WriteAll(path, kCounter);
  DebugRig rig(dir, VirtualCable(CableChoice::Cable::kUsb, 2));
  rig.RunProgram(path);
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  ASSERT_TRUE(rig.WatchForStop());
  // Round twice more, then into the subroutine.
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(rig.Click("cmdExit"));
    ASSERT_TRUE(rig.WatchForStop());
  }
  for (int line : {11, 7, 8, 14}) {
    ASSERT_TRUE(rig.Click("cmdStepInto"));
    ASSERT_EQ(rig.Line(), line);
  }
  EXPECT_EQ(rig.RowText(), "    TOTAL = TOTAL + ROUNDS");
  EXPECT_EQ(rig.VariableRow("ROUNDS"), testing::ByteRow("ROUNDS", 4, "4"));
  QApplication::processEvents();

  const QImage left = rig.debug()->grab().toImage();
  const QImage right = rig.variables()->grab().toImage();
  ASSERT_FALSE(left.isNull());
  ASSERT_FALSE(right.isNull());
  QImage image(left.width() + right.width(), std::max(left.height(), right.height()), QImage::Format_RGB32);
  image.fill(Qt::darkGray);
  {
    QPainter p(&image);
    p.drawImage(0, 0, left);
    p.drawImage(left.width(), 0, right);
  }
  ASSERT_TRUE(QDir().mkpath(VN_SCREENSHOT_DIR));
  const QString file = QStringLiteral(VN_SCREENSHOT_DIR) + (QGuiApplication::platformName() == "xcb"
                                                                ? "/vnstudio-debug.png"
                                                                : "/vnstudio-debug-offscreen.png");
  ASSERT_TRUE(image.save(file)) << file.toStdString();
  std::cout << "screenshot: " << file.toStdString() << "\n";
}

}  // namespace
}  // namespace vn::shell
