// Value conversions and the built-in functions.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "isa/isa.h"
#include "sim/interpreter.h"

namespace vn::sim {

namespace {

using isa::Function;

std::string HexAddr(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", v);
  return buf;
}

// The leading decimal number of a text: blanks, a sign, digits; 0 when there is none.
std::int64_t LeadingInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  std::int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > std::numeric_limits<std::uint32_t>::max()) break;
  }
  return neg ? -v : v;
}

std::int64_t Wrap32(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))); }

// Round half away from zero, saturated to the 32-bit range.
std::int64_t RoundToInt(float f) {
  if (std::isnan(f)) return 0;
  const double r = std::round(static_cast<double>(f));
  if (r <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (r >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int64_t>(r);
}

// Digits of v in `base` padded to `width` with '0' or blanks; a wider number keeps all digits.
std::string Padded(std::string digits, bool negative, int width, bool zeros) {
  const size_t w = static_cast<size_t>(std::max(width, 0));
  if (zeros) {
    const size_t room = negative ? (w > 0 ? w - 1 : 0) : w;
    if (digits.size() < room) digits.insert(0, room - digits.size(), '0');
    if (negative) digits.insert(0, 1, '-');
  } else {
    if (negative) digits.insert(0, 1, '-');
    if (digits.size() < w) digits.insert(0, w - digits.size(), ' ');
  }
  return digits;
}

}  // namespace

// ---- Values ---------------------------------------------------------------------------------------

Interpreter::Value Interpreter::Str(std::string_view s) {
  Value v;
  std::string& slot = NewString(v);
  slot.assign(s.substr(0, kMaxStringBytes));
  return v;
}

std::string& Interpreter::NewString(Value& v) {
  if (strings_used_ >= kMaxStrings) {
    SetFault(FaultKind::kTooManyStrings, "more than " + std::to_string(kMaxStrings) +
                                             " string values in the instruction at " + HexAddr(inst_pc_));
    v = {};
    spare_string_.clear();
    return spare_string_;
  }
  if (static_cast<int>(strings_.size()) <= strings_used_) strings_.emplace_back();
  v.kind = Value::kStr;
  v.str = static_cast<std::uint16_t>(strings_used_);
  return strings_[static_cast<size_t>(strings_used_++)];
}

std::string_view Interpreter::StrOf(const Value& v) const {
  if (v.kind != Value::kStr || v.str >= strings_.size()) return {};
  return strings_[v.str];
}

std::int64_t Interpreter::ToIntOther(const Value& v) const {
  switch (v.kind) {
    case Value::kInt: return v.i;
    case Value::kFloat: {
      // Truncated towards zero, as a cast in the module's arithmetic would.
      if (std::isnan(v.f)) return 0;
      const double t = std::trunc(static_cast<double>(v.f));
      if (t <= -9.0e18) return std::numeric_limits<std::int64_t>::min() / 2;
      if (t >= 9.0e18) return std::numeric_limits<std::int64_t>::max() / 2;
      return static_cast<std::int64_t>(t);
    }
    case Value::kStr: return Wrap32(LeadingInteger(StrOf(v)));
  }
  return 0;
}

float Interpreter::ToFloatOther(const Value& v) const {
  switch (v.kind) {
    case Value::kInt: return static_cast<float>(v.i);
    case Value::kFloat: return v.f;
    case Value::kStr: {
      const std::string s(StrOf(v));
      return std::strtof(s.c_str(), nullptr);
    }
  }
  return 0;
}

std::string Interpreter::ToText(const Value& v) const {
  switch (v.kind) {
    case Value::kInt: return std::to_string(v.i);
    case Value::kFloat: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v.f));
      return buf;
    }
    case Value::kStr: return std::string(StrOf(v));
  }
  return {};
}

// ---- Functions ------------------------------------------------------------------------------------

bool Interpreter::VnHexAhead() const {
  // On the VN series HEX's byte is also a 32-bit constant's. A constant there is a negative
  // number in practice (its last byte &HFF); HEX is followed by an operand.
  if (ip_ + 4 > code_size_) return ip_ < code_size_;
  const std::uint8_t next = code_ptr_[ip_];
  if (code_ptr_[ip_ + 3] == 0xFF) return false;
  return isa::IsDescriptor(next) || next >= isa::kFirstFunction;
}

