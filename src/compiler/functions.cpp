// Built-in functions: a call becomes one operand, the function code followed by its arguments.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compiler/arguments.h"
#include "compiler/compiler.h"
#include "compiler/words.h"

namespace vn::compiler {
namespace {

const Msg kDeviceVn{"Can not use this function at VN-XX device", "VN시리즈에서는 이 함수를 사용할 수 없습니다."};
const Msg kDeviceVnm{"Can not use this function at VNM-XX device", "VNM시리즈에서는 이 함수를 사용할 수 없습니다."};
const Msg kParen{"Syntax Error ! Not Found '(' or ')'", "문법에러 : 괄호를 찾을 수 없습니다."};
const Msg kComma{"Syntax Error ! Not Found Comma !", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kEereadParen{"Syntax Error ! Example I=EEREAD(&100,2)", "문법에러 : 괄호를 찾을 수 없습니다."};
const Msg kEereadComma{"Syntax Error ! Example I=EEREAD(&100,2)", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kDechatter{"Syntax Error on Dechattering Value !", "문법에러 : 체터링 제거시간이 잘못되었습니다."};
const Msg kDechatterRange{"Syntax Error on Dechattering Value ! (Only 1 ~ 100)",
                          "문법에러 : 체터링 제거시간은 1~100사이값을 사용해야 합니다."};
const Msg kTableType{"Type mismatch Must use BYTE type Variable",
                     "TABLE함수의 인수는 반드시 바이트형 변수를 사용해야 합니다."};
const Msg kTableCount{"Too Many Value ! (Up to 127)", "문법에러 : 데이터의 총개수가 127개를 넘지않도록 해야합니다."};
const Msg kCountParam{"Syntax Error on Parameter !", "문법에러 : COUNT의 인수는 0또는 1만 사용가능합니다."};
const Msg kMode{"Syntax Error on Mode value !", "문법에러 : 모드값이 잘못되었습니다."};
const Msg kModeRange{"Syntax Error on Mode value (Only 0~3)!", "문법에러 : 모드값은 0~3까지의 숫자만 사용가능합니다."};
const Msg kBits{"Syntax Error on BIT value !", "문법에러 : 비트값이 잘못되었습니다."};
const Msg kBitsRange{"Syntax Error on BIT value (Only 0~32)!", "문법에러 : 비트값은 0~32까지만 사용가능합니다."};
const Msg kPortBlock{"Syntax Error on PortBlock Number ! ", "문법에러 : 포트블록번호를 적어주어야 합니다."};
const Msg kKeyState{"Syntax Error on Parameter !", "문법에러 : 키입력상태값이 잘못되었습니다. 0 또는 1을 사용해야 합니다."};
const Msg kTarget{"Syntax Error on Target Value ! ", "문법에러 : 타겟값이 잘못되었습니다."};
const Msg kTargetRange{"Syntax Error on Target Value ! ", "문법에러 : 타겟값은 0또는 1만 사용해야 합니다."};
const Msg kHexWidth{"HEX command Width rength is 1 ~ 8 ", "문법에러 : 자릿수는 1~8까지만 사용가능합니다."};
const Msg kDecWidth{"DEC command Width rength is 1 ~ 10 ", "문법에러 : 자릿수는 1~10까지만 사용가능합니다."};
const Msg kZero{"Invalid operand !  Zero print switch must be 0 or 1 !",
                "문법에러 : ZERO표시 여부는 0또는 1로 지정해야 합니다."};
const Msg kFloatArg{"No Defined Variable or Wrong Constant !", "No Defined Variable or Wrong Constant !"};

using isa::Function;

struct FunctionWord {
  const char16_t* name;
  Function code_vnm;
  Function code_vn;  // the code on the VN series where it differs
  Devices devices;
  std::vector<ArgRule> args;
  const Msg* paren = &kParen;
  const Msg* comma = &kComma;
};

const std::vector<FunctionWord>& Functions() {
  static const std::vector<FunctionWord> table = {
      {u"IN", Function::kIn, Function::kIn, Devices::Both, {{ArgKind::Port}}},
      {u"KEYIN", Function::kKeyIn, Function::kKeyIn, Devices::Both,
       {{ArgKind::Port}, {ArgKind::Byte, 1, 100, &kDechatter, &kDechatterRange, true, {20}}}},
      {u"ADIN", Function::kAdIn, Function::kAdIn, Devices::Both, {{ArgKind::Port}}},
      {u"BYTEIN", Function::kByteIn, Function::kByteIn, Devices::Both, {{ArgKind::Port}}},
      {u"EEREAD", Function::kEeRead, Function::kEeRead, Devices::VnAddressOnly,
       {{ArgKind::Operand}, {ArgKind::Operand, 0, 255, &kMsgNotAConstant, &kMsgNotAConstant, true, {kConst1}}},
       &kEereadParen, &kEereadComma},
      {u"OUTSTAT", Function::kOutStat, Function::kOutStat, Devices::Both, {{ArgKind::Port}}},
      {u"RND", Function::kRnd, Function::kRnd, Devices::Both, {}},
      {u"TABLE", Function::kTable, Function::kTable, Devices::Both, {}},  // its own layout: see ParseFunctionOperand
      {u"COUNT", Function::kCount, Function::kCount, Devices::Both, {{ArgKind::Byte, 0, 1, &kCountParam, &kCountParam}}},
      {u"PADIN", Function::kPadIn, Function::kPadIn, Devices::Both, {{ArgKind::Byte}}},
      {u"PEEK", Function::kPeek, Function::kPeek, Devices::Both, {{ArgKind::Byte}}},
      {u"SHIFTIN", Function::kShiftIn, Function::kShiftIn, Devices::Both,
       {{ArgKind::Port}, {ArgKind::Port}, {ArgKind::Byte, 0, 3, &kMode, &kModeRange},
        {ArgKind::Byte, 0, 32, &kBits, &kBitsRange, true, {8}}}},
      {u"ADKEYIN", Function::kAdKeyIn, Function::kAdKeyIn, Devices::Both, {{ArgKind::Port}}},
      {u"EPADIN", Function::kEpadIn, Function::kEpadIn, Devices::Both,
       {{ArgKind::Byte, 0, 255, &kPortBlock, &kPortBlock}, {ArgKind::Byte, 0, 255, &kPortBlock, &kPortBlock}}},
      {u"KEYDELAY", Function::kKeyDelayVn, Function::kKeyDelayVn, Devices::VnOnly,
       {{ArgKind::OperandOrCall}, {ArgKind::Byte, 0, 255, &kKeyState, &kKeyState}, {ArgKind::Byte, 0, 255, &kKeyState, &kKeyState},
        {ArgKind::Byte, 0, 255, &kKeyState, &kKeyState}}},
      {u"CAPTURE", Function::kCapture, Function::kCapture, Devices::Both,
       {{ArgKind::Port}, {ArgKind::Byte, 0, 1, &kTarget, &kTargetRange}}},
      {u"TIME", Function::kTime, Function::kTime, Devices::VnmOnly, {{ArgKind::Operand}}},
      {u"BCD", Function::kBcd, Function::kBcd, Devices::Both, {{ArgKind::Operand}}},
      {u"LEFT", Function::kLeft, Function::kLeft, Devices::VnmOnly,
       {{ArgKind::String}, {ArgKind::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"RIGHT", Function::kRight, Function::kRight, Devices::VnmOnly,
       {{ArgKind::String}, {ArgKind::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"MID", Function::kMid, Function::kMid, Devices::VnmOnly,
       {{ArgKind::String}, {ArgKind::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter},
        {ArgKind::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"HEX", Function::kHex, Function::kHexVn, Devices::Both,
       {{ArgKind::Operand}, {ArgKind::Byte, 1, 8, &kHexWidth, &kHexWidth, true, {4}},
        {ArgKind::Byte, 0, 1, &kZero, &kZero, true, {1}}}},
      {u"DEC", Function::kDec, Function::kDecVn, Devices::Both,
       {{ArgKind::Operand}, {ArgKind::Byte, 1, 10, &kDecWidth, &kDecWidth, true, {5}},
        {ArgKind::Byte, 0, 1, &kZero, &kZero, true, {1}}}},
      {u"ASC", Function::kAsc, Function::kAsc, Devices::VnmOnly, {{ArgKind::Operand}}},
      {u"CHR", Function::kChr, Function::kChr, Devices::VnmOnly, {{ArgKind::Operand}}},
      {u"LEN", Function::kLen, Function::kLen, Devices::VnmOnly, {{ArgKind::String}}},
      {u"VAL", Function::kVal, Function::kVal, Devices::VnmOnly, {{ArgKind::String}}},
      {u"VALHEX", Function::kValHex, Function::kValHex, Devices::VnmOnly, {{ArgKind::String}}},
      {u"CINT", Function::kCint, Function::kCint, Devices::Both, {{ArgKind::Single}}},
      {u"CLNG", Function::kClng, Function::kClng, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"CSNG", Function::kCsng, Function::kCsng, Devices::VnmOnly, {{ArgKind::NotSingle}}},
      {u"SIN", Function::kSin, Function::kSin, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"COS", Function::kCos, Function::kCos, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"ABS", Function::kAbs, Function::kAbs, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"EXP", Function::kExp, Function::kExp, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"LOG", Function::kLog, Function::kLog, Devices::Both, {{ArgKind::Single}}},
      {u"LOG10", Function::kLog10, Function::kLog10, Devices::VnmOnly, {{ArgKind::Single}}},
      {u"SQR", Function::kSqr, Function::kSqr, Devices::VnmOnly, {{ArgKind::Operand}}},
      {u"FLOAT", Function::kFloat, Function::kFloat, Devices::VnmOnly,
       {{ArgKind::Single}, {.kind = ArgKind::NonZero, .range = &kFloatArg, .optional = true, .fill = {kConstByte, 9}, .parse_fail = &kFloatArg},
        {.kind = ArgKind::NonZero, .range = &kFloatArg, .optional = true, .fill = {kConstByte, 6}, .parse_fail = &kFloatArg}}},
      {u"VALSNG", Function::kValSng, Function::kValSng, Devices::VnmOnly, {{ArgKind::String}}},
      {u"POW", Function::kPow, Function::kPow, Devices::VnmOnly, {{ArgKind::Single}, {ArgKind::Operand}}},
      {u"BLEN", Function::kBlen, Function::kBlen, Devices::VnmOnly, {}},
  };
  return table;
}

const FunctionWord* FindFunction(const AnsiText& name) {
  for (const auto& f : Functions())
    if (name == f.name) return &f;
  return nullptr;
}

}  // namespace

std::vector<std::string> FunctionTableWords() {
  std::vector<std::string> words;
  for (const FunctionWord& f : Functions())
    words.emplace_back(f.name, f.name + std::char_traits<char16_t>::length(f.name));
  return words;
}

int Compiler::ParseFunctionOperand(const AnsiText& token) {
  const FunctionWord* f = FindFunction(token);
  if (f == nullptr) return ParseOperand(token);
  // `token` is usually Token itself, which the argument reads below overwrite.
  const AnsiText name = token;

  const bool vn = Device.DeviceKind == 1;
  if (vn && f->devices == Devices::VnmOnly) return Fail(name == u"TIME" ? kMsgCommandVn : kDeviceVn);
  if (!vn && f->devices == Devices::VnOnly) return Fail(kDeviceVnm);
  const Function code = vn ? f->code_vn : f->code_vnm;
  size_t arg_count = f->args.size();
  if (vn && f->devices == Devices::VnAddressOnly) arg_count = 1;

  NextToken();
  if (Token != u"(") return Fail(*f->paren);
  // The arguments are operands inside this one; KEYDELAY's first is itself a function call.
  const NestingLevel level(*this);
  if (!level.entered()) return -1;

  if (name == u"TABLE") {
    // TABLE(index, value, value, ...): code, count, index operand, values as words.
    NextToken();
    if (ParseOperand(Token) != 0) return -1;
    if (vn && PendBuf[0] != kByteVar) return Fail(kTableType);
    int count = 0;
    for (;;) {
      NextToken();
      if (Token == u")") break;
      if (Token != u",") return Fail(kComma);
      NextToken();
      const auto v = ConstValueOpt(Token);
      if (!v) return Fail(kMsgNotAConstant);
      if (++count > 127) return Fail(kTableCount);
      PendPush(static_cast<int>(*v & 0xFF));
      PendPush(static_cast<int>((*v >> 8) & 0xFF));
    }
    PendShift(2);
    PendBuf[0] = code;
    PendBuf[1] = static_cast<std::uint8_t>(count);
    return 0;
  }

  if (arg_count == 0) {
    NextToken();
    if (Token != u")") return Fail(*f->paren);
    PendLen = 0;
    PendPush(code);
    return 0;
  }

  PendLen = 0;
  const int read = CompileArguments(*this, std::span(f->args).first(arg_count), {ArgTarget::Operand, code}, f->comma);
  if (read != 0) return read == kArgumentsClosed ? 0 : -1;
  NextToken();
  if (Token != u")") return Fail(*f->paren);
  return 0;
}

}  // namespace vn::compiler
