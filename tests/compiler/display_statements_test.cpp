// Display and melody statements: PRINT, CLS, CSRON, CSROFF, LCDINIT, LOCATE, PLAY, SOUND, BEEP.
#include <gtest/gtest.h>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

// Variables declared by DIM take no code; the first is at A0 on KF and 0000 on WF.
const ByteRow kRows[] = {
    {"KF", "CLS : CSRON : CSROFF : LCDINIT", {0x93, 0x98, 0x99, 0x9C}},
    {"WF", "CSRON|CSROFF|LCDINIT ' set up", {0x98, 0x99, 0x9C}},
    {"KF", "LOCATE 0,1", {0x94, 0x10, 0x11}},
    {"KF", "DIM X AS BYTE|LOCATE X, 300", {0x94, 0x15, 0xA0, 0x13, 0x2C, 0x01}},
    {"WF", "DIM X AS BYTE|LOCATE 7, X", {0x94, 0x12, 0x07, 0x15, 0x00, 0x00}},
    {"KF", "PLAY 5, \"+C4-C4C#4R4B0\"", {0x82, 0x12, 0x05, 0x3C, 0x10, 0xEF, 0x10, 0x71, 0x10, 0xFF, 0x10, 0x3F, 0x40, 0x00}},
    {"KF", "PLAY 0,\"0123456789\"", {0x82, 0x10, 0x77, 0x40, 0x77, 0x30, 0x77, 0x20, 0x77, 0x18, 0x77, 0x10, 0x77, 0x0C, 0x77, 0x08, 0x77, 0x06, 0x77, 0x04, 0x77, 0x02, 0x00}},  // Every length digit.
    {"KF", "PLAY 5,\"C+D4\"", {0x82, 0x12, 0x05, 0x35, 0x10, 0x00}},  // Signs set the octave absolutely; "#" crosses into the next octave; names add up.
    {"KF", "PLAY 5,\"-B#4B#4+B4\"", {0x82, 0x12, 0x05, 0x77, 0x10, 0x3C, 0x10, 0x20, 0x10, 0x00}},
    {"KF", "PLAY 5,\"DE4-F8+A#2\"", {0x82, 0x12, 0x05, 0x54, 0x10, 0xB3, 0x04, 0x21, 0x20, 0x00}},
    {"KF", "DIM P AS BYTE|PLAY P,\"C4\" : CLS", {0x82, 0x15, 0xA0, 0x77, 0x10, 0x00, 0x93}},
    {"WF", "DIM P AS BYTE|PLAY P,\"R1\"' rest", {0x82, 0x15, 0x00, 0x00, 0x12, 0xFF, 0x12, 0x30, 0x10}},
    {"KF", "SOUND 5,100,10", {0x84, 0x12, 0x05, 0x12, 0x64, 0x12, 0x0A, 0x00}},  // SOUND: any number of operands after the port.
    {"WF", "SOUND 5,100,10", {0x82, 0x12, 0x05, 0x12, 0x64, 0x12, 0x0A, 0x10}},
    {"KF", "SOUND 5,300 : CLS", {0x84, 0x12, 0x05, 0x13, 0x2C, 0x01, 0x00, 0x93}},
    {"WF", "DIM X AS BYTE|SOUND X,X,1,0 ' tone", {0x82, 0x15, 0x00, 0x00, 0x15, 0x00, 0x00, 0x11, 0x10, 0x10}},
    {"WF", "BEEP 5", {0x82, 0x12, 0x05, 0x12, 0x12, 0x12, 0x02, 0x10}},  // BEEP: PLAY with the fixed note 18, length 2.
    {"KF", "DIM P AS BYTE|BEEP P ' first|BEEP 64", {0x82, 0x15, 0xA0, 0x12, 0x02, 0x00, 0x82, 0x12, 0x40, 0x12, 0x02, 0x00}},
    {"KF", "PLAY 5,\"도4레8미2파1솔0라9시3쉼5\"", {0x82, 0x12, 0x05, 0x77, 0x10, 0x6A, 0x04, 0x5F, 0x20, 0x59, 0x30, 0x50, 0x40, 0x47, 0x02, 0x3F, 0x18, 0xFF, 0x0C, 0x00}},  // Notes may be named by Korean syllables (one code page 949 character each), alone or mixed.
    {"WF", "PLAY 5,\"+솔#4-도4C4\"", {0x82, 0x12, 0x05, 0x12, 0x25, 0x12, 0x10, 0x12, 0xEF, 0x12, 0x10, 0x12, 0x77, 0x12, 0x10, 0x10}},
    {"KF", "PLAY 5,\"시#4라A4\"", {0x82, 0x12, 0x05, 0x3C, 0x10, 0x2A, 0x10, 0x00}},
    {"KF", "DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE|PRINT A;B,C+D", {0x92, 0x15, 0xA0, 0x15, 0xA1, 0x15, 0xA2, 0x15, 0xA3, 0x00}},  // PRINT hands its items to the shared output item list after the opcode.
    {"WF", "PRINT \"AB\", 5", {0x92, 0x18, 0x41, 0x42, 0x00, 0x12, 0x05, 0x00}},
    {"KF", "PRINT 1 : CLS", {0x92, 0x11, 0x00, 0x93}},
};

TEST(DisplayStatements, ExactBytes) {
  for (const auto& r : kRows) ExpectRow(r);
}

