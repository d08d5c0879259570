// Pictures of the main window with Korean menus, its Run menu, the object code view and the
// dialogs, written to the build tree (screenshots/) for anyone to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include "shell/code_editor.h"
#include "shell/editor_settings.h"
#include "shell/output_view_window.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::IdeRig;
using testing::ScratchDir;

void Save(const QImage& image, const char* name) {
  ASSERT_FALSE(image.isNull());
  ASSERT_TRUE(QDir().mkpath(VN_SCREENSHOT_DIR));
  const bool x = QGuiApplication::platformName() == "xcb";
  const QString file = QStringLiteral(VN_SCREENSHOT_DIR "/") + QString::fromLatin1(name) +
                       (x ? QStringLiteral(".png") : QStringLiteral("-offscreen.png"));
  ASSERT_TRUE(image.save(file)) << file.toStdString();
  std::cout << "screenshot: " << file.toStdString() << "\n";
}

void KoreanSettings(const ScratchDir& dir) {
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

TEST(Screenshot, TheMainWindowWithKoreanMenus) {
  ScratchDir dir;
  KoreanSettings(dir);
  IdeRig rig(dir);
  rig.Start(CopyExample(dir, "display_counter.bas"));
  MainWindow& w = *rig.window;
  EXPECT_EQ(w.menu("mnuRunTop")->title(), "실행(&R)");
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  // Let the program count for a moment, so the dock's display shows it.
  rig.devices.AdvanceVirtualTime(1'500'000'000);
  rig.commands->OnVirtualTime();
  QApplication::processEvents();
  Save(w.grab().toImage(), "vnstudio-main-korean");

  QMenu* run = w.menu("mnuRunTop");
  run->popup(w.mapToGlobal(QPoint(0, w.menuBar()->height())));
  QApplication::processEvents();
  Save(run->grab().toImage(), "vnstudio-menu-korean");
  run->hide();
}

TEST(Screenshot, TheObjectCodeView) {
  ScratchDir dir;
  KoreanSettings(dir);
  IdeRig rig(dir);
  rig.Start(CopyExample(dir, "loops.bas"));
  rig.Trigger("mnuSyntaxCheck");
  rig.Trigger("mnuViewObjectCode");
  OutputView* view = rig.commands->view(OutputViewKind::kCode);
  ASSERT_NE(view, nullptr);
  view->resize(460, 24 * view->line_height());
  QApplication::processEvents();
  EXPECT_EQ(view->Rows().front(), "0 : 20 20 20 20 20 20 20 20 ");
  Save(view->grab().toImage(), "vnstudio-object-code");
}

TEST(Screenshot, TheTipPortSetupAndAboutDialogs) {
  ScratchDir dir;
  KoreanSettings(dir);
  IdeRig rig(dir);
  rig.time_digit = 4;
  rig.Start();
  for (const char* menu : {"mnuTipoftheday", "mnuPortSetup", "mnuAbout"}) {
    rig.on_dialog = [&](QDialog& d) {
      d.adjustSize();
      QApplication::processEvents();
      Save(d.grab().toImage(), d.objectName() == "frmTIP"           ? "vnstudio-tip"
                               : d.objectName() == "frmPrinterPort" ? "vnstudio-port-setup"
                                                                    : "vnstudio-about");
      d.close();
    };
    rig.Trigger(menu);
  }
  EXPECT_EQ(rig.dialogs, 3);
}

}  // namespace
}  // namespace vn::shell
