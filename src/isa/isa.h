// The module's instruction set: the layout of the code image and of the module's RAM, the
// byte code (statement opcodes, operand descriptors, operators, function codes and the
// statements' own sub-codes) and the command bytes of the wire. The compiler writes these
// bytes, the virtual module's interpreter reads them, the debugger and the link look at them;
// each one is defined here and nowhere else.
//
// Each kind of code is a plain enum in a namespace of its own: a code is its byte wherever
// code is written or read, and the namespaces keep apart names that two kinds share
// (Opcode::kBreak and WireCommand::kBreak, Operator::kAnd in an expression and in a
// condition). The operand descriptors alone sit directly in vn::isa, since a variable's type
// code is its descriptor and the compiler uses them as plain numbers throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace vn::isa {

// ---- The code image ---------------------------------------------------------------------------

inline constexpr long kHeaderSize = 24;             // bytes 0..23 hold no code
inline constexpr std::uint8_t kHeaderFill = 0x20;   // what the compiler writes into them
inline constexpr std::uint32_t kProgramStart = 24;  // the first instruction; a reset goes here
inline constexpr long kLastCodeAddr = 64000;        // the code limit: the highest code address
static_assert(kProgramStart == kHeaderSize);

// ---- The module's RAM -------------------------------------------------------------------------

inline constexpr long kVnRamSize = 256;
inline constexpr int kVnRamBase = 160;  // VN: the first variable address
// VN: a status reply carries the RAM from kVnRamBase to its end.
inline constexpr int kVnStatusRamBytes = static_cast<int>(kVnRamSize) - kVnRamBase;
inline constexpr long kVnmRamSize = 32768;

// ---- Statement opcodes: the first byte of every instruction ------------------------------------

namespace opcode {
enum Opcode : std::uint8_t {
  kIf = 0x80,        // IF and ELSEIF: the false branch's address, then the condition
  kEeWrite = 0x81,
  kPlay = 0x82,      // PLAY and BEEP; SOUND on the VNM series
  kBusOut = 0x83,
  kSoundVn = 0x84,   // SOUND on the VN series ...
  kOnGosubVnm = 0x84,  // ... and ON variable GOSUB on the VNM series
  kFor = 0x85,       // FOR's first assignment (VNM: then a jump into the body)
  kNextVn = 0x86,    // VN: NEXT counts and jumps back to the loop test (VNM: a kGoto)
  kForTest = 0x87,   // the loop test at TO (VNM: it counts too)
  kGoto = 0x88,      // GOTO, the jumps of ELSE and ELSEIF, the end of the program
  kGosub = 0x89,
  kToggle = 0x8A,
  kOnGoto = 0x8B,
  kOnInt = 0x8C,
  kOnTimer = 0x8D,
  kDelay = 0x8E,
  kBreak = 0x8F,
  kReturn = 0x90,
  kAssign = 0x91,    // an assignment; also the length of a DIM ... AS STRING
  kPrint = 0x92,
  kCls = 0x93,
  kLocate = 0x94,
  kPwmOff = 0x95,
  kOut = 0x96,       // OUT, HIGH and LOW
  kPwm = 0x97,
  kCsrOn = 0x98,
  kCsrOff = 0x99,
  kSerOut = 0x9A,
  kSerIn = 0x9B,
  kLcdInit = 0x9C,
  kGet = 0x9D,
  kPulse = 0x9E,
  kByteOut = 0x9F,
  kPoke = 0xA0,
  kShiftOut = 0xA1,
  kStepOut = 0xA2,
  kFreqOut = 0xA3,
  kTimeSet = 0xA4,
  kReset = 0xA5,
  kSet = 0xA6,       // SET: on the VNM series a SetSwitch code follows
  kServo = 0xA7,     // SERVO and PULSEOUT ...
  kPut = 0xA7,       // ... and PUT on the VNM series, told apart by what follows
  kOnRecv = 0xA8,
  kDacOut = 0xA9,
  kBclr = 0xAA,
};
}  // namespace opcode
using opcode::Opcode;

// Every byte from here up starts an instruction; operands stay below.
inline constexpr std::uint8_t kFirstOpcode = 0x80;

