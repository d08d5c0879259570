// Variable operands (arrays, byte and bit specifiers) and the assignment with its expression.
#include <array>
#include <cstdint>

#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

const Msg kUndefinedVariable{"Undefined Variable ! ", "정의되지 않은 변수입니다."};
const Msg kArrayParen{"Syntax Error in Array syntax", "문법에러: 배열표현에서 괄호를 찾을 수 없습니다."};
const Msg kArrayOperand{"Syntax Error in Array syntax", "문법에러: 배열에서의 인수표현이 잘못되었습니다."};
const Msg kByteArrayOnly{"Use only byte array in this module", "VN시리즈에서는 바이트형 배열만 사용할 수 있습니다."};
const Msg kOutOfArray{"Out of Array !", "배열의 한계를 초과하였습니다."};
const Msg kArrayIndex{"Syntax Error in Array index", "배열의 인수로 사용할 수 없는 변수형입니다."};
const Msg kBitType{"Syntax Error in Bit type", "문법에러 : 비트지정자를 사용할 수 없는 변수입니다."};
const Msg kBitSetting{"Invalid BIT setting !", "문법에러 : 비트지정자를 사용할 수 없는 영역입니다."};
const Msg kNoEquals{"Syntax Error ! Not Found \"=\"", "문법에러 : =기호를 찾을 수 없습니다."};

using isa::Operator;

struct OperatorWord {
  const char16_t* token;
  Operator code;
  int priority;
};
const OperatorWord kOperators[] = {
    {u"+", Operator::kAdd, 30}, {u"-", Operator::kSub, 30}, {u"*", Operator::kMul, 90},
    {u"/", Operator::kDiv, 90}, {u"MOD", Operator::kMod, 90}, {u"AND", Operator::kAnd, 60},
    {u"OR", Operator::kOr, 60}, {u"XOR", Operator::kXor, 60}, {u"<<", Operator::kShl, 60},
    {u">>", Operator::kShr, 60},
};

const OperatorWord* FindOperator(const AnsiText& token) {
  for (const auto& op : kOperators)
    if (token == op.token) return &op;
  return nullptr;
}

bool EndsExpression(const AnsiText& token) {
  return token.empty() || token == u"'" || token == u"ELSE" || token == u":";
}

// Most operators one expression may hold; beyond it the expression is too complex.
constexpr int kMaxOperators = 30;

}  // namespace

int Compiler::EnterNesting() {
  if (NestDepth >= kMaxNesting) {
    Overflow(kMsgTooComplex);
    return Fail(kMsgTooComplex);
  }
  ++NestDepth;
  return 0;
}

int Compiler::ParseVariable(const AnsiText& token) {
  const int i = FindVar(token);
  if (i < 0) return Fail(kUndefinedVariable);
  const VarEntry var = Vars[static_cast<size_t>(i)];
  const int width = Device.AddrWidth;
  auto push_addr = [this, width](int addr) {
    PendPush(addr & 0xFF);
    if (width == 2) PendPush((addr >> 8) & 0xFF);
  };

  PendLen = 0;
  int base_addr = var.VarAddr;  // the variable whose bytes a specifier selects
  if (var.VarDim != 0) {
    NextToken();
    if (Token != u"(") return Fail(kArrayParen);
    const NestingLevel level(*this);
    if (!level.entered()) return -1;
    NextToken();
    if (ParseOperand(Token) != 0) return Fail(kArrayOperand);
    if (Device.DeviceKind == 1) {
      if (var.VarType != kByteArrayVn) return Fail(kByteArrayOnly);
      const std::uint8_t kind = PendBuf[0];
      if (kind == kConst0 || kind == kConst1 || kind == kConstByte) {
        const int n = kind == kConst0 ? 0 : kind == kConst1 ? 1 : PendBuf[1];
        if (n >= var.VarDim) return Fail(kOutOfArray);
        base_addr = var.VarAddr + n;
        PendLen = 0;
        PendPush(kByteVar);
        push_addr(base_addr);
      } else if (kind == kByteVar) {
        const int index_addr = PendBuf[1];
        PendLen = 0;
        PendPush(kByteArrayVn);
        push_addr(var.VarAddr);
        PendPush(index_addr);
      } else {
        // Word and 32-bit constants, INTEGER variables, array elements, bits and constant
        // array elements cannot index a VN array.
        return Fail(kArrayIndex);
      }
    } else {
      PendShift(1 + width);
      PendBuf[0] = static_cast<std::uint8_t>(var.VarType);
      PendBuf[1] = static_cast<std::uint8_t>(var.VarAddr & 0xFF);
      if (width == 2) PendBuf[2] = static_cast<std::uint8_t>((var.VarAddr >> 8) & 0xFF);
    }
    NextToken();
    if (Token != u")") return Fail(kArrayParen);
  } else {
    PendPush(var.VarType);
    push_addr(var.VarAddr);
  }

  // A byte or bit specifier right after the variable ("." or ":").
  const char16_t sep = CharAt(ScanPos);
  if (sep != u'.' && sep != u':') return 0;
  ++ScanPos;
  NextToken();
  const std::uint8_t kind = PendBuf[0];
  const bool allowed = kind == kByteVar || kind == kIntegerVar || kind == kLongVar ||
                       kind == kByteArrayVnm || kind == kIntegerArray || kind == kLongArray;
  if (!allowed) return Fail(kBitType);
  int offset = -1;
  if (Token == u"L") offset = 0;
  else if (Token == u"H") offset = 1;
  else if (Token == u"HL") offset = 2;
  else if (Token == u"HH") offset = 3;
  PendLen = 0;
  if (offset >= 0) {
    PendPush(kByteVar);
    push_addr(base_addr + offset);
    return 0;
  }
  const long bit = ConstValue(Token);
  if (bit < 0 || bit > 31) return Fail(kBitSetting);
  PendPush(kBit);
  push_addr(base_addr + static_cast<int>(bit / 8));
  PendPush(1 << (bit % 8));
  return 0;
}