Interpreter::Value Interpreter::HexDec(bool hex) {
  const Value x = Operand();
  const int width = Fetch();
  const bool zeros = Fetch() != 0;
  if (Failed()) return {};
  const std::int64_t n = Wrap32(ToInt(x));
  std::string digits;
  bool negative = false;
  if (hex) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(n)));
    digits = buf;
  } else {
    negative = n < 0;
    digits = std::to_string(negative ? -n : n);
  }
  return Str(Padded(digits, negative, width, zeros));
}

Interpreter::Value Interpreter::Function(std::uint8_t code) {
  switch (code) {
    case Function::kIn: {
      const int port = PortOperand();
      return Failed() ? Value{} : Int(io_.ports().Level(port));
    }
    case Function::kKeyIn: {
      const int port = PortOperand();
      Fetch();  // de-chattering time: the virtual key does not bounce
      return Failed() ? Value{} : Int(io_.ports().Level(port));
    }
    case Function::kAdIn: {
      const int channel = PortOperand();
      return Failed() ? Value{} : Int(io_.sensors().Adc(channel));
    }
    case Function::kByteIn: {
      const std::int64_t block = ToInt(Operand());
      if (Failed()) return {};
      if (block < 0 || block >= Ports::kBlocks) {
        SetFault(FaultKind::kPortNumber, "BYTEIN of block " + std::to_string(block) + " at " + HexAddr(inst_pc_));
        return {};
      }
      return Int(io_.ports().BlockIn(static_cast<int>(block)));
    }
    case Function::kEeRead: return EeRead();
    case Function::kOutStat: {
      const int port = PortOperand();
      return Failed() ? Value{} : Int(io_.ports().OutputLevel(port));
    }
    case Function::kRnd:
      rnd_state_ = rnd_state_ * 1103515245u + 12345u;
      return Int((rnd_state_ >> 16) & 0xFFFF);
    case Function::kTable: {
      const int n = Fetch();
      const std::int64_t index = ToInt(Operand());
      std::int64_t value = 0;
      for (int i = 0; i < n; ++i) {
        const std::uint32_t w = FetchWord();
        if (i == index) value = w;
      }
      return Failed() ? Value{} : Int(value);
    }
    case Function::kCount: {
      const int c = Fetch();
      return Int(Wrap32(io_.sensors().Counter(c)));
    }
    case Function::kPadIn: return Int(io_.sensors().Keypad(Fetch()));
    case Function::kPeek: {
      const std::int64_t addr = Fetch();
      if (Failed() || !CheckRam(addr, 1)) return {};
      return Int(ram_[addr]);
    }
    case Function::kShiftIn: {
      PortOperand();
      PortOperand();
      Fetch();  // mode
      const int bits = Fetch();
      if (Failed()) return {};
      const std::uint64_t mask = bits >= 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
      return Int(Wrap32(static_cast<std::int64_t>(static_cast<std::uint64_t>(io_.sensors().shift_in()) & mask)));
    }
    case Function::kAdKeyIn: {
      const int channel = PortOperand();
      return Failed() ? Value{} : Int(io_.sensors().AdKey(channel));
    }
    case Function::kEpadIn: {  // also KEYDELAY (kKeyDelayVn) on the VN series
      const std::uint8_t next = Peek();
      if (series_ == Series::kVn && (next >= isa::kFirstFunction || next == Function::kHexVn || next == Function::kDecVn)) {
        // KEYDELAY(key, first, second, third): the key's value; the virtual key repeats at once.
        const Value key = Operand();
        Fetch();
        Fetch();
        Fetch();
        return key;
      }
      const int block1 = Fetch();
      Fetch();
      return Int(io_.sensors().Keypad(block1));
    }
    case Function::kCapture: {
      const int port = PortOperand();
      Fetch();  // the level whose width is measured
      return Failed() ? Value{} : Int(Wrap32(io_.sensors().Capture(port)));
    }
    case Function::kTime: {
      const std::int64_t field = ToInt(Operand());
      return Failed() ? Value{} : Int(TimeField(static_cast<int>(std::clamp<std::int64_t>(field, -1, 6))));
    }
    case Function::kBcd: {
      std::uint64_t v = static_cast<std::uint32_t>(Wrap32(ToInt(Operand())));
      std::uint64_t out = 0;
      for (int shift = 0; shift < 32 && v != 0; shift += 4) {
        out |= (v % 10) << shift;
        v /= 10;
      }
      return Int(Wrap32(static_cast<std::int64_t>(out)));
    }
    case Function::kLeft:
    case Function::kRight:
    case Function::kMid:
    case Function::kAsc:
    case Function::kChr:
    case Function::kLen:
    case Function::kVal:
    case Function::kValHex:
    case Function::kValSng:
      return StringFunction(code);
    case Function::kHex: return HexDec(true);
    case Function::kDec: return HexDec(false);
    case Function::kCint: {
      const Value x = Operand();
      return Failed() ? Value{} : Int(x.kind == Value::kFloat ? RoundToInt(x.f) : Wrap32(ToInt(x)));
    }
    case Function::kCsng: {
      const Value x = Operand();
      return Failed() ? Value{} : Float(ToFloat(x));
    }
    case Function::kSin:
    case Function::kCos:
    case Function::kAbs:
    case Function::kExp:
    case Function::kLog:
    case Function::kLog10:
    case Function::kSqr: {
      const Value x = Operand();
      if (Failed()) return {};
      if (code == Function::kAbs && x.kind == Value::kInt) return Int(Wrap32(x.i < 0 ? -x.i : x.i));
      const float f = ToFloat(x);
      switch (code) {
        case Function::kSin: return Float(std::sin(f));
        case Function::kCos: return Float(std::cos(f));
        case Function::kAbs: return Float(std::fabs(f));
        case Function::kExp: return Float(std::exp(f));
        case Function::kLog: return Float(std::log(f));
        case Function::kLog10: return Float(std::log10(f));
        default: return Float(std::sqrt(f));
      }
    }
    case Function::kFloat: {
      const Value x = Operand();
      const std::int64_t width = ToInt(Operand());
      const std::int64_t decimals = ToInt(Operand());
      if (Failed()) return {};
      char buf[96];
      std::snprintf(buf, sizeof buf, "%*.*f", static_cast<int>(std::clamp<std::int64_t>(width, 0, 40)),
                    static_cast<int>(std::clamp<std::int64_t>(decimals, 0, 20)), static_cast<double>(ToFloat(x)));
      return Str(buf);
    }
    case Function::kPow: {
      const Value x = Operand();
      const Value y = Operand();
      return Failed() ? Value{} : Float(std::pow(ToFloat(x), ToFloat(y)));
    }
    case Function::kBlen: return Int(static_cast<std::int64_t>(io_.serial().input().size()));
    default:
      SetFault(FaultKind::kUnknownFunction, "unknown function code " + std::to_string(code) + " in the instruction at " +
                                                HexAddr(inst_pc_));
      return {};
  }
}

