// Port, pulse and timing statements: code bytes on both series, refusals and the checks.
#include <gtest/gtest.h>

#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {

// A BYTE A and an INTEGER I: on the VN series at A0 and A1, on the VNM series at 0 and 1 with two
// address bytes, and a LONG L at 3; then a statement on line 4 (VN: 3).
std::string Dims(const char* device) {
  return device[0] == 'W' ? "DIM A AS BYTE|DIM I AS INTEGER|DIM L AS LONG|" : "DIM A AS BYTE|DIM I AS INTEGER|";
}

const ByteRow kRows[] = {
    {"KF", "POKE 5,1", {0xA0, 0x05, 0x11}},
    {"KF", "POKE &HFF,A", {0xA0, 0xFF, 0x15, 0xA0}},
    {"KF", "OUT 64,1", {0x96, 0x12, 0x40, 0x11}},
    {"KF", "BYTEOUT 1,255", {0x9F, 0x11, 0x12, 0xFF}},
    {"KF", "TOGGLE 3", {0x8A, 0x12, 0x03}},
    {"KF", "SERVO 5,100", {0xA7, 0x12, 0x05, 0x12, 0x64}},
    {"KF", "PULSEOUT 1,300", {0xA7, 0x11, 0x13, 0x2C, 0x01}},
    {"KF", "PULSE 15", {0x9E, 0x12, 0x0F}},
    {"KF", "FREQOUT 9,I", {0xA3, 0x12, 0x09, 0x16, 0xA1}},
    {"KF", "PWM 9,100", {0x97, 0x12, 0x09, 0x12, 0x64}},
    {"KF", "PWMOFF 9", {0x95, 0x12, 0x09}},
    {"KF", "STEPOUT 1,2,3 : TOGGLE 4", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF, 0x8A, 0x12, 0x04}},
    {"KF", "STEPOUT 1,2,3 ' no stop input", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0xFF}},
    {"KF", "STEPOUT 1,2,3,4,1", {0xA2, 0x11, 0x12, 0x02, 0x12, 0x03, 0x04, 0x01}},
    {"KF", "STEPOUT A,I,300,64,0", {0xA2, 0x15, 0xA0, 0x16, 0xA1, 0x13, 0x2C, 0x01, 0x40, 0x00}},
    {"KF", "SHIFTOUT 1,2,0,A", {0xA1, 0x11, 0x12, 0x02, 0x00, 0x15, 0xA0, 0x08}},
    {"KF", "SHIFTOUT 1,2,2,A,16", {0xA1, 0x11, 0x12, 0x02, 0x02, 0x15, 0xA0, 0x10}},
    {"KF", "EEWRITE 4096,I", {0x81, 0x13, 0x00, 0x10, 0x16, 0xA1}},
    {"WF", "OUT 5,A", {0x96, 0x12, 0x05, 0x15, 0x00, 0x00}},
    {"WF", "BYTEOUT 0,I", {0x9F, 0x10, 0x16, 0x01, 0x00}},
    {"WF", "TOGGLE 64", {0x8A, 0x12, 0x40}},
    {"WF", "SERVO 5,L", {0xA7, 0x12, 0x05, 0x1A, 0x03, 0x00}},
    {"WF", "PULSE 15,A", {0x9E, 0x12, 0x0F, 0x15, 0x00, 0x00}},
    {"WF", "PULSE 15 : LOW 2", {0x9E, 0x12, 0x0F, 0x12, 0x01, 0x96, 0x12, 0x02, 0x10}},
    {"WF", "PWM 9,100", {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0xFF}},
    {"WF", "PWM 9,100,50", {0x97, 0x12, 0x09, 0x12, 0x64, 0x12, 0x32}},
    {"WF", "DACOUT 5,10,100", {0xA9, 0x12, 0x05, 0x12, 0x0A, 0x12, 0x64}},
    {"WF", "SHIFTOUT 1,2,0,I,16", {0xA1, 0x11, 0x12, 0x02, 0x00, 0x16, 0x01, 0x00, 0x10}},
    {"WF", "EEWRITE 4096,I", {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x11}},
    {"WF", "EEWRITE 4096,I,4", {0x81, 0x13, 0x00, 0x10, 0x16, 0x01, 0x00, 0x12, 0x04}},
    {"WF", "EEWRITE 1,2 ' count left out", {0x81, 0x11, 0x12, 0x02, 0x11}},
    {"WF", "TIMESET 0,I", {0xA4, 0x10, 0x16, 0x01, 0x00}},
};

TEST(PortStatements, ExactBytes) {
  for (const auto& r : kRows) ExpectRow(ByteRow{r.device, Dims(r.device) + r.source, r.bytes});
  // HIGH and LOW are OUT with a fixed value.
  for (const char* device : {"KF", "WF"}) {
    auto bytes = [&](const char* line) { return ProgramBytes(*Compile(device, Lines(Dims(device) + line))); };
    EXPECT_EQ(bytes("HIGH A"), bytes("OUT A,1"));
    EXPECT_EQ(bytes("LOW A"), bytes("OUT A,0"));
  }
}

const Text kStopLevelRange{"Syntax Error ! Invalid StopLevel Value ( Only 0 or 1)", "문법에러 : STOP레벨은 0또는 1만 사용가능합니다."};
const Text kModeRange{"Syntax Error ! Invalid Mode Value ! ( 0 ~ 2 )", "문법에러 : 모드값은 0~2사이만 사용가능합니다."};
const Text kBitsRange{"Syntax Error ! Invalid Bit Value ( Only 1 ~ 16 )", "문법에러 : 비트수는 1~16사이의 값만 사용가능합니다."};
const Text kPokeRange{"Syntax Error ! : Address out of range ( 0 ~ 255 )", "문법에러 : 어드레스는 0~255사이의 값만 사용가능합니다."};

