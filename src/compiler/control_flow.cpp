// Control flow: GOTO, GOSUB, RETURN, BREAK, FOR/NEXT, IF blocks and single-line IFs, ON ...,
// DELAY and RESET.
//
// FOR loops and IF blocks are compiled in one pass through hidden labels whose names are made
// up here; they share the label table with the user's labels, and every jump to them is a
// fix-up that the driver patches after the last line.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

using isa::Comparison;
using isa::Opcode;
using isa::Operator;

// The comparisons of a condition.
struct ComparisonWord {
  const char16_t* token;
  Comparison code;
};
const ComparisonWord kComparisons[] = {
    {u"<", Comparison::kLess},         {u">", Comparison::kGreater}, {u"<=", Comparison::kLessEq},
    {u">=", Comparison::kGreaterEq}, {u"<>", Comparison::kNotEq},  {u"=", Comparison::kEq},
};

constexpr int kMaxOnLabels = 127;
constexpr int kMaxTimeCode = 60;
constexpr int kMaxIntPort = 28;

const Msg kElseWithoutIf{"Syntax Error in ELSE !", "문법에러 : IF가 없는 ELSE문입니다."};

const char* const kLabelNotFound = "Label Not Found !";

// FOR / NEXT.
const Msg kForSyntaxEquals{"Syntax Error ! Example:FOR I = 1 TO 10",
                           "문법에러 : FOR문의 사용법이 잘못되었습니다. 올바른 예 : FOR I=1 TO 10"};
const Msg kForSyntaxTo{"Syntax Error ! Example :FOR I = 1 TO 10",
                       "문법에러 : FOR문의 사용법이 잘못되었습니다. 올바른 예 : FOR I=1 TO 10"};
const Msg kForStart{"No Defined Variable or Wrong Constant !", "문법에러 : FOR문의 초기치값이 잘못되었습니다."};
const Msg kForLimit{"No Defined Variable or Wrong Constant !",
                    "문법에러 : FOR문의 종료치가 잘못되었습니다. 올바른 예 : FOR I=1 TO 10"};
const char* const kForStepConstant = "No Defined Variable or Wrong Constant !";
const char* const kStepLimit = "STEP Limit Error ! -128 ~ 127";
const Msg kNextWithoutFor{"Next without FOR !", "FOR문이 없는 NEXT명령입니다."};
const Msg kNextMismatch{"Unmatch For..Next Agument !", "FOR문과 NEXT문의 변수명이 일치하지 않습니다."};
// Ours: the program wrote past its stacks here.
const Msg kForTooDeep{"Too many nested FOR loops ! (up to 51)", "FOR문은 51단계까지만 중첩할 수 있습니다."};
const Msg kIfTooDeep{"Too many nested IF statements ! (up to 50)", "IF문은 50단계까지만 중첩할 수 있습니다."};

// IF / ELSEIF / ELSE / END IF.
const char* const kThenNotFound = "THEN not found !";
const Msg kThenMissing{"THEN not found !", "THEN을 찾을 수 없습니다."};
const Msg kInvalidElseIf{"Syntax Error in IF clause ! Invalid ELSEIF", "문법에러 : ELSEIF의 위치가 잘못되었습니다."};
const Msg kElseIfTwoWords{"Syntax Error ! Example ELSEIF ", "문법에러 : ELSEIF는 붙여써야 됩니다. "};
const Msg kInvalidElse{"Syntax Error in IF clause ! Invalid ELSE", "문법에러 : ELSE의 위치가 잘못되었습니다."};
const Msg kEndIfOneWord{"Syntax Error ! Example : END IF", "문법에러 : END IF는 띄어서 작성해야 합니다."};
const Msg kEndWithoutIf{"Syntax Error ! ", "문법에러 : END IF로 작성해야 합니다. "};
const Msg kEndIfOutside{"Syntax Error in IF clause", "문법에러 : IF문의 구조가 잘못되었습니다. "};

