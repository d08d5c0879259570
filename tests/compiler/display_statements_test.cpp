// Display and melody statements: PRINT, CLS, CSRON, CSROFF, LCDINIT, LOCATE, PLAY, SOUND, BEEP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

struct BytesCase {
  const char* device;
  std::vector<std::string> lines;
  Bytes expected;
};

void ExpectBytes(const BytesCase& tc) {
  SCOPED_TRACE(std::string(tc.device) + ": " + tc.lines.back());
  auto c = Compile(tc.device, tc.lines);
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(ProgramBytes(*c), tc.expected);
}

// Variables declared by DIM take no code; X is at A0 on KF and 0000 on WF.
const BytesCase kDisplayCases[] = {
    {"KF", {"CLS"}, {0x93}},
    {"WF", {"CLS"}, {0x93}},
    {"KF", {"CLS : CSRON : CSROFF : LCDINIT"}, {0x93, 0x98, 0x99, 0x9C}},
    {"WF", {"CSRON", "CSROFF", "LCDINIT ' set up"}, {0x98, 0x99, 0x9C}},
    {"KF", {"LOCATE 0,1"}, {0x94, 0x10, 0x11}},
    {"WF", {"LOCATE 0,1"}, {0x94, 0x10, 0x11}},
    {"KF", {"DIM X AS BYTE", "LOCATE X, 300"}, {0x94, 0x15, 0xA0, 0x13, 0x2C, 0x01}},
    {"WF", {"DIM X AS BYTE", "LOCATE 7, X"}, {0x94, 0x12, 0x07, 0x15, 0x00, 0x00}},
};

TEST(DisplayStatements, EmitsExactBytes) {
  for (const auto& tc : kDisplayCases) ExpectBytes(tc);
}

const BytesCase kSoundCases[] = {
    // PLAY: note code and length code per note, VNM as byte-constant operands.
    {"KF", {"PLAY 5,\"C4\""}, {0x82, 0x12, 0x05, 0x77, 0x10, 0x00}},
    {"WF", {"PLAY 5,\"C4\""}, {0x82, 0x12, 0x05, 0x12, 0x77, 0x12, 0x10, 0x10}},
    {"KF",
     {"PLAY 5, \"+C4-C4C#4R4B0\""},
     {0x82, 0x12, 0x05, 0x3C, 0x10, 0xEF, 0x10, 0x71, 0x10, 0xFF, 0x10, 0x3F, 0x40, 0x00}},
    {"WF",
     {"PLAY 5,\"+C4-C4C#4R4B0\""},
     {0x82, 0x12, 0x05, 0x12, 0x3C, 0x12, 0x10, 0x12, 0xEF, 0x12, 0x10, 0x12, 0x71, 0x12, 0x10,
      0x12, 0xFF, 0x12, 0x10, 0x12, 0x3F, 0x12, 0x40, 0x10}},
    // Every length digit.
    {"KF",
     {"PLAY 0,\"0123456789\""},
     {0x82, 0x10, 0x77, 0x40, 0x77, 0x30, 0x77, 0x20, 0x77, 0x18, 0x77, 0x10, 0x77, 0x0C, 0x77,
      0x08, 0x77, 0x06, 0x77, 0x04, 0x77, 0x02, 0x00}},
    // Signs set the octave absolutely; "#" crosses into the next octave; names add up.
    {"KF", {"PLAY 5,\"C+D4\""}, {0x82, 0x12, 0x05, 0x35, 0x10, 0x00}},
    {"KF", {"PLAY 5,\"-B#4B#4+B4\""}, {0x82, 0x12, 0x05, 0x77, 0x10, 0x3C, 0x10, 0x20, 0x10, 0x00}},
    {"KF", {"PLAY 5,\"DE4-F8+A#2\""}, {0x82, 0x12, 0x05, 0x54, 0x10, 0xB3, 0x04, 0x21, 0x20, 0x00}},
    {"KF", {"PLAY 5,\"\""}, {0x82, 0x12, 0x05, 0x00}},
    {"KF", {"DIM P AS BYTE", "PLAY P,\"C4\" : CLS"}, {0x82, 0x15, 0xA0, 0x77, 0x10, 0x00, 0x93}},
    {"WF", {"DIM P AS BYTE", "PLAY P,\"R1\"' rest"}, {0x82, 0x15, 0x00, 0x00, 0x12, 0xFF, 0x12, 0x30, 0x10}},
    // SOUND: any number of operands after the port.
    {"KF", {"SOUND 5"}, {0x84, 0x12, 0x05, 0x00}},
    {"WF", {"SOUND 5"}, {0x82, 0x12, 0x05, 0x10}},
    {"KF", {"SOUND 5,100,10"}, {0x84, 0x12, 0x05, 0x12, 0x64, 0x12, 0x0A, 0x00}},
    {"WF", {"SOUND 5,100,10"}, {0x82, 0x12, 0x05, 0x12, 0x64, 0x12, 0x0A, 0x10}},
    {"KF", {"SOUND 5,300 : CLS"}, {0x84, 0x12, 0x05, 0x13, 0x2C, 0x01, 0x00, 0x93}},
    {"WF", {"DIM X AS BYTE", "SOUND X,X,1,0 ' tone"},
     {0x82, 0x15, 0x00, 0x00, 0x15, 0x00, 0x00, 0x11, 0x10, 0x10}},
    // BEEP: PLAY with the fixed note 18, length 2.
    {"KF", {"BEEP 5"}, {0x82, 0x12, 0x05, 0x12, 0x02, 0x00}},
    {"WF", {"BEEP 5"}, {0x82, 0x12, 0x05, 0x12, 0x12, 0x12, 0x02, 0x10}},
    {"KF", {"DIM P AS BYTE", "BEEP P ' first", "BEEP 64"},
     {0x82, 0x15, 0xA0, 0x12, 0x02, 0x00, 0x82, 0x12, 0x40, 0x12, 0x02, 0x00}},
};

