// Built-in functions: a call becomes one operand, the function code followed by its arguments.
#include <cstdint>
#include <optional>
#include <vector>

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
const Msg kSingleArg{"Type mismatch ! Use SINGLE type", "문법에러 : SINGLE형 상수또는 변수를 사용해야 합니다."};
const Msg kStringArg{"Type mismatch !", "문법에러 : 문자열 변수를 사용해야 합니다."};
const Msg kNotSingleArg{"Type mismatch ! Use BYTE, INTEGER or LONG type",
                        "문법에러 : SINGLE형이 아닌 상수또는 변수를 사용해야 합니다."};
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

// What one argument of a call is and how it is checked.
enum class Arg {
  Operand,     // any operand
  Port,        // an operand that passes the port check
  Single,      // a SINGLE operand
  String,      // a STRING variable
  NotSingle,   // any operand but a SINGLE one
  NonZero,     // an operand that is not the constant 0 (else `range_msg`)
  Function,    // a nested function operand
  Byte,        // one raw byte holding a constant in min..max
};

struct ArgRule {
  Arg kind;
  int min = 0, max = 255;
  const Msg* not_const = &kMsgNotAConstant;  // Byte: the token is not a constant
  const Msg* range = &kMsgNotAConstant;      // Byte: out of min..max; NonZero: the constant 0
  bool optional = false;
  std::vector<int> fill{};            // bytes written for an omitted optional argument
};

