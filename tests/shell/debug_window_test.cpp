// Debugging in the IDE on the virtual module: the main window's Break and tmrBreak, the debug
// window's source view, highlight bar, stepping, status bar, Erase Flash and Exit, the main
// window narrowed and widened, and the check-variable and modify-variable windows.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "debug_fixtures.h"
#include "link/commands.h"
#include "shell/port_setup_dialog.h"
#include "sim/virtual_usb.h"

namespace vn::shell {
namespace {

using testing::ByteRow;
using testing::DebugRig;
using testing::ScratchDir;
using testing::VirtualCable;
using testing::Source;
using Cable = CableChoice::Cable;

// A loop with a subroutine (lines 11-13) and BREAKs on lines 3 and 9; on a VN module.
constexpr char kProgram[] =
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE\r\nN = 1\r\nBREAK\r\nAGAIN:\r\nK = K + N\r\nGOSUB BUMP\r\n"
    "IF FLAG = 0 THEN GOTO AGAIN\r\nN = 7\r\nBREAK\r\nDONE: GOTO DONE\r\nBUMP:\r\nK = K + 1\r\nRETURN\r\n";

// The same on a VNM module: every line one further down.
const std::string kProgramVnm = std::string("CONST DEVICE = WF\r\n") + kProgram;

// A loop that never stops by itself.
constexpr char kLoop[] = "DIM K AS BYTE\r\nAGAIN:\r\nK = K + 1\r\nGOTO AGAIN\r\n";

constexpr int kMainWidth = 1000;

// The messages shown, "text|title|style" each, one a line.
std::string Shown(const DebugRig& rig) {
  std::string out;
  for (const auto& m : rig.script.shown) out += (out.empty() ? "" : "\n") + m.text + "|" + m.title + "|" + std::to_string(m.style);
  return out;
}

class BreakOnCable : public ::testing::TestWithParam<Cable> {};

TEST_P(BreakOnCable, BreakOnARunningProgramOpensTheDebugWindowOnItsLine) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(GetParam(), 1));
  rig.RunProgram(Source(dir, kLoop));
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_FALSE(rig.WatchForStop(2));  // the loop announces nothing
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.DebugOpen());
  EXPECT_FALSE(rig.window->break_timer()->isActive());
  // Over USB the stop report is polled for on its own timer, and only on that one.
  EXPECT_EQ(std::pair(rig.debug()->return_status_usb_timer()->isActive(), rig.debug()->return_status_timer()->isActive()),
            std::pair(GetParam() == Cable::kUsb, false));
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.dbg().InDebug, -1);
  const int line = rig.Line();
  ASSERT_TRUE(line == 3 || line == 4) << line;
  EXPECT_EQ(rig.Row(), line - 1);
  EXPECT_EQ(rig.RowText(), line == 3 ? "K = K + 1" : "GOTO AGAIN");
  EXPECT_EQ(rig.debug()->PanelText(1).toStdString(), " PC : " + core::Hex(static_cast<unsigned long>(rig.dbg().ModulePc)));
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), line == 3 ? " Object Code : 91" : " Object Code : 88");
  EXPECT_EQ(rig.debug()->windowTitle().toStdString(), kDebugWindowTitle);
  // The VN series steps into only.
  for (const auto& [name, enabled] : std::vector<std::pair<const char*, bool>>{
           {"cmdStepInto", true}, {"cmdEraseFlash", true}, {"cmdExit", true}, {"cmdStepOver", false},
           {"cmdStepOut", false}, {"cmdModifyVariable", false}})
    EXPECT_EQ(rig.debug()->button(name)->isEnabled(), enabled) << name;
  EXPECT_FALSE(rig.debug()->menu_action("mnuReset")->isEnabled() || rig.debug()->menu_action("mnuModifyVariable")->isEnabled());
  // The main window narrowed, the debug window and the variable window right of it, as high.
  EXPECT_EQ(testing::SideBySideFault(rig), "");
  EXPECT_LT(rig.window->width(), kMainWidth);
  EXPECT_EQ(rig.debug()->frameGeometry().left(), rig.window->frameGeometry().right() + 1);
  EXPECT_EQ(rig.variables()->frameGeometry().left(), rig.debug()->frameGeometry().right() + 1);
  EXPECT_EQ(rig.debug()->geometry().height(), rig.window->geometry().height());
  EXPECT_EQ(rig.variables()->windowTitle().toStdString(), "Check Variable");
  EXPECT_EQ(rig.VariableRow("K").substr(0, 16), " K           :  ");
}

