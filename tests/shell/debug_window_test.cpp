// Debugging in the IDE on the virtual module: the main window's Break and tmrBreak, the debug
// window's source view, highlight bar, stepping, status bar, Erase Flash and Exit, the main
// window narrowed and widened, and the check-variable and modify-variable windows.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "debug_fixtures.h"
#include "link/commands.h"
#include "sim/virtual_usb.h"
#include "sim/wire.h"

namespace vn::shell {
namespace {

using testing::ByteRow;
using testing::kPollTickNs;
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

TEST(DebugWindow, StepIntoMovesTheHighlight) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kProgram));
  ASSERT_TRUE(rig.WatchForStop());  // the BREAK on line 3
  EXPECT_EQ(rig.dbg().InDebug, 0);
  EXPECT_FALSE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.Line(), 5);
  EXPECT_EQ(rig.Row(), 4);
  EXPECT_EQ(rig.RowText(), "K = K + N");
  EXPECT_EQ(rig.debug()->PanelText(2).toStdString(), " Object Code : 91");
  struct Expect {
    int line;
    const char* text;
  };
  const Expect steps[] = {{6, "GOSUB BUMP"}, {12, "K = K + 1"}, {13, "RETURN"}, {7, "IF FLAG = 0 THEN GOTO AGAIN"},
                          {7, "IF FLAG = 0 THEN GOTO AGAIN"}, {5, "K = K + N"}};
  for (const Expect& e : steps) {
    ASSERT_TRUE(rig.Click("cmdStepInto"));
    EXPECT_EQ(rig.Line(), e.line);
    EXPECT_EQ(rig.Row(), e.line - 1);
    EXPECT_EQ(rig.RowText(), e.text);
    EXPECT_EQ(rig.debug()->PanelText(1).toStdString(), rig.dbg().StatusPc());
  }
  EXPECT_TRUE(rig.script.shown.empty());
  // The listing followed: K went 0 -> 1 (line 5) -> 2 (line 12).
  EXPECT_EQ(rig.VariableRow("K"), ByteRow("K", 2, "2"));
  // The menu item does what the button does.
  rig.debug()->menu_action("mnuSingleStepinto")->trigger();
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 6);
  EXPECT_EQ(rig.Row(), 5);
}

TEST(DebugWindow, StepOverPassesAGosubOnAVnmModule) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 6);
  EXPECT_TRUE(rig.debug()->button("cmdStepOver")->isEnabled());
  EXPECT_TRUE(rig.debug()->menu_action("mnuReset")->isEnabled());
  ASSERT_TRUE(rig.Click("cmdStepOver"));  // a plain statement: one step
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

TEST(DebugWindow, ItShowsWhetherTheModuleRunsAndBreaksItWithF6) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir,
                        "CONST DEVICE = WF\r\n"  // 1
                        "DIM K AS BYTE\r\n"      // 2
                        "BREAK\r\n"              // 3
                        "K = 1\r\n"              // 4
                        "GOSUB SPIN\r\n"         // 5
                        "DONE: GOTO DONE\r\n"    // 6
                        "SPIN:\r\n"              // 7
                        "K = K + 1\r\n"          // 8
                        "GOTO SPIN\r\n"));       // 9
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  ASSERT_TRUE(rig.WatchForStop());
  ASSERT_TRUE(rig.Poll());
  DebugWindow& w = *rig.debug();
  EXPECT_EQ(rig.Line(), 4);
  EXPECT_EQ(w.StateText().toStdString(), "Stopped at line 4");
  ASSERT_NE(w.button("cmdBreak"), nullptr);
  EXPECT_FALSE(w.button("cmdBreak")->isEnabled());
  EXPECT_FALSE(w.menu_action("mnuBreak")->isEnabled());
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(w.StateText().toStdString(), "Stopped at line 5");
  // Over a GOSUB that never returns: the program runs on.
  w.button("cmdStepOver")->click();
  EXPECT_FALSE(rig.Poll(20));
  EXPECT_EQ(w.StateText().toStdString(), "Running");
  EXPECT_TRUE(w.button("cmdBreak")->isEnabled());
  EXPECT_TRUE(w.menu_action("mnuBreak")->isEnabled());
  // F6 in the debug window breaks into it again.
  w.activateWindow();
  w.source_view()->setFocus();
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_F6);
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(w.StateText().toStdString(), "Stopped at line " + std::to_string(rig.Line()));
  EXPECT_GE(rig.Line(), 8);
  EXPECT_LE(rig.Line(), 9);
  EXPECT_FALSE(w.button("cmdBreak")->isEnabled());
  EXPECT_TRUE(rig.DebugOpen());
  EXPECT_TRUE(rig.script.shown.empty());
  // The state line follows the menu language.
  rig.window->studio().UseKorean = true;
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(w.StateText().toStdString(), std::to_string(rig.Line()) + "행에서 정지");
}

