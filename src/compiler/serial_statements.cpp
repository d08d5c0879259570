// Serial and bus statements (software serial SERIN/SEROUT, the VNM hardware port with
// SET RS232, GET, PUT and BCLR, BUSOUT, the SET switches), and the output item list that
// SEROUT, BUSOUT, PUT and PRINT share.
#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string>

#include "compiler/arguments.h"
#include "compiler/compiler.h"
#include "core/text.h"
#include "isa/serial_bauds.h"

namespace vn::compiler {
namespace {

// ---- Messages ---------------------------------------------------------------------------------
const Msg kGetDeviceVn{"Can not use at this DEVICE", "VN시리즈에서는 사용할 수 없는 명령입니다."};
const Msg kGetNoRs232{"[SET RS232 ..] Command Not Found !", "SET RS232 명령을 먼저 정의해주어야 합니다."};
const Msg kPutNoRs232{"[SET RS232 ..] Command Not Found !", "SET RS232명령이 사전에 정의되어 있어야 합니다."};
const Msg kRs232Baud{"Avaiable 2400, 4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200",
                     "보레이트는 2400,4800, 9600, 19200, 38400, 57600, 76800, 96000, 115200중 하나만 사용가능합니다."};
const Msg kNoOnInt{"[ON INT ....] Command Not Found !", "ON INT 명령어가 정의되어 있어야 사용가능합니다."};
const Msg kNoOnTimer{"[ON TIMER ....] Command Not Found !", "ON TIMER 명령어가 정의되어 있어야 사용가능합니다."};
const Msg kNoOnRecv{"[ON RECV ....] Command Not Found !", "ON RECV 명령어가 정의되어 있어야 사용가능합니다."};
const Msg kHcode{"SET HCODE [JOHAP/KS5601]", "SET HCODE JOHAP 또는 KS5601로 작성하셔야 합니다."};
// A word after SET that names no setting is a typo far more often than intent.
const Msg kSetWord{"Syntax Error ! Use SET RS232, VARNOBUS, ONINT, ONTIMER, ONRECV or HCODE",
                   "문법에러 : SET 다음에는 RS232, VARNOBUS, ONINT, ONTIMER, ONRECV, HCODE중 하나를 사용해야 합니다."};
const Msg kWaitTime{"Syntax Error in WaitTime value !", "문법에러 : 대기시간이 잘못되었습니다."};
const char kInvalidItem[] = "Invalid Charactor in String !";

const Msg kSeroutComma{"Syntax Error ! Example:SEROUT Port,Baud,Mode,ByteSpace,[Variable...]",
                       "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kSeroutBracket{"Syntax Error ! Example:SEROUT Port,Baud,Mode,ByteSpace,[Variable...]",
                         "문법에러 : 대괄호를 찾을 수 없습니다."};
// No Korean text of its own: it shows in English in both languages.
const Msg kSeroutBaud{"Syntax Error ! Invalid BaudRate ! ", "Syntax Error ! Invalid BaudRate ! "};
const Msg kSeroutMode{"Syntax Error ! Invalid Mode value ! ",
                      "문법에러 : 모드값이 잘못되었습니다. 0또는 1만 사용가능합니다."};
const Msg kSeroutByteSpace{"Syntax Error ! Invalid ByteSpace value ! ", "문법에러 : 바이트 간격 값이 잘못되었습니다."};
// The spacing is one byte in the code; a larger value would silently wrap.
const Msg kSeroutByteSpaceRange{"Syntax Error ! ByteSpace value must be 0 ~ 255 ",
                                "문법에러 : 바이트 간격 값은 0~255 사이의 값만 사용가능합니다."};

const Msg kSerinComma{"Syntax Error ! Example: SERIN Port,Baud,Mode,WaitTime,WaitLabel, [Variable...]",
                      "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kSerinBaud{"Syntax Error in BaudRate value !", "문법에러 : 보레이트 값이 잘못되었습니다."};
const Msg kSerinMode{"Syntax Error in Mode value !", "문법에러 : 모드값이 잘못되었습니다. (0또는 1만 사용가능)"};
const Msg kSerinArea{"Syntax Error in Variable area !", "문법에러 : 대괄호 ([)를 찾을 수 없습니다."};
const Msg kWaitClause{"Syntax Error in WAIT clause !", "문법에러 : WAIT 제어문이 잘못되었습니다."};
const Msg kUntilClause{"Syntax Error in UNTIL clause !", "문법에러 : Until 제어문이 잘못되었습니다."};
const char kSkipClause[] = "Syntax Error in SKIP clause !";
const Msg kWaitTwice{"Syntax Error ! order to WAIT, UNTIL, SKIP", "문법에러 : WAIT, UNTIL, SKIP순으로 작성해야 합니다."};
const Msg kClauseOrder{"Syntax Error ! Write order to WAIT, UNTIL, SKIP",
                       "문법에러 : WAIT, UNTIL, SKIP순으로 작성해야 합니다."};
const Msg kRecvVar{"Syntax Error ! Variable use only BYTE type and STRING type",
                   "문법에러 : 수신변수는 BYTE형 (또는 String형)만 사용가능 합니다."};
const Msg kContinue{"Invalid Continue Value (~N) !", "문법에러 : 연속수신 횟수 표현이 잘못되었습니다."};
const Msg kContinueRange{"Invalid Continue Value (~N) !", "문법에러 : 연속수신 횟수는 255이상 사용할 수 없습니다."};
const Msg kCloseBracket{"Syntax Error ! ", "문법에러 : 닫는 대괄호를 찾을 수 없습니다. "};

// ---- Opcodes and argument codes ---------------------------------------------------------------
using isa::Opcode;
using isa::SerinCode;
using isa::SetSwitch;

constexpr int kItemString = kStringConst;  // a string item: its bytes and a 00 follow
constexpr int kGetNoLabel = isa::kEndOfList;  // GET without a time-out label (else kGoto and the label)
constexpr int kCountDefaultVnm = 1;  // VNM: one byte when ~N is left out

struct Word {
  const char16_t* text;
  int code;
};

const Word kBusModes[] = {{u"HIGH", 1}, {u"LOW", 2}};
constexpr int kBusModeDefault = 0;
const Word kSwitchWords[] = {{u"ON", 1}, {u"OFF", 0}};
constexpr int kSwitchDefault = 1;

// The event handler switches: SET word, code after kSet, the flag of the handler's declaration.
struct HandlerSwitch {
  const char16_t* word;
  SetSwitch code;
  bool Compiler::*seen;
  const Msg* missing;
};
const HandlerSwitch kHandlerSwitches[] = {
    {u"ONINT", SetSwitch::kOnInt, &Compiler::OnIntSeen, &kNoOnInt},
    {u"ONTIMER", SetSwitch::kOnTimer, &Compiler::OnTimerSeen, &kNoOnTimer},
    {u"ONRECV", SetSwitch::kOnRecv, &Compiler::OnRecvSeen, &kNoOnRecv},
};

const Word* FindWord(const Word* begin, const Word* end, const AnsiText& text) {
  for (const Word* w = begin; w != end; ++w)
    if (text == w->text) return w;
  return nullptr;
}

// Reads an optional mode word. A token that is none of the words is handed back to the end of
// the statement, so that a comment or ":" may follow and a misspelt word is still reported.
template <size_t N>
int OptionalWord(Compiler& c, const Word (&words)[N], int fallback) {
  c.NextToken();
  if (const Word* w = FindWord(words, words + N, c.Token)) return w->code;
  c.ScanPos = c.TokenStart;
  return fallback;
}

int ExpectToken(Compiler& c, const char16_t* text, const Msg& m) {
  c.NextToken();
  return c.Token == text ? 0 : c.Fail(m);
}

// A compile-time constant as the statements read it: -1 also stands for "not a constant".
std::optional<long> Constant(Compiler& c) {
  const long v = c.ConstValue(c.Token);
  if (v == -1) return std::nullopt;
  return v;
}

// The baud value of SEROUT and SERIN: its low byte, and on the VNM series its high byte too.
void EmitBaud(Compiler& c, long baud) {
  c.Emit(static_cast<int>(baud % 256));
  if (c.Device.DeviceKind == 2) c.Emit(static_cast<int>((baud / 256) % 256));
}

// The head that SEROUT and SERIN share after their opcode: the port, then the baud value and
// the mode (0 or 1), each after its comma.
int SerialHead(Compiler& c, const Msg& comma, const Msg& baud_fail, const Msg& mode_fail) {
  if (CompileArgument(c, {ArgKind::Port}, {ArgTarget::Code}) != 0) return -1;
  if (ExpectToken(c, u",", comma) != 0) return -1;
  c.NextToken();
  const auto baud = Constant(c);
  // A negative baud value has no byte form.
  if (!baud || *baud < 0) return c.Fail(baud_fail);
  EmitBaud(c, *baud);
  if (ExpectToken(c, u",", comma) != 0) return -1;
  c.NextToken();
  const auto mode = Constant(c);
  if (!mode || (*mode != 0 && *mode != 1)) return c.Fail(mode_fail);
  c.Emit(static_cast<int>(*mode));
  return 0;
}

// One byte of a clause argument: a constant 0..255.
std::optional<int> ClauseByte(Compiler& c) {
  const auto v = Constant(c);
  if (!v || *v < 0 || *v > 255) return std::nullopt;
  return static_cast<int>(*v);
}

// The argument of WAIT, UNTIL or SKIP with the comma after it: ("x"), ("xy"), (v) or (v, w).
// Always two bytes; nullopt when it is malformed (the caller names the clause).
std::optional<std::array<int, 2>> ClauseArgument(Compiler& c) {
  std::array<int, 2> bytes{0, 0};
  c.NextToken();
  if (c.Token != u"(") return std::nullopt;
  c.NextToken();
  if (c.Token == u"\"") {
    c.NextToken();
    const AnsiText text = c.Token;
    // The module compares single bytes; a Korean character has no one-byte code.
    if (text.empty() || IsDoubleByte(text[0]) || (text.size() > 1 && IsDoubleByte(text[1]))) return std::nullopt;
    bytes[0] = text[0];
    if (text.size() > 1) bytes[1] = text[1];
    c.NextToken();
    if (c.Token != u"\"") return std::nullopt;
    c.NextToken();
    if (c.Token != u")") return std::nullopt;
  } else {
    const auto v = ClauseByte(c);
    if (!v) return std::nullopt;
    bytes[0] = *v;
    c.NextToken();
    if (c.Token == u",") {
      c.NextToken();
      const auto w = ClauseByte(c);
      if (!w) return std::nullopt;
      bytes[1] = *w;
      c.NextToken();
      if (c.Token != u")") return std::nullopt;
    } else if (c.Token != u")") {
      return std::nullopt;
    }
  }
  c.NextToken();
  if (c.Token != u",") return std::nullopt;
  return bytes;
}

int Clause(Compiler& c, SerinCode code, const Msg& failure) {
  c.Emit(code);
  const auto bytes = ClauseArgument(c);
  if (!bytes) return c.Fail(failure);
  c.Emit((*bytes)[0]);
  c.Emit((*bytes)[1]);
  c.NextToken();
  return 0;
}

bool IsClauseWord(const AnsiText& t) { return t == u"WAIT" || t == u"UNTIL" || t == u"SKIP"; }

int SetRs232(Compiler& c) {
  if (c.Device.DeviceKind == 1) return c.Fail(kMsgCommandVn);
  c.Emit(Opcode::kSet);
  c.Emit(SetSwitch::kRs232);
  c.NextToken();
  // The rate as written in decimal, digit for digit: its code is its place in the table.
  const int* const bauds_end = std::end(isa::kRs232Bauds);
  const int* baud = std::find_if(std::begin(isa::kRs232Bauds), bauds_end,
                                 [&c](int b) { return c.Token == core::Ansi(std::to_string(b)); });
  if (baud == bauds_end) return c.Fail(kRs232Baud);
  c.Emit(static_cast<int>(baud - std::begin(isa::kRs232Bauds)));
  c.Rs232Seen = true;
  return 0;
}

int SetVarnoBus(Compiler& c) {
  c.Emit(Opcode::kSet);
  if (c.Device.DeviceKind == 2) c.Emit(SetSwitch::kVarnobus);  // VN: the mode follows the opcode
  c.Emit(OptionalWord(c, kBusModes, kBusModeDefault));
  return 0;
}

int SetHandlerSwitch(Compiler& c, const HandlerSwitch& s) {
  if (c.Device.DeviceKind == 1) return c.Fail(kMsgCommandVn);
  if (!(c.*(s.seen))) return c.Fail(*s.missing);
  c.Emit(Opcode::kSet);
  c.Emit(s.code);
  c.Emit(OptionalWord(c, kSwitchWords, kSwitchDefault));
  return 0;
}

int SetHcode(Compiler& c) {
  c.NextToken();
  if (c.Token == u"JOHAP") {
    c.HangulKS = false;
  } else if (c.Token == u"KS5601" || c.Token == u"KS") {
    c.HangulKS = true;
  } else {
    return c.Fail(kHcode);
  }
  return 0;
}

}  // namespace

int Compiler::CompileSet() {
  MarkLine();
  NextToken();
  if (Token == u"RS232") return SetRs232(*this);
  if (Token == u"VARNOBUS") return SetVarnoBus(*this);
  if (Token == u"HCODE") return SetHcode(*this);
  for (const HandlerSwitch& s : kHandlerSwitches)
    if (Token == s.word) return SetHandlerSwitch(*this, s);
  return Fail(kSetWord);
}

int Compiler::CompileGet() {
  if (Device.DeviceKind == 1) return Fail(kGetDeviceVn);
  if (!Rs232Seen) return Fail(kGetNoRs232);
  MarkLine();
  Emit(Opcode::kGet);
  NextToken();
  if (ParseVariable(Token) != 0) return -1;
  FlushPending();

  // The wait time and the time-out label are optional. A token that does not continue the
  // statement goes back to the end-of-statement step, so "GET A : ..." keeps what follows.
  NextToken();
  if (Token != u",") {
    Emit(kConst0);
    Emit(kGetNoLabel);
    ScanPos = TokenStart;
    return 0;
  }
  NextToken();
  if (ParseOperand(Token) != 0) return Fail(kWaitTime);
  FlushPending();
  NextToken();
  if (Token != u",") {
    Emit(kGetNoLabel);
    ScanPos = TokenStart;
    return 0;
  }
  Emit(Opcode::kGoto);
  NextToken();
  return AddFixup(Token);
}

int Compiler::CompilePut() {
  if (Device.DeviceKind == 1) return Fail(kMsgCommandVn);
  if (!Rs232Seen) return Fail(kPutNoRs232);
  MarkLine();
  Emit(Opcode::kPut);
  return CompileOutputList();
}

int Compiler::CompileBclr() {
  if (Device.DeviceKind == 1) return Fail(kMsgCommandVn);
  if (!Rs232Seen) return Fail(kPutNoRs232);
  MarkLine();
  Emit(Opcode::kBclr);
  return 0;
}

int Compiler::CompileBusOut() {
  MarkLine();
  Emit(Opcode::kBusOut);
  return CompileOutputList();
}

int Compiler::CompileSerOut() {
  MarkLine();
  Emit(Opcode::kSerOut);
  if (SerialHead(*this, kSeroutComma, kSeroutBaud, kSeroutMode) != 0) return -1;

  if (ExpectToken(*this, u",", kSeroutComma) != 0) return -1;
  NextToken();
  const auto space = Constant(*this);
  if (!space) return Fail(kSeroutByteSpace);
  if (*space < 0 || *space > 255) return Fail(kSeroutByteSpaceRange);
  Emit(static_cast<int>(*space));

  if (ExpectToken(*this, u",", kSeroutComma) != 0) return -1;
  if (ExpectToken(*this, u"[", kSeroutBracket) != 0) return -1;
  return CompileOutputList();
}

int Compiler::CompileSerIn() {
  const bool vn = Device.DeviceKind == 1;
  MarkLine();
  Emit(Opcode::kSerIn);
  if (SerialHead(*this, kSerinComma, kSerinBaud, kSerinMode) != 0) return -1;

  if (ExpectToken(*this, u",", kSerinComma) != 0) return -1;
  NextToken();
  if (ParseOperand(Token) != 0) return Fail(kWaitTime);
  FlushPending();

  if (ExpectToken(*this, u",", kSerinComma) != 0) return -1;
  NextToken();
  AddFixup(Token);

  if (ExpectToken(*this, u",", kSerinComma) != 0) return -1;
  if (ExpectToken(*this, u"[", kSerinArea) != 0) return -1;

  // Clauses, each optional, in the order WAIT, UNTIL, SKIP.
  NextToken();
  if (Token == u"WAIT" && Clause(*this, vn ? SerinCode::kWaitVn : SerinCode::kWaitVnm, kWaitClause) != 0) return -1;
  if (Token == u"WAIT") return Fail(kWaitTwice);
  if (Token == u"UNTIL" && Clause(*this, SerinCode::kUntil, kUntilClause) != 0) return -1;
  if (Token == u"WAIT" || Token == u"UNTIL") return Fail(kClauseOrder);
  if (Token == u"SKIP") {
    Emit(SerinCode::kSkip);
    const auto bytes = ClauseArgument(*this);
    if (!bytes) return FailEn(kSkipClause);
    Emit((*bytes)[0]);
    Emit((*bytes)[1]);
    NextToken();
    if (IsClauseWord(Token)) return Fail(kClauseOrder);
  }

  // The one receive variable: a byte or a string.
  if (ParseVariable(Token) != 0) return -1;
  const int d = PendBuf[0];
  if (d != kByteVar && d != kByteArrayVnm && d != kStringVar) return Fail(kRecvVar);
  FlushPending();

  NextToken();
  if (Token == u"~") {
    NextToken();
    const auto n = Constant(*this);
    if (!n || *n < 0) return Fail(kContinue);
    if (*n > 255) return Fail(kContinueRange);
    if (vn) Emit(SerinCode::kCountVn);
    Emit(static_cast<int>(*n));
    NextToken();
  } else if (!vn) {
    Emit(kCountDefaultVnm);
  }
  if (Token != u"]") return Fail(kCloseBracket);
  if (vn) Emit(isa::kEndOfList);
  return 0;
}

int Compiler::CompileOutputList() {
  for (;;) {
    NextToken();
    if (Token == u"\"") {
      Emit(kItemString);
      if (ReadStringLiteral() != 0) return -1;
      FlushPending();
      Emit(isa::kEndOfList);
    } else {
      if (ParseFunctionOperand(Token) != 0) return -1;
      FlushPending();
    }

    NextToken();
    if (Token.empty() || Token == u"]") {
      Emit(isa::kEndOfList);
      return 0;
    }
    if (Token == u"'" || Token == u":" || Token == u"ELSE") {
      // The end-of-statement step reads this token again (a comment, the next statement, or
      // the ELSE part of a single-line IF).
      Emit(isa::kEndOfList);
      ScanPos = TokenStart;
      return 0;
    }
    if (Token != u"," && Token != u";" && Token != u"+") return FailEn(kInvalidItem);
  }
}

}  // namespace vn::compiler