// ON INT, ON TIMER, ON RECV.
const Msg kIntParenVn{"Syntax Error ! Example:ON INT(0)=0 GOSUB 100", "문법에러 : 괄호를 찾을 수 없습니다."};
const Msg kIntEqualsVn{"Syntax Error ! Example:ON INT(0)=0 GOSUB 100", "문법에러 : =기호를 찾을 수 없습니다."};
const Msg kIntPortNotConst{"Syntax Error in Port Value!", "문법에러 : 잘못된 포트번호입니다."};
const Msg kIntPortRange{"Syntax Error in Port Value (Only 0 ~ 28)", "문법에러 : 포트번호는 0~28까지만 사용가능합니다."};
const Msg kIntTargetRange{"Syntax Error in Target Value ! (Only 0 or 1)", "문법에러 : 타겟값은 0또는 1만 사용가능합니다."};
// Ours: the program gives no text for a target that is not a constant.
const Msg kIntTargetNotConst{"Syntax Error in Target Value ! (Only constant 0 or 1)",
                             "문법에러 : 타겟값은 상수 0또는 1만 사용가능합니다."};
const Msg kIntParenVnm{"Syntax Error ! Example:ON INT(0) GOSUB 100", "문법에러 : 괄호를 찾을 수 없습니다."};
const Msg kIntNumberRange{"Syntax Error in Port Value (Only 0 or 1)", "문법에러 : 타겟값은 0또는 1만 사용가능합니다."};
// Ours: as for the VN target.
const Msg kIntNumberNotConst{"Syntax Error in Port Value ! (Only constant 0 or 1)",
                             "문법에러 : 상수 0또는 1만 사용가능합니다."};
const char* const kIntGosub = "Syntax Error ! Example:ON INT(0) GOSUB 100";
const Msg kTimerParen{"Syntax Error ! Example:ON TIMER(0)=0 GOSUB 100", "문법에러 : 괄호를 찾을 수 없습니다."};
const Msg kTimeCode{"Syntax Error in TimeCode ! (Only 0 ~ 60)", "문법에러 : 0~60사이의 숫자만 사용할 수 있습니다."};
const Msg kTimerGosub{"Syntax Error ! Example:ON TIMER(0)=0 GOSUB 100", "문법에러 : GOSUB를 사용해야 합니다."};
const Msg kRs232First{"[SET RS232 ..] Command Not Found !", "SET RS232명령이 사전에 정의되어 있어야 합니다."};
const Msg kRecvGosub{"Syntax Error ! Example:ON RECV GOSUB 100", "문법에러 : GOSUB를 사용해야 합니다."};

// ON variable GOTO / GOSUB.
const Msg kOnGotoGosub{"Syntax Error ! Example:ON variable GOTO/GOSUB label1, label2, label3...",
                       "문법 에러 : GOTO또는 GOSUB를 찾을 수 없습니다."};
const Msg kOnTooManyLabels{"Too Manly Label Point ! (up to 127) ", "라벨은 127개까지만 사용가능합니다."};
const Msg kOnComma{"Syntax Error ! Example:ON variable GOTO label1, label2, label3...",
                   "문법에러 : 쉼표를 찾을 수 없습니다."};

AnsiText Number(long n) { return Ansi(std::to_string(n)); }

// Hidden labels of a FOR loop: "__FORL", "__FORN", "__FORQ" followed by the loop id.
AnsiText ForLabel(char16_t kind, const AnsiText& loop_id) { return AnsiText(u"__FOR") + kind + loop_id; }
// The false branch of one condition part of an IF, and the end of the whole IF.
AnsiText IfPartLabel(const AnsiText& id, int part) { return u"_y" + id + u"_" + Number(part); }
AnsiText IfEndLabel(const AnsiText& id) { return u"_x" + id; }

bool EndsLabelList(const AnsiText& token) { return token.empty() || token == u":" || token == u"'"; }

// Reads the next token and fails with `m` unless it is `expected`.
int Expect(Compiler& c, std::u16string_view expected, const Msg& m) {
  c.NextToken();
  return c.Token == expected ? 0 : c.Fail(m);
}

// Reads tokens up to the first one that is not a parenthesis; parentheses in a condition
// only group for the reader, the module evaluates the comparisons in source order.
void SkipParentheses(Compiler& c) {
  do c.NextToken();
  while (c.Token == u"(" || c.Token == u")");
}

int ConditionOperand(Compiler& c) {
  if (c.ParseFunctionOperand(c.Token) != 0) return -1;
  c.FlushPending();
  return 0;
}

