// The debug window's arithmetic: the line of a stop, the scroll rule, the rows of the compile
// copy and the status bar.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "debug_bench.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

using vn::testing::ReadAll;

bool WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

struct Table {
  compiler::Compiler c;
  vn::testing::VirtualLink v{Wire::kUsb, 1};
  Debugger dbg{c, v.link};
};

TEST(SourceLine, TheScrollRule) {
  struct Case {
    const char* what;
    int top, visible, line;
    int new_top;
    bool moves;  // highlight moved without reloading the text
    bool shown;  // the line is on a row of the view afterwards
  };
  const Case cases[] = {
      {"line 6 needs scrolling: it goes on the first row", 30, 20, 6, 6, false, true},
      {"line 7 needs scrolling: it goes on the seventh row", 30, 20, 7, 1, false, true},
      {"below the view", 30, 20, 80, 74, false, true},
      {"on screen", 30, 20, 45, 30, true, true},
      {"first of the last four rows scrolls", 30, 20, 46, 40, false, true},
      {"last row scrolls", 30, 20, 49, 43, false, true},
      {"the top row itself scrolls", 30, 20, 30, 24, false, true},
      {"just below the top row", 30, 20, 31, 30, true, true},
      {"a view of five rows has no room: the seventh row is below it", 10, 5, 11, 5, false, false},
      {"a view of six rows keeps the second row", 10, 6, 11, 10, true, true},
  };
  for (const auto& k : cases) {
    Table t;
    t.c.Code.SetLine(500, k.line);
    t.dbg.ModulePc = 500;
    t.dbg.SrcTopLine = k.top;
    t.dbg.SetVisibleLines(k.visible);
    t.dbg.CurSrcLine = 3;
    const Display d = t.dbg.SourceLineUpdate();
    EXPECT_EQ(t.dbg.CurSrcLine, k.line) << k.what;
    EXPECT_EQ(t.dbg.PrevSrcLine, 3) << k.what;
    EXPECT_EQ(t.dbg.SrcTopLine, k.new_top) << k.what;
    EXPECT_EQ(d.move_highlight, k.moves) << k.what;
    EXPECT_EQ(d.reload_source, !k.moves) << k.what;
    EXPECT_EQ(t.dbg.HighlightRow() >= 0, k.shown) << k.what;
  }
}

TEST(SourceLine, ACounterInTheUpperCodeHalfFindsItsLine) {
  Table t;
  t.c.Code.SetLine(40000, 1234);
  t.c.Code.Set(40000, 0x89);
  // The module reports the counter as two bytes; bit 15 set is still a positive address.
  t.v.module.pc = 40000;
  ASSERT_EQ(t.v.link.FamilySendByte(link::CmdBreak), 0);
  std::vector<DebugMessage> messages;
  ASSERT_EQ(t.dbg.ReadModuleStatus(messages), 0);
  EXPECT_EQ(t.dbg.ModulePc, 40000);
  t.dbg.SourceLineUpdate();
  EXPECT_EQ(t.dbg.CurSrcLine, 1234);
  EXPECT_EQ(t.dbg.SrcTopLine, 1228);
  EXPECT_EQ(t.dbg.StatusPc(), " PC : 9C40");
  EXPECT_EQ(t.dbg.StatusObjectCode(), " Object Code : 89");
}

TEST(SourceView, RowsOfTheCompileCopy) {
  Bench b(Wire::kUsb, "WF", {"DIM K AS BYTE", "' 한글 주석", "K = 1", "K = 2"});
  const Rows rows = b.dbg.SourceLines(2, 4);
  EXPECT_EQ(rows.lines, (std::vector<std::string>{"' 한글 주석", "K = 1", "K = 2", " "}));
  // The line index counts the Korean characters as two bytes each, as the copy holds them.
  EXPECT_EQ(b.c->LineOffset[3], 1 + 15 + 13);
  EXPECT_EQ(b.dbg.SourceLines(4, 2).lines, (std::vector<std::string>{"K = 2", " "}));
  EXPECT_EQ(b.dbg.SourceLines(5, 2).lines, (std::vector<std::string>{"", ""}));
}

TEST(SourceView, TheCompileCopyIsShownAsItWasWritten) {
  Bench b(Wire::kUsb, "WF", {"DIM K AS BYTE", "K = 1", "K = 2"});
  // The file beside the source holds the copy: the lines, CR LF, then 61 blank lines.
  std::string expected = "DIM K AS BYTE\r\nK = 1\r\nK = 2\r\n";
  for (int i = 0; i < 61; ++i) expected += " \r\n";
  EXPECT_EQ(ReadAll(b.c->TempSourcePath), expected);
  const std::vector<std::string> shown = {"K = 1", "K = 2", " "};
  ASSERT_EQ(b.dbg.SourceLines(2, 3).lines, shown);
  // Changed on disk after the compile: the view still shows what was compiled.
  ASSERT_TRUE(WriteAll(b.c->TempSourcePath, "X = 9\r\nY = 8\r\nZ = 7\r\n"));
  EXPECT_EQ(b.dbg.SourceLines(2, 3).lines, shown);
  std::filesystem::remove(b.c->TempSourcePath);
  EXPECT_EQ(b.dbg.SourceLines(2, 3).lines, shown);
}

TEST(SourceView, TheCheckVariableRowsComeFromTheListingFileAsBuilt) {
  Bench b(Wire::kUsb, "WF", {"DIM A AS BYTE, W(3) AS INTEGER", "A = 7", "W(2) = 300", "BREAK", "DONE: GOTO DONE"});
  b.Download();
  ASSERT_TRUE(b.WatchForStop().open_debug_window);
  const std::string path = b.dbg.VarFilePath();
  EXPECT_EQ(path.substr(path.size() - 9), "/prog.var");
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(b.dbg.listing().line_count_plus1, 5);
  EXPECT_EQ(b.dbg.VariableLines(1, 3).lines,
            (std::vector<std::string>{" A           :  7   7H", " W(0)        :  0   0H", " W(1)        :  0   0H"}));
  const Display d = b.dbg.ScrollVariables(4);
  EXPECT_TRUE(d.refresh_variables);
  EXPECT_EQ(b.dbg.VariableLines(b.dbg.VarTopLine, 2).lines,
            (std::vector<std::string>{" W(2)        :  300   12CH", " "}));
  // The file changed on disk does not change the rows.
  std::string expected = " A           :  7   7H\r\n W(0)        :  0   0H\r\n W(1)        :  0   0H\r\n"
                         " W(2)        :  300   12CH\r\n";
  for (int i = 0; i < kVarListingTrailer; ++i) expected += " \r\n";
  EXPECT_EQ(ReadAll(path), expected);
  const std::vector<std::string> shown = {" A           :  7   7H", " W(0)        :  0   0H"};
  ASSERT_EQ(b.dbg.VariableLines(1, 2).lines, shown);
  ASSERT_TRUE(WriteAll(path, " A           :  99   63H\r\n W(0)        :  1   1H\r\n"));
  EXPECT_EQ(b.dbg.VariableLines(1, 2).lines, shown);
  std::filesystem::remove(path);
  EXPECT_EQ(b.dbg.VariableLines(1, 2).lines, shown);
  // The next rebuild writes the file again, as it was.
  b.dbg.ScrollVariables(1);
  EXPECT_EQ(ReadAll(path), expected);
}

}  // namespace
}  // namespace vn::debugger::testing
