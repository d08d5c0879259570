// The output views: their rows for known programs, their scrolling and centring, and the
// flash view showing the module's bytes where they differ from the compiled code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

#include "compiler/compiler.h"
#include "link/flash.h"
#include "shell/output_view_window.h"
#include "shell/output_views.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::IdeRig;
using testing::ScratchDir;
using testing::WriteAll;

// Compiles to 54 (&H36) bytes with four labels.
constexpr char kViewsProgram[] =
    "DIM A AS BYTE\r\nSTART:\r\n    A = A + 1\r\n    IF A > 9 THEN GOTO DONE\r\n    GOTO START\r\nDONE:\r\n"
    "    GOTO DONE\r\n";
// Ten labels at the first instruction: the list scrolls by eight.
constexpr char kLabelsProgram[] = "L0:\r\nL1:\r\nL2:\r\nL3:\r\nL4:\r\nL5:\r\nL6:\r\nL7:\r\nL8:\r\nL9:\r\n GOTO L0\r\n";
// The smallest program: its code ends at 27.
constexpr char kEndAt27[] = "L:\r\n GOTO L\r\n";

const std::vector<std::string> kViewsCodeRows = {
    "0 : 20 20 20 20 20 20 20 20 ", "8 : 20 20 20 20 20 20 20 20 ", "10 : 20 20 20 20 20 20 20 20 ",
    "18 : 91 15 A0 15 A0 21 11 17 ", "20 : 00 80 2D 00 15 A0 31 12 ", "28 : 09 00 88 30 00 88 18 00 ",
    "30 : 88 30 00 88 33 00 00 00 ",
};

std::unique_ptr<compiler::Compiler> Compiled(const char* source) {
  auto c = std::make_unique<compiler::Compiler>();
  EXPECT_EQ(c->CompileSource(source), 0) << c->OutcomeText();
  return c;
}

TEST(OutputViews, RowsOfKnownPrograms) {
  const auto views = Compiled(kViewsProgram);
  const auto labels = Compiled(kLabelsProgram);
  ASSERT_EQ(views->CodeAddr, 0x36);
  link::FlashImage flash;
  for (long a = 0; a < 0x40; ++a) flash.Set(a, static_cast<int>(a));
  struct Case {
    const char* what;
    OutputViewKind kind;
    const compiler::Compiler* compiled;
    long top_row;
    int max_rows;
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases = {
      {"all code rows", OutputViewKind::kCode, views.get(), 0, 100, kViewsCodeRows},
      {"the window's height", OutputViewKind::kCode, views.get(), 0, 2, {kViewsCodeRows[0], kViewsCodeRows[1]}},
      {"scrolled to 5", OutputViewKind::kCode, views.get(), 5, 100, {kViewsCodeRows[5], kViewsCodeRows[6]}},
      {"scrolled past the end", OutputViewKind::kCode, views.get(), 7, 100, {}},
      {"labels", OutputViewKind::kLabel, views.get(), 0, 100,
       {" 0  : START = 18", " 1  : _x10 = 2D", " 2  : _y10_0 = 2D", " 3  : DONE = 30"}},
      {"labels scrolled to 1 start at label 8", OutputViewKind::kLabel, labels.get(), 1, 100,
       {" 8  : L8 = 18", " 9  : L9 = 18"}},
      {"labels within the height", OutputViewKind::kLabel, labels.get(), 0, 3,
       {" 0  : L0 = 18", " 1  : L1 = 18", " 2  : L2 = 18"}},
      {"labels past the end", OutputViewKind::kLabel, labels.get(), 4999, 100, {}},
      {"flash rows stop at CodeAddr", OutputViewKind::kFlash, views.get(), 5, 100,
       {"28 : 28 29 2A 2B 2C 2D 2E 2F ", "30 : 30 31 32 33 34 35 36 37 "}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ViewRows(c.kind, *c.compiled, flash, c.top_row, c.max_rows), c.rows) << c.what;
}

TEST(OutputViews, ACodeEndingAt27ShowsFourRowsTheLastUpTo31) {
  const auto c = Compiled(kEndAt27);
  c->CodeAddr = 27;  // without the end-of-program jump
  link::FlashImage flash;
  const auto rows = ViewRows(OutputViewKind::kCode, *c, flash, 0, 100);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3], "18 : 88 18 00 88 1B 00 00 00 ");
  EXPECT_EQ(ScrollMaximum(OutputViewKind::kCode, 27), 3);
  EXPECT_EQ(ScrollMaximum(OutputViewKind::kLabel, 27), 5000);
}

TEST(OutputViews, RowsGoOnUntilOneHasPassedTheBottom) {
  struct Case {
    int height, line_height, rows;
  };
  for (const Case& c : {Case{0, 16, 1}, Case{15, 16, 1}, Case{16, 16, 2}, Case{100, 16, 7}, Case{100, 0, 0}})
    EXPECT_EQ(RowsThatFit(c.height, c.line_height), c.rows) << c.height << "/" << c.line_height;
  EXPECT_EQ(CentredOrigin(1280, 800, 520, 330), (Origin{380, 235}));
  EXPECT_EQ(CentredOrigin(800, 600, 801, 600), (Origin{0, 0}));
}

// The view's rows in the window, and the scroll bar's range.
void ExpectCentred(QWidget& w) {
  const QRect s = w.screen()->geometry();
  EXPECT_EQ(w.pos(), QPoint(s.x() + (s.width() - w.width()) / 2, s.y() + (s.height() - w.height()) / 2));
}