// The condition of an IF or an ELSEIF (IF steps 2 to 6), for the IF whose id is on top of
// the stack. 0 for a block IF, kContinueStatement when a statement follows THEN.
int CompileCondition(Compiler& c) {
  const size_t top = static_cast<size_t>(c.IfDepth);
  c.IfState = 1;
  c.IfLine = c.LineNo;
  c.MarkLine();
  c.Emit(Opcode::kIf);
  c.AddFixup(IfPartLabel(c.IfIdStack[top], c.IfPartStack[top]));

  SkipParentheses(c);
  for (;;) {
    if (ConditionOperand(c) != 0) return -1;
    c.NextToken();
    const ComparisonWord* cmp = nullptr;
    for (const auto& k : kComparisons)
      if (c.Token == k.token) cmp = &k;
    if (cmp == nullptr) return c.FailEn(kThenNotFound);
    c.Emit(cmp->code);
    c.NextToken();
    if (ConditionOperand(c) != 0) return -1;

    SkipParentheses(c);
    if (c.Token == u"THEN") break;
    if (c.Token == u"AND") {
      c.Emit(Operator::kAnd);
    } else if (c.Token == u"OR") {
      c.Emit(Operator::kOr);
    } else {
      // The program passed over any other token and went on without a connective; we reject
      // it, since the module would see two comparisons with nothing between them.
      return c.Fail(kThenMissing);
    }
    SkipParentheses(c);
  }
  c.Emit(isa::kEndOfList);

  c.PeekToken();
  if (c.Token.empty() || c.Token == u"'") {
    c.IfState = 2;
    return 0;
  }
  return Compiler::kContinueStatement;
}

// GOTO and GOSUB: the opcode and a reference to the label that follows.
int JumpToLabel(Compiler& c, Opcode opcode) {
  c.MarkLine();
  c.Emit(opcode);
  c.NextToken();
  if (EndsLabelList(c.Token)) return c.FailEn(kLabelNotFound);
  return c.AddFixup(c.Token);
}

// The "GOSUB label" that ends ON INT, ON TIMER and ON RECV.
int GosubLabel(Compiler& c, const Msg& no_gosub) {
  c.NextToken();
  if (c.Token != u"GOSUB") return c.Fail(no_gosub);
  c.NextToken();
  return c.AddFixup(c.Token);
}

}  // namespace

int Compiler::ElseAfterStatement() {
  if (IfState == 0) return Fail(kElseWithoutIf);
  const AnsiText& id = IfIdStack[static_cast<size_t>(IfDepth)];
  Emit(Opcode::kGoto);
  AddFixup(IfEndLabel(id));
  return DefineLabel(IfPartLabel(id, IfPartStack[static_cast<size_t>(IfDepth)]));
}

void Compiler::CloseSingleLineIf() {
  const AnsiText id = IfIdStack[static_cast<size_t>(IfDepth)];
  DefineLabel(IfEndLabel(id));
  DefineLabel(IfPartLabel(id, IfPartStack[static_cast<size_t>(IfDepth)]));
  --IfDepth;
  IfState = IfDepth == 0 ? 0 : 2;
}

int Compiler::CompileGoto() { return JumpToLabel(*this, Opcode::kGoto); }

int Compiler::CompileGosub() { return JumpToLabel(*this, Opcode::kGosub); }

int Compiler::CompileBreak() {
  // The module stops after the opcode, so the line belongs to the address after it; and to the
  // opcode's own, where a step lands on it.
  MarkLine();
  Emit(Opcode::kBreak);
  MarkLine();
  return 0;
}