Interpreter::Value Interpreter::StringFunction(std::uint8_t code) {
  const Value s = Operand();
  if (Failed()) return {};
  const std::string text = s.kind == Value::kStr ? std::string(StrOf(s)) : ToText(s);
  switch (code) {
    case Function::kLeft:
    case Function::kRight: {
      const std::int64_t n = std::clamp<std::int64_t>(ToInt(Operand()), 0, static_cast<std::int64_t>(text.size()));
      if (Failed()) return {};
      const size_t k = static_cast<size_t>(n);
      return Str(code == Function::kLeft ? text.substr(0, k) : text.substr(text.size() - k));
    }
    case Function::kMid: {
      const std::int64_t p = ToInt(Operand());
      const std::int64_t n = ToInt(Operand());
      if (Failed()) return {};
      // Positions count from 1.
      const std::int64_t start = std::clamp<std::int64_t>(p - 1, 0, static_cast<std::int64_t>(text.size()));
      const std::int64_t len = std::clamp<std::int64_t>(n, 0, static_cast<std::int64_t>(text.size()) - start);
      return Str(text.substr(static_cast<size_t>(start), static_cast<size_t>(len)));
    }
    case Function::kAsc:
      if (s.kind != Value::kStr) return Int(Wrap32(ToInt(s)));
      return Int(text.empty() ? 0 : static_cast<std::uint8_t>(text[0]));
    case Function::kChr: {
      const char c = static_cast<char>(ToInt(s) & 0xFF);
      return Str(std::string_view(&c, 1));
    }
    case Function::kLen: return Int(static_cast<std::int64_t>(text.size()));
    case Function::kVal: return Int(Wrap32(LeadingInteger(text)));
    case Function::kValHex: {
      size_t i = 0;
      while (i < text.size() && text[i] == ' ') ++i;
      if (i + 1 < text.size() && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) i += 2;
      std::uint64_t v = 0;
      for (; i < text.size(); ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else break;
        v = (v << 4 | static_cast<std::uint64_t>(d)) & 0xFFFFFFFFu;
      }
      return Int(Wrap32(static_cast<std::int64_t>(v)));
    }
    case Function::kValSng: return Float(std::strtof(text.c_str(), nullptr));
    default: return {};
  }
}

}  // namespace vn::sim