TEST(OutputViewWindows, WithoutACompileTheViewsSayNoCompileAndOpenNothing) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  for (const char* menu : {"mnuViewObjectCode", "mnuViewLabelList", "mnuReadFlashMemory"}) {
    rig.script.shown.clear();
    rig.Trigger(menu);
    ASSERT_EQ(rig.script.shown.size(), 1u) << menu;
    EXPECT_EQ(rig.script.shown[0].text, "No compile infomation ! Try Run !");
    EXPECT_EQ(rig.script.shown[0].title, "VNstudio");
    EXPECT_EQ(rig.script.shown[0].style, 0);
  }
  for (OutputViewKind k : {OutputViewKind::kCode, OutputViewKind::kLabel, OutputViewKind::kFlash})
    EXPECT_EQ(rig.commands->view(k), nullptr);
  // Nothing went over the cable.
  EXPECT_TRUE(rig.devices.module()->commands().empty());
}

TEST(OutputViewWindows, TheObjectCodeViewPrintsScrollsAndFollowsItsHeight) {
  ScratchDir dir;
  const std::string path = dir.Doc("views.bas");
  WriteAll(path, kViewsProgram);
  IdeRig rig(dir);
  rig.Start(path);
  rig.Trigger("mnuSyntaxCheck");
  rig.Trigger("mnuViewObjectCode");
  OutputView* v = rig.commands->view(OutputViewKind::kCode);
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->isVisible());
  EXPECT_EQ(v->windowTitle(), "Program Code");
  EXPECT_EQ(v->objectName(), "frmCode");
  EXPECT_EQ(v->scroll_bar()->objectName(), "vsbCode");
  EXPECT_EQ(v->scroll_bar()->maximum(), 6);
  ExpectCentred(*v);
  v->resize(500, 20 * v->line_height());
  EXPECT_EQ(v->Rows(), kViewsCodeRows);
  // The scroll bar along the right edge at the full height.
  EXPECT_EQ(v->scroll_bar()->geometry().right(), v->width() - 1);
  EXPECT_EQ(v->scroll_bar()->height(), v->height());

  v->scroll_bar()->setValue(5);
  EXPECT_EQ(v->top_row(), 5);
  EXPECT_THAT(v->Rows(), ElementsAre(kViewsCodeRows[5], kViewsCodeRows[6]));
  v->scroll_bar()->setValue(0);
  v->resize(500, 2 * v->line_height());
  EXPECT_EQ(v->Rows().size(), 3u);  // the third row is cut by the bottom edge

  // Opening it again starts at the top.
  v->scroll_bar()->setValue(4);
  rig.Trigger("mnuViewObjectCode");
  EXPECT_EQ(v->top_row(), 0);
  EXPECT_EQ(v->scroll_bar()->value(), 0);
}

TEST(OutputViewWindows, TheLabelListScrollsByEightLabels) {
  ScratchDir dir;
  const std::string path = dir.Doc("labels.bas");
  WriteAll(path, kLabelsProgram);
  IdeRig rig(dir);
  rig.Start(path);
  rig.Trigger("mnuSyntaxCheck");
  rig.Trigger("mnuViewLabelList");
  OutputView* v = rig.commands->view(OutputViewKind::kLabel);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->windowTitle(), "Label");
  EXPECT_EQ(v->scroll_bar()->objectName(), "vsbLabel");
  EXPECT_EQ(v->scroll_bar()->maximum(), 5000);
  v->resize(400, 20 * v->line_height());
  EXPECT_EQ(v->Rows().size(), 10u);
  EXPECT_EQ(v->Rows().front(), " 0  : L0 = 18");
  v->scroll_bar()->setValue(1);
  EXPECT_THAT(v->Rows(), ElementsAre(" 8  : L8 = 18", " 9  : L9 = 18"));
  v->scroll_bar()->setValue(5000);
  EXPECT_THAT(v->Rows(), IsEmpty());
}

TEST(OutputViewWindows, TheFlashViewShowsTheModulesBytesWhereTheyDiffer) {
  ScratchDir dir;
  const std::string path = dir.Doc("views.bas");
  WriteAll(path, kViewsProgram);
  IdeRig rig(dir);
  rig.Start(path);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  // The module's flash changes behind the IDE's back.
  rig.devices.module()->ProgramFlash(0x1A, 0x55);
  rig.Trigger("mnuReadFlashMemory");
  EXPECT_TRUE(rig.script.shown.empty());
  OutputView* flash = rig.commands->view(OutputViewKind::kFlash);
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(flash->windowTitle(), "Read Flash Memory");
  EXPECT_EQ(flash->scroll_bar()->objectName(), "vsbProm");
  EXPECT_EQ(flash->scroll_bar()->maximum(), 6);
  flash->resize(500, 20 * flash->line_height());
  std::vector<std::string> expected = kViewsCodeRows;
  expected[3] = "18 : 91 15 55 15 A0 21 11 17 ";
  EXPECT_EQ(flash->Rows(), expected);
  EXPECT_EQ(rig.window->PanelText(2), "");
  // The code view still shows the compiled bytes at the same addresses.
  rig.Trigger("mnuViewObjectCode");
  OutputView* code = rig.commands->view(OutputViewKind::kCode);
  code->resize(500, 20 * code->line_height());
  EXPECT_EQ(code->Rows()[3], kViewsCodeRows[3]);
}

}  // namespace
}  // namespace vn::shell
