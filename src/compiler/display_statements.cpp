// Display and melody statements: the character display (PRINT, CLS, CSRON, CSROFF, LCDINIT,
// LOCATE) and sound on a port (PLAY with its melody text, SOUND, BEEP).
#include <cstdint>
#include <iterator>
#include <optional>

#include "compiler/arguments.h"
#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

// ---- Messages ---------------------------------------------------------------------------
const Msg kLocateComma{"Syntax Error ! Example: LOCATE 0,0", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kPlayPort{"Syntax Error in Port Number ! Example: PLAY 5, PlayData",
                    "문법에러 : 포트번호가 없습니다. 올바른 예 : PLAY 5, playdata"};
const Msg kPlayComma{"Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 쉼표를 찾을 수 없습니다."};
const Msg kPlayQuote{"Syntax Error ! Example: PLAY 5, PlayData", "문법에러 : 따옴표를 찾을 수 없습니다."};
const Msg kPlayData{"Syntax Error in Play Data ! ", "문법에러 : PLAY데이터에 오류가 있습니다."};
const Msg kSoundComma{"Syntax Error !", "문법에러 : 쉼표를 찾을 수 없습니다."};
const char* const kBeepOperand = "No Defined Variable or Wrong Constant !";

// ---- Opcodes ----------------------------------------------------------------------------
using isa::Opcode;

// What closes PLAY, SOUND and BEEP: the byte 0 on VN, the constant-0 operand on VNM.
constexpr std::uint8_t kEndSoundVn = isa::kEndOfList;
constexpr std::uint8_t kEndSoundVnm = kConst0;

// BEEP is PLAY with one fixed note: the note code 18 and the length code 2.
constexpr std::uint8_t kBeepNote = 18;
constexpr std::uint8_t kBeepLength = 2;
const std::uint8_t kBeepTailVn[] = {kBeepNote, kBeepLength, kEndSoundVn};
const std::uint8_t kBeepTailVnm[] = {kConstByte, kBeepNote, kConstByte, kBeepLength, kEndSoundVnm};

// ---- Melody tables ----------------------------------------------------------------------
// Note index to note code: three octaves of twelve semitones from C ("-", none, "+").
constexpr int kOctaveLow = 0;
constexpr int kOctaveMiddle = 12;
constexpr int kOctaveHigh = 24;
constexpr int kRestIndex = 99;
const std::uint8_t kNoteCodes[36] = {
    239, 225, 213, 201, 190, 179, 169, 159, 150, 142, 134, 126,  // - octave
    119, 113, 106, 100, 95,  89,  84,  80,  75,  71,  67,  63,   // middle octave
    60,  56,  53,  50,  47,  45,  42,  39,  37,  35,  33,  32,   // + octave
};

// Length digit "0".."9" to length code.
const std::uint8_t kLengthCodes[10] = {64, 48, 32, 24, 16, 12, 8, 6, 4, 2};

// Note names, as a capital letter or as the Korean syllable (its code page 949 code,
// lead * 256 + trail), with the semitone step they add; the rest sets the index instead.
struct NoteName {
  char16_t letter;
  char16_t syllable;
  int step;  // semitones added to the note index; -1 for the rest
};
const NoteName kNoteNames[] = {
    {u'C', 0xB5B5, 0},   // 도
    {u'D', 0xB7B9, 2},   // 레
    {u'E', 0xB9CC, 4},   // 미
    {u'F', 0xC6C4, 5},   // 파
    {u'G', 0xBCD6, 7},   // 솔
    {u'A', 0xB6F3, 9},   // 라
    {u'B', 0xBDC3, 11},  // 시
    {u'R', 0xBDB0, -1},  // 쉼 (rest)
};

const NoteName* FindNoteName(char16_t c) {
  for (const auto& n : kNoteNames)
    if (c == n.letter || c == n.syllable) return &n;
  return nullptr;
}

// Note code of a note index; nullopt for an index without a note (36..98, above 99), which
// would otherwise reach the module as the meaningless code 0.
std::optional<std::uint8_t> NoteCode(int index) {
  if (index == kRestIndex) return isa::kRestNote;
  if (index >= 0 && index < static_cast<int>(std::size(kNoteCodes))) return kNoteCodes[index];
  return std::nullopt;
}

// "#" and letters only ever raise the index; beyond this it can no longer name a note, and
// the cap keeps a long run of "#" from overflowing.
constexpr int kIndexCap = 1000;

// An operand failure keeps the operand compiler's message; one that set none gets ours.
int OperandFailed(Compiler& c) {
  if (c.ErrMsgEn.empty()) return c.Fail(kMsgInvalidConstant);
  return -1;
}

}  // namespace

