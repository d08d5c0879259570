// The compile driver: lines, continuations, labels and fix-ups, errors and their lines, the compile copy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
TEST(Driver, ProgramsAndTheirLines) {
  const ByteRow rows[] = {
      // A label with an assignment, and a GOTO back to the label (KX: one-byte addresses).
      {"KF", "DIM A AS BYTE|LOOP: A = A + 1|GOTO LOOP", {145, 21, 160, 21, 160, 33, 17, 23, 0, 136, 24, 0}, {{24, 2}, {33, 3}, {36, 4}, {25, 1}}},
      {"KF", "DIM A AS BYTE|START: A = 5 : A = 6|10 A = 7", {145, 21, 160, 18, 5, 0, 145, 21, 160, 18, 6, 0, 145, 21, 160, 18, 7, 0}},
      // "A = 1 _" then a TAB-indented "+ 2": one logical line (two blanks join them) at its last physical line.
      {"KF", "DIM A AS BYTE|A = 1 _|\t  + 2|A = 3", {145, 21, 160, 17, 33, 18, 2, 23, 0, 145, 21, 160, 18, 3, 0}, {{24, 3}, {33, 4}}},
      {"KF", "REM anything ) (|' also|DIM A AS BYTE ' the counter|A = 1 ' set", {145, 21, 160, 17, 0}},
      {"KF", "CONST X = 3|CONST X = 4|DIM A AS BYTE|A = X", {145, 21, 160, 18, 3, 0}},  // a later constant of the same name is never found
      // A Korean label in a UTF-8 source and in a code page 949 one.
      {"KF", "시작:|GOTO 시작", {0x88, 24, 0}}, {"KF", "\xBD\xC3\xC0\xDB:|GOTO \xBD\xC3\xC0\xDB", {0x88, 24, 0}},
  };
  for (const auto& r : rows) ExpectRow(r);
  auto c = Compile("KF", Lines(rows[0].source));
  EXPECT_EQ(CodeBytes(*c, 36, 39), Bytes({136, 36, 0}));
  c = Compile("KF", Lines(rows[1].source));
  ASSERT_EQ(c->LabelCount(), 2);
  EXPECT_EQ(std::pair(c->Labels[0].LabelName, c->Labels[0].LabelAddr), std::pair(std::u16string(u"START"), 24L));
  EXPECT_EQ(std::pair(c->Labels[1].LabelName, c->Labels[1].LabelAddr), std::pair(std::u16string(u"10"), 24L + 6 + 6));
  // LF, CR LF and a last line without terminator all end lines; blank lines are counted.
  ASSERT_EQ(c->CompileSource("DIM A AS BYTE\n\r\nA = 1\r\n\nA = 2"), 0);
  for (auto [addr, line] : {std::pair{24, 3}, {29, 5}, {35, 6}}) EXPECT_EQ(c->Code.LineOf(addr), line);
}
TEST(Driver, ErrorsStopAtTheirLineWithBothTextsAndNothingStale) {
  const ErrorRow rows[] = {
      {"KF", "DIM A AS BYTE|A = 1 2", English("Missing operand !")}, {"KF", "|DIM A AS BYTE X", kEndOfLine},
      {"KF", "  FOO: A = 1", {"FOO : Undefined Variable or Label Define Error ! (Must start at column 1)"}},
      {"KF", "FOO A = 1", {"Unknown VARNOLIC Command ! \"FOO\"", "알수없는 명령이거나 정의되지 않은 변수명입니다.\"FOO\""}}, {"KF", "X:|X:", {"Duplicate Label !"}},
      {"KF", "DIM A AS BYTE|A = 1 _ |A = 2", English("Missing operand !"), 2},  // "_" and a blank: no continuation
      {"KF", "DIM A AS BYTE|A = 1 _|\t\t  B|A = 3", English("Missing operand !"), 3},  // in a joined line: its second line
      {"KF", "GOTO NOWHERE|GOTO ELSEWHERE|GOTO NOWHERE", English("Invalid label : NOWHERE"), 1},  // the first reference only
      // An emoji has no code page 949 form: an error on its own line.
      {"KF", "DIM A AS BYTE|A = 1|' \xF0\x9F\x98\x80", {"Character not available in the Korean code page (949) !"}},
  };
  for (const auto& r : rows) ExpectRow(r);
  EXPECT_TRUE(Compile("KF", {"FOO A = 1"})->Outcome.caret);
  EXPECT_FALSE(Compile("KF", {"GOTO NOWHERE"})->Outcome.caret);  // a label is reported without a caret
  // A reused compiler shows nothing stale.
  auto c = MakeCompiler("KF");
  ASSERT_EQ(c->CompileSource(Source({"DIM A AS BYTE"})), 0);
  // A failing compile leaves CompiledOK as it was and the tables as they stand at the error.
  EXPECT_EQ(c->CompileSource(Source({"DIM B AS BYTE", "DIM 1A AS BYTE"})), 1);
  EXPECT_TRUE(c->CompiledOK);
  ASSERT_EQ(c->VarCount(), 1);
  EXPECT_EQ(c->Vars[0].VarName, u"B");
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "변수명이 잘못되었습니다.");
  // The Korean text left behind must not show with an English-only message.
  c->CompileSource(Source({"DIM A AS BYTE", "A = A B"}));
  EXPECT_EQ(c->OutcomeText(), "Missing operand !");
}
TEST(Driver, CodeBeyondTheImageOrTooManyVariablesOrLabelsIsAnErrorNotAnOverwrite) {
  // Each assignment takes 8 bytes (145, 22 lo hi, 19 lo hi, 0); the image ends at 64000. The statement whose last
  // byte would pass address 64000 is the one reported: the 7998th, whose last byte is 24 + 8 * 7997 + 7 = 64007.
  ExpectRow(ErrorRow{"WF", "CONST DEVICE = WF|DIM A AS INTEGER" + Repeat("|A = 1000", 8100),
                     {"Program too large ! (Code area ends at address 64000)", "프로그램이 너무 큽니다. 코드 영역은 64000번지까지입니다."}, 2 + 7998});
  std::vector<std::string> vars = {"CONST DEVICE = WF"}, labels;
  for (int i = 0; i <= Compiler::kMaxVars; ++i) vars.push_back("DIM V" + std::to_string(i) + " AS BYTE");
  for (int i = 0; i <= Compiler::kMaxLabels; ++i) labels.push_back("L" + std::to_string(i) + ":");
  auto c = Compile("WF", vars);
  EXPECT_EQ(std::tuple(c->Outcome.message.en, c->Outcome.line, c->VarCount()),
            std::tuple(std::string("Too many variables ! (up to 5001)"), 2 + Compiler::kMaxVars, Compiler::kMaxVars));
  c = Compile("KF", labels);
  EXPECT_EQ(std::tuple(c->Outcome.message.en, c->Outcome.line, c->LabelCount()),
            std::tuple(std::string("Too many labels ! (up to 10001)"), Compiler::kMaxLabels + 1, Compiler::kMaxLabels));
  // 6395 five-byte assignments end at 31999, so the array's jump slot is 32000..32001.
  std::vector<std::string> lines = {"DIM A AS BYTE"};
  for (int i = 0; i < 6395; ++i) lines.push_back("A = 1");
  lines.push_back("CONST BYTE T = (9)");
  c = Compile("KF", lines);
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(CodeBytes(*c, 31999, 32003), Bytes({136, 32003 % 256, 32003 / 256, 9}));
  EXPECT_EQ(c->Code.LineOf(31999), 6397);
  EXPECT_EQ(c->CodeAddr, 32006);
}
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(CompileCopy, FailuresSayWhyAndOverwriteNothingNorWaitOnAFifo) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vn_driver_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto c = MakeCompiler("KF");
  c->SourcePath = "/nonexistent-dir/prog.bas";
  EXPECT_EQ(c->CompileProgram(""), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:/nonexistent-dir/prog.$$$");
  // A document named like its compile copy (less four characters, plus ".$$$") is not written over.
  const std::string source = (dir / "prog.$$$").string();
  std::ofstream(source, std::ios::binary) << "saved text\r\n";
  c->SourcePath = source;
  EXPECT_EQ(c->CompileProgram("unsaved text\r\n"), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + source + ": Same file as the input");
  EXPECT_EQ(ReadAll(source), "saved text\r\n");
  // A write without a reader would wait: the copy is not written into a FIFO, and the FIFO stays.
  c->SourcePath = (dir / "fifo.bas").string();
  const std::string copy = (dir / "fifo.$$$").string();
  ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0);
  EXPECT_EQ(c->CompileProgram("A = 1\r\n"), 1);
  EXPECT_TRUE(c->Outcome.open_error);
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + copy);
  EXPECT_TRUE(std::filesystem::is_fifo(copy));
  // The read back for the line index must not wait for a writer either.
  c->Outcome = {};
  c->BuildLineIndex();
  EXPECT_EQ(c->Outcome.message.en, "Open Error:" + copy + ": Not a regular file");
  std::filesystem::remove_all(dir);
}
}  // namespace
}  // namespace vn::compiler::testing