const ErrorRow kErrors[] = {
    {"KF", "OUT 65,1", kPortRange},
    {"KF", "OUT I,1", kByteOnly},
    {"KF", "TOGGLE -1", kPortRange},
    {"KF", "HIGH", kInvalidConstant},
    {"KF", "SHIFTOUT 1,99,0,A", kPortRange},
    {"WF", "OUT L,1", kByteOnly},
    {"KF", "POKE 5 1", {"Syntax Error ! Example : POKE 5,1", kNoComma}},
    {"KF", "OUT 5 1", {"Syntax Error ! Example : OUT 5,1", "Syntax Error ! Example : OUT 5,1"}},
    {"KF", "BYTEOUT 0 1", {"Syntax Error ! Example :BYTEOUT 0,1", "문법에러 : 쉼표를 찾을 수 없습니다. 올바른 예 : BYTEOUT 0,1"}},
    {"WF", "PWM 9 100", {"Syntax Error ! Example:PWM 9,100", kNoComma}},
    {"KF", "STEPOUT 1,2 3", {"Syntax Error ! Example:STEPOUT Port,Width,Length, StopPort, StopLevel", kNoComma}},
    {"KF", "PULSE 15,3", kEndOfLine},  // An extra argument the series does not take, or anything after the optional one.
    {"KF", "EEWRITE 1,2,3", kEndOfLine},
    {"WF", "PWM 9,100 50", kEndOfLine},
    {"WF", "PULSE 15 3", kEndOfLine},
    {"KF", "DACOUT 5,10,100", kDeviceVn},
    {"KF", "TIMESET 0,I", kDeviceVn},
    {"WF", "FREQOUT 9,100", kDeviceVnm},
    {"WF", "STEPOUT 1,2,3", kDeviceVnm},
    {"KF", "POKE A,1", {"Syntax Error ! : Use only Constant value", "문법에러 : 잘못된 어드레스입니다."}},
    {"KF", "POKE 256,1", kPokeRange},
    {"WF", "POKE -1,1", kPokeRange},
    {"KF", "STEPOUT 1,2,3,4,2", kStopLevelRange},
    {"KF", "STEPOUT 1,2,3,A,1", {"Syntax Error ! Invalid StopPort Value !", "문법에러 : STOP포트가 잘못되었습니다."}},
    {"KF", "STEPOUT 1,2,3,65,1", {"Syntax Error ! Invalid StopPort Value ( 0 ~ 64 )", "문법에러 : STOP포트는 0~64사이의 값만 사용가능합니다."}},
    {"KF", "SHIFTOUT 1,2,3,A", kModeRange},
    {"KF", "SHIFTOUT 1,2,A,A", {"Syntax Error ! Invalid Mode Value !", "문법에러 : 모드값이 잘못되었습니다."}},
    {"KF", "SHIFTOUT 1,2,0,A,0", kBitsRange},
    {"WF", "SHIFTOUT 1,2,0,A,17", kBitsRange},
    {"KF", "OUT 5,Q", {"No Defined Variable or Wrong Constant !", kInvalidConstant.ko}},  // Operands: OUT replaces only the English text of a failing value.
    {"WF", "OUT 5,LEN(I)", {"No Defined Variable or Wrong Constant !", "문법에러 : 문자열 변수를 사용해야 합니다."}},
    {"WF", "BYTEOUT 5,LEN(I)", {"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."}},
    {"WF", "PWM 9,100,Q", kInvalidConstant},
};

TEST(PortStatements, Errors) {
  for (const auto& r : kErrors) {
    // A good statement before and after: the error must be reported on the line between them.
    const std::string dims = Dims(r.device);
    const int line = static_cast<int>(Lines(dims).size()) + 1;
    ExpectRow(ErrorRow{r.device, dims + "HIGH 1|" + r.source + "|LOW 1", r.text, line});
  }
}

// TIMESET is refused before anything is emitted; the other series-bound statements only
// after their opcode.
TEST(PortStatements, RefusalPoint) {
  EXPECT_EQ(Compile("KF", {"TIMESET 0,1"})->CodeAddr, 24);
  auto dacout = Compile("KF", {"DACOUT 5,10,100"});
  EXPECT_EQ(CodeBytes(*dacout, 24, dacout->CodeAddr), Bytes{0xA9});
  auto freqout = Compile("WF", {"FREQOUT 9,100"});
  EXPECT_EQ(CodeBytes(*freqout, 24, freqout->CodeAddr), Bytes{0xA3});
}

// Each statement's first byte maps back to its own source line.
TEST(PortStatements, LineMap) {
  for (const char* device : {"KF", "WF"}) {
    auto c = Compile(device, {"HIGH 1", "", "PULSE 2", "SHIFTOUT 1,2,0,3,4 : TOGGLE 5"});
    const long pulse = 24 + 3;  // HIGH 1: 96 11 11
    const long shift = pulse + (device[0] == 'W' ? 5 : 3);
    for (auto [addr, line] : {std::pair{24L, 1}, {pulse, 3}, {shift, 4}, {shift + 8, 4}})
      EXPECT_EQ(c->Code.LineOf(addr), line) << device << " " << addr;
    EXPECT_EQ(c->Code.Get(shift + 8), 0x8A) << device;
  }
}

}  // namespace
}  // namespace vn::compiler::testing
