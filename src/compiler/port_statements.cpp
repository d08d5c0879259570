// Port, pulse and timing statements. Every one of them is the statement walk of arguments.h:
// mark the line, emit the opcode, then each argument as an operand or as one raw constant
// byte, separated by commas. The statements differ only in their rows below.
#include <vector>

#include "compiler/arguments.h"
#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

// ---- Messages -----------------------------------------------------------------------------

const Msg kCommaPoke{"Syntax Error ! Example : POKE 5,1", "문법에러 : 쉼표를 찾을 수 없습니다."};
// This one has no Korean text of its own: it shows in English in both languages.
const Msg kCommaOut{"Syntax Error ! Example : OUT 5,1", "Syntax Error ! Example : OUT 5,1"};
const Msg kCommaByteOut{"Syntax Error ! Example :BYTEOUT 0,1",
                        "문법에러 : 쉼표를 찾을 수 없습니다. 올바른 예 : BYTEOUT 0,1"};
const Msg kCommaServo{"Syntax Error ! Can't find Comma", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaFreqOut{"Syntax Error ! Example:FREQOUT 9,100", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaPwm{"Syntax Error ! Example:PWM 9,100", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaDacOut{"Syntax Error ! Example:DACOUT 5,10,100", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaStepOut{"Syntax Error ! Example:STEPOUT Port,Width,Length, StopPort, StopLevel",
                        "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaShiftOut{"Syntax Error ! Example:SHIFTOUT Clk,Data,Mode,Varible,Bit",
                         "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaEeWrite{"Syntax Error ! Example: EEWRITE 4096,I", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kCommaTimeSet{"Syntax Error ! Example: TIMESET 0,I", "문법에러 : 쉼표를 찾을 수 없습니다."};

const Msg kPokeAddress{"Syntax Error ! : Use only Constant value", "문법에러 : 잘못된 어드레스입니다."};
const Msg kPokeAddressRange{"Syntax Error ! : Address out of range ( 0 ~ 255 )",
                            "문법에러 : 어드레스는 0~255사이의 값만 사용가능합니다."};
const char* const kOutValueEn = "No Defined Variable or Wrong Constant !";

const Msg kStopPort{"Syntax Error ! Invalid StopPort Value !", "문법에러 : STOP포트가 잘못되었습니다."};
const Msg kStopPortRange{"Syntax Error ! Invalid StopPort Value ( 0 ~ 64 )",
                         "문법에러 : STOP포트는 0~64사이의 값만 사용가능합니다."};
const Msg kStopLevel{"Syntax Error ! Invalid StopLevel Value !", "문법에러 : STOP레벨이 잘못되었습니다."};
const Msg kStopLevelRange{"Syntax Error ! Invalid StopLevel Value ( Only 0 or 1)",
                          "문법에러 : STOP레벨은 0또는 1만 사용가능합니다."};
const Msg kMode{"Syntax Error ! Invalid Mode Value !", "문법에러 : 모드값이 잘못되었습니다."};
const Msg kModeRange{"Syntax Error ! Invalid Mode Value ! ( 0 ~ 2 )", "문법에러 : 모드값은 0~2사이만 사용가능합니다."};
const Msg kBits{"Syntax Error ! Invalid Bit Value !", "문법에러 : 비트수의 표현이 잘못되었습니다."};
const Msg kBitsRange{"Syntax Error ! Invalid Bit Value ( Only 1 ~ 16 )",
                     "문법에러 : 비트수는 1~16사이의 값만 사용가능합니다."};


// ---- Statement layouts --------------------------------------------------------------------

using isa::Opcode;

const ArgRule kPort{ArgKind::Port};
const ArgRule kOperand{ArgKind::OperandOrCall};

const Statement kPoke{Opcode::kPoke,
                      {{.kind = ArgKind::Byte, .not_const = &kPokeAddress, .range = &kPokeAddressRange}, kOperand},
                      &kCommaPoke};
const Statement kOut{Opcode::kOut, {kPort, {.kind = ArgKind::OperandOrCall, .parse_fail_en = kOutValueEn}}, &kCommaOut};
const Statement kHigh{Opcode::kOut, {kPort, {.kind = ArgKind::Fixed, .fixed = kConst1}}, &kCommaOut};
const Statement kLow{Opcode::kOut, {kPort, {.kind = ArgKind::Fixed, .fixed = kConst0}}, &kCommaOut};
const Statement kByteOut{Opcode::kByteOut, {kPort, kOperand}, &kCommaByteOut};
// One-argument statements never ask for a comma; they carry their family's message.
const Statement kToggle{Opcode::kToggle, {kPort}, &kCommaServo};
// SERVO and PULSEOUT are one instruction.
const Statement kServo{Opcode::kServo, {kPort, kOperand}, &kCommaServo};
const Statement kPulse{Opcode::kPulse, {kPort}, &kCommaServo, Devices::Both, RefuseAt::Start,
                       OptionalOn::VnmOnly, {kOperand}, {kConstByte, 1}};
const Statement kFreqOut{Opcode::kFreqOut, {kPort, kOperand}, &kCommaFreqOut, Devices::VnOnly, RefuseAt::AfterOpcode};
const Statement kPwm{Opcode::kPwm, {kPort, kOperand}, &kCommaPwm, Devices::Both, RefuseAt::Start,
                     OptionalOn::VnmOnly, {kOperand}, {kConstByte, 255}};
const Statement kPwmOff{Opcode::kPwmOff, {kPort}, &kCommaPwm};
const Statement kDacOut{Opcode::kDacOut, {kPort, kOperand, kOperand}, &kCommaDacOut, Devices::VnmOnly, RefuseAt::AfterOpcode};
const Statement kStepOut{Opcode::kStepOut,
                         {kPort, kOperand, kOperand},
                         &kCommaStepOut,
                         Devices::VnOnly,
                         RefuseAt::AfterOpcode,
                         OptionalOn::Both,
                         {{.kind = ArgKind::Byte, .min = 0, .max = 64, .not_const = &kStopPort, .range = &kStopPortRange},
                          {.kind = ArgKind::Byte, .min = 0, .max = 1, .not_const = &kStopLevel, .range = &kStopLevelRange}},
                         {isa::kNoStopInput},
                         true};
const Statement kShiftOut{Opcode::kShiftOut,
                          {kPort, kPort, {.kind = ArgKind::Byte, .min = 0, .max = 2, .not_const = &kMode, .range = &kModeRange},
                           kOperand},
                          &kCommaShiftOut,
                          Devices::Both,
                          RefuseAt::Start,
                          OptionalOn::Both,
                          {{.kind = ArgKind::Byte, .min = 1, .max = 16, .not_const = &kBits, .range = &kBitsRange}},
                          {8}};
const Statement kEeWrite{Opcode::kEeWrite, {kOperand, kOperand}, &kCommaEeWrite, Devices::Both, RefuseAt::Start,
                         OptionalOn::VnmOnly, {kOperand}, {kConst1}};
const Statement kTimeSet{Opcode::kTimeSet, {kOperand, kOperand}, &kCommaTimeSet, Devices::VnmOnly, RefuseAt::Start};

}  // namespace

int Compiler::CompilePoke() { return CompileStatement(*this, kPoke); }
int Compiler::CompileOut() { return CompileStatement(*this, kOut); }
int Compiler::CompileHigh() { return CompileStatement(*this, kHigh); }
int Compiler::CompileLow() { return CompileStatement(*this, kLow); }
int Compiler::CompileByteOut() { return CompileStatement(*this, kByteOut); }
int Compiler::CompileToggle() { return CompileStatement(*this, kToggle); }
int Compiler::CompileServo() { return CompileStatement(*this, kServo); }
int Compiler::CompilePulseOut() { return CompileStatement(*this, kServo); }
int Compiler::CompilePulse() { return CompileStatement(*this, kPulse); }
int Compiler::CompileEeWrite() { return CompileStatement(*this, kEeWrite); }
int Compiler::CompileTimeSet() { return CompileStatement(*this, kTimeSet); }
int Compiler::CompileShiftOut() { return CompileStatement(*this, kShiftOut); }
int Compiler::CompileStepOut() { return CompileStatement(*this, kStepOut); }
int Compiler::CompileFreqOut() { return CompileStatement(*this, kFreqOut); }
int Compiler::CompilePwm() { return CompileStatement(*this, kPwm); }
int Compiler::CompilePwmOff() { return CompileStatement(*this, kPwmOff); }
int Compiler::CompileDacOut() { return CompileStatement(*this, kDacOut); }

}  // namespace vn::compiler