// The debug window starts and stops each polling timer as the session tells it, the one apart
// from the other.
TEST(DebugWindow, ThePollingTimersFollowTheSession) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kLoop));
  rig.Trigger("mnuBreak");
  ASSERT_TRUE(rig.Poll());
  for (const auto& [plain, usb] : {std::pair(true, false), std::pair(true, true), std::pair(false, true), std::pair(false, false)}) {
    rig.debug()->SetPolling(plain, usb);
    EXPECT_EQ(std::pair(rig.debug()->return_status_timer()->isActive(), rig.debug()->return_status_usb_timer()->isActive()),
              std::pair(plain, usb));
  }
}

INSTANTIATE_TEST_SUITE_P(Cables, BreakOnCable, ::testing::Values(Cable::kUsb, Cable::kRevB),
                         [](const ::testing::TestParamInfo<Cable>& i) {
                           return std::string(i.param == Cable::kUsb ? "Usb" : "RevB");
                         });

// On a VNM module: the keys, stepping, Reset, Modify Variable from both windows, and Exit with
// the cable gone.
TEST(DebugWindow, SteppingAndModifyingOnAVnmModule) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 6);
  DebugWindow& w = *rig.debug();
  EXPECT_TRUE(w.button("cmdStepOver")->isEnabled() && w.menu_action("mnuReset")->isEnabled());
  // A button's tip names its menu item's keys.
  for (const auto& [item, button] : {std::pair{"mnuStepOut", "cmdStepOut"}, {"mnuSingleStepinto", "cmdStepInto"}})
    EXPECT_EQ(w.button(button)->toolTip(), w.button(button)->text() + " (" + w.menu_action(item)->shortcut().toString(QKeySequence::NativeText) + ")");
  w.activateWindow();  // F8 in the debug window: a plain statement, one step
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_F8);
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 7);
  EXPECT_EQ(rig.RowText(), "GOSUB BUMP");
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), " Object Code : 89");
  ASSERT_TRUE(rig.Click("cmdStepOver"));  // the GOSUB runs whole
  EXPECT_EQ(rig.Line(), 8);
  EXPECT_EQ(rig.RowText(), "IF FLAG = 0 THEN GOTO AGAIN");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 2, "2"));
  for (int line : {8, 6, 7, 13}) ASSERT_TRUE(rig.Click("cmdStepInto") && rig.Line() == line) << line << " " << rig.Line();
  ASSERT_TRUE(rig.Click("cmdStepOut"));
  EXPECT_EQ(rig.Line(), 8);
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 4, "4"));
  // Reset: the first instruction, the variables cleared.
  rig.debug()->menu_action("mnuReset")->trigger();
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 3);
  EXPECT_EQ(rig.RowText(), "N = 1");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 0, "0"));
  EXPECT_TRUE(rig.script.shown.empty());
  // The debug window's Modify Variable: modal; an unknown name first, then K.
  rig.on_modal = [&](QDialog& d) {
    auto& m = dynamic_cast<ModifyVariableDialog&>(d);
    // Owned by the debug window: closing it gives the focus back there, not to the main window.
    EXPECT_TRUE(m.isModal() && m.parentWidget() == rig.debug());
    EXPECT_EQ(m.windowTitle().toStdString(), "Modify Variable");
    m.name_box()->setText("nothing");
    m.value_box()->setText("5");
    m.ok_button()->click();
    EXPECT_TRUE(m.isVisible());  // the dialog stays for another try
    m.name_box()->setText("k");
    m.value_box()->setText("100");
    QTest::keyClick(m.value_box(), Qt::Key_Return);  // Enter is Ok
    EXPECT_FALSE(m.isVisible());
  };
  rig.debug()->button("cmdModifyVariable")->click();
  EXPECT_EQ(rig.modal_dialogs, 1);
  EXPECT_EQ(Shown(rig), "Variable Not Found : NOTHING|VARNOLIC Studio ERROR !|64");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 100, "64"));
  // The module has it: read back after the next step (N = 1).
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 100, "64"));
  // The main menu's Modify Variable: a window of its own, not modal; asked again, the same one.
  for (int i = 0; i < 2; ++i) rig.Trigger("mnuModifyVariable");
  const auto dialogs = rig.window->findChildren<ModifyVariableDialog*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_TRUE(dialogs[0]->isVisible() && !dialogs[0]->isModal());
  EXPECT_EQ(rig.modal_dialogs, 1);
  // Exit with the cable gone: said, and the window put back all the same.
  rig.devices.virtual_usb()->faults().unplugged = true;
  rig.debug()->menu_action("mnuExit")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Shown(rig), "Variable Not Found : NOTHING|VARNOLIC Studio ERROR !|64\n"
                        "VARNOLIC module not found ! Check cable or power|VARNOLIC Studio ERROR !|64");
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_EQ(rig.window->width(), kMainWidth);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.dbg().InDebug, 0);
}

