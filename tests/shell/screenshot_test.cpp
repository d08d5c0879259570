// A picture of the main window with an example program open and the colouring on, written to
// the build tree (screenshots/vnstudio-main.png) for anyone to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include "shell/code_editor.h"
#include "shell/editor_settings.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::ScratchDir;
using testing::WindowRig;

TEST(Screenshot, MainWindowWithAnExampleProgram) {
  ScratchDir dir;
  {
    core::RegistryStore reg(dir.registry_path());
    reg.WriteString(kOptionsKey, "colorsyntax", "True");
    reg.WriteString(kDataKey, "numbering", "True");
    reg.WriteString(kFontKey, "size", "10");
    reg.WriteString(kWindowKey, "width", "13500");
    reg.WriteString(kWindowKey, "height", "9000");
  }
  WindowRig rig(dir);
  rig.Start(CopyExample(dir, "loops.bas"));
  rig.window->editor().setCursorPosition(8, 12);
  rig.window->editor().ExecuteCommand(204, 0);  // a bookmark, to show the margin
  QApplication::processEvents();
  const QImage image = rig.window->grab().toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(900, 600) * image.devicePixelRatio());
  // Keywords are drawn in their blue: the colouring is on.
  long blue = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(0, 0, 255)) ++blue;
  EXPECT_GT(blue, 200);
  ASSERT_TRUE(QDir().mkpath(VN_SCREENSHOT_DIR));
  // The picture under X is the one to look at; the offscreen run keeps its own beside it.
  const QString file = QStringLiteral(VN_SCREENSHOT_DIR) +
                       (QGuiApplication::platformName() == "xcb" ? "/vnstudio-main.png" : "/vnstudio-main-offscreen.png");
  ASSERT_TRUE(image.save(file)) << file.toStdString();
  std::cout << "screenshot: " << file.toStdString() << "\n";
}

}  // namespace
}  // namespace vn::shell
