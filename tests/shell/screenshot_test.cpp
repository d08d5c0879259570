// The main window as it is drawn, with Korean menus, a coloured example program and the virtual
// module's dock: the Hangul of the menus is drawn as Hangul, the editor and the dock share no
// pixel and neither is blank. The pictures go to the build tree (screenshots/) for the docs;
// under X (the shell_screenshot_xvfb test) they are the ones to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

#include "shell/code_editor.h"
#include "shell/editor_settings.h"
#include "shell/virtual_module_dock.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::IdeRig;
using testing::ScratchDir;

void Save(const QImage& image, const char* name) {
  ASSERT_TRUE(QDir().mkpath(VN_SCREENSHOT_DIR));
  const QString file = QStringLiteral(VN_SCREENSHOT_DIR "/") + QString::fromLatin1(name) +
                       (QGuiApplication::platformName() == "xcb" ? ".png" : "-offscreen.png");
  ASSERT_TRUE(image.save(file)) << file.toStdString();
}

// The pixels of `rect` in `image` that are not the colour of its top left corner.
long InkIn(const QImage& image, const QRect& rect) {
  const QRect r = rect.intersected(image.rect());
  const QColor paper = image.pixelColor(r.topLeft());
  long ink = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ink += image.pixelColor(x, y) != paper;
  return ink;
}

// One character drawn in `font` on white.
QImage Glyph(const QFont& font, char32_t ch) {
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(image.rect(), Qt::AlignCenter, QString::fromUcs4(&ch, 1));
  return image;
}

TEST(Screenshot, TheMainWindowWithKoreanMenus) {
  ScratchDir dir;
  {
    core::IniFile ini(dir.ini_path());
    ini.WriteString("MenuSetting", "Korean", "-1");
    ini.WriteString("Setup", "TipShow", "0");
    core::RegistryStore reg(dir.registry_path());
    reg.WriteString(kOptionsKey, "colorsyntax", "True");
    reg.WriteString(kDataKey, "numbering", "True");
    reg.WriteString(kFontKey, "size", "10");
    reg.WriteString(kWindowKey, "width", "16500");
    reg.WriteString(kWindowKey, "height", "10500");
  }
  IdeRig rig(dir);
  rig.Start(CopyExample(dir, "display_counter.bas"));
  MainWindow& w = *rig.window;
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  rig.devices.AdvanceVirtualTime(1'500'000'000);  // let the display count a while
  rig.commands->OnVirtualTime();
  QApplication::processEvents();
  const QImage image = w.grab().toImage();
  ASSERT_FALSE(image.isNull());
  const qreal ratio = image.devicePixelRatio();
  const auto in_image = [&](QWidget* widget) {
    const QRect r(widget->mapTo(&w, QPoint(0, 0)), widget->size());
    return QRect(r.topLeft() * ratio, r.size() * ratio);
  };

  // The font of the menus draws Hangul (two syllables differ; two boxes of a missing glyph
  // would not), and the File menu's
  // title holds ink where its Korean caption is.
  const QFont font = w.menuBar()->font();
  EXPECT_NE(Glyph(font, U'파'), Glyph(font, U'바')) << "no Hangul glyph in " << font.family().toStdString();
  EXPECT_EQ(w.menu("mnuFile")->title(), QString::fromUtf8("파일(&F)"));
  const QRect title = w.menuBar()->actionGeometry(w.menu("mnuFile")->menuAction());
  const QRect title_in_image((w.menuBar()->mapTo(&w, title.topLeft())) * ratio, title.size() * ratio);
  EXPECT_GT(InkIn(image, title_in_image), 30);

  // The editor shows the program coloured (keywords in blue) and the dock its display; side by
  // side, not one over the other.
  VirtualModuleDock* dock = rig.commands->dock();
  ASSERT_NE(dock, nullptr);
  const QRect editor = in_image(&w.editor()), module = in_image(dock);
  EXPECT_FALSE(editor.intersects(module));
  long blue = 0;
  for (int y = editor.top(); y <= editor.bottom(); ++y)
    for (int x = editor.left(); x <= editor.right(); ++x) blue += image.pixelColor(x, y) == QColor(0, 0, 255);
  EXPECT_GT(blue, 200);
  EXPECT_GT(InkIn(image, in_image(dock->display_view())), 100);
  Save(image, "vnstudio-main-korean");
}

}  // namespace
}  // namespace vn::shell
