// The BASIC compiler: one pass from source lines to the module's byte code, with the
// variable, constant and label tables, the line map and the line index that the link, the
// debugger and the views read after a compile.
//
// All state of a compile lives in a Compiler. Members keep the names the module's
// documentation uses (CodeAddr, PendBuf, VarName, ...), so that the two can be read side by
// side. Routines follow the documented convention: 0 on success, -1 on a compile error with
// ErrMsgEn / ErrMsgKo set; the driver returns 0 or 1.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/code_image.h"
#include "core/devices.h"
#include "core/messages.h"
#include "core/text.h"
#include "isa/isa.h"

namespace vn::platform {
class CodePage;
}  // namespace vn::platform

namespace vn::compiler {

struct Statement;

// A variable's type code is its operand descriptor, so the descriptors are the compiler's
// own vocabulary.
using namespace isa::descriptor;

// The code image, the messages and the text helpers live in the core, below the link and the
// virtual module, which use them too. Every statement family of the compiler writes them
// unqualified, hundreds of times, so they are named here as well.
using core::Ansi;
using core::AnsiLength;
using core::AnsiText;
using core::CodeImage;
using core::DecodeAnsi;
using core::EncodeAnsi;
using core::Hex;
using core::IsDoubleByte;
using core::kErrorTitle;
using core::kMessageTitle;
using core::kMsgBadCharacter;
using core::kMsgCodeTooLarge;
using core::kMsgCommandVn;
using core::kMsgInvalidConstant;
using core::kMsgInvalidParameter;
using core::kMsgNotAConstant;
using core::kMsgTooComplex;
using core::kNowCompile;
using core::kSyntaxOk;
using core::Msg;
using core::SourceLines;
using core::SplitSource;
using core::Str;
using core::UpperCase;
using core::Val;

// The target device as the device menu and CONST DEVICE leave it. It outlives a compile.
struct DeviceSettings {
  std::string DeviceSeries = "KX";  // "KX", "LX", "NX" or "WX"
  int DeviceKind = 1;               // 1 = VN series, 2 = VNM series
  int NextVarAddr = 160;            // first free variable address
  int VarAddrLimit = 256;           // exclusive upper limit of variable memory
  int AddrWidth = 1;                // bytes of a variable address in the code
  std::string DeviceItem = "KF";    // the device menu item that is checked ("" for none)
};

// A row of the device table that CONST DEVICE and the command line accept.
using DeviceCodeInfo = core::DeviceInfo;
using core::FindDeviceCode;
// Applies a device code completely (series, kind, memory parameters, menu item).
void ApplyDeviceCode(DeviceSettings& device, const DeviceCodeInfo& info);

struct VarEntry {
  AnsiText VarName;  // upper-cased name
  int VarType = 0;   // type code, which is also the operand descriptor
  int VarAddr = 0;   // address of the first byte in variable memory
  int VarDim = 0;    // declared number of elements; 0 for a scalar
};

struct ConstEntry {
  AnsiText ConstName;    // upper-cased name ("DEVICE" for the device declaration)
  AnsiText ConstText;    // value text as written, re-read at every use
  int ConstArrKind = 0;  // 0 scalar; element size 1, 2 or 4 of a constant array
  int ConstArrAddr = 0;  // code address of a constant array's first data byte
  int ConstArrLen = 0;   // number of data bytes of a constant array
};

struct LabelEntry {
  AnsiText LabelName;
  long LabelAddr = 0;
};

struct FixupEntry {
  AnsiText FixName;  // label referred to
  long FixAddr = 0;  // code address of the two-byte slot
  int FixLine = 0;   // source line of the reference, for the error report
};

// How a compile ended, for the front end to show.
struct CompileOutcome {
  int result = 1;        // 0 compiled, 1 failed
  bool open_error = false;  // the compile copy could not be written or read
  int line = 0;          // line to put the caret on / to report (0: none)
  bool caret = false;    // the IDE moves the caret to `line` (errors inside a line)
  Msg message;           // the message to show (both languages)
};

// Where a breakpoint asked for on a source line went: the line whose first statement begins
// with the break instruction, or 0 when no statement follows from that line to the end.
struct BreakPlacement {
  int requested = 0;
  int line = 0;
  bool moved() const { return line != requested; }
  bool operator==(const BreakPlacement&) const = default;
};

// The module's SINGLE form of x: IEEE 754 single precision with the significand truncated,
// not rounded; nullopt when x is beyond the SINGLE range.
std::optional<std::uint32_t> EncodeSingle(double x);

class Compiler {
 public:
  // A statement keyword's compile step.
  using Branch = int (Compiler::*)();