int Compiler::CompilePrint() {
  MarkLine();
  Emit(Opcode::kPrint);
  return CompileOutputList();
}

int Compiler::CompileLocate() {
  MarkLine();
  Emit(Opcode::kLocate);
  NextToken();
  if (ParseOperand(Token) != 0) return OperandFailed(*this);
  FlushPending();
  NextToken();
  if (Token != u",") return Fail(kLocateComma);
  NextToken();
  if (ParseOperand(Token) != 0) return OperandFailed(*this);
  FlushPending();
  return 0;
}

int Compiler::CompilePlay() {
  MarkLine();
  Emit(Opcode::kPlay);
  NextToken();
  if (Token == u"\"") return Fail(kPlayPort);
  if (ParseOperand(Token) != 0) return OperandFailed(*this);
  if (CheckPortOperand() != 0) return -1;
  FlushPending();
  NextToken();
  if (Token != u",") return Fail(kPlayComma);
  NextToken();
  if (Token != u"\"") return Fail(kPlayQuote);

  // The melody text is read character by character, not as tokens: letters must be written
  // as capitals, and nothing (not even a blank) may stand between notes.
  const bool vnm = Device.DeviceKind == 2;
  int index = kOctaveMiddle;
  bool open_note = false;  // a sign, name or "#" still waiting for its length digit
  for (;;) {
    if (ScanPos >= ScanEnd) return Fail(kPlayData);  // no closing quote
    const char16_t c = CharAt(ScanPos);
    ++ScanPos;
    if (c == u'"') {
      // A note without its length would be dropped without a word; refuse it instead.
      if (open_note) return Fail(kPlayData);
      break;
    }
    open_note = true;
    if (c == u'+') {
      index = kOctaveHigh;
    } else if (c == u'-') {
      index = kOctaveLow;
    } else if (c == u'#') {
      if (index < kIndexCap) ++index;
    } else if (const NoteName* name = FindNoteName(c)) {
      if (name->step < 0) index = kRestIndex;
      else if (index < kIndexCap) index += name->step;
    } else {
      // Any other character ends the note and must be its length digit.
      const auto note = NoteCode(index);
      if (!note || c < u'0' || c > u'9') return Fail(kPlayData);
      if (vnm) Emit(kConstByte);
      Emit(*note);
      if (vnm) Emit(kConstByte);
      Emit(kLengthCodes[c - u'0']);
      index = kOctaveMiddle;
      open_note = false;
    }
  }
  Emit(vnm ? kEndSoundVnm : kEndSoundVn);
  return 0;
}

int Compiler::CompileSound() {
  const bool vnm = Device.DeviceKind == 2;
  MarkLine();
  Emit(vnm ? Opcode::kPlay : Opcode::kSoundVn);
  NextToken();
  if (ParseOperand(Token) != 0) return OperandFailed(*this);
  if (CheckPortOperand() != 0) return -1;
  FlushPending();
  for (;;) {
    const int before = ScanPos;
    NextToken();
    // ELSE ends the statement as well, so that SOUND can stand before the ELSE of a
    // single-line IF; the end-of-statement step reads the token again.
    if (EndsStatement(Token)) {
      Emit(vnm ? kEndSoundVnm : kEndSoundVn);
      ScanPos = before;
      return 0;
    }
    if (Token != u",") return Fail(kSoundComma);
    NextToken();
    if (ParseOperand(Token) != 0) return OperandFailed(*this);
    FlushPending();
  }
}

int Compiler::CompileBeep() {
  MarkLine();
  Emit(Opcode::kPlay);
  NextToken();
  if (ParseOperand(Token) != 0) {
    if (ErrMsgEn.empty()) ErrMsgKo = kMsgInvalidConstant.ko;
    ErrMsgEn = kBeepOperand;
    return -1;
  }
  if (CheckPortOperand() != 0) return -1;
  FlushPending();
  if (Device.DeviceKind == 2) {
    for (std::uint8_t b : kBeepTailVnm) Emit(b);
  } else {
    for (std::uint8_t b : kBeepTailVn) Emit(b);
  }
  return 0;
}

}  // namespace vn::compiler
