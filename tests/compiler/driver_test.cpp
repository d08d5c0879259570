// The compile driver: line loop, continuations, labels and fix-ups, errors and their lines,
// the line index and the compile copy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "compile_helpers.h"

namespace vn::compiler {
namespace {

using testing::Bytes;
using testing::CodeBytes;
using testing::Compile;
using testing::MakeCompiler;
using testing::ProgramBytes;
using testing::Source;

TEST(Driver, EmptySourceIsHeaderAndEndJump) {
  auto c = Compile("KF", {});
  EXPECT_EQ(c->Outcome.result, 0);
  EXPECT_EQ(c->CodeAddr, 27);
  EXPECT_EQ(CodeBytes(*c, 0, 27),
            Bytes({32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32,
                   0x88, 0x18, 0x00}));
  EXPECT_TRUE(c->CompiledOK);
  // The end jump belongs to the line after the last one.
  EXPECT_EQ(c->Code.LineOf(24), 1);
}

TEST(Driver, ProgramsAndTheirLines) {
  const testing::ByteRow rows[] = {
      // A label with an assignment, and a GOTO back to the label (KX: one-byte addresses).
      {"KF", "DIM A AS BYTE|LOOP: A = A + 1|GOTO LOOP", {145, 21, 160, 21, 160, 33, 17, 23, 0, 136, 24, 0}},
      {"KF", "DIM A AS BYTE|START: A = 5 : A = 6|10 A = 7", {145, 21, 160, 18, 5, 0, 145, 21, 160, 18, 6, 0, 145, 21, 160, 18, 7, 0}},
      // "A = 1 _" then a TAB-indented "+ 2": one logical line, joined with two blanks.
      {"KF", "DIM A AS BYTE|A = 1 _|\t  + 2|A = 3", {145, 21, 160, 17, 33, 18, 2, 23, 0, 145, 21, 160, 18, 3, 0}},
      {"KF", "REM anything ) (|' also|DIM A AS BYTE ' the counter|A = 1 ' set", {145, 21, 160, 17, 0}},
  };
  for (const auto& r : rows) ExpectRow(r);
  auto c = Compile("KF", testing::Lines(rows[0].source));
  EXPECT_EQ(CodeBytes(*c, 36, 39), Bytes({136, 36, 0}));
  for (auto [addr, line] : {std::pair{24, 2}, {33, 3}, {36, 4}, {25, 1}}) EXPECT_EQ(c->Code.LineOf(addr), line);
  c = Compile("KF", testing::Lines(rows[1].source));
  ASSERT_EQ(c->LabelCount(), 2);
  EXPECT_EQ(c->Labels[0].LabelName, u"START");
  EXPECT_EQ(c->Labels[0].LabelAddr, 24);
  EXPECT_EQ(c->Labels[1].LabelName, u"10");
  EXPECT_EQ(c->Labels[1].LabelAddr, 24 + 6 + 6);
  // The joined statement is recorded at its last physical line; the next line keeps number 4.
  c = Compile("KF", testing::Lines(rows[2].source));
  EXPECT_EQ(c->Code.LineOf(24), 3);
  EXPECT_EQ(c->Code.LineOf(24 + 9), 4);
}

TEST(Driver, ErrorsStopAtTheirLineWithBothTexts) {
  const testing::ErrorRow rows[] = {
      {"KF", "DIM A AS BYTE|A = 1 2", {"Missing operand !"}},
      {"KF", "|DIM A AS BYTE X", testing::kEndOfLine},
      {"KF", "  FOO: A = 1", {"FOO : Undefined Variable or Label Define Error ! (Must start at column 1)",
                               "FOO : 정의되지 않은 변수이거나 라벨입니다. (라벨의 경우 반드시 1컬럼부터 작성해야 합니다.)"}},
      {"KF", "FOO A = 1", {"Unknown VARNOLIC Command ! \"FOO\"", "알수없는 명령이거나 정의되지 않은 변수명입니다.\"FOO\""}},
      {"KF", "X:|X:", {"Duplicate Label !", "중복된 라벨입니다."}},
      {"KF", "DIM A AS BYTE|A = 1 _ |A = 2", {"Missing operand !"}, 2},  // "_" and a blank: no continuation
      {"KF", "DIM A AS BYTE|A = 1 _|\t\t  B|A = 3", {"Missing operand !"}, 3},  // in a joined line: its second line
      {"KF", "GOTO NOWHERE|GOTO ELSEWHERE|GOTO NOWHERE", {"Invalid label : NOWHERE"}, 1},  // the first reference only
  };
  for (const auto& r : rows) ExpectRow(r);
  EXPECT_TRUE(Compile("KF", {"FOO A = 1"})->Outcome.caret);
  EXPECT_FALSE(Compile("KF", {"GOTO NOWHERE"})->Outcome.caret);  // a label is reported without a caret
  // An emoji has no code page 949 form: an error on its own line.
  auto bad = Compile("KF", {"DIM A AS BYTE", "A = 1", "' \xF0\x9F\x98\x80"});
  EXPECT_EQ(bad->Outcome.line, 3);
  EXPECT_EQ(bad->Outcome.message.en, "Character not available in the Korean code page (949) !");
}

TEST(Driver, EnglishOnlyMessageNeverShowsAStaleKoreanText) {
  auto c = MakeCompiler("KF");
  c->UseKorean = true;
  // An earlier failing compile leaves a Korean text behind...
  c->CompileSource(Source({"DIM 1A AS BYTE"}));
  EXPECT_EQ(c->OutcomeText(), "변수명이 잘못되었습니다.");
  // ...which an English-only message must not show.
  c->CompileSource(Source({"DIM A AS BYTE", "A = A B"}));
  EXPECT_EQ(c->OutcomeText(), "Missing operand !");
}


TEST(Driver, FailedCompileKeepsTablesAndCompiledOk) {
  auto c = MakeCompiler("KF");
  ASSERT_EQ(c->CompileSource(Source({"DIM A AS BYTE"})), 0);
  EXPECT_TRUE(c->CompiledOK);
  // A failing compile leaves CompiledOK as it was and the tables as they stand at the error.
  EXPECT_EQ(c->CompileSource(Source({"DIM B AS BYTE", "DIM C AS WORD"})), 1);
  EXPECT_TRUE(c->CompiledOK);
  ASSERT_EQ(c->VarCount(), 1);
  EXPECT_EQ(c->Vars[0].VarName, u"B");
}

TEST(Driver, LineEndsAndBlankLines) {
  // LF, CR LF and a last line without terminator all end lines; blank lines are counted.
  auto c = MakeCompiler("KF");
  ASSERT_EQ(c->CompileSource("DIM A AS BYTE\n\r\nA = 1\r\n\nA = 2"), 0);
  EXPECT_EQ(c->Code.LineOf(24), 3);
  EXPECT_EQ(c->Code.LineOf(29), 5);
  EXPECT_EQ(c->Code.LineOf(35), 6);
}

TEST(Driver, CodeBeyondTheImageIsAnErrorOnItsLine) {
  // Each assignment takes 8 bytes (145, 22 lo hi, 19 lo hi, 0); the image ends at 64000.
  std::vector<std::string> lines = {"CONST DEVICE = WF", "DIM A AS INTEGER"};
  for (int i = 0; i < 8100; ++i) lines.push_back("A = 1000");
  auto c = Compile("WF", lines);
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, "Program too large ! (Code area ends at address 64000)");
  EXPECT_EQ(c->Outcome.message.ko, "프로그램이 너무 큽니다. 코드 영역은 64000번지까지입니다.");
  // The statement whose last byte would pass address 64000 is the one reported.
  int k = 0;
  while (24 + 8 * k + 7 <= 64000) ++k;
  EXPECT_EQ(c->Outcome.line, 3 + k);
}

TEST(Driver, TooManyVariablesIsAnErrorNotAnOverwrite) {
  std::vector<std::string> lines = {"CONST DEVICE = WF"};
  for (int i = 0; i <= Compiler::kMaxVars; ++i) lines.push_back("DIM V" + std::to_string(i) + " AS BYTE");
  auto c = Compile("WF", lines);
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, "Too many variables ! (up to 5001)");
  EXPECT_EQ(c->Outcome.line, 2 + Compiler::kMaxVars);
  EXPECT_EQ(c->VarCount(), Compiler::kMaxVars);
}