  // Capacities of the tables. Going past one is a compile error of its own.
  static constexpr int kMaxVars = 5001;
  static constexpr int kMaxConsts = 5001;
  static constexpr int kMaxLabels = 10001;
  static constexpr int kMaxFixups = 10001;
  static constexpr int kPendSize = 1025;
  static constexpr int kOperandSlots = 51;
  static constexpr int kOperandSlotSize = 255;
  static constexpr int kStackSize = 51;  // FOR and IF stacks, entries 0..50
  static constexpr int kLineIndexSize = 32001;
  // Deepest nesting of operands inside operands (array and constant array indexes, function
  // arguments), and of parentheses in an expression. The operand parsers recurse once per
  // level, so the bound keeps a hostile line from exhausting the stack; no real program comes
  // near it.
  static constexpr int kMaxNesting = 64;

  Compiler();
  ~Compiler();
  Compiler(const Compiler&) = delete;
  Compiler& operator=(const Compiler&) = delete;

  // ---- Driver -----------------------------------------------------------------------------
  // Writes the document's text (code page 949 bytes with CR LF line ends, as the editor saves
  // it) to the compile copy beside SourcePath, compiles it and builds the line index. Returns
  // 0 or 1; Outcome says what to show.
  int CompileProgram(std::string_view document_bytes);
  // Compiles source file bytes without any file of its own (no compile copy, no line index).
  int CompileSource(std::string_view source_bytes);
  // Compiles SrcLine: 0, or -1 with ErrMsgEn / ErrMsgKo set.
  int CompileLine();
  long FindLabel(const AnsiText& name) const;
  void BuildLineIndex();
  // The message of the last failed compile in the interface language.
  const std::string& OutcomeText() const;

  // A statement branch's result when another statement follows at ScanPos (after a label,
  // after THEN or ELSE).
  static constexpr int kContinueStatement = 1;

  // Reads the next physical source line into `line`; false at the end of the source.
  bool ReadPhysicalLine(AnsiText& line);
  // True when the line last read held a character that code page 949 cannot hold.
  bool LastLineBad() const;
  // Enters a label at CodeAddr without the duplicate check.
  int DefineLabel(const AnsiText& name);
  // Append to the variable and constant tables; -1 (a capacity error) when full.
  int AddVar(VarEntry entry);
  int AddConst(ConstEntry entry);

  // ---- Code image -------------------------------------------------------------------------
  void EmitByte(int b);
  void Emit(int b) { EmitByte(b); ++CodeAddr; }
  void MarkLine();
  void ClearHeader();
  void FlushPending();
  void PendShift(int n);
  void SavePending();
  void PrependSaved();
  void PushOperand(int k);
  void LoadOperand(int k);
  int AddFixup(const AnsiText& name);
  // Appends one byte to PendBuf (a full buffer is a compile error).
  void PendPush(int b);

  // ---- Scanner and constants --------------------------------------------------------------
  void NextToken();
  // Reads the next token and puts ScanPos back; Token holds it.
  void PeekToken();
  // Character at 1-based position `pos` of SrcLine; a blank past the end.
  char16_t CharAt(int pos) const;
  int FindVar(const AnsiText& name) const;
  int FindConst(const AnsiText& name) const;
  int EncodeConstant(AnsiText token);
  int ParseOperand(const AnsiText& token);
  long ConstValue(const AnsiText& token);
  // ConstValue that tells -1 from "not a constant": nullopt for the latter (messages set).
  std::optional<long> ConstValueOpt(const AnsiText& token);
  int ReadStringLiteral();
  int CheckPortOperand();
  // Integer encoding of v into PendBuf (replacing it).
  void EncodeInteger(long v);
  // The value of the constant operand in PendBuf (SINGLE: its bit pattern); nullopt for
  // any other operand.
  std::optional<long> PendingConstantValue() const;
  // True when nothing but blanks is left on the line after ScanPos.
  bool RestIsBlank() const;
  // Enters one more level of operand nesting before a parser reads the operands inside an
  // operand: 0, or -1 when that would pass kMaxNesting, with "Statement Too Complex" recorded
  // as the line's error (so that the enclosing parsers' own messages cannot replace it).
  // Every 0 is paired with a LeaveNesting(); NestingLevel does the pairing.
  int EnterNesting();
  void LeaveNesting() { --NestDepth; }

