// Debugging in the IDE on the virtual module: the main window's Break and tmrBreak, the debug
// window's source view, highlight bar, stepping, status bar, Erase Flash and Exit, the main
// window narrowed and widened, and the check-variable and modify-variable windows.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "debug_fixtures.h"
#include "link/commands.h"
#include "sim/virtual_usb.h"

namespace vn::shell {
namespace {

using testing::ByteRow;
using testing::DebugRig;
using testing::ScratchDir;
using testing::VirtualCable;
using testing::WriteAll;
using Cable = CableChoice::Cable;

// A loop with a subroutine and two BREAKs; on a VN module (the default device).
constexpr char kProgram[] =
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE\r\n"  // 1
    "N = 1\r\n"                                   // 2
    "BREAK\r\n"                                   // 3
    "AGAIN:\r\n"                                  // 4
    "K = K + N\r\n"                               // 5
    "GOSUB BUMP\r\n"                              // 6
    "IF FLAG = 0 THEN GOTO AGAIN\r\n"             // 7
    "N = 7\r\n"                                   // 8
    "BREAK\r\n"                                   // 9
    "DONE: GOTO DONE\r\n"                         // 10
    "BUMP:\r\n"                                   // 11
    "K = K + 1\r\n"                               // 12
    "RETURN\r\n";                                 // 13

// The same on a VNM module: every line one further down.
const std::string kProgramVnm = std::string("CONST DEVICE = WF\r\n") + kProgram;

// A loop that never stops by itself.
constexpr char kLoop[] =
    "DIM K AS BYTE\r\n"  // 1
    "AGAIN:\r\n"         // 2
    "K = K + 1\r\n"      // 3
    "GOTO AGAIN\r\n";    // 4

constexpr int kMainWidth = 1000;

std::string Source(const ScratchDir& dir, const std::string& text, const char* name = "prog.bas") {
  const std::string path = dir.Doc(name);
  WriteAll(path, text);
  return path;
}

// ---- Break and the run monitor ---------------------------------------------------------------------

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
  ASSERT_TRUE(rig.Poll());
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_EQ(rig.dbg().InDebug, -1);
  const int line = rig.Line();
  ASSERT_TRUE(line == 3 || line == 4) << line;
  EXPECT_EQ(rig.dbg().SrcTopLine, 1);
  EXPECT_EQ(rig.Row(), line - 1);
  EXPECT_EQ(rig.RowText(), line == 3 ? "K = K + 1" : "GOTO AGAIN");
  EXPECT_EQ(rig.debug()->source_view()->rows().at(0), "DIM K AS BYTE");
  EXPECT_EQ(rig.debug()->PanelText(1).toStdString(), rig.dbg().StatusPc());
  EXPECT_EQ(rig.debug()->PanelText(1).toStdString(),
            " PC : " + core::Hex(static_cast<unsigned long>(rig.dbg().ModulePc)));
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), line == 3 ? " Object Code : 91" : " Object Code : 88");
  EXPECT_EQ(rig.debug()->windowTitle().toStdString(), kDebugWindowTitle);
  // The VN series steps into only.
  for (const auto& [name, enabled] : std::vector<std::pair<const char*, bool>>{
           {"cmdStepInto", true}, {"cmdEraseFlash", true}, {"cmdExit", true}, {"cmdStepOver", false},
           {"cmdStepOut", false}, {"cmdModifyVariable", false}})
    EXPECT_EQ(rig.debug()->button(name)->isEnabled(), enabled) << name;
  EXPECT_FALSE(rig.debug()->menu_action("mnuReset")->isEnabled());
  EXPECT_FALSE(rig.debug()->menu_action("mnuModifyVariable")->isEnabled());
  // The arrangement: the main window narrowed, the debug window and the variable window to its
  // right, all as high as the main window was.
  ASSERT_NE(rig.variables(), nullptr);
  EXPECT_TRUE(rig.variables()->isVisible());
  EXPECT_EQ(testing::SideBySideFault(rig), "");
  EXPECT_LT(rig.window->width(), kMainWidth);
  EXPECT_EQ(rig.debug()->frameGeometry().left(), rig.window->frameGeometry().right() + 1);
  EXPECT_EQ(rig.variables()->frameGeometry().left(), rig.debug()->frameGeometry().right() + 1);
  EXPECT_EQ(rig.debug()->geometry().height(), rig.window->geometry().height());
  EXPECT_EQ(rig.variables()->windowTitle().toStdString(), "Check Variable");
  EXPECT_EQ(rig.VariableRow("K").substr(0, 16), " K           :  ");
}

INSTANTIATE_TEST_SUITE_P(Cables, BreakOnCable, ::testing::Values(Cable::kUsb, Cable::kRevB),
                         [](const ::testing::TestParamInfo<Cable>& i) {
                           return std::string(i.param == Cable::kUsb ? "Usb" : "RevB");
                         });

// ---- Stepping --------------------------------------------------------------------------------------