int Compiler::CompileFor() {
  if (ForDepth >= kStackSize) return Fail(kForTooDeep);
  const bool vnm = Device.DeviceKind == 2;

  // FOR v = a: kFor, the variable, the start value (and on VNM the address of the body).
  MarkLine();
  Emit(Opcode::kFor);
  NextToken();
  ForVarName = Token;
  if (ParseVariable(Token) != 0) return -1;
  SavePending();
  FlushPending();
  if (Expect(*this, u"=", kForSyntaxEquals) != 0) return -1;
  NextToken();
  if (ParseOperand(Token) != 0) return Fail(kForStart);
  FlushPending();
  ++ForCounter;
  const AnsiText loop_id = ForVarName + Number(ForCounter);
  if (vnm) AddFixup(ForLabel(u'N', loop_id));
  if (Expect(*this, u"TO", kForSyntaxTo) != 0) return -1;

  const size_t slot = static_cast<size_t>(ForDepth);
  ForIdStack[slot] = loop_id;
  ForVarStack[slot] = ForVarName;
  ++ForDepth;

  // TO b [STEP s]: the loop test kForTest, the variable, the limit, (the step,) the exit address.
  if (DefineLabel(ForLabel(u'L', loop_id)) != 0) return -1;
  MarkLine();
  Emit(Opcode::kForTest);
  PendBuf = SaveBuf;
  PendLen = SaveLen;
  FlushPending();
  NextToken();
  if (ParseOperand(Token) != 0) return Fail(kForLimit);
  FlushPending();

  if (vnm) {
    const int before_step = ScanPos;
    NextToken();
    if (Token == u"STEP") {
      NextToken();
      AnsiText step = Token;
      if (step == u"-") {
        NextToken();
        step = u"-" + Token;
      }
      if (EncodeConstant(step) != 0) {
        ErrMsgEn = kForStepConstant;
        return -1;
      }
      const double written = std::nearbyint(Val(step));
      if (written < -128 || written > 127) return FailEn(kStepLimit);
      FlushPending();
    } else {
      Emit(kConst1);
      ScanPos = before_step;
    }
  }
  // On VN a STEP is left for the end of the statement, which rejects it.

  AddFixup(ForLabel(u'Q', loop_id));
  return DefineLabel(ForLabel(u'N', loop_id));
}

int Compiler::CompileNext() {
  const bool vn = Device.DeviceKind == 1;
  MarkLine();
  Emit(vn ? Opcode::kNextVn : Opcode::kGoto);
  if (ForDepth == 0) return Fail(kNextWithoutFor);
  const AnsiText& loop_var = ForVarStack[static_cast<size_t>(ForDepth - 1)];
  NextToken();
  // NEXT without a variable closes the innermost loop; what follows it (a comment, a ":")
  // is left for the end of the statement.
  const bool named = !(Token.empty() || Token == u"'" || Token == u":");
  const int after_next = TokenStart;
  if (!named) {
    Token = loop_var;
    ScanPos = ScanEnd;  // no byte or bit specifier after an implied variable
  } else if (Token != loop_var) {
    return Fail(kNextMismatch);
  }
  if (vn) {
    if (ParseVariable(Token) != 0) return -1;
    FlushPending();
  }
  if (!named) ScanPos = after_next;
  --ForDepth;
  const AnsiText& loop_id = ForIdStack[static_cast<size_t>(ForDepth)];
  AddFixup(ForLabel(u'L', loop_id));
  return DefineLabel(ForLabel(u'Q', loop_id));
}

int Compiler::CompileIf() {
  // IfIdStack is 1-based: entry 0 is never used.
  if (IfDepth >= kStackSize - 1) return Fail(kIfTooDeep);
  ++IfDepth;
  IfIdStack[static_cast<size_t>(IfDepth)] = Number(IfCounter);
  ++IfCounter;
  return CompileCondition(*this);
}

int Compiler::CompileElseIf() {
  if (IfState != 2) return Fail(kInvalidElseIf);
  const size_t top = static_cast<size_t>(IfDepth);
  MarkLine();
  Emit(Opcode::kGoto);
  AddFixup(IfEndLabel(IfIdStack[top]));
  if (DefineLabel(IfPartLabel(IfIdStack[top], IfPartStack[top])) != 0) return -1;
  // A breakpoint here belongs to the condition, reached only when the parts before it failed.
  EmitDueBreak();
  ++IfPartStack[top];
  return CompileCondition(*this);
}

int Compiler::CompileElse() {
  PeekToken();
  if (Token == u"IF") return Fail(kElseIfTwoWords);
  if (IfState != 2) return Fail(kInvalidElse);
  const size_t top = static_cast<size_t>(IfDepth);
  MarkLine();
  Emit(Opcode::kGoto);
  AddFixup(IfEndLabel(IfIdStack[top]));
  if (DefineLabel(IfPartLabel(IfIdStack[top], IfPartStack[top])) != 0) return -1;
  return kContinueStatement;
}

int Compiler::CompileEndIfWord() { return Fail(kEndIfOneWord); }