  // ---- Symbols and declarations -----------------------------------------------------------
  static bool ValidName(const AnsiText& token);
  int CompileDim();
  int CompileConst();
  int CompileLabel();

  // ---- Expressions and functions ----------------------------------------------------------
  int ParseVariable(const AnsiText& token);
  int CompileAssignment();
  int ParseFunctionOperand(const AnsiText& token);

  // ---- Statement branches: entered with the keyword in Token; 0, kContinueStatement or -1.
  // Control flow (control_flow.cpp).
  int CompileGoto();
  int CompileGosub();
  int CompileBreak();
  int CompileFor();
  int CompileNext();
  int CompileIf();
  int CompileElse();
  int CompileElseIf();
  int CompileEndIfWord();  // "ENDIF" written as one word
  int CompileEnd();
  int CompileOn();
  // "ELSE" met after a statement (single-line IF).
  int ElseAfterStatement();
  // Closes the innermost single-line IF at the end of its line.
  void CloseSingleLineIf();
  // Emits the break instruction of the breakpoints waiting for a statement, if any, at CodeAddr
  // (where the statement about to be compiled begins) and records where they went.
  void EmitDueBreak();
  // Port, pulse and timing statements (port_statements.cpp).
  int CompilePoke();
  int CompileOut();
  int CompileHigh();
  int CompileLow();
  int CompileByteOut();
  int CompileToggle();
  int CompileServo();
  int CompilePulseOut();
  int CompilePulse();
  int CompileEeWrite();
  int CompileTimeSet();
  int CompileShiftOut();
  int CompileStepOut();
  int CompileFreqOut();
  int CompilePwm();
  int CompilePwmOff();
  int CompileDacOut();
  // Serial and bus statements (serial_statements.cpp).
  int CompileGet();
  int CompileSerIn();
  int CompileSerOut();
  int CompileBusOut();
  int CompilePut();
  int CompileBclr();
  int CompileSet();
  // The output item list of SEROUT, BUSOUT, PUT and PRINT, entered after their fixed arguments.
  int CompileOutputList();
  // Display and melody statements (display_statements.cpp).
  int CompilePrint();
  int CompileLocate();
  int CompilePlay();
  int CompileSound();
  int CompileBeep();

  // ---- Errors -----------------------------------------------------------------------------
  // Sets both texts and returns -1.
  int Fail(const Msg& m);
  // A message that has an English text only: shown in English in both languages.
  int FailEn(const std::string& en);
  // Records that a capacity was exceeded; the statement loop turns it into the line's error.
  void Overflow(const Msg& m);
  // The token as UTF-8, for messages.
  std::string Utf8(const AnsiText& text) const;

  // ---- State ------------------------------------------------------------------------------
  DeviceSettings Device;        // target device; persists across compiles
  std::string SourcePath;       // current source document
  std::string TempSourcePath;   // compile copy: SourcePath less 4 characters, plus ".$$$"
  bool UseKorean = false;       // messages in Korean
  bool CompiledOK = false;      // set by a successful compile
  CompileOutcome Outcome;       // how the last compile ended
  // Breakpoints: 1-based source lines whose first statement is to begin with the break
  // instruction, as if a BREAK stood there, while the source and its line numbers stay as they
  // are. A line without a statement hands its breakpoint on to the next line that has one. An
  // input to every compile (any order, repeats allowed); empty leaves the code as it was.
  std::vector<int> BreakLines;
  // Where each distinct requested line went, ascending, after a successful compile.
  std::vector<BreakPlacement> BreakPlacements;

  AnsiText SrcLine;             // current logical line
  int LineNo = 1;               // 1-based physical line being compiled
  std::string ErrMsgEn, ErrMsgKo;
  std::optional<Msg> CapacityError;  // first capacity exceeded on the current line

  int NestDepth = 0;            // operand nesting levels open on the current line

  AnsiText Token;               // last token read, upper-cased; empty at the end of the line
  int ScanPos = 1;              // 1-based position of the next character of SrcLine
  int ScanEnd = 1;              // length of SrcLine + 1
  char16_t CurChar = u' ';      // the character just read
  int TokenStart = 1;           // where the last token began (to put it back)

  CodeImage Code;               // code image and line map
  long CodeAddr = isa::kProgramStart;  // next free code address