TEST(DisplayStatements, SoundStatementsEmitExactBytes) {
  for (const auto& tc : kSoundCases) ExpectBytes(tc);
}

// The melody may name notes by Korean syllables (one code page 949 character each), alone or
// mixed with the letters.
const BytesCase kKoreanMelodyCases[] = {
    {"KF",
     {"PLAY 5,\"도4레8미2파1솔0라9시3쉼5\""},
     {0x82, 0x12, 0x05, 0x77, 0x10, 0x6A, 0x04, 0x5F, 0x20, 0x59, 0x30, 0x50, 0x40, 0x47, 0x02, 0x3F,
      0x18, 0xFF, 0x0C, 0x00}},
    {"WF",
     {"PLAY 5,\"+솔#4-도4C4\""},
     {0x82, 0x12, 0x05, 0x12, 0x25, 0x12, 0x10, 0x12, 0xEF, 0x12, 0x10, 0x12, 0x77, 0x12, 0x10, 0x10}},
    {"KF", {"PLAY 5,\"시#4라A4\""}, {0x82, 0x12, 0x05, 0x3C, 0x10, 0x2A, 0x10, 0x00}},
};

TEST(DisplayStatements, MelodyReadsKoreanSyllables) {
  for (const auto& tc : kKoreanMelodyCases) ExpectBytes(tc);
}

TEST(DisplayStatements, StatementsMarkTheirLine) {
  auto c = Compile("KF", {"CLS", "", "SOUND 5", "PLAY 5,\"C4\""});
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(c->Code.LineOf(24), 1);
  EXPECT_EQ(c->Code.LineOf(25), 3);
  EXPECT_EQ(c->Code.LineOf(29), 4);
}

TEST(DisplayStatements, OneWordStatementsMarkTheirLine) {
  // Each statement stands on line 3, after a three-byte DELAY on line 1 and a blank line, so a
  // statement that forgot its mark would leave address 27 on another line.
  for (const char* word : {"CLS", "CSRON", "CSROFF", "LCDINIT"}) {
    SCOPED_TRACE(word);
    auto c = Compile("KF", {"DELAY 100", "", word, "CLS"});
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_EQ(c->Code.LineOf(24), 1);
    EXPECT_EQ(c->Code.LineOf(27), 3);
    EXPECT_EQ(c->Code.LineOf(28), 4);
    EXPECT_EQ(c->CodeAddr - 3, 29);
  }
}