// What a trace shows for each opcode, in byte order from kFirstOpcode (bytes that share an
// opcode share a row).
struct OpcodeInfo {
  Opcode code;
  const char* name;
};
inline constexpr OpcodeInfo kOpcodeTable[] = {
    {Opcode::kIf, "IF"},           {Opcode::kEeWrite, "EEWRITE"},   {Opcode::kPlay, "PLAY"},
    {Opcode::kBusOut, "BUSOUT"},   {Opcode::kSoundVn, "SOUND/ON GOSUB"}, {Opcode::kFor, "FOR"},
    {Opcode::kNextVn, "NEXT"},     {Opcode::kForTest, "FOR test"},  {Opcode::kGoto, "jump"},
    {Opcode::kGosub, "GOSUB"},     {Opcode::kToggle, "TOGGLE"},     {Opcode::kOnGoto, "ON GOTO"},
    {Opcode::kOnInt, "ON INT"},    {Opcode::kOnTimer, "ON TIMER"},  {Opcode::kDelay, "DELAY"},
    {Opcode::kBreak, "BREAK"},     {Opcode::kReturn, "RETURN"},     {Opcode::kAssign, "assign"},
    {Opcode::kPrint, "PRINT"},     {Opcode::kCls, "CLS"},           {Opcode::kLocate, "LOCATE"},
    {Opcode::kPwmOff, "PWMOFF"},   {Opcode::kOut, "OUT"},           {Opcode::kPwm, "PWM"},
    {Opcode::kCsrOn, "CSRON"},     {Opcode::kCsrOff, "CSROFF"},     {Opcode::kSerOut, "SEROUT"},
    {Opcode::kSerIn, "SERIN"},     {Opcode::kLcdInit, "LCDINIT"},   {Opcode::kGet, "GET"},
    {Opcode::kPulse, "PULSE"},     {Opcode::kByteOut, "BYTEOUT"},   {Opcode::kPoke, "POKE"},
    {Opcode::kShiftOut, "SHIFTOUT"}, {Opcode::kStepOut, "STEPOUT"}, {Opcode::kFreqOut, "FREQOUT"},
    {Opcode::kTimeSet, "TIMESET"}, {Opcode::kReset, "RESET"},       {Opcode::kSet, "SET"},
    {Opcode::kServo, "SERVO/PUT"}, {Opcode::kOnRecv, "ON RECV"},    {Opcode::kDacOut, "DACOUT"},
    {Opcode::kBclr, "BCLR"},
};

constexpr bool TableInByteOrder() {
  for (std::size_t i = 0; i < std::size(kOpcodeTable); ++i)
    if (static_cast<std::size_t>(kOpcodeTable[i].code) != kFirstOpcode + i) return false;
  return true;
}
static_assert(TableInByteOrder(), "kOpcodeTable has one row per opcode byte, in byte order");

// The row of an opcode byte, or null for a byte that starts no instruction.
constexpr const OpcodeInfo* FindOpcode(std::uint8_t byte) {
  if (byte < kFirstOpcode || byte - kFirstOpcode >= static_cast<int>(std::size(kOpcodeTable))) return nullptr;
  return &kOpcodeTable[byte - kFirstOpcode];
}

// The name a trace shows for an opcode byte; "?" for a byte that starts no instruction.
constexpr const char* OpcodeName(std::uint8_t byte) {
  const OpcodeInfo* info = FindOpcode(byte);
  return info != nullptr ? info->name : "?";
}

// Whether the instruction at hand calls a subroutine that returns to the next one, which is
// what the module's Step Over and Step Out run to the end of.
constexpr bool IsCall(std::uint8_t byte, bool vnm) {
  return byte == Opcode::kGosub || (vnm && byte == Opcode::kOnGosubVnm);
}

// ---- Operand descriptors: the first byte of every operand -------------------------------------

// A variable's descriptor is its type code (VarType). "address" is the variable's RAM address,
// one byte on the VN series, two (low first) on the VNM series.
inline namespace descriptor {
enum Descriptor : std::uint8_t {
  kByteArrayVnm = 8,   // VNM: a BYTE array element: the address, then the index operand
  kIntegerArray = 9,   // an INTEGER array element: the address, then the index operand
  kLongArray = 10,     // a LONG array element: the address, then the index operand
  kSingleArray = 11,   // a SINGLE array element: the address, then the index operand
  kSingleConst = 14,   // 4 bytes in the module's floating-point form
  kSingleVar = 15,
  kConst0 = 16,        // the constant 0, nothing follows
  kConst1 = 17,        // the constant 1, nothing follows
  kConstByte = 18,     // a constant 2..255: 1 byte
  kConstWord = 19,     // a constant 256..65535: 2 bytes
  kStringVar = 20,
  kByteVar = 21,
  kIntegerVar = 22,
  kResult = 23,        // the value the preceding step of the expression computed
  kStringConst = 24,   // VNM: the characters, then 0
  kConstLong = 25,     // a 32-bit constant: 4 bytes
  kLongVar = 26,
  kBit = 27,           // one bit: the address, then the bit's mask
  kByteArrayVn = 28,   // VN: a BYTE array element: the address, then the index variable's address
  kConstArray1 = 29,   // a constant array element: the array's code address (2 bytes), then
  kConstArray2 = 30,   // the index operand; elements of 1, 2 or 4 bytes
  kConstArray4 = 31,
};
}  // namespace descriptor

// Whether a byte is one of the descriptors above (the two bytes between kSingleArray and
// kSingleConst are none).
constexpr bool IsDescriptor(std::uint8_t byte) {
  return (byte >= kByteArrayVnm && byte <= kSingleArray) || (byte >= kSingleConst && byte <= kConstArray4);
}

// Byte 0 ends an expression, a condition, an output list and a string constant, and the sound
// lists and SERIN of the VN series.
inline constexpr std::uint8_t kEndOfList = 0x00;