TEST(Driver, TooManyLabelsIsAnError) {
  std::vector<std::string> lines;
  for (int i = 0; i <= Compiler::kMaxLabels; ++i) lines.push_back("L" + std::to_string(i) + ":");
  auto c = Compile("KF", lines);
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, "Too many labels ! (up to 10001)");
  EXPECT_EQ(c->Outcome.line, Compiler::kMaxLabels + 1);
  EXPECT_EQ(c->LabelCount(), Compiler::kMaxLabels);
}

TEST(Driver, Utf8SourceIsConvertedAndUnconvertibleCharactersAreErrors) {
  // A Korean label in UTF-8 is one label, stored in code page 949.
  auto c = Compile("KF", {"시작: ", "DIM A AS BYTE"});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  ASSERT_EQ(c->LabelCount(), 1);
  EXPECT_EQ(EncodeAnsi(c->Labels[0].LabelName), "\xBD\xC3\xC0\xDB");

}

TEST(Driver, Cp949SourceIsTakenAsItIs) {
  auto c = MakeCompiler("KF");
  ASSERT_EQ(c->CompileSource("\xBD\xC3\xC0\xDB:\r\n"), 0);
  EXPECT_EQ(EncodeAnsi(c->Labels[0].LabelName), "\xBD\xC3\xC0\xDB");
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Driver, CompileProgramWritesTheCompileCopyAndIndexesItsLines) {
  const auto dir = std::filesystem::temp_directory_path() / "vn_driver_test";
  std::filesystem::create_directories(dir);
  auto c = MakeCompiler("KF");
  c->SourcePath = (dir / "prog.bas").string();
  // A Korean comment counts two bytes per syllable in the index.
  ASSERT_EQ(c->CompileProgram("DIM A AS BYTE\r\n' \xBD\xC3\xC0\xDB\r\nA = 1\r\n"), 0) << c->Outcome.message.en;
  EXPECT_EQ(c->TempSourcePath, (dir / "prog.$$$").string());
  EXPECT_EQ(c->LineOffset[1], 1);
  EXPECT_EQ(c->LineOffset[2], 16);
  EXPECT_EQ(c->LineOffset[3], 24);
  EXPECT_EQ(c->LineOffset[4], 0);
  EXPECT_EQ(c->LineCountPlus1, 4);
  std::string expected = "DIM A AS BYTE\r\n' \xBD\xC3\xC0\xDB\r\nA = 1\r\n";
  for (int i = 0; i < 61; ++i) expected += " \r\n";
  EXPECT_EQ(ReadAll(c->TempSourcePath), expected);
  std::filesystem::remove_all(dir);
}