int Compiler::CompileAssignment() {
  MarkLine();
  Emit(isa::Opcode::kAssign);
  if (ParseVariable(Token) != 0) return -1;
  FlushPending();
  NextToken();
  if (Token != u"=") return Fail(kNoEquals);

  // Parenthesis weight: 120 per open parenthesis. Parentheses need not balance, so the depth
  // is bounded both ways; that also keeps the priorities far from overflowing.
  int weight = 0;
  constexpr int kMaxWeight = 120 * kMaxNesting;
  auto skip_parens = [this, &weight] {
    for (;;) {
      NextToken();
      if (Token == u"(") weight += 120;
      else if (Token == u")") weight -= 120;
      else return 0;
      if (weight > kMaxWeight || weight < -kMaxWeight) return Fail(kMsgTooComplex);
    }
  };

  if (skip_parens() != 0) return -1;
  if (ParseFunctionOperand(Token) != 0) return -1;
  if (skip_parens() != 0) return -1;
  if (EndsExpression(Token)) {
    FlushPending();
    Emit(isa::kEndOfList);
    ScanPos = TokenStart;
    return 0;
  }

  std::array<int, kOperandSlots> op_code{};
  std::array<int, kOperandSlots> op_prec{};
  int n = 0;  // operators read
  for (;;) {
    if (n + 1 >= kOperandSlots) return Fail(kMsgTooComplex);
    PushOperand(n);
    const OperatorWord* op = FindOperator(Token);
    if (op == nullptr) return FailEn("Missing operand !");
    op_code[static_cast<size_t>(n)] = op->code;
    op_prec[static_cast<size_t>(n)] = op->priority + weight + (30 - n);
    ++n;
    if (skip_parens() != 0) return -1;
    if (ParseFunctionOperand(Token) != 0) return -1;
    if (skip_parens() != 0) return -1;
    if (EndsExpression(Token)) {
      PushOperand(n);
      ScanPos = TokenStart;
      break;
    }
  }
  if (n > kMaxOperators) return Fail(kMsgTooComplex);

  // Evaluation order: highest priority first, the leftmost on a tie.
  std::array<int, kOperandSlots> order{};
  std::array<bool, kOperandSlots> taken{};
  for (int j = 0; j < n; ++j) {
    int best = -1;
    for (int k = 0; k < n; ++k)
      if (!taken[static_cast<size_t>(k)] && (best < 0 || op_prec[static_cast<size_t>(k)] > op_prec[static_cast<size_t>(best)]))
        best = k;
    order[static_cast<size_t>(j)] = best;
    taken[static_cast<size_t>(best)] = true;
  }

  // Each step must use the previous result as its left or right operand.
  for (int j = 0; j < n; ++j) {
    const int s = order[static_cast<size_t>(j)];
    const int code = op_code[static_cast<size_t>(s)];
    if (j == 0) {
      LoadOperand(s);
      FlushPending();
      Emit(code);
      LoadOperand(s + 1);
      FlushPending();
      continue;
    }
    const int p = order[static_cast<size_t>(j - 1)];
    if (s == p - 1) {
      LoadOperand(s);
      FlushPending();
      Emit(code);
      Emit(kResult);
    } else if (s == p + 1) {
      Emit(kResult);
      Emit(code);
      LoadOperand(s + 1);
      FlushPending();
    } else {
      return Fail(kMsgTooComplex);
    }
  }
  Emit(kResult);
  Emit(isa::kEndOfList);
  return 0;
}

}  // namespace vn::compiler