  std::array<std::uint8_t, kPendSize> PendBuf{};
  int PendLen = 0;
  std::array<std::uint8_t, kPendSize> SaveBuf{};
  int SaveLen = 0;
  struct OperandSlot {
    std::array<std::uint8_t, kOperandSlotSize> bytes{};
    int len = 0;
  };
  std::array<OperandSlot, kOperandSlots> OperandStack{};

  std::vector<VarEntry> Vars;       // VarCount == Vars.size()
  std::vector<ConstEntry> Consts;   // ConstCount == Consts.size()
  std::vector<LabelEntry> Labels;   // LabelCount == Labels.size()
  std::vector<FixupEntry> Fixups;   // FixCount == Fixups.size()
  int VarCount() const { return static_cast<int>(Vars.size()); }
  int ConstCount() const { return static_cast<int>(Consts.size()); }
  int LabelCount() const { return static_cast<int>(Labels.size()); }
  int FixCount() const { return static_cast<int>(Fixups.size()); }
  int VarBytesUsed = 0;
  bool HangulKS = false;        // string constants in KS5601 (code page 949) bytes

  // Control flow (FOR/NEXT, IF blocks) and the seen flags of the handlers.
  int ForDepth = 0;
  int ForCounter = 0;
  AnsiText ForVarName;
  std::array<AnsiText, kStackSize> ForIdStack{};
  std::array<AnsiText, kStackSize> ForVarStack{};
  int IfDepth = 0;
  int IfCounter = 10;
  std::array<AnsiText, kStackSize> IfIdStack{};
  std::array<int, kStackSize> IfPartStack{};
  int IfState = 0;              // 0 none, 1 single-line IF open, 2 inside an IF block
  int IfLine = 0;
  bool OnIntSeen = false, OnTimerSeen = false, OnRecvSeen = false, Rs232Seen = false;

  // ---- State of the port statements (reset in ResetTables) ----

  // ---- State of the serial and bus statements (reset in ResetTables) ----

  // ---- State of the display and melody statements (reset in ResetTables) ----

  // Line index of the compile copy.
  std::vector<long> LineOffset;  // LineOffset[n]: 1-based byte position of line n
  int LineCountPlus1 = 0;
  // The compile copy's bytes as BuildLineIndex wrote them (blank lines included): the debugger
  // shows these, so that the file changing on disk after the compile changes nothing it shows.
  std::string CompileCopy;

 private:
  void ResetTables();
  int RunLines();
  int FinishProgram();
  void SetOutcomeFromError(bool caret);
  // Takes the requests of BreakLines for a new compile.
  void StartBreakpoints();
  // Compiles the statement of a keyword, with the breakpoints that wait for it placed before it
  // (or left waiting when the statement runs nothing of its own there).
  // One statement of the keyword table: its own branch, or the table's row of argument rules.
  int StatementWithBreak(Branch branch, const Statement* row);

  // Breakpoints of the compile under way: the requests in order, the next one not yet reached,
  // and the ones reached that wait for the first statement.
  std::vector<int> break_requests_;
  size_t break_next_ = 0;
  std::vector<int> breaks_due_;

  std::vector<AnsiText> lines_;  // physical lines of the source being compiled
  size_t next_line_ = 0;         // index of the next line to read
  std::vector<int> bad_lines_;   // 1-based lines with characters code page 949 cannot hold
  std::unordered_map<AnsiText, int> var_index_;    // name -> first entry
  std::unordered_map<AnsiText, int> const_index_;  // name -> first entry
  std::unordered_map<AnsiText, int> label_index_;  // name -> first entry
  platform::CodePage* code_page_;
};

// One level of operand nesting for the lifetime of the object (see Compiler::EnterNesting).
class NestingLevel {
 public:
  explicit NestingLevel(Compiler& c) : c_(c), entered_(c.EnterNesting() == 0) {}
  ~NestingLevel() {
    if (entered_) c_.LeaveNesting();
  }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;
  // False when the level was refused; the parser then returns -1 without reading further.
  bool entered() const { return entered_; }

 private:
  Compiler& c_;
  bool entered_;
};

// Rows of the object code view: address in hexadecimal, " : ", eight bytes each followed by
// a blank; rows start at multiples of 8 and run while the row's address is below `end`.
std::vector<std::string> CodeRows(const CodeImage& code, long end, long first_row = 0);

}  // namespace vn::compiler
