// Display, melody, port, pulse and timing statements: code bytes on both series, refusals and checks.
#include <gtest/gtest.h>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
// Variables declared by DIM take no code; the first is at A0 on KF and 0000 on WF.
const ByteRow kRows[] = {
    {"KF", "CLS : CSRON : CSROFF : LCDINIT", {0x93, 0x98, 0x99, 0x9C}}, {"WF", "CSRON|CSROFF|LCDINIT ' set up", {0x98, 0x99, 0x9C}},
    {"KF", "LOCATE 0,1", {0x94, 0x10, 0x11}}, {"KF", "DIM X AS BYTE|LOCATE X, 300", {0x94, 0x15, 0xA0, 0x13, 0x2C, 0x01}},
    {"WF", "DIM X AS BYTE|LOCATE 7, X", {0x94, 0x12, 0x07, 0x15, 0x00, 0x00}},
    {"KF", "PLAY 5, \"+C4-C4C#4R4B0\"", {0x82, 0x12, 0x05, 0x3C, 0x10, 0xEF, 0x10, 0x71, 0x10, 0xFF, 0x10, 0x3F, 0x40, 0x00}},
    {"KF", "PLAY 0,\"0123456789\"",
     {0x82, 0x10, 0x77, 0x40, 0x77, 0x30, 0x77, 0x20, 0x77, 0x18, 0x77, 0x10, 0x77, 0x0C, 0x77, 0x08, 0x77, 0x06, 0x77, 0x04, 0x77, 0x02, 0x00}},
    // Signs set the octave absolutely; "#" crosses into the next octave; names add up.
    {"KF", "PLAY 5,\"C+D4\"", {0x82, 0x12, 0x05, 0x35, 0x10, 0x00}},
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
    // Notes may be named by Korean syllables (one code page 949 character each), alone or mixed.
    {"KF", "PLAY 5,\"도4레8미2파1솔0라9시3쉼5\"",
     {0x82, 0x12, 0x05, 0x77, 0x10, 0x6A, 0x04, 0x5F, 0x20, 0x59, 0x30, 0x50, 0x40, 0x47, 0x02, 0x3F, 0x18, 0xFF, 0x0C, 0x00}},
    {"WF", "PLAY 5,\"+솔#4-도4C4\"", {0x82, 0x12, 0x05, 0x12, 0x25, 0x12, 0x10, 0x12, 0xEF, 0x12, 0x10, 0x12, 0x77, 0x12, 0x10, 0x10}},
    {"KF", "PLAY 5,\"시#4라A4\"", {0x82, 0x12, 0x05, 0x3C, 0x10, 0x2A, 0x10, 0x00}},
    // PRINT hands its items to the shared output item list after the opcode.
    {"KF", "DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE|PRINT A;B,C+D", {0x92, 0x15, 0xA0, 0x15, 0xA1, 0x15, 0xA2, 0x15, 0xA3, 0x00}},
    {"WF", "PRINT \"AB\", 5", {0x92, 0x18, 0x41, 0x42, 0x00, 0x12, 0x05, 0x00}}, {"KF", "PRINT 1 : CLS", {0x92, 0x11, 0x00, 0x93}},
    // Each statement marks its opcode's line (the operands' bytes are left unmarked).
    {"KF", "DELAY 100||CLS|CSRON|CSROFF|LCDINIT|SOUND 5|PLAY 5,\"C4\"|CLS",
     {0x8E, 0x12, 0x64, 0x93, 0x98, 0x99, 0x9C, 0x84, 0x12, 0x05, 0x00, 0x82, 0x12, 0x05, 0x77, 0x10, 0x00, 0x93},
     {{27, 3}, {28, 4}, {29, 5}, {30, 6}, {31, 7}, {32, 1}, {35, 8}, {36, 1}, {41, 9}}},
    {"KF", "HIGH 1||PULSE 2|SHIFTOUT 1,2,0,3,4 : TOGGLE 5",
     {0x96, 0x11, 0x11, 0x9E, 0x12, 0x02, 0xA1, 0x11, 0x12, 0x02, 0x00, 0x12, 0x03, 0x04, 0x8A, 0x12, 0x05}, {{24, 1}, {27, 3}, {30, 4}, {38, 4}}},
    {"WF", "HIGH 1||PULSE 2|SHIFTOUT 1,2,0,3,4 : TOGGLE 5",
     {0x96, 0x11, 0x11, 0x9E, 0x12, 0x02, 0x12, 0x01, 0xA1, 0x11, 0x12, 0x02, 0x00, 0x12, 0x03, 0x04, 0x8A, 0x12, 0x05},
     {{24, 1}, {27, 3}, {32, 4}, {40, 4}}},
};