enum class Devices { Both, VnmOnly, VnOnly, VnAddressOnly };

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
      {u"IN", Function::kIn, Function::kIn, Devices::Both, {{Arg::Port}}},
      {u"KEYIN", Function::kKeyIn, Function::kKeyIn, Devices::Both,
       {{Arg::Port}, {Arg::Byte, 1, 100, &kDechatter, &kDechatterRange, true, {20}}}},
      {u"ADIN", Function::kAdIn, Function::kAdIn, Devices::Both, {{Arg::Port}}},
      {u"BYTEIN", Function::kByteIn, Function::kByteIn, Devices::Both, {{Arg::Port}}},
      {u"EEREAD", Function::kEeRead, Function::kEeRead, Devices::VnAddressOnly,
       {{Arg::Operand}, {Arg::Operand, 0, 255, &kMsgNotAConstant, &kMsgNotAConstant, true, {kConst1}}},
       &kEereadParen, &kEereadComma},
      {u"OUTSTAT", Function::kOutStat, Function::kOutStat, Devices::Both, {{Arg::Port}}},
      {u"RND", Function::kRnd, Function::kRnd, Devices::Both, {}},
      {u"TABLE", Function::kTable, Function::kTable, Devices::Both, {}},  // its own layout: see ParseFunctionOperand
      {u"COUNT", Function::kCount, Function::kCount, Devices::Both, {{Arg::Byte, 0, 1, &kCountParam, &kCountParam}}},
      {u"PADIN", Function::kPadIn, Function::kPadIn, Devices::Both, {{Arg::Byte}}},
      {u"PEEK", Function::kPeek, Function::kPeek, Devices::Both, {{Arg::Byte}}},
      {u"SHIFTIN", Function::kShiftIn, Function::kShiftIn, Devices::Both,
       {{Arg::Port}, {Arg::Port}, {Arg::Byte, 0, 3, &kMode, &kModeRange},
        {Arg::Byte, 0, 32, &kBits, &kBitsRange, true, {8}}}},
      {u"ADKEYIN", Function::kAdKeyIn, Function::kAdKeyIn, Devices::Both, {{Arg::Port}}},
      {u"EPADIN", Function::kEpadIn, Function::kEpadIn, Devices::Both,
       {{Arg::Byte, 0, 255, &kPortBlock, &kPortBlock}, {Arg::Byte, 0, 255, &kPortBlock, &kPortBlock}}},
      {u"KEYDELAY", Function::kKeyDelayVn, Function::kKeyDelayVn, Devices::VnOnly,
       {{Arg::Function}, {Arg::Byte, 0, 255, &kKeyState, &kKeyState}, {Arg::Byte, 0, 255, &kKeyState, &kKeyState},
        {Arg::Byte, 0, 255, &kKeyState, &kKeyState}}},
      {u"CAPTURE", Function::kCapture, Function::kCapture, Devices::Both,
       {{Arg::Port}, {Arg::Byte, 0, 1, &kTarget, &kTargetRange}}},
      {u"TIME", Function::kTime, Function::kTime, Devices::VnmOnly, {{Arg::Operand}}},
      {u"BCD", Function::kBcd, Function::kBcd, Devices::Both, {{Arg::Operand}}},
      {u"LEFT", Function::kLeft, Function::kLeft, Devices::VnmOnly,
       {{Arg::String}, {Arg::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"RIGHT", Function::kRight, Function::kRight, Devices::VnmOnly,
       {{Arg::String}, {Arg::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"MID", Function::kMid, Function::kMid, Devices::VnmOnly,
       {{Arg::String}, {Arg::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter},
        {Arg::NonZero, 0, 0, &kMsgNotAConstant, &kMsgInvalidParameter}}},
      {u"HEX", Function::kHex, Function::kHexVn, Devices::Both,
       {{Arg::Operand}, {Arg::Byte, 1, 8, &kHexWidth, &kHexWidth, true, {4}},
        {Arg::Byte, 0, 1, &kZero, &kZero, true, {1}}}},
      {u"DEC", Function::kDec, Function::kDecVn, Devices::Both,
       {{Arg::Operand}, {Arg::Byte, 1, 10, &kDecWidth, &kDecWidth, true, {5}},
        {Arg::Byte, 0, 1, &kZero, &kZero, true, {1}}}},
      {u"ASC", Function::kAsc, Function::kAsc, Devices::VnmOnly, {{Arg::Operand}}},
      {u"CHR", Function::kChr, Function::kChr, Devices::VnmOnly, {{Arg::Operand}}},
      {u"LEN", Function::kLen, Function::kLen, Devices::VnmOnly, {{Arg::String}}},
      {u"VAL", Function::kVal, Function::kVal, Devices::VnmOnly, {{Arg::String}}},
      {u"VALHEX", Function::kValHex, Function::kValHex, Devices::VnmOnly, {{Arg::String}}},
      {u"CINT", Function::kCint, Function::kCint, Devices::Both, {{Arg::Single}}},
      {u"CLNG", Function::kClng, Function::kClng, Devices::VnmOnly, {{Arg::Single}}},
      {u"CSNG", Function::kCsng, Function::kCsng, Devices::VnmOnly, {{Arg::NotSingle}}},
      {u"SIN", Function::kSin, Function::kSin, Devices::VnmOnly, {{Arg::Single}}},
      {u"COS", Function::kCos, Function::kCos, Devices::VnmOnly, {{Arg::Single}}},
      {u"ABS", Function::kAbs, Function::kAbs, Devices::VnmOnly, {{Arg::Single}}},
      {u"EXP", Function::kExp, Function::kExp, Devices::VnmOnly, {{Arg::Single}}},
      {u"LOG", Function::kLog, Function::kLog, Devices::Both, {{Arg::Single}}},
      {u"LOG10", Function::kLog10, Function::kLog10, Devices::VnmOnly, {{Arg::Single}}},
      {u"SQR", Function::kSqr, Function::kSqr, Devices::VnmOnly, {{Arg::Operand}}},
      {u"FLOAT", Function::kFloat, Function::kFloat, Devices::VnmOnly,
       {{Arg::Single}, {Arg::NonZero, 0, 0, &kFloatArg, &kFloatArg, true, {kConstByte, 9}},
        {Arg::NonZero, 0, 0, &kFloatArg, &kFloatArg, true, {kConstByte, 6}}}},
      {u"VALSNG", Function::kValSng, Function::kValSng, Devices::VnmOnly, {{Arg::String}}},
      {u"POW", Function::kPow, Function::kPow, Devices::VnmOnly, {{Arg::Single}, {Arg::Operand}}},
      {u"BLEN", Function::kBlen, Function::kBlen, Devices::VnmOnly, {}},
  };
  return table;
}

const FunctionWord* FindFunction(const AnsiText& name) {
  for (const auto& f : Functions())
    if (name == f.name) return &f;
  return nullptr;
}

bool IsSingleOperand(std::uint8_t d) {
  return d == kSingleConst || d == kSingleVar || d == kSingleArray || d == kConstArray4;
}

}  // namespace

std::vector<std::string> FunctionTableWords() {
  std::vector<std::string> words;
  for (const FunctionWord& f : Functions())
    words.emplace_back(f.name, f.name + std::char_traits<char16_t>::length(f.name));
  return words;
}

// Reads one operand argument into PendBuf and checks it. 0 or -1.
static int ParseArgument(Compiler& c, const ArgRule& rule) {
  c.NextToken();
  if (rule.kind == Arg::Function) return c.ParseFunctionOperand(c.Token);
  const bool float_arg = rule.range == &kFloatArg;
  if (c.ParseOperand(c.Token) != 0) return float_arg ? c.Fail(kFloatArg) : -1;
  const std::uint8_t d = c.PendBuf[0];
  switch (rule.kind) {
    case Arg::Port: return c.CheckPortOperand();
    case Arg::Single: return IsSingleOperand(d) ? 0 : c.Fail(kSingleArg);
    case Arg::NotSingle: return d == kSingleConst || d == kSingleVar ? c.Fail(kNotSingleArg) : 0;
    case Arg::String: return d == kStringVar ? 0 : c.Fail(kStringArg);
    case Arg::NonZero: return d == kConst0 ? c.Fail(*rule.range) : 0;
    default: return 0;
  }
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
  for (size_t i = 0; i < arg_count; ++i) {
    const ArgRule& rule = f->args[i];
    if (i > 0) {
      NextToken();
      if (Token == u")" && rule.optional) {
        // The omitted arguments take their defaults, so the layout never changes.
        for (size_t k = i; k < arg_count; ++k)
          for (int b : f->args[k].fill) PendPush(b);
        return 0;
      }
      if (Token != u",") return Fail(*f->comma);
    }
    if (rule.kind == Arg::Byte) {
      NextToken();
      const auto v = ConstValueOpt(Token);
      if (!v) return Fail(*rule.not_const);
      if (*v < rule.min || *v > rule.max) return Fail(*rule.range);
      PendPush(static_cast<int>(*v));
    } else if (i == 0) {
      if (ParseArgument(*this, rule) != 0) return -1;
    } else {
      SavePending();
      if (ParseArgument(*this, rule) != 0) return -1;
      PrependSaved();
    }
    if (i == 0) {
      PendShift(1);
      PendBuf[0] = code;
    }
  }
  NextToken();
  if (Token != u")") return Fail(*f->paren);
  return 0;
}

}  // namespace vn::compiler