// ---- Operators --------------------------------------------------------------------------------

// Expression operators: one between the two operands of each step of an expression.
namespace operators {
enum Operator : std::uint8_t {
  kAdd = 0x21,
  kSub = 0x22,
  kMul = 0x23,
  kDiv = 0x24,
  kMod = 0x26,
  kAnd = 0x27,  // also joins two comparisons of a condition
  kOr = 0x28,   // also joins two comparisons of a condition
  kXor = 0x2A,
  kShl = 0x2C,
  kShr = 0x2D,
};
}  // namespace operators
using operators::Operator;

// Comparison operators of a condition: one between its two operands.
namespace comparison {
enum Comparison : std::uint8_t {
  kLess = 0x30,
  kGreater = 0x31,
  kLessEq = 0x32,
  kGreaterEq = 0x33,
  kNotEq = 0x34,
  kEq = 0x35,
};
}  // namespace comparison
using comparison::Comparison;

// ---- Function codes: the first byte of a function operand; the arguments follow ---------------

namespace function {
enum Function : std::uint8_t {
  kIn = 192,
  kKeyIn = 193,
  kAdIn = 194,
  kByteIn = 195,
  kEeRead = 196,
  kOutStat = 197,
  kRnd = 198,
  kTable = 199,     // the value count, the index operand, then the values as words
  kCount = 200,
  kPadIn = 201,
  kPeek = 202,
  kShiftIn = 203,
  kAdKeyIn = 204,
  kEpadIn = 205,
  kKeyDelayVn = 205,  // VN: KEYDELAY shares EPADIN's code; a function operand follows it
  kCapture = 206,
  kTime = 207,
  kBcd = 208,
  kLeft = 209,
  kRight = 210,
  kMid = 211,
  kHex = 212,
  kDec = 213,
  kAsc = 215,
  kChr = 216,
  kLen = 221,
  kVal = 222,
  kValHex = 223,
  kCint = 224,
  kClng = 224,      // the same function as CINT
  kCsng = 225,
  kSin = 226,
  kCos = 227,
  kAbs = 228,
  kExp = 229,
  kLog = 230,
  kLog10 = 231,
  kSqr = 232,
  kFloat = 233,
  kValSng = 234,
  kPow = 235,
  kBlen = 236,
  // The VN series has HEX and DEC below 192, on the bytes of kConstLong and kLongVar; the
  // interpreter tells HEX from a 32-bit constant by what follows.
  kHexVn = 25,
  kDecVn = 26,
};
}  // namespace function
using function::Function;

// Every byte from here up is a function code (the VN series' HEX and DEC aside).
inline constexpr std::uint8_t kFirstFunction = 192;

// ---- Sub-codes of single statements -----------------------------------------------------------

// SET on the VNM series: the switch that follows Opcode::kSet (the VN series has only the bus
// and writes its mode straight after the opcode).
namespace set_switch {
enum SetSwitch : std::uint8_t {
  kVarnobus = 0x71,
  kRs232 = 0x72,
  kOnInt = 0x73,
  kOnTimer = 0x74,
  kOnRecv = 0x75,
};
}  // namespace set_switch
using set_switch::SetSwitch;

// SERIN: the clauses after the time-out label (each followed by two bytes) and the count.
namespace serin {
enum SerinCode : std::uint8_t {
  kWaitVn = 0x08,
  kCountVn = 0x09,            // VN: the count of ~N follows (the VNM series writes it bare)
  kUntil = 0x0A,
  kSkip = 0x0B,
  kWaitVnm = Opcode::kBclr,
};
}  // namespace serin
using serin::SerinCode;

// STEPOUT without a stop input: this byte in place of the stop port and level.
inline constexpr std::uint8_t kNoStopInput = 0xFF;

// The note code of a rest in the sound statements.
inline constexpr std::uint8_t kRestNote = 255;

// ---- The wire: the byte that opens each exchange between the PC and the module ----------------

namespace wire {
enum WireCommand : std::uint8_t {
  kIdentifyVn = 0x56,       // VN: the identification; VNM: the main firmware's version
  kIdentifyVnm = 0x67,      // VNM: the second processor's firmware version
  kLoadCode = 0x34,         // download: the length, then the code
  kReadFlash = 0x78,        // read-back: VN the number of pages, VNM the length
  kBreak = 0x12,            // stop the program and send the stop status
  kCheckVariables = 0x9A,   // send the stop status without running
  kStepInto = 0xE1,
  kReset = 0xE2,            // VN: the debugger lets go; VNM: restart and stop again
  kStepOut = 0xE3,
  kModifyVariable = 0xE4,   // the RAM address, the count and the value's bytes follow
  kLeaveDebugVnm = 0x23,
};

inline constexpr std::uint8_t kStatusMarker = 0xA5;     // opens every status reply
inline constexpr std::uint8_t kStopAnnounceVnm = 0xBB;  // a stop the module reports by itself
}  // namespace wire
using wire::WireCommand;

}  // namespace vn::isa