TEST(DebugWindow, TheKeysOfTheCommandsAreInTheMenuAndTheToolTips) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  ASSERT_TRUE(rig.WatchForStop());
  DebugWindow& w = *rig.debug();
  const struct {
    const char* item;
    const char* button;
    QKeySequence keys;
  } cases[] = {
      {"mnuBreak", "cmdBreak", QKeySequence(Qt::Key_F6)},
      {"mnuSingleStepinto", "cmdStepInto", QKeySequence(Qt::Key_F7)},
      {"mnuStepover", "cmdStepOver", QKeySequence(Qt::Key_F8)},
      {"mnuStepOut", "cmdStepOut", QKeySequence(Qt::SHIFT | Qt::Key_F8)},
      {"mnuReset", nullptr, QKeySequence(Qt::CTRL | Qt::Key_F2)},
  };
  for (const auto& c : cases) {
    ASSERT_NE(w.menu_action(c.item), nullptr) << c.item;
    EXPECT_EQ(w.menu_action(c.item)->shortcut(), c.keys) << c.item;
    if (c.button != nullptr) {
      EXPECT_EQ(w.button(c.button)->toolTip(),
                w.button(c.button)->text() + " (" + c.keys.toString(QKeySequence::NativeText) + ")")
          << c.button;
    }
  }
  // F8 steps over in the debug window.
  EXPECT_EQ(rig.Line(), 6);
  w.activateWindow();
  QApplication::processEvents();
  QTest::keyClick(&w, Qt::Key_F8);
  ASSERT_TRUE(rig.Poll());
  EXPECT_EQ(rig.Line(), 7);
}

TEST(DebugWindow, EveryButtonShowsAtTheNarrowestWidthInBothLanguages) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, 2));
  rig.RunProgram(Source(dir, kProgramVnm));
  for (int korean : {0, -1}) {
    rig.window->studio().UseKorean = korean;
    rig.Trigger("mnuBreak");
    ASSERT_TRUE(rig.DebugOpen());
    ASSERT_TRUE(rig.Poll());
    DebugWindow& w = *rig.debug();
    w.resize(1, w.height());
    QApplication::processEvents();
    const auto* bar = w.findChild<QToolBar*>("Toolbar1");
    ASSERT_NE(bar, nullptr);
    for (const char* name : {"cmdBreak", "cmdStepInto", "cmdStepOver", "cmdStepOut", "cmdModifyVariable",
                             "cmdEraseFlash", "cmdExit"}) {
      QToolButton* b = w.button(name);
      EXPECT_TRUE(b->isVisible()) << name << " " << korean;
      EXPECT_TRUE(bar->rect().contains(b->geometry())) << name << " " << korean;
    }
    // The captions of the menu language; the step commands keep their English names.
    EXPECT_EQ(w.button("cmdModifyVariable")->text().toStdString(), korean ? "변수 수정" : "Modify Variable");
    EXPECT_EQ(w.button("cmdEraseFlash")->text().toStdString(), korean ? "메모리 초기화" : "Erase Flash");
    EXPECT_EQ(w.button("cmdExit")->text().toStdString(), korean ? "종료" : "Exit");
    EXPECT_EQ(w.button("cmdStepInto")->text().toStdString(), "Step Into");
    ASSERT_TRUE(rig.Click("cmdExit"));
  }
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

  // Let the program run, then set FLAG from the main menu (modeless) while it runs: the loop
  // ends at the second BREAK, and Check Variable lists what the program did.
  ASSERT_TRUE(rig.Click("cmdExit"));
  EXPECT_FALSE(rig.DebugOpen());
  EXPECT_FALSE(rig.variables()->isVisible());
  ASSERT_TRUE(rig.window->action("mnuModifyVariable")->isEnabled());
  rig.Trigger("mnuModifyVariable");
  ModifyVariableDialog* m = rig.session->modify_dialog();
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->parentWidget(), rig.window.get());
  EXPECT_FALSE(m->isModal());
  m->name_box()->setText("FLAG");
  m->value_box()->setText("1");
  m->ok_button()->click();
  EXPECT_FALSE(m->isVisible());
  ASSERT_TRUE(rig.WatchForStop());
  EXPECT_EQ(rig.Line(), 11);  // after the BREAK on line 10
  rig.Trigger("mnuCheckVariable");
  EXPECT_EQ(rig.VariableRow("FLAG"), ByteRow("FLAG", 1, "1"));
  EXPECT_EQ(rig.VariableRow("N"), ByteRow("N", 7, "7"));
  EXPECT_EQ(rig.script.shown.size(), 1u);
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

class EraseOnSeries : public ::testing::TestWithParam<int> {};

TEST_P(EraseOnSeries, EraseFlashLeavesTheClearingProgram) {
  ScratchDir dir;
  DebugRig rig(dir, VirtualCable(Cable::kUsb, GetParam()));
  rig.RunProgram(Source(dir, GetParam() == 1 ? std::string(kProgram) : kProgramVnm));
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

INSTANTIATE_TEST_SUITE_P(Series, EraseOnSeries, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return std::string(i.param == 1 ? "Vn" : "Vnm"); });

// ---- Captions and placement ------------------------------------------------------------------------

TEST(DebugWindow, TheScrollBarMovesTheText) {
  ScratchDir dir;
  DebugRig rig(dir);
  rig.RunProgram(Source(dir, kProgram));
  ASSERT_TRUE(rig.WatchForStop());
  QScrollBar* bar = rig.debug()->scroll_bar();
  EXPECT_EQ(bar->maximum(), rig.window->studio().compiler().LineCountPlus1);
  bar->setValue(4);
  EXPECT_EQ(rig.dbg().SrcTopLine, 4);
  EXPECT_EQ(rig.debug()->source_view()->rows().at(0), "AGAIN:");
  EXPECT_EQ(rig.Row(), 1);  // line 5 on the second row now
  // A step scrolls back so that the stop shows.
  bar->setValue(9);
  EXPECT_EQ(rig.Row(), -1);
  ASSERT_TRUE(rig.Click("cmdStepInto"));
  EXPECT_EQ(rig.Line(), 6);
  EXPECT_EQ(rig.dbg().SrcTopLine, 6);
  EXPECT_EQ(bar->value(), 6);
  EXPECT_EQ(rig.RowText(), "GOSUB BUMP");
}

}  // namespace
}  // namespace vn::shell