// The bar over the stopped line runs from the left edge to the scroll bar laid over the view's
// right edge, or across the whole view before there is one.
TEST(DebugWindow, TheHighlightBarCoversTheStoppedRow) {
  SourceView view(nullptr);
  view.resize(300, 120);
  view.SetRows({"N = 1", "BREAK", "K = K + N"});
  view.SetHighlightRow(1);
  const int y = view.RowHeight() * 3 / 2;
  for (int bar_right : {0, 200}) {
    view.bar_right = bar_right;
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, y / 3), QColor(Qt::white)) << bar_right;  // the row above
    EXPECT_EQ(shot.pixelColor(0, y), QColor(Qt::blue)) << bar_right;       // white under yellow, XORed
    EXPECT_EQ(shot.pixelColor(150, y), QColor(Qt::blue)) << bar_right;
    EXPECT_EQ(shot.pixelColor(250, y), bar_right == 0 ? QColor(Qt::blue) : QColor(Qt::white)) << bar_right;
  }
}

// The cable options: four, each with its caption, the virtual module last.
TEST(PortSetup, OffersFourCablesEachWithItsCaption) {
  ScratchDir dir;
  testing::WindowRig rig(dir);
  PortSetupModel model(rig.devices.link(), rig.devices);
  PortSetupDialog dialog(model);
  QStringList captions;
  for (const QRadioButton* b : dialog.findChildren<QRadioButton*>()) captions << b->text();
  ASSERT_EQ(captions.size(), 4);
  EXPECT_FALSE(captions.contains(QString()));
  EXPECT_EQ(captions.back(), "Virtual module (no hardware)");
}

TEST(DebugWindow, ExitRestoresTheMainWindowsWidth) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kProgram));
  const QRect before(40, 30, kMainWidth, 600);
  ASSERT_EQ(rig.window->geometry(), before);
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_LT(rig.window->width(), kMainWidth);
  EXPECT_EQ(rig.session->narrowed_by(), kMainWidth - rig.window->width());
  ASSERT_TRUE(rig.Click("cmdExit"));
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_FALSE(rig.variables()->isVisible());
  // Exactly as before: no width given back by arithmetic.
  EXPECT_EQ(rig.window->geometry(), before);
  EXPECT_EQ(rig.session->narrowed_by(), 0);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.module().commands().back(), link::CmdReset);  // the VN series leaves with &HE2
  EXPECT_TRUE(rig.script.shown.empty());
  // The program starts over and stops at its BREAK again; the window opens as before.
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 5);
  EXPECT_EQ(testing::SideBySideFault(rig), "");
  // The close box leaves the same way.
  rig.debug()->close();
  QApplication::processEvents();
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_EQ(rig.window->geometry(), before);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
}

TEST(DebugWindow, ClosingTheMainWindowInASessionStoresItsPlacementBeforeTheSession) {
  ScratchDir dir;
  {
    DebugRig rig(dir);
    rig.RunProgram(Source(dir, kProgram));
    ASSERT_EQ(rig.window->geometry(), QRect(40, 30, kMainWidth, 600));
    ASSERT_TRUE(rig.WatchForStop());
    ASSERT_LT(rig.window->width(), kMainWidth);
    rig.window->close();
    QApplication::processEvents();
  }
  core::RegistryStore reg(dir.registry_path());
  for (const auto& [key, value] : {std::pair{"windowstate", "0"}, {"left", "600"}, {"top", "450"}, {"width", "15000"}, {"height", "9000"}})
    EXPECT_EQ(reg.ReadString(kWindowKey, key, -1), value) << key;
}

}  // namespace
}  // namespace vn::shell