TEST(Driver, CompileProgramReportsAnUnwritableCompileCopy) {
  auto c = MakeCompiler("KF");
  c->SourcePath = "/nonexistent-dir/prog.bas";
  EXPECT_EQ(c->CompileProgram(""), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:/nonexistent-dir/prog.$$$");
}

TEST(Driver, ADocumentNamedLikeItsCompileCopyIsNotWrittenOver) {
  const auto dir = std::filesystem::temp_directory_path() / ("vn_driver_copy_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string source = (dir / "prog.$$$").string();
  std::ofstream(source, std::ios::binary) << "saved text\r\n";
  auto c = MakeCompiler("KF");
  c->SourcePath = source;  // its compile copy is itself: less four characters, plus ".$$$"
  EXPECT_EQ(c->CompileProgram("unsaved text\r\n"), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + source + ": Same file as the input");
  EXPECT_EQ(ReadAll(source), "saved text\r\n");
  std::filesystem::remove_all(dir);
}

TEST(Driver, ACompileCopyThatCannotBeReadBackSaysWhy) {
  const auto dir = std::filesystem::temp_directory_path() / ("vn_driver_fifo_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto c = MakeCompiler("KF");
  c->SourcePath = (dir / "prog.bas").string();
  // A FIFO where the copy goes: the copy is not written into it (a write without a reader
  // would wait) and the FIFO stays.
  const std::string copy = (dir / "prog.$$$").string();
  ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0);
  EXPECT_EQ(c->CompileProgram("A = 1\r\n"), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + copy);
  EXPECT_TRUE(std::filesystem::is_fifo(copy));
  // The read back of the copy for the line index meets the FIFO and must not wait for a writer.
  c->Outcome = {};
  c->BuildLineIndex();
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + copy + ": Not a regular file");
  std::filesystem::remove_all(dir);
}

TEST(Driver, CodeRowsShowEightBytesPerRow) {
  auto c = Compile("KF", {});
  const auto rows = CodeRows(c->Code, c->CodeAddr);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "0 : 20 20 20 20 20 20 20 20 ");
  EXPECT_EQ(rows[3], "18 : 88 18 00 00 00 00 00 00 ");
}


TEST(CodeImageTest, LabelSlotAcrossAddress32000) {
  // 6395 five-byte assignments end at 31999, so the array's jump slot is 32000..32001.
  std::vector<std::string> lines = {"DIM A AS BYTE"};
  for (int i = 0; i < 6395; ++i) lines.push_back("A = 1");
  lines.push_back("CONST BYTE T = (9)");
  auto c = testing::Compile("KF", lines);
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(CodeBytes(*c, 31999, 32003), Bytes({136, 32003 % 256, 32003 / 256, 9}));
  EXPECT_EQ(c->Code.LineOf(31999), 6397);
  EXPECT_EQ(c->CodeAddr, 32006);
}

TEST(CodeImageTest, ResetAndBounds) {
  CodeImage image;
  image.Set(100, 7);
  image.SetLine(100, 7);
  image.Set(64001, 9);  // outside: not stored
  EXPECT_EQ(image.Get(64001), 0);
  EXPECT_EQ(image.LineOf(64001), 1);
  image.Reset();
  EXPECT_EQ(image.Get(100), 0);
  EXPECT_EQ(image.LineOf(100), 1);
  EXPECT_EQ(image.Get(23), 32);
  EXPECT_EQ(image.Get(24), 0);
}

}  // namespace
}  // namespace vn::compiler