TEST(DebugWindow, StepOverPassesAGosubOnAVnmModule) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 6);
  EXPECT_TRUE(rig.debug()->button("cmdStepOver")->isEnabled());
  EXPECT_TRUE(rig.debug()->menu_action("mnuReset")->isEnabled());
  DebugWindow& w = *rig.debug();
  const std::pair<const char*, QKeySequence> keys[] = {
      {"mnuBreak", QKeySequence(Qt::Key_F6)},          {"mnuSingleStepinto", QKeySequence(Qt::Key_F7)},
      {"mnuStepover", QKeySequence(Qt::Key_F8)},       {"mnuStepOut", QKeySequence(Qt::SHIFT | Qt::Key_F8)},
      {"mnuReset", QKeySequence(Qt::CTRL | Qt::Key_F2)}};
  for (const auto& [item, k] : keys) EXPECT_EQ(w.menu_action(item)->shortcut(), k) << item;
  // Each button's tip names its keys.
  for (const auto& [button, k] : {std::pair{"cmdBreak", "F6"}, {"cmdStepInto", "F7"}, {"cmdStepOver", "F8"},
                                  {"cmdStepOut", "Shift+F8"}})
    EXPECT_EQ(w.button(button)->toolTip(), w.button(button)->text() + " (" + QKeySequence(k).toString(QKeySequence::NativeText) + ")")
        << button;
  w.activateWindow();  // F8 in the debug window: a plain statement, one step
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_F8);
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 7);
  EXPECT_EQ(rig.RowText(), "GOSUB BUMP");
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), " Object Code : 89");
  ASSERT_TRUE(rig.Click("cmdStepOver"));  // the GOSUB runs whole
  EXPECT_EQ(rig.Line(), 8);
  EXPECT_EQ(rig.Row(), 7);
  EXPECT_EQ(rig.RowText(), "IF FLAG = 0 THEN GOTO AGAIN");
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 2, "2"));
  // Into the subroutine and out of it again.
  for (int line : {8, 6, 7, 13}) {
    ASSERT_TRUE(rig.Click("cmdStepInto"));
    ASSERT_EQ(rig.Line(), line);
  }
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
}

// ---- The variable windows ---------------------------------------------------------------------------

TEST(DebugWindow, ModifyVariableChangesAValueThatCheckVariableLists) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 0, "0"));
  // The debug window's Modify Variable: modal; an unknown name first, then K.
  rig.on_modal = [&](QDialog& d) {
    auto& m = dynamic_cast<ModifyVariableDialog&>(d);
    EXPECT_TRUE(m.isModal());
    // Owned by the debug window: closing it gives the focus back there, not to the main window.
    EXPECT_EQ(m.parentWidget(), rig.debug());
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
  ASSERT_TRUE(rig.debug()->button("cmdModifyVariable")->isEnabled());
  rig.debug()->button("cmdModifyVariable")->click();
  EXPECT_EQ(rig.modal_dialogs, 1);
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Variable Not Found : NOTHING");
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.script.shown[0].style, 64);
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 100, "64"));
  // The module has it: the next step adds N to it.
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 101, "65"));
}

// ---- Leaving -----------------------------------------------------------------------------------------

TEST(DebugWindow, ExitRestoresTheMainWindowsWidth) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kProgram));
  const QRect before(40, 30, kMainWidth, 600);
  EXPECT_EQ(rig.window->geometry(), before);
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(testing::SideBySideFault(rig), "");
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
  EXPECT_LT(rig.window->width(), kMainWidth);
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
  EXPECT_EQ(reg.ReadString(kWindowKey, "windowstate", -1), "0");
  EXPECT_EQ(reg.ReadString(kWindowKey, "left", 0), "600");
  EXPECT_EQ(reg.ReadString(kWindowKey, "top", 0), "450");
  EXPECT_EQ(reg.ReadString(kWindowKey, "width", 0), "15000");
  EXPECT_EQ(reg.ReadString(kWindowKey, "height", 0), "9000");
}

TEST(DebugWindow, ExitWithTheCableGoneStillRestoresTheWindow) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  rig.devices.virtual_usb()->faults().unplugged = true;
  rig.debug()->menu_action("mnuExit")->trigger();
  QApplication::processEvents();
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "VARNOLIC module not found ! Check cable or power");
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.script.shown[0].style, 64);
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_EQ(rig.window->width(), kMainWidth);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.dbg().InDebug, 0);
}

// (On a VNM module the README's walk-through erases.)
TEST(DebugWindow, EraseFlashLeavesTheClearingProgram) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kProgram));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_NE(rig.module().FlashByte(25), 24);
  ASSERT_TRUE(rig.Click("cmdEraseFlash"));
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_EQ(rig.window->width(), kMainWidth);
  // A jump to its own address at 24, nothing else of the program left to run.
  EXPECT_EQ(rig.module().FlashByte(24), 0x88);
  EXPECT_EQ(rig.module().FlashByte(25), 24);
  EXPECT_EQ(rig.module().FlashByte(26), 0);
  EXPECT_FALSE(rig.window->studio().compiler().CompiledOK);
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  EXPECT_FALSE(rig.window->transfer_active());
  // No stop comes any more, and Break wants a new Run.
  EXPECT_FALSE(rig.WatchForStop(4));
  rig.Trigger("mnuBreak");
  ASSERT_FALSE(rig.script.shown.empty());
  EXPECT_EQ(rig.script.shown.back().text, "No compile infomation ! Try Run !");
}

}  // namespace
}  // namespace vn::shell
