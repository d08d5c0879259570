// Port, pulse and timing statements: code bytes on both series, refusals and the checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile_helpers.h"

namespace vn::compiler {
namespace {

using testing::Bytes;
using testing::Compile;
using testing::ProgramBytes;

// A BYTE variable A and an INTEGER variable I: on the VN series at 0xA0 and 0xA1, on the
// VNM series at 0 and 1 with two address bytes.
const std::vector<std::string> kDims = {"DIM A AS BYTE", "DIM I AS INTEGER", "DIM L AS LONG"};
const std::vector<std::string> kDimsVn = {"DIM A AS BYTE", "DIM I AS INTEGER"};

std::vector<std::string> WithDims(const std::string& device, const std::vector<std::string>& lines) {
  std::vector<std::string> all = device == "WF" ? kDims : kDimsVn;
  all.insert(all.end(), lines.begin(), lines.end());
  return all;
}

struct BytesCase {
  const char* device;
  std::vector<std::string> lines;
  Bytes expected;
};

const BytesCase kBytesCases[] = {
    // VN series.
    {"KF", {"POKE 5,1"}, {0xA0, 0x05, 0x11}},
    {"KF", {"POKE &HFF,A"}, {0xA0, 0xFF, 0x15, 0xA0}},
    {"KF", {"OUT 5,A"}, {0x96, 0x12, 0x05, 0x15, 0xA0}},
    {"KF", {"OUT 64,1"}, {0x96, 0x12, 0x40, 0x11}},
    {"KF", {"OUT A,I"}, {0x96, 0x15, 0xA0, 0x16, 0xA1}},
    {"KF", {"OUT 5,IN(3)"}, {0x96, 0x12, 0x05, 0xC0, 0x12, 0x03}},
    {"KF", {"HIGH 5"}, {0x96, 0x12, 0x05, 0x11}},
    {"KF", {"LOW 0"}, {0x96, 0x10, 0x10}},
    {"KF", {"CONST LED = 7", "HIGH LED"}, {0x96, 0x12, 0x07, 0x11}},
    {"KF", {"BYTEOUT 1,255"}, {0x9F, 0x11, 0x12, 0xFF}},
    {"KF", {"TOGGLE 3"}, {0x8A, 0x12, 0x03}},
    {"KF", {"SERVO 5,100"}, {0xA7, 0x12, 0x05, 0x12, 0x64}},
    {"KF", {"PULSEOUT 1,300"}, {0xA7, 0x11, 0x13, 0x2C, 0x01}},
    {"KF", {"PULSE 15"}, {0x9E, 0x12, 0x0F}},
    {"KF", {"PULSE 15 : PWMOFF 1"}, {0x9E, 0x12, 0x0F, 0x95, 0x11}},
    {"KF", {"FREQOUT 9,I"}, {0xA3, 0x12, 0x09, 0x16, 0xA1}},
    {"KF", {"PWM 9,100"}, {0x97, 0x12, 0x09, 0x12, 0x64}},
    {"KF", {"PWMOFF 9"}, {0x95, 0x12, 0x09}},
    {"KF", {"STEPOUT 1,2,3"}, {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF}},
    {"KF", {"STEPOUT 1,2,3 ' no stop input"}, {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF}},
    {"KF", {"STEPOUT 1,2,3 : TOGGLE 4"}, {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF, 0x8A, 0x12, 0x04}},
    {"KF", {"STEPOUT 1,2,3,4,1"}, {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0x04, 0x01}},
    {"KF", {"STEPOUT A,I,300,64,0"}, {0xA2, 0x15, 0xA0, 0x16, 0xA1, 0x13, 0x2C, 0x01, 0x40, 0x00}},
    {"KF", {"SHIFTOUT 1,2,0,A"}, {0xA1, 0x11, 0x12, 0x02, 0x00, 0x15, 0xA0, 0x08}},
    {"KF", {"SHIFTOUT 1,2,2,A,16"}, {0xA1, 0x11, 0x12, 0x02, 0x02, 0x15, 0xA0, 0x10}},
    {"KF", {"SHIFTOUT 1,2,1,A , 12"}, {0xA1, 0x11, 0x12, 0x02, 0x01, 0x15, 0xA0, 0x0C}},
    {"KF", {"EEWRITE 4096,I"}, {0x81, 0x13, 0x00, 0x10, 0x16, 0xA1}},
    // VNM series.
    {"WF", {"POKE 5,1"}, {0xA0, 0x05, 0x11}},
    {"WF", {"OUT 5,A"}, {0x96, 0x12, 0x05, 0x15, 0x00, 0x00}},
    {"WF", {"HIGH 5"}, {0x96, 0x12, 0x05, 0x11}},
    {"WF", {"LOW A"}, {0x96, 0x15, 0x00, 0x00, 0x10}},
    {"WF", {"BYTEOUT 0,I"}, {0x9F, 0x10, 0x16, 0x01, 0x00}},
    {"WF", {"TOGGLE 64"}, {0x8A, 0x12, 0x40}},
    {"WF", {"SERVO 5,L"}, {0xA7, 0x12, 0x05, 0x1A, 0x03, 0x00}},
    {"WF", {"PULSE 15"}, {0x9E, 0x12, 0x0F, 0x12, 0x01}},
    {"WF", {"PULSE 15,A"}, {0x9E, 0x12, 0x0F, 0x15, 0x00, 0x00}},
    {"WF", {"PULSE 15 : LOW 2"}, {0x9E, 0x12, 0x0F, 0x12, 0x01, 0x96, 0x12, 0x02, 0x10}},
    {"WF", {"PWM 9,100"}, {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0xFF}},
    {"WF", {"PWM 9,100,50"}, {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0x32}},
    {"WF", {"PWM 9,100 : HIGH 1"}, {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0xFF, 0x96, 0x11, 0x11}},
    {"WF", {"PWMOFF 9"}, {0x95, 0x12, 0x09}},
    {"WF", {"DACOUT 5,10,100"}, {0xA9, 0x12, 0x05, 0x12, 0x0A, 0x12, 0x64}},
    {"WF", {"SHIFTOUT 1,2,0,A"}, {0xA1, 0x11, 0x12, 0x02, 0x00, 0x15, 0x00, 0x00, 0x08}},
    {"WF", {"SHIFTOUT 1,2,0,I,16"}, {0xA1, 0x11, 0x12, 0x02, 0x00, 0x16, 0x01, 0x00, 0x10}},
    {"WF", {"EEWRITE 4096,I"}, {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x11}},
    {"WF", {"EEWRITE 4096,I,4"}, {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x12, 0x04}},
    {"WF", {"EEWRITE 1,2 ' count left out"}, {0x81, 0x11, 0x12, 0x02, 0x11}},
    {"WF", {"TIMESET 0,I"}, {0xA4, 0x10, 0x16, 0x01, 0x00}},
};

TEST(PortStatements, CodeBytesOnBothSeries) {
  for (const auto& tc : kBytesCases) {
    SCOPED_TRACE(std::string(tc.device) + ": " + tc.lines.back());
    auto c = Compile(tc.device, WithDims(tc.device, tc.lines));
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    EXPECT_EQ(ProgramBytes(*c), tc.expected);
  }
}

const Msg kPortRange{"Out of I/O port number", "I/O포트의 사용범위가 아닙니다."};
const Msg kByteOnly{"Use only Byte type", "바이트형 인수만 사용가능합니다."};
const Msg kInvalidConstant{"Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."};
const Msg kEndOfLine{"Syntax Error on End of Line !", "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다."};
const Msg kDeviceVn{"Can not use this command at VN-XX device", "VN시리즈에서는 이 명령어를 사용할 수 없습니다."};
const Msg kDeviceVnm{"Can not use this command at VNM-XX device", "VNM시리즈에서는 이 명령어를 사용할 수 없습니다."};
const std::string kNoComma = "문법에러 : 쉼표를 찾을 수 없습니다.";
const Msg kStepComma{"Syntax Error ! Example:STEPOUT Port,Width,Length, StopPort, StopLevel", kNoComma};
const Msg kShiftComma{"Syntax Error ! Example:SHIFTOUT Clk,Data,Mode,Varible,Bit", kNoComma};
const Msg kServoComma{"Syntax Error ! Can't find Comma", kNoComma};
const Msg kStopLevelRange{"Syntax Error ! Invalid StopLevel Value ( Only 0 or 1)",
                          "문법에러 : STOP레벨은 0또는 1만 사용가능합니다."};
const Msg kModeRange{"Syntax Error ! Invalid Mode Value ! ( 0 ~ 2 )", "문법에러 : 모드값은 0~2사이만 사용가능합니다."};
const Msg kBitsRange{"Syntax Error ! Invalid Bit Value ( Only 1 ~ 16 )",
                     "문법에러 : 비트수는 1~16사이의 값만 사용가능합니다."};
const Msg kPokeRange{"Syntax Error ! : Address out of range ( 0 ~ 255 )",
                     "문법에러 : 어드레스는 0~255사이의 값만 사용가능합니다."};

struct ErrorCase {
  const char* device;
  const char* line;
  Msg expected;
};

const ErrorCase kErrorCases[] = {
    // Ports.
    {"KF", "OUT 65,1", kPortRange},
    {"KF", "OUT 300,1", kByteOnly},
    {"KF", "OUT I,1", kByteOnly},
    {"KF", "TOGGLE -1", kPortRange},
    {"KF", "HIGH 70000", kByteOnly},
    {"KF", "HIGH", kInvalidConstant},
    {"KF", "SHIFTOUT 1,99,0,A", kPortRange},
    {"WF", "OUT L,1", kByteOnly},
    {"WF", "PULSE 1.5", kByteOnly},
    {"WF", "LOW 65", kPortRange},
    // Commas.
    {"KF", "POKE 5 1", {"Syntax Error ! Example : POKE 5,1", kNoComma}},
    {"KF", "OUT 5 1", {"Syntax Error ! Example : OUT 5,1", "Syntax Error ! Example : OUT 5,1"}},
    {"WF", "OUT 5 1", {"Syntax Error ! Example : OUT 5,1", "Syntax Error ! Example : OUT 5,1"}},
    {"KF", "BYTEOUT 0 1",
     {"Syntax Error ! Example :BYTEOUT 0,1", "문법에러 : 쉼표를 찾을 수 없습니다. 올바른 예 : BYTEOUT 0,1"}},
    {"KF", "SERVO 1 2", kServoComma},
    {"WF", "PULSEOUT 1 2", kServoComma},
    {"KF", "FREQOUT 9 100", {"Syntax Error ! Example:FREQOUT 9,100", kNoComma}},
    {"WF", "PWM 9 100", {"Syntax Error ! Example:PWM 9,100", kNoComma}},
    {"WF", "DACOUT 5,10 100", {"Syntax Error ! Example:DACOUT 5,10,100", kNoComma}},
    {"KF", "STEPOUT 1,2 3", kStepComma},
    {"KF", "STEPOUT 1,2,3 4", kStepComma},
    {"KF", "STEPOUT 1,2,3,4 1", kStepComma},
    {"WF", "SHIFTOUT 1,2,0 A", kShiftComma},
    {"KF", "EEWRITE 4096 I", {"Syntax Error ! Example: EEWRITE 4096,I", kNoComma}},
    {"WF", "TIMESET 0 I", {"Syntax Error ! Example: TIMESET 0,I", kNoComma}},
    // An extra argument the series does not take, or anything after the optional one.
    {"KF", "PULSE 15,3", kEndOfLine},
    {"KF", "EEWRITE 1,2,3", kEndOfLine},
    {"WF", "PWM 9,100 50", kEndOfLine},
    {"WF", "PULSE 15 3", kEndOfLine},
    // Device refusals.
    {"KF", "DACOUT 5,10,100", kDeviceVn},
    {"KF", "TIMESET 0,I", kDeviceVn},
    {"WF", "FREQOUT 9,100", kDeviceVnm},
    {"WF", "STEPOUT 1,2,3", kDeviceVnm},
    // Constant bytes.
    {"KF", "POKE A,1", {"Syntax Error ! : Use only Constant value", "문법에러 : 잘못된 어드레스입니다."}},
    {"KF", "POKE 256,1", kPokeRange},
    {"WF", "POKE -1,1", kPokeRange},
    {"KF", "STEPOUT 1,2,3,4,2", kStopLevelRange},
    {"KF", "STEPOUT 1,2,3,4,-1", kStopLevelRange},
    {"KF", "STEPOUT 1,2,3,4,A",
     {"Syntax Error ! Invalid StopLevel Value !", "문법에러 : STOP레벨이 잘못되었습니다."}},
    {"KF", "STEPOUT 1,2,3,A,1", {"Syntax Error ! Invalid StopPort Value !", "문법에러 : STOP포트가 잘못되었습니다."}},
    {"KF", "STEPOUT 1,2,3,65,1",
     {"Syntax Error ! Invalid StopPort Value ( 0 ~ 64 )", "문법에러 : STOP포트는 0~64사이의 값만 사용가능합니다."}},
    {"KF", "SHIFTOUT 1,2,3,A", kModeRange},
    {"WF", "SHIFTOUT 1,2,3,A", kModeRange},
    {"KF", "SHIFTOUT 1,2,A,A", {"Syntax Error ! Invalid Mode Value !", "문법에러 : 모드값이 잘못되었습니다."}},
    {"KF", "SHIFTOUT 1,2,0,A,0", kBitsRange},
    {"WF", "SHIFTOUT 1,2,0,A,17", kBitsRange},
    {"KF", "SHIFTOUT 1,2,0,A,B",
     {"Syntax Error ! Invalid Bit Value !", "문법에러 : 비트수의 표현이 잘못되었습니다."}},
    // Operands: OUT replaces only the English text of a failing value.
    {"KF", "OUT 5,Q", {"No Defined Variable or Wrong Constant !", kInvalidConstant.ko}},
    {"WF", "OUT 5,LEN(I)", {"No Defined Variable or Wrong Constant !", "문법에러 : 문자열 변수를 사용해야 합니다."}},
    {"WF", "BYTEOUT 5,LEN(I)", {"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."}},
    {"WF", "PWM 9,100,Q", kInvalidConstant},
    {"WF", "EEWRITE 1,2,Q", kInvalidConstant},
};

TEST(PortStatements, ErrorsWithTheirMessagesAndLine) {
  for (const auto& tc : kErrorCases) {
    SCOPED_TRACE(std::string(tc.device) + ": " + tc.line);
    // A good statement first, so that the error must be reported on the line after it.
    auto lines = WithDims(tc.device, {"HIGH 1", tc.line, "LOW 1"});
    const int bad_line = static_cast<int>(lines.size()) - 1;
    auto c = Compile(tc.device, lines);
    ASSERT_EQ(c->Outcome.result, 1);
    EXPECT_EQ(c->Outcome.message.en, tc.expected.en);
    EXPECT_EQ(c->Outcome.message.ko, tc.expected.ko);
    EXPECT_EQ(c->Outcome.line, bad_line);
    EXPECT_FALSE(c->CompiledOK);
  }
}

TEST(PortStatements, HighAndLowAreOutWithAFixedValue) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    auto high = Compile(device, WithDims(device, {"HIGH A"}));
    auto out1 = Compile(device, WithDims(device, {"OUT A,1"}));
    auto low = Compile(device, WithDims(device, {"LOW A"}));
    auto out0 = Compile(device, WithDims(device, {"OUT A,0"}));
    ASSERT_EQ(high->Outcome.result, 0);
    EXPECT_EQ(ProgramBytes(*high), ProgramBytes(*out1));
    EXPECT_EQ(ProgramBytes(*low), ProgramBytes(*out0));
    EXPECT_NE(ProgramBytes(*high), ProgramBytes(*low));
  }
}