struct ErrorCase {
  const char* device;
  std::vector<std::string> lines;  // the error is on the last line
  const char* en;
  const char* ko;
};

const ErrorCase kErrorCases[] = {
    {"KF", {"LOCATE 0"}, "Syntax Error ! Example: LOCATE 0,0", "문법에러 : 쉼표를 찾을 수 없습니다."},
    {"WF", {"CLS", "LOCATE 0;1"}, "Syntax Error ! Example: LOCATE 0,0", "문법에러 : 쉼표를 찾을 수 없습니다."},
    {"KF", {"LOCATE Q,1"}, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    // "&B" fails without a message of its own; the user still gets one.
    {"WF", {"LOCATE 1,&B"}, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    {"KF", {"PLAY \"C4\""}, "Syntax Error in Port Number ! Example: PLAY 5, PlayData",
     "문법에러 : 포트번호가 없습니다. 올바른 예 : PLAY 5, playdata"},
    {"KF", {"CLS", "PLAY 5 \"C4\""}, "Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 쉼표를 찾을 수 없습니다."},
    {"WF", {"PLAY 5, C4"}, "Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 따옴표를 찾을 수 없습니다."},
    {"KF", {"PLAY 70,\"C4\""}, "Out of I/O port number", "I/O포트의 사용범위가 아닙니다."},
    {"WF", {"PLAY 300,\"C4\""}, "Use only Byte type", "바이트형 인수만 사용가능합니다."},
    {"KF", {"DIM I AS INTEGER", "PLAY I,\"C4\""}, "Use only Byte type", "바이트형 인수만 사용가능합니다."},
    {"KF", {"SOUND 5;100"}, "Syntax Error !", "문법에러 : 쉼표를 찾을 수 없습니다."},
    {"WF", {"SOUND 5,100 10"}, "Syntax Error !", "문법에러 : 쉼표를 찾을 수 없습니다."},
    {"KF", {"SOUND 5,"}, "Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    {"WF", {"SOUND 99"}, "Out of I/O port number", "I/O포트의 사용범위가 아닙니다."},
    // SOUND leaves ELSE to the end-of-statement step (here without an IF to belong to).
    {"KF", {"SOUND 5,1 ELSE"}, "Syntax Error in ELSE !", "문법에러 : IF가 없는 ELSE문입니다."},
    {"KF", {"BEEP Q"}, "No Defined Variable or Wrong Constant !",
     "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    {"WF", {"BEEP &B"}, "No Defined Variable or Wrong Constant !",
     "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."},
    {"WF", {"BEEP 65"}, "Out of I/O port number", "I/O포트의 사용범위가 아닙니다."},
    {"KF", {"BEEP 5 6"}, "Syntax Error on End of Line !",
     "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다."},
};

TEST(DisplayStatements, ReportsErrorsOnTheirLine) {
  for (const auto& tc : kErrorCases) {
    SCOPED_TRACE(std::string(tc.device) + ": " + tc.lines.back());
    auto c = Compile(tc.device, tc.lines);
    EXPECT_EQ(c->Outcome.result, 1);
    EXPECT_EQ(c->Outcome.line, static_cast<int>(tc.lines.size()));
    EXPECT_EQ(c->Outcome.message.en, tc.en);
    EXPECT_EQ(c->Outcome.message.ko, tc.ko);
    EXPECT_FALSE(c->CompiledOK);
  }
}

// Every fault in a melody text gives the one PLAY data message.
const char* const kBadMelodies[] = {
    "PLAY 5,\"C 4\"",        // a blank between the name and the digit
    "PLAY 5,\"C4 D4\"",      // a blank between notes
    "PLAY 5,\"c4\"",         // small letter
    "PLAY 5,\"C4",           // no closing quote
    "PLAY 5,\"",             // nothing at all after the quote
    "PLAY 5,\"CD\"",         // a name without its length
    "PLAY 5,\"C4+\"",        // a sign without its note
    "PLAY 5,\"H4\"",         // not a note name
    "PLAY 5,\"도 4\"",
    "PLAY 5,\"가4\"",        // a syllable that names no note
    "PLAY 5,\"+B#4\"",       // index 36: above the highest note
    "PLAY 5,\"R#4\"",        // index 100
    "PLAY 5,\"+GAB4\"",      // 24 + 7 + 9 + 11
};

TEST(DisplayStatements, BadMelodyTextGivesPlayDataError) {
  for (const char* device : {"KF", "WF"}) {
    for (const char* line : kBadMelodies) {
      SCOPED_TRACE(std::string(device) + ": " + line);
      auto c = Compile(device, {"CLS", line});
      EXPECT_EQ(c->Outcome.result, 1);
      EXPECT_EQ(c->Outcome.line, 2);
      EXPECT_EQ(c->Outcome.message.en, "Syntax Error in Play Data ! ");
      EXPECT_EQ(c->Outcome.message.ko, "문법에러 : PLAY데이터에 오류가 있습니다.");
    }
  }
}

TEST(DisplayStatements, LongRunOfSharpsIsRefusedNotWrapped) {
  // Enough "#" to wrap a 16-bit note index back into the table.
  const std::string line = "PLAY 5,\"C" + std::string(65536, '#') + "4\"";
  auto c = Compile("KF", {line});
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_EQ(c->Outcome.message.en, "Syntax Error in Play Data ! ");
}

TEST(DisplayStatements, MessagesFollowTheLanguage) {
  auto c = Compile("WF", {"CLS", "PLAY 5,\"C4\"", "LOCATE 1"});
  EXPECT_EQ(c->Outcome.line, 3);
  EXPECT_EQ(c->OutcomeText(), "Syntax Error ! Example: LOCATE 0,0");
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), "문법에러 : 쉼표를 찾을 수 없습니다.");
}

// A compiler is reused across compiles: a failed one leaves nothing behind for the next.
TEST(DisplayStatements, FailureLeavesNoStateBehind) {
  auto c = MakeCompiler("WF");
  EXPECT_EQ(c->CompileSource(Source({"PLAY 5 \"C4\""})), 1);
  EXPECT_EQ(c->Outcome.message.ko, "문법에러 : 쉼표를 찾을 수 없습니다.");
  // The bare "&B" sets no message itself; the Korean text must not be the previous one.
  EXPECT_EQ(c->CompileSource(Source({"BEEP &B"})), 1);
  EXPECT_EQ(c->Outcome.message.en, "No Defined Variable or Wrong Constant !");
  EXPECT_EQ(c->Outcome.message.ko, "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다.");
  ASSERT_EQ(c->CompileSource(Source({"PLAY 5,\"C4\""})), 0);
  EXPECT_EQ(ProgramBytes(*c), (Bytes{0x82, 0x12, 0x05, 0x12, 0x77, 0x12, 0x10, 0x10}));
  EXPECT_TRUE(c->CompiledOK);
}

// PRINT hands its items to the shared output item list after the opcode.
const BytesCase kPrintCases[] = {
    {"KF",
     {"DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE", "PRINT A;B,C+D"},
     {0x92, 0x15, 0xA0, 0x15, 0xA1, 0x15, 0xA2, 0x15, 0xA3, 0x00}},
    {"WF", {"PRINT \"AB\", 5"}, {0x92, 0x18, 0x41, 0x42, 0x00, 0x12, 0x05, 0x00}},
    {"KF", {"PRINT 1 : CLS"}, {0x92, 0x11, 0x00, 0x93}},
};

TEST(DisplayStatements, PrintUsesTheOutputItemList) {
  for (const auto& tc : kPrintCases) ExpectBytes(tc);
}

}  // namespace
}  // namespace vn::compiler::testing