int Compiler::CompileEnd() {
  NextToken();
  if (Token != u"IF") return Fail(kEndWithoutIf);
  if (IfState != 2) return Fail(kEndIfOutside);
  const size_t top = static_cast<size_t>(IfDepth);
  if (DefineLabel(IfEndLabel(IfIdStack[top])) != 0) return -1;
  if (DefineLabel(IfPartLabel(IfIdStack[top], IfPartStack[top])) != 0) return -1;
  IfPartStack[top] = 0;
  --IfDepth;
  if (IfDepth == 0) IfState = 0;
  return 0;
}

int Compiler::CompileOn() {
  const bool vn = Device.DeviceKind == 1;
  NextToken();

  if (Token == u"INT") {
    MarkLine();
    Emit(Opcode::kOnInt);
    if (vn) {
      if (Expect(*this, u"(", kIntParenVn) != 0) return -1;
      NextToken();
      const auto port = ConstValueOpt(Token);
      if (!port) return Fail(kIntPortNotConst);
      if (*port < 0 || *port > kMaxIntPort) return Fail(kIntPortRange);
      Emit(static_cast<int>(*port));
      if (Expect(*this, u")", kIntParenVn) != 0) return -1;
      if (Expect(*this, u"=", kIntEqualsVn) != 0) return -1;
      NextToken();
      const auto target = ConstValueOpt(Token);
      if (!target) return Fail(kIntTargetNotConst);
      if (*target != 0 && *target != 1) return Fail(kIntTargetRange);
      Emit(static_cast<int>(*target));
    } else {
      if (Expect(*this, u"(", kIntParenVnm) != 0) return -1;
      NextToken();
      const auto number = ConstValueOpt(Token);
      if (!number) return Fail(kIntNumberNotConst);
      if (*number != 0 && *number != 1) return Fail(kIntNumberRange);
      Emit(static_cast<int>(*number));
      if (Expect(*this, u")", kIntParenVnm) != 0) return -1;
    }
    if (GosubLabel(*this, {kIntGosub, kIntGosub}) != 0) return -1;
    OnIntSeen = true;
    return 0;
  }

  if (Token == u"TIMER") {
    MarkLine();
    Emit(Opcode::kOnTimer);
    if (Expect(*this, u"(", kTimerParen) != 0) return -1;
    NextToken();
    const auto k = ConstValueOpt(Token);
    if (!k || *k < 0 || *k > kMaxTimeCode) return Fail(kTimeCode);
    Emit(*k == 0 ? 1 : static_cast<int>(2 * *k));
    if (Expect(*this, u")", kTimerParen) != 0) return -1;
    if (GosubLabel(*this, kTimerGosub) != 0) return -1;
    OnTimerSeen = true;
    return 0;
  }

  if (Token == u"RECV") {
    if (vn) return Fail(kMsgCommandVn);
    if (!Rs232Seen) return Fail(kRs232First);
    MarkLine();
    Emit(Opcode::kOnRecv);
    if (GosubLabel(*this, kRecvGosub) != 0) return -1;
    OnRecvSeen = true;
    return 0;
  }

  // ON v GOTO / GOSUB l1, l2, ...: the opcode, the operand, the label count, the labels.
  MarkLine();
  if (ParseOperand(Token) != 0) return -1;
  NextToken();
  Opcode opcode;
  if (Token == u"GOTO") {
    opcode = Opcode::kOnGoto;
  } else if (Token == u"GOSUB") {
    if (vn) return Fail(kMsgCommandVn);
    opcode = Opcode::kOnGosubVnm;
  } else {
    return Fail(kOnGotoGosub);
  }
  PendShift(1);
  PendBuf[0] = opcode;
  FlushPending();

  const long count_addr = CodeAddr++;
  int n = 0;
  for (;;) {
    NextToken();
    if (EndsLabelList(Token)) return FailEn(kLabelNotFound);
    AddFixup(Token);
    if (++n > kMaxOnLabels) return Fail(kOnTooManyLabels);
    PeekToken();
    if (EndsLabelList(Token)) {
      Code.Set(count_addr, static_cast<std::uint8_t>(n));
      return 0;
    }
    if (Token != u",") return Fail(kOnComma);
    NextToken();
  }
}

}  // namespace vn::compiler