// The English-only comma message of OUT reads the same in the Korean interface.
TEST(PortStatements, EnglishOnlyMessageInKoreanInterface) {
  auto c = testing::MakeCompiler("KF");
  c->UseKorean = true;
  ASSERT_EQ(c->CompileSource(testing::Source({"OUT 5 1"})), 1);
  EXPECT_EQ(c->OutcomeText(), "Syntax Error ! Example : OUT 5,1");
  ASSERT_EQ(c->CompileSource(testing::Source({"SERVO 1 2"})), 1);
  EXPECT_EQ(c->OutcomeText(), kNoComma);
}

// TIMESET is refused before anything is emitted; the other series-bound statements only
// after their opcode.
TEST(PortStatements, RefusalPoint) {
  auto timeset = Compile("KF", {"TIMESET 0,1"});
  EXPECT_EQ(timeset->CodeAddr, 24);
  auto dacout = Compile("KF", {"DACOUT 5,10,100"});
  EXPECT_EQ(dacout->CodeAddr, 25);
  EXPECT_EQ(dacout->Code.Get(24), 0xA9);
  auto freqout = Compile("WF", {"FREQOUT 9,100"});
  EXPECT_EQ(freqout->CodeAddr, 25);
  EXPECT_EQ(freqout->Code.Get(24), 0xA3);
}

// Each statement's first byte maps back to its own source line.
TEST(PortStatements, LineMap) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    auto c = Compile(device, {"HIGH 1", "", "PULSE 2", "SHIFTOUT 1,2,0,3,4 : TOGGLE 5"});
    ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    const long pulse = 24 + 3;  // HIGH 1: 96 11 11
    const long shift = pulse + (std::string(device) == "WF" ? 5 : 3);
    const long toggle = shift + 8;
    EXPECT_EQ(c->Code.LineOf(24), 1);
    EXPECT_EQ(c->Code.Get(pulse), 0x9E);
    EXPECT_EQ(c->Code.LineOf(pulse), 3);
    EXPECT_EQ(c->Code.Get(shift), 0xA1);
    EXPECT_EQ(c->Code.LineOf(shift), 4);
    EXPECT_EQ(c->Code.Get(toggle), 0x8A);
    EXPECT_EQ(c->Code.LineOf(toggle), 4);
  }
}

}  // namespace
}  // namespace vn::compiler
