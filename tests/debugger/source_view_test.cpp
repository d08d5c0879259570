// The debug window's arithmetic: the line of a stop, the scroll rule, the rows of the compile
// copy and the status bar; the variable listing, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_run.h"
#include "debug_bench.h"
#include "debugger/var_listing.h"
#include "link/commands.h"

namespace vn::debugger::testing {
namespace {

using vn::testing::ReadAll;

compiler::VarEntry Var(const std::string& name, int type, int addr, int dim = 0) { return {core::Ansi(name), type, addr, dim}; }
std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }
// The blank lines after the last variable.
std::string Trailer() { return Join(std::vector<std::string>(static_cast<size_t>(kVarListingTrailer), " ")); }

struct Table {
  compiler::Compiler c;
  vn::testing::VirtualLink v{Wire::kUsb, 1};
  Debugger dbg{c, v.link};
};

TEST(SourceLine, TheScrollRule) {
  const struct {
    const char* what;
    int top, visible, line, new_top;
    bool moves, shown;  // highlight moved without reloading the text; the line on a row of the view
  } cases[] = {
      {"line 6 needs scrolling: it goes on the first row", 30, 20, 6, 6, false, true},
      {"line 7 needs scrolling: it goes on the seventh row", 30, 20, 7, 1, false, true},
      {"on screen", 30, 20, 45, 30, true, true},
      {"first of the last four rows scrolls", 30, 20, 46, 40, false, true},
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
    EXPECT_EQ((std::tuple{t.dbg.CurSrcLine, t.dbg.PrevSrcLine, t.dbg.SrcTopLine}), (std::tuple{k.line, 3, k.new_top})) << k.what;
    EXPECT_EQ((std::tuple{d.move_highlight, d.reload_source, t.dbg.HighlightRow() >= 0}), (std::tuple{k.moves, !k.moves, k.shown})) << k.what;
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
  EXPECT_EQ((std::pair{t.dbg.CurSrcLine, t.dbg.SrcTopLine}), (std::pair{1234, 1228}));
  EXPECT_EQ(t.dbg.StatusPc() + "|" + t.dbg.StatusObjectCode(), " PC : 9C40| Object Code : 89");
}

// The rows shown of `path` stay as they were built when the file changes on disk or goes.
template <typename F>
void ExpectRowsOutliveTheFile(const std::string& path, const std::vector<std::string>& shown, F rows) {
  ASSERT_EQ(rows(), shown);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "X = 9\r\nY = 8\r\nZ = 7\r\n";
  EXPECT_EQ(rows(), shown);
  std::filesystem::remove(path);
  EXPECT_EQ(rows(), shown);
}

TEST(SourceView, RowsOfTheCompileCopyAsItWasWritten) {
  Bench b(Wire::kUsb, "WF", {"DIM K AS BYTE", "' 한글 주석", "K = 1", "K = 2"});
  EXPECT_EQ(b.dbg->SourceLines(2, 4).lines, (std::vector<std::string>{"' 한글 주석", "K = 1", "K = 2", " "}));
  // The line index counts the Korean characters as two bytes each, as the copy holds them.
  EXPECT_EQ(b.c->LineOffset[3], 1 + 15 + 13);
  EXPECT_EQ(b.dbg->SourceLines(5, 2).lines, (std::vector<std::string>{"", ""}));
  // The file beside the source holds the copy: the lines, CR LF, then 61 blank lines.
  const std::string tail = Join(std::vector<std::string>(61, " "), "K = 1\r\nK = 2\r\n");
  const std::string copy = ReadAll(b.c->TempSourcePath);
  EXPECT_EQ(copy.substr(0, 15), "DIM K AS BYTE\r\n");
  EXPECT_EQ(copy.substr(1 + 15 + 13 - 1), tail);
  ExpectRowsOutliveTheFile(b.c->TempSourcePath, {"K = 2", " "}, [&] { return b.dbg->SourceLines(4, 2).lines; });
}

TEST(SourceView, TheCheckVariableRowsComeFromTheListingFileAsBuilt) {
  Bench b(Wire::kUsb, "WF", {"DIM A AS BYTE, W(3) AS INTEGER", "A = 7", "W(2) = 300", "BREAK", "DONE: GOTO DONE"});
  b.RunToStop();
  const std::string path = b.dbg->VarFilePath();
  EXPECT_EQ(path.substr(path.size() - 9), "/prog.var");
  EXPECT_EQ(b.dbg->listing().line_count_plus1, 5);
  const std::vector<std::string> rows = {" A           :  7   7H", " W(0)        :  0   0H", " W(1)        :  0   0H", " W(2)        :  300   12CH"};
  EXPECT_EQ(b.dbg->VariableLines(1, 3).lines, std::vector<std::string>(rows.begin(), rows.begin() + 3));
  EXPECT_TRUE(b.dbg->ScrollVariables(4).refresh_variables);
  EXPECT_EQ(b.dbg->VariableLines(b.dbg->VarTopLine, 2).lines, (std::vector<std::string>{rows[3], " "}));
  const std::string expected = Join(rows) + Trailer();
  EXPECT_EQ(ReadAll(path), expected);
  ExpectRowsOutliveTheFile(path, {rows[0], rows[1]}, [&] { return b.dbg->VariableLines(1, 2).lines; });
  // The next rebuild writes the file again, as it was.
  b.dbg->ScrollVariables(1);
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(VarListing, OneLinePerVariableAndElement) {
  using namespace compiler;
  const struct {
    const char* what;
    VarEntry var;
    int element, addr_width;
    std::vector<int> ram;
    std::string line;
  } cases[] = {
      {"BYTE on the VN series, 160 is element 0", Var("CNT", kByteVar, 161), -1, 1, {0, 26}, " CNT" + Blanks(9) + ":  26   1AH"},
      {"INTEGER is unsigned", Var("X", kIntegerVar, 2), -1, 2, {0, 0, 0xFF, 0xFF}, " X" + Blanks(11) + ":  65535   FFFFH"},
      {"INTEGER low byte first", Var("X", kIntegerVar, 0), -1, 2, {0x34, 0x12}, " X" + Blanks(11) + ":  4660   1234H"},
      {"LONG is signed, eight digits", Var("L", kLongVar, 0), -1, 2, {0xFF, 0xFF, 0xFF, 0xFF}, " L" + Blanks(11) + ": -1   FFFFFFFFH"},
      {"LONG keeps its leading zeros in hexadecimal", Var("L", kLongVar, 0), -1, 2, {0x01, 0, 0, 0}, " L" + Blanks(11) + ":  1   00000001H"},
      {"SINGLE: four bytes, most significant first, no leading zeros", Var("F", kSingleVar, 0), -1, 2, {0xDB, 0x0F, 0x49, 0x40}, " F" + Blanks(11) + ": 40 49 F DB"},
      {"STRING stops at a byte 0", Var("S", kStringVar, 0), -1, 2, {5, 'A', 'B', 0, 'D', 'E'}, " S" + Blanks(11) + ":  AB"},
      {"STRING stops at its length", Var("S", kStringVar, 0), -1, 2, {2, 'A', 'B', 'C'}, " S" + Blanks(11) + ":  AB"},
      {"a name of 12 characters is not padded", Var("ABCDEFGHIJKL", kByteVar, 0), -1, 2, {7}, " ABCDEFGHIJKL:  7   7H"},
      {"a name of 13 characters is not cut", Var("ABCDEFGHIJKLM", kByteVar, 0), -1, 2, {7}, " ABCDEFGHIJKLM:  7   7H"},
      {"short array name: padded to 12", Var("AB", kByteArrayVnm, 0, 20), 10, 2, std::vector<int>(20, 3), " AB(10)" + Blanks(6) + ":  3   3H"},
      {"array name of 9 characters: blank before the colon", Var("ABCDEFGHI", kByteArrayVnm, 0, 20), 10, 2, std::vector<int>(20, 3), " ABCDEFGHI(10) :  3   3H"},
      {"array name of 8 characters: cut to 12", Var("ABCDEFGH", kByteArrayVnm, 0, 200), 100, 2, std::vector<int>(200, 3), " ABCDEFGH(100:  3   3H"},
      {"INTEGER array elements are two bytes apart", Var("W", kIntegerArray, 4, 3), 2, 2, {0, 0, 0, 0, 1, 0, 2, 0, 0x10, 0x27}, " W(2)" + Blanks(8) + ":  10000   2710H"},
      {"LONG array elements are four bytes apart", Var("Q", kLongArray, 0, 2), 1, 2, {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}, " Q(1)" + Blanks(8) + ": -2   FFFFFFFEH"},
      {"VN byte array from 160", Var("V", kByteArrayVn, 170, 4), 3, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99}, " V(3)" + Blanks(8) + ":  99   63H"},
      {"a type without a value: the label alone", Var("B", 27, 0), -1, 2, {1}, " B" + Blanks(11) + ": "},
      {"RAM beyond the image reads 0", Var("X", kIntegerVar, 9000), -1, 2, {1, 2}, " X" + Blanks(11) + ":  0   0H"}, 
  };
  for (const auto& c : cases) EXPECT_EQ(ListingLine(c.var, c.element, c.addr_width, c.ram), c.line) << c.what;
}

TEST(VarListing, EmptyAndLongListings) {
  const VarListing empty = BuildVarListing({}, 2, {});  // the blank lines alone
  EXPECT_EQ(std::pair(empty.bytes, empty.line_count_plus1), std::pair(Trailer(), 1));
  // 2000 elements of about 24 bytes: the listing runs far past what 16 bits can address; the
  // offset of a line is where it starts, from 1.
  const VarListing big = BuildVarListing({Var("BIG", compiler::kByteArrayVnm, 0, 2000)}, 2, std::vector<int>(2000, 255));
  ASSERT_EQ(std::make_pair(big.line_count_plus1, big.offsets[1]), std::make_pair(2001, 1L));
  const long last = big.offsets[2000];
  EXPECT_GT(last, 32767);
  const std::string want = " BIG(1999)   :  255   FFH\r\n \r\n";
  EXPECT_EQ(big.bytes.substr(static_cast<size_t>(last - 1), want.size()), want);
}

}  // namespace
}  // namespace vn::debugger::testing