// The code of every note of the three octaves, C to B, from the instrument's note table.
TEST(DisplayStatements, EveryNoteCode) {
  const int codes[36] = {239, 225, 213, 201, 190, 179, 169, 159, 150, 142, 134, 126,
                         119, 113, 106, 100, 95,  89,  84,  80,  75,  71,  67,  63,
                         60,  56,  53,  50,  47,  45,  42,  39,  37,  35,  33,  32};
  const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  for (const char* device : {"KF", "WF"}) {
    std::string melody;
    Bytes expected = {0x82, 0x12, 0x05};
    for (int i = 0; i < 36; ++i) {
      melody += std::string(i < 12 ? "-" : i < 24 ? "" : "+") + names[i % 12] + "0";
      for (int b : {codes[i], 0x40}) {
        if (device[0] == 'W') expected.push_back(0x12);
        expected.push_back(b);
      }
    }
    expected.push_back(device[0] == 'W' ? 0x10 : 0x00);
    ExpectRow(ByteRow{device, "PLAY 5,\"" + melody + "\"", expected});
  }
}

TEST(DisplayStatements, StatementsMarkTheirLine) {
  // After a three-byte DELAY on line 1 and a blank line, a word that forgot its mark would leave
  // address 27 on another line.
  for (const char* word : {"CLS", "CSRON", "CSROFF", "LCDINIT", "SOUND 5", "PLAY 5,\"C4\""}) {
    auto c = Compile("KF", {"DELAY 100", "", word, "CLS"});
    EXPECT_EQ(c->Code.LineOf(27), 3) << word;
    EXPECT_EQ(c->Code.LineOf(27 + 1), word[0] == 'C' || word[0] == 'L' ? 4 : 1) << word;
  }
}

const Text kPlayData{"Syntax Error in Play Data ! ", "문법에러 : PLAY데이터에 오류가 있습니다."};

const ErrorRow kErrors[] = {
    {"KF", "LOCATE 0", {"Syntax Error ! Example: LOCATE 0,0", kNoComma}},
    {"KF", "LOCATE Q,1", kInvalidConstant},
    {"WF", "LOCATE 1,&B", kInvalidConstant},  // "&B" fails without a message of its own; the user still gets one.
    {"KF", "PLAY \"C4\"", {"Syntax Error in Port Number ! Example: PLAY 5, PlayData", "문법에러 : 포트번호가 없습니다. 올바른 예 : PLAY 5, playdata"}},
    {"WF", "PLAY 5, C4", {"Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 따옴표를 찾을 수 없습니다."}},
    {"KF", "PLAY 70,\"C4\"", kPortRange},
    {"WF", "PLAY 300,\"C4\"", kByteOnly},
    {"KF", "DIM I AS INTEGER|PLAY I,\"C4\"", kByteOnly},
    {"KF", "SOUND 5,", kInvalidConstant},
    {"WF", "SOUND 99", kPortRange},
    {"KF", "SOUND 5,1 ELSE", {"Syntax Error in ELSE !", "문법에러 : IF가 없는 ELSE문입니다."}},  // SOUND leaves ELSE to the end-of-statement step (here without an IF to belong to).
    {"KF", "BEEP Q", kNoDefined},
    {"WF", "BEEP 65", kPortRange},
    {"KF", "BEEP 5 6", kEndOfLine},
    // Every fault in a melody text gives the one PLAY data message.
    {"KF", "CLS|PLAY 5,\"C 4\"", kPlayData},    // a blank between the name and the digit
    {"WF", "CLS|PLAY 5,\"C4", kPlayData},       // no closing quote
    {"KF", "CLS|PLAY 5,\"", kPlayData},
    {"KF", "CLS|PLAY 5,\"C4+\"", kPlayData},    // a sign without its note
    {"WF", "CLS|PLAY 5,\"가4\"", kPlayData},    // a syllable that names no note
    {"KF", "CLS|PLAY 5,\"+B#4\"", kPlayData},   // index 36: above the highest note
    {"WF", "CLS|PLAY 5,\"R#4\"", kPlayData},    // index 100
    {"KF", "CLS|PLAY 5,\"+GAB4\"", kPlayData},  // 24 + 7 + 9 + 11
    {"KF", "PLAY 5,\"C" + std::string(65536, '#') + "4\"", kPlayData},  // would wrap a 16-bit index
};

TEST(DisplayStatements, Errors) {
  for (const auto& r : kErrors) ExpectRow(r);
}

// A compiler is reused across compiles: a failed one leaves nothing behind for the next.
TEST(DisplayStatements, FailureLeavesNoStateBehind) {
  auto c = MakeCompiler("WF");
  EXPECT_EQ(c->CompileSource(Source({"PLAY 5 \"C4\""})), 1);
  c->UseKorean = true;
  EXPECT_EQ(c->OutcomeText(), kNoComma);
  // The bare "&B" sets no message itself; the Korean text must not be the previous one.
  EXPECT_EQ(c->CompileSource(Source({"BEEP &B"})), 1);
  EXPECT_EQ(c->Outcome.message.ko, kNoDefined.ko);
  ASSERT_EQ(c->CompileSource(Source({"PLAY 5,\"C4\""})), 0);
  EXPECT_EQ(ProgramBytes(*c), (Bytes{0x82, 0x12, 0x05, 0x12, 0x77, 0x12, 0x10, 0x10}));
  EXPECT_TRUE(c->CompiledOK);
}

}  // namespace
}  // namespace vn::compiler::testing