const Text kPlayData{"Syntax Error in Play Data ! ", "문법에러 : PLAY데이터에 오류가 있습니다."};
const ErrorRow kErrors[] = {
    {"KF", "LOCATE 0", {"Syntax Error ! Example: LOCATE 0,0", kNoComma}}, {"KF", "LOCATE Q,1", kInvalidConstant},
    {"WF", "LOCATE 1,&B", kInvalidConstant},  // "&B" fails without a message of its own; the user still gets one.
    {"KF", "PLAY \"C4\"", {"Syntax Error in Port Number ! Example: PLAY 5, PlayData"}},
    {"WF", "PLAY 5, C4", {"Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 따옴표를 찾을 수 없습니다."}}, {"KF", "PLAY 70,\"C4\"", kPortRange},
    {"WF", "PLAY 300,\"C4\"", kByteOnly}, {"KF", "DIM I AS INTEGER|PLAY I,\"C4\"", kByteOnly}, {"KF", "SOUND 5,", kInvalidConstant},
    {"WF", "SOUND 99", kPortRange},
    // SOUND leaves ELSE to the end-of-statement step (here without an IF to belong to).
    {"KF", "SOUND 5,1 ELSE", {"Syntax Error in ELSE !", "문법에러 : IF가 없는 ELSE문입니다."}}, {"KF", "BEEP Q", kNoDefined},
    {"WF", "BEEP 65", kPortRange}, {"KF", "BEEP 5 6", kEndOfLine},
    // Every fault in a melody text gives the one PLAY data message.
    {"WF", "CLS|PLAY 5,\"C4", kPlayData},  // no closing quote
    {"KF", "CLS|PLAY 5,\"C4+\"", kPlayData},  // a sign without its note
    {"WF", "CLS|PLAY 5,\"가4\"", kPlayData},  // a syllable that names no note
    {"KF", "CLS|PLAY 5,\"+B#4\"", kPlayData},  // index 36: above the highest note
    {"WF", "CLS|PLAY 5,\"R#4\"", kPlayData},  // index 100
    {"KF", "PLAY 5,\"C" + std::string(65536, '#') + "4\"", kPlayData},  // would wrap a 16-bit index
};
TEST(DisplayStatements, ExactBytesAndMessagesAndEveryNoteCode) {
  for (const auto& r : kRows) ExpectRow(r);
  for (const auto& r : kErrors) ExpectRow(r);
  // Every note code, on both series.
  const int codes[36] = {239, 225, 213, 201, 190, 179, 169, 159, 150, 142, 134, 126, 119, 113, 106, 100, 95, 89,
                         84,  80,  75,  71,  67,  63,  60,  56,  53,  50,  47,  45,  42,  39,  37,  35, 33, 32};
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

// A BYTE A and an INTEGER I: on the VN series at A0 and A1, on the VNM series at 0 and 1 with two
// address bytes, and a LONG L at 3; then a statement on line 4 (VN: 3).
std::string Dims(const char* device) {
  return device[0] == 'W' ? "DIM A AS BYTE|DIM I AS INTEGER|DIM L AS LONG|" : "DIM A AS BYTE|DIM I AS INTEGER|";
}

const ByteRow kPortRows[] = {
    {"KF", "POKE 5,1", {0xA0, 0x05, 0x11}}, {"KF", "POKE &HFF,A", {0xA0, 0xFF, 0x15, 0xA0}}, {"KF", "OUT 64,1", {0x96, 0x12, 0x40, 0x11}},
    {"KF", "BYTEOUT 1,255", {0x9F, 0x11, 0x12, 0xFF}}, {"KF", "TOGGLE 3", {0x8A, 0x12, 0x03}}, {"KF", "SERVO 5,100", {0xA7, 0x12, 0x05, 0x12, 0x64}},
    {"KF", "PULSEOUT 1,300", {0xA7, 0x11, 0x13, 0x2C, 0x01}}, {"KF", "PULSE 15", {0x9E, 0x12, 0x0F}},
    {"KF", "FREQOUT 9,I", {0xA3, 0x12, 0x09, 0x16, 0xA1}}, {"KF", "PWM 9,100", {0x97, 0x12, 0x09, 0x12, 0x64}},
    {"KF", "PWMOFF 9", {0x95, 0x12, 0x09}}, {"KF", "STEPOUT 1,2,3 : TOGGLE 4", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF, 0x8A, 0x12, 0x04}},
    {"KF", "STEPOUT 1,2,3 ' no stop input", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF}},
    {"KF", "STEPOUT 1,2,3,4,1", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0x04, 0x01}},
    {"KF", "STEPOUT A,I,300,64,0", {0xA2, 0x15, 0xA0, 0x16, 0xA1, 0x13, 0x2C, 0x01, 0x40, 0x00}},
    {"KF", "SHIFTOUT 1,2,0,A", {0xA1, 0x11, 0x12, 0x02, 0x00, 0x15, 0xA0, 0x08}},
    {"KF", "SHIFTOUT 1,2,2,A,16", {0xA1, 0x11, 0x12, 0x02, 0x02, 0x15, 0xA0, 0x10}}, {"KF", "EEWRITE 4096,I", {0x81, 0x13, 0x00, 0x10, 0x16, 0xA1}},
    {"WF", "OUT 5,A", {0x96, 0x12, 0x05, 0x15, 0x00, 0x00}}, {"WF", "BYTEOUT 0,I", {0x9F, 0x10, 0x16, 0x01, 0x00}},
    {"WF", "TOGGLE 64", {0x8A, 0x12, 0x40}}, {"WF", "SERVO 5,L", {0xA7, 0x12, 0x05, 0x1A, 0x03, 0x00}},
    {"WF", "PULSE 15,A", {0x9E, 0x12, 0x0F, 0x15, 0x00, 0x00}}, {"WF", "PULSE 15 : LOW 2", {0x9E, 0x12, 0x0F, 0x12, 0x01, 0x96, 0x12, 0x02, 0x10}},
    {"WF", "PWM 9,100", {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0xFF}}, {"WF", "PWM 9,100,50", {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0x32}},
    {"WF", "DACOUT 5,10,100", {0xA9, 0x12, 0x05, 0x12, 0x0A, 0x12, 0x64}},
    {"WF", "SHIFTOUT 1,2,0,I,16", {0xA1, 0x11, 0x12, 0x02, 0x00, 0x16, 0x01, 0x00, 0x10}},
    {"WF", "EEWRITE 4096,I", {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x11}},
    {"WF", "EEWRITE 4096,I,4", {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x12, 0x04}},
    {"WF", "EEWRITE 1,2 ' count left out", {0x81, 0x11, 0x12, 0x02, 0x11}}, {"WF", "TIMESET 0,I", {0xA4, 0x10, 0x16, 0x01, 0x00}},
    // HIGH and LOW are OUT with a fixed value.
    {"KF", "HIGH A", {0x96, 0x15, 0xA0, 0x11}}, {"KF", "LOW A", {0x96, 0x15, 0xA0, 0x10}}, {"WF", "HIGH A", {0x96, 0x15, 0x00, 0x00, 0x11}},
    {"WF", "LOW A", {0x96, 0x15, 0x00, 0x00, 0x10}},
};
const Text kBitsRange{"Syntax Error ! Invalid Bit Value ( Only 1 ~ 16 )", "문법에러 : 비트수는 1~16사이의 값만 사용가능합니다."};
const Text kPokeRange{"Syntax Error ! : Address out of range ( 0 ~ 255 )"};
const ErrorRow kPortErrors[] = {
    {"KF", "OUT 65,1", kPortRange}, {"KF", "OUT I,1", kByteOnly}, {"KF", "TOGGLE -1", kPortRange}, {"KF", "HIGH", kInvalidConstant},
    {"KF", "SHIFTOUT 1,99,0,A", kPortRange}, {"WF", "OUT L,1", kByteOnly}, {"KF", "POKE 5 1", {"Syntax Error ! Example : POKE 5,1", kNoComma}},
    {"KF", "OUT 5 1", English("Syntax Error ! Example : OUT 5,1")},
    {"KF", "BYTEOUT 0 1", {"Syntax Error ! Example :BYTEOUT 0,1", "문법에러 : 쉼표를 찾을 수 없습니다. 올바른 예 : BYTEOUT 0,1"}},
    {"WF", "PWM 9 100", {"Syntax Error ! Example:PWM 9,100", kNoComma}},
    {"KF", "STEPOUT 1,2 3", {"Syntax Error ! Example:STEPOUT Port,Width,Length, StopPort, StopLevel", kNoComma}},
    {"KF", "PULSE 15,3", kEndOfLine},  // An extra argument the series does not take, or anything after the optional one.
    {"KF", "EEWRITE 1,2,3", kEndOfLine}, {"WF", "PWM 9,100 50", kEndOfLine}, {"WF", "PULSE 15 3", kEndOfLine}, {"KF", "DACOUT 5,10,100", kDeviceVn},
    {"KF", "TIMESET 0,I", kDeviceVn}, {"WF", "FREQOUT 9,100", kDeviceVnm}, {"WF", "STEPOUT 1,2,3", kDeviceVnm},
    {"KF", "POKE A,1", {"Syntax Error ! : Use only Constant value", "문법에러 : 잘못된 어드레스입니다."}}, {"KF", "POKE 256,1", kPokeRange},
    {"WF", "POKE -1,1", kPokeRange}, {"KF", "STEPOUT 1,2,3,4,2", {"Syntax Error ! Invalid StopLevel Value ( Only 0 or 1)"}},
    {"KF", "STEPOUT 1,2,3,A,1", {"Syntax Error ! Invalid StopPort Value !", "문법에러 : STOP포트가 잘못되었습니다."}},
    {"KF", "STEPOUT 1,2,3,65,1", {"Syntax Error ! Invalid StopPort Value ( 0 ~ 64 )"}},
    {"KF", "SHIFTOUT 1,2,3,A", {"Syntax Error ! Invalid Mode Value ! ( 0 ~ 2 )"}},
    {"KF", "SHIFTOUT 1,2,A,A", {"Syntax Error ! Invalid Mode Value !", "문법에러 : 모드값이 잘못되었습니다."}},
    {"KF", "SHIFTOUT 1,2,0,A,0", kBitsRange}, {"WF", "SHIFTOUT 1,2,0,A,17", kBitsRange},
    // Operands: OUT replaces only the English text of a failing value.
    {"KF", "OUT 5,Q", {"No Defined Variable or Wrong Constant !", kInvalidConstant.ko}},
    {"WF", "OUT 5,LEN(I)", {"No Defined Variable or Wrong Constant !", "문법에러 : 문자열 변수를 사용해야 합니다."}},
    {"WF", "BYTEOUT 5,LEN(I)", {"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."}}, {"WF", "PWM 9,100,Q", kInvalidConstant},
};
TEST(PortStatements, ExactBytesAndMessages) {
  for (const auto& r : kPortRows) ExpectRow(ByteRow{r.device, Dims(r.device) + r.source, r.bytes});
  // A good statement before and after: the error must be reported on the line between them.
  for (const auto& r : kPortErrors) ExpectRow(ErrorRow{r.device, Dims(r.device) + "HIGH 1|" + r.source + "|LOW 1", r.text, r.device[0] == 'W' ? 5 : 4});
  // TIMESET is refused before anything is emitted; the other series-bound statements after their opcode.
  EXPECT_EQ(Compile("KF", {"TIMESET 0,1"})->CodeAddr, 24);
  auto dacout = Compile("KF", {"DACOUT 5,10,100"});
  EXPECT_EQ(CodeBytes(*dacout, 24, dacout->CodeAddr), Bytes{0xA9});
  auto freqout = Compile("WF", {"FREQOUT 9,100"});
  EXPECT_EQ(CodeBytes(*freqout, 24, freqout->CodeAddr), Bytes{0xA3});
}
}  // namespace
}  // namespace vn::compiler::testing
