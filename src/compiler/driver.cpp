// The compilation driver: resets the tables, runs the source through CompileLine one logical
// line at a time, appends the end of the program, resolves label references and indexes the
// lines of the compile copy for the debugger.
#include <algorithm>
#include <iterator>
#include <optional>
#include <sstream>
#include <unordered_map>

#include "compiler/arguments.h"
#include "compiler/compiler.h"
#include "compiler/words.h"
#include "platform/codepage.h"
#include "core/file_io.h"
#include "core/message_table.h"

namespace vn::compiler {
namespace {

const Msg kSyntaxEndOfLine{"Syntax Error on End of Line !",
                           "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다."};

using isa::Opcode;

// Statement keywords, in the order the statement loop tries them. A statement that is its
// opcode and a list of argument rules is its row's `statement`; any other has a branch of its own.
struct Keyword {
  const char16_t* word;
  Compiler::Branch branch = nullptr;
  std::optional<Statement> statement{};
};
const Keyword kKeywords[] = {
    {u"DIM", &Compiler::CompileDim},
    {u"CONST", &Compiler::CompileConst},
    {u"POKE", &Compiler::CompilePoke},
    {u"BREAK", &Compiler::CompileBreak},
    {u"OUT", &Compiler::CompileOut},
    {u"HIGH", &Compiler::CompileHigh},
    {u"LOW", &Compiler::CompileLow},
    {u"BYTEOUT", &Compiler::CompileByteOut},
    {u"TOGGLE", &Compiler::CompileToggle},
    {u"SERVO", &Compiler::CompileServo},
    {u"PULSEOUT", &Compiler::CompilePulseOut},
    {u"PULSE", &Compiler::CompilePulse},
    {u"GOTO", &Compiler::CompileGoto},
    {u"GOSUB", &Compiler::CompileGosub},
    {u"RETURN", nullptr, Statement{Opcode::kReturn}},
    {u"FOR", &Compiler::CompileFor},
    {u"NEXT", &Compiler::CompileNext},
    {u"IF", &Compiler::CompileIf},
    {u"ELSE", &Compiler::CompileElse},
    {u"ELSEIF", &Compiler::CompileElseIf},
    {u"ENDIF", &Compiler::CompileEndIfWord},
    {u"END", &Compiler::CompileEnd},
    {u"EEWRITE", &Compiler::CompileEeWrite},
    {u"TIMESET", &Compiler::CompileTimeSet},
    {u"GET", &Compiler::CompileGet},
    {u"SERIN", &Compiler::CompileSerIn},
    {u"SEROUT", &Compiler::CompileSerOut},
    {u"SHIFTOUT", &Compiler::CompileShiftOut},
    {u"STEPOUT", &Compiler::CompileStepOut},
    {u"FREQOUT", &Compiler::CompileFreqOut},
    {u"PWM", &Compiler::CompilePwm},
    {u"PWMOFF", &Compiler::CompilePwmOff},
    {u"DACOUT", &Compiler::CompileDacOut},
    {u"PRINT", &Compiler::CompilePrint},
    {u"BUSOUT", &Compiler::CompileBusOut},
    {u"PUT", &Compiler::CompilePut},
    {u"BCLR", &Compiler::CompileBclr},
    {u"CLS", nullptr, Statement{Opcode::kCls}},
    {u"CSRON", nullptr, Statement{Opcode::kCsrOn}},
    {u"CSROFF", nullptr, Statement{Opcode::kCsrOff}},
    {u"LCDINIT", nullptr, Statement{Opcode::kLcdInit}},
    {u"LOCATE", &Compiler::CompileLocate},
    {u"PLAY", &Compiler::CompilePlay},
    {u"SOUND", &Compiler::CompileSound},
    {u"BEEP", &Compiler::CompileBeep},
    {u"ON", &Compiler::CompileOn},
    {u"DELAY", nullptr, Statement{Opcode::kDelay, {{ArgKind::Operand}}}},
    {u"RESET", nullptr, Statement{Opcode::kReset}},
    {u"SET", &Compiler::CompileSet},
};

// Keyword lookup: the first entry of a word wins, as in the ordered list.
const std::unordered_map<AnsiText, const Keyword*>& KeywordIndex() {
  static const auto index = [] {
    std::unordered_map<AnsiText, const Keyword*> m;
    for (const auto& k : kKeywords) m.emplace(k.word, &k);
    return m;
  }();
  return index;
}

// "Open Error:" and the path, with the reason after it when there is one.
Msg OpenError(const std::string& path, const std::string& reason) {
  const std::string text = "Open Error:" + path + (reason.empty() ? "" : ": " + reason);
  return {text, text};
}

}  // namespace

std::vector<std::string> StatementTableWords() {
  std::vector<std::string> words;
  for (const auto& k : kKeywords) words.emplace_back(k.word, k.word + std::char_traits<char16_t>::length(k.word));
  return words;
}

Compiler::Compiler() : code_page_(new platform::CodePage) {}
Compiler::~Compiler() { delete code_page_; }

int Compiler::Fail(const Msg& m) {
  ErrMsgEn = m.en;
  ErrMsgKo = m.ko;
  return -1;
}

int Compiler::FailEn(const std::string& en) { return Fail({en, en}); }

void Compiler::Overflow(const Msg& m) {
  if (!CapacityError) CapacityError = m;
}

std::string Compiler::Utf8(const AnsiText& text) const { return code_page_->Cp949ToUtf8(EncodeAnsi(text)); }

const std::string& Compiler::OutcomeText() const {
  return UseKorean && !Outcome.message.ko.empty() ? Outcome.message.ko : Outcome.message.en;
}

long Compiler::FindLabel(const AnsiText& name) const {
  auto it = label_index_.find(name);
  return it == label_index_.end() ? -1 : Labels[static_cast<size_t>(it->second)].LabelAddr;
}

bool Compiler::LastLineBad() const {
  return std::binary_search(bad_lines_.begin(), bad_lines_.end(), static_cast<int>(next_line_));
}

bool Compiler::ReadPhysicalLine(AnsiText& line) {
  if (next_line_ >= lines_.size()) return false;
  line = lines_[next_line_++];
  return true;
}

void Compiler::ResetTables() {
  Vars.clear();
  Consts.clear();
  Labels.clear();
  Fixups.clear();
  var_index_.clear();
  const_index_.clear();
  label_index_.clear();
  VarBytesUsed = 0;

  if (Device.DeviceSeries == "KX" || Device.DeviceSeries == "LX") {
    Device.NextVarAddr = 160;
    Device.VarAddrLimit = 256;
    Device.AddrWidth = 1;
  } else if (Device.DeviceSeries == "NX") {
    Device.NextVarAddr = 160;
    Device.VarAddrLimit = 240;
    Device.AddrWidth = 1;
  } else if (Device.DeviceSeries == "WX") {
    Device.NextVarAddr = 0;
    Device.VarAddrLimit = 32767;
    Device.AddrWidth = 2;
  }

  OnTimerSeen = OnIntSeen = OnRecvSeen = Rs232Seen = false;
  Code.Reset();
  CodeAddr = CodeImage::kHeaderSize;
  PendLen = SaveLen = 0;

  ForDepth = ForCounter = 0;
  ForIdStack.fill({});
  ForVarStack.fill({});
  IfDepth = 0;
  IfState = 0;
  IfCounter = 10;
  IfIdStack.fill({});
  IfPartStack.fill(0);
  HangulKS = false;
  LineNo = 1;
  CapacityError.reset();
}

int Compiler::CompileLine() {
  ErrMsgEn.clear();
  CapacityError.reset();
  NestDepth = 0;
  if (SrcLine.empty()) return 0;
  ScanPos = 1;
  ScanEnd = static_cast<int>(SrcLine.size()) + 1;

  NextToken();
  for (;;) {
    // The start of a statement.
    if (Token.empty() || Token == u"REM" || Token == u"'") {
      if (IfState == 1) CloseSingleLineIf();
      return CapacityError ? Fail(*CapacityError) : 0;
    }
    int r;
    const auto& keywords = KeywordIndex();
    if (auto it = keywords.find(Token); it != keywords.end()) {
      const Keyword& k = *it->second;
      r = StatementWithBreak(k.branch, k.statement ? &*k.statement : nullptr);
    } else if (FindVar(Token) >= 0) {
      EmitDueBreak();
      r = CompileAssignment();
    } else {
      // A label; a statement may follow it on the same line.
      if (CompileLabel() != 0) return -1;
      r = kContinueStatement;
    }
    // A capacity passed on the way is the cause, whatever the statement made of it after.
    if (r < 0) return CapacityError ? Fail(*CapacityError) : -1;
    if (CapacityError) return Fail(*CapacityError);
    NextToken();
    if (r == kContinueStatement) continue;

    // The end of a statement.
    if (Token == u":") {
      NextToken();
      continue;
    }
    if (Token == u"ELSE") {
      if (ElseAfterStatement() != 0) return -1;
      NextToken();
      continue;
    }
    if (IfState == 1) CloseSingleLineIf();
    if (CapacityError) return Fail(*CapacityError);
    if (Token.empty() || Token == u"'") return 0;
    return Fail(kSyntaxEndOfLine);
  }
}

void Compiler::EmitDueBreak() {
  if (breaks_due_.empty()) return;
  // The same bytes as a BREAK written here, so that the module and the debugger cannot tell
  // the two apart.
  CompileBreak();
  for (const int requested : breaks_due_) BreakPlacements.push_back({requested, LineNo});
  breaks_due_.clear();
}

int Compiler::StatementWithBreak(Branch branch, const Statement* row) {
  const auto run = [&] { return row != nullptr ? CompileStatement(*this, *row) : (this->*branch)(); };
  if (breaks_due_.empty()) return run();
  // ELSE and END IF run nothing of their own on the way into what follows them (the jump an
  // ELSE compiles ends the THEN part), so a break before them would fire on the wrong path:
  // the breakpoints wait for the statement after them. ELSEIF places it itself, after its jump.
  if (branch == &Compiler::CompileElse || branch == &Compiler::CompileEnd || branch == &Compiler::CompileElseIf)
    return run();
  if (branch != &Compiler::CompileDim && branch != &Compiler::CompileConst) {
    EmitDueBreak();
    return run();
  }
  // CONST DEVICE must stand before any code, a break included; it compiles none anyway.
  if (branch == &Compiler::CompileConst) {
    const AnsiText keyword = Token;
    PeekToken();
    const bool device = Token == u"DEVICE";
    Token = keyword;
    if (device) return run();
  }
  // A declaration compiles code only now and then (a STRING's size, a constant array behind its
  // jump); when it compiles none there is nothing to stop at and the break is taken back.
  const long at = CodeAddr;
  const std::uint8_t byte_at = Code.Get(at);
  const int line_after = Code.LineOf(at + 1);
  const std::vector<int> due = breaks_due_;
  const size_t placed = BreakPlacements.size();
  EmitDueBreak();
  const int r = run();
  if (r >= 0 && CodeAddr == at + 1) {
    CodeAddr = at;
    Code.Set(at, byte_at);
    Code.SetLine(at + 1, line_after);
    BreakPlacements.resize(placed);
    breaks_due_ = due;
  }
  return r;
}

void Compiler::SetOutcomeFromError(bool caret) {
  Outcome.result = 1;
  Outcome.line = LineNo;
  Outcome.caret = caret;
  Outcome.message = {ErrMsgEn, ErrMsgKo};
}

int Compiler::RunLines() {
  AnsiText line;
  while (ReadPhysicalLine(line)) {
    bool bad = LastLineBad();
    SrcLine = std::move(line);
    // A line that ends in "_" goes on on the next physical line.
    while (!SrcLine.empty() && SrcLine.back() == u'_') {
      AnsiText next;
      SrcLine.pop_back();
      if (!ReadPhysicalLine(next)) break;
      ++LineNo;
      bad = bad || LastLineBad();
      size_t skip = 0;
      if (skip < next.size() && next[skip] == u'\t') ++skip;
      if (skip < next.size() && next[skip] == u'\t') ++skip;
      while (skip < next.size() && next[skip] == u' ') ++skip;
      SrcLine += u' ';
      SrcLine.append(next, skip);
    }
    // Breakpoints on any physical line up to this one wait for this line's first statement.
    while (break_next_ < break_requests_.size() && break_requests_[break_next_] <= LineNo)
      breaks_due_.push_back(break_requests_[break_next_++]);
    if (bad) {
      Fail(kMsgBadCharacter);
      SetOutcomeFromError(true);
      return 1;
    }
    if (CompileLine() != 0) {
      SetOutcomeFromError(true);
      return 1;
    }
    ++LineNo;
  }
  return 0;
}

int Compiler::FinishProgram() {
  // The program ends in a jump to itself.
  MarkLine();
  const long end = CodeAddr;
  Emit(isa::Opcode::kGoto);
  Emit(static_cast<int>(end & 0xFF));
  Emit(static_cast<int>((end >> 8) & 0xFF));
  if (CapacityError || CodeAddr - 1 > CodeImage::kLastAddr) {
    Fail(kMsgCodeTooLarge);
    SetOutcomeFromError(false);
    Outcome.line = LineNo - 1 > 0 ? LineNo - 1 : 1;
    return 1;
  }

  if (IfState != 0) {
    Outcome = {};
    Outcome.line = IfLine;
    const core::MessageRow& row = core::RowOf(core::MessageCode::kIfWithoutEndIf);
    Outcome.message = {row.en + Str(IfLine), row.ko + Str(IfLine)};
    return 1;
  }

  for (const FixupEntry& fix : Fixups) {
    const long a = FindLabel(fix.FixName);
    if (a == -1) {
      ErrMsgEn = "Invalid label : " + Utf8(fix.FixName);
      Outcome = {};
      Outcome.line = fix.FixLine;
      Outcome.message = {ErrMsgEn, ErrMsgEn};
      return 1;
    }
    Code.Set(fix.FixAddr, static_cast<std::uint8_t>(a % 256));
    Code.Set(fix.FixAddr + 1, static_cast<std::uint8_t>((a / 256) % 256));
  }
  return 0;
}

void Compiler::StartBreakpoints() {
  BreakPlacements.clear();
  breaks_due_.clear();
  break_next_ = 0;
  break_requests_.clear();
  std::vector<int> lines = BreakLines;
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  for (const int line : lines) {
    if (line < 1)
      BreakPlacements.push_back({line, 0});  // no such line
    else
      break_requests_.push_back(line);
  }
}

int Compiler::CompileSource(std::string_view source_bytes) {
  Outcome = {};
  ResetTables();
  SourceLines source = SplitSource(source_bytes);
  lines_ = std::move(source.lines);
  bad_lines_.assign(source.bad_lines.begin(), source.bad_lines.end());
  next_line_ = 0;
  StartBreakpoints();

  int result = RunLines();
  if (result == 0) {
    // Breakpoints after the last statement have nowhere to go.
    for (const int requested : breaks_due_) BreakPlacements.push_back({requested, 0});
    for (; break_next_ < break_requests_.size(); ++break_next_) BreakPlacements.push_back({break_requests_[break_next_], 0});
    breaks_due_.clear();
    result = FinishProgram();
  }
  lines_.clear();
  bad_lines_.clear();
  // A failed compile leaves no breakpoint waiting for a line compiled on its own afterwards.
  breaks_due_.clear();
  break_requests_.clear();
  break_next_ = 0;
  if (result != 0) return 1;
  Outcome.result = 0;
  CompiledOK = true;
  return 0;
}

int Compiler::CompileProgram(std::string_view document_bytes) {
  const size_t keep = SourcePath.size() >= 4 ? SourcePath.size() - 4 : 0;
  TempSourcePath = SourcePath.substr(0, keep) + ".$$$";
  auto open_error = [this](const std::string& reason) {
    Outcome = {};
    Outcome.open_error = true;
    Outcome.message = OpenError(TempSourcePath, reason);
    return 1;
  };
  // A document named like its own compile copy ("PROG.$$$") would be written over by it.
  if (core::SameFile(TempSourcePath, SourcePath)) return open_error("Same file as the input");
  // A copy that cannot be written is reported without a reason, as it always has been.
  if (!core::ReplaceFile(TempSourcePath, document_bytes).ok()) return open_error("");
  const core::FileRead copy = core::ReadFile(TempSourcePath, core::FileKind::kSource);
  if (!copy.ok()) return open_error(copy.error.Reason());
  if (CompileSource(copy.bytes) != 0) return 1;
  BuildLineIndex();
  return 0;
}

void Compiler::BuildLineIndex() {
  LineOffset.assign(kLineIndexSize, 0);
  CompileCopy.clear();
  if (TempSourcePath.empty()) return;
  const core::FileRead copy = core::ReadFile(TempSourcePath, core::FileKind::kSource);
  if (!copy.ok()) {
    Outcome.message = OpenError(TempSourcePath, copy.error.Reason());
    return;
  }
  const SourceLines source = SplitSource(copy.bytes);
  long pos = 1;
  int n = 1;
  for (const AnsiText& s : source.lines) {
    if (n < kLineIndexSize) LineOffset[static_cast<size_t>(n)] = pos;
    pos += AnsiLength(s) + 2;
    ++n;
  }
  LineCountPlus1 = n;
  // Blank lines after the last one let the debugger's source window read past the end.
  std::string padded = copy.bytes;
  for (int i = 0; i < 61; ++i) padded += " \r\n";
  CompileCopy = padded;
  core::ReplaceOptions keep_source;
  keep_source.inputs = {SourcePath};
  if (const core::FileError e = core::ReplaceFile(TempSourcePath, padded, keep_source); !e.ok())
    Outcome.message = OpenError(TempSourcePath, e.Reason());
}

}  // namespace vn::compiler
