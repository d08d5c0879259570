// Tokens of the current line, name lookups, and constants turned into operand bytes.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "compiler/compiler.h"
#include "platform/codepage.h"

namespace vn::compiler {
namespace {

const Msg kCharConstant{"Invalid Chractor Constant value !", "문법에러: 잘못된 인수표현입니다."};
const Msg kConstArrayParen{"Syntax Error on CONST field",
                           "문법에러: 상수배열 표현이 잘못되었습니다. 괄호를 찾을수 없습니다."};
const Msg kConstArrayIndex{"Syntax Error on CONST field", "문법에러: 잘못된 인수입니다."};
const Msg kConstArrayClose{"Syntax Error on CONST field", "문법에러: 괄호를 찾을수 없습니다."};
const Msg kPortRange{"Out of I/O port number", "I/O포트의 사용범위가 아닙니다."};
const Msg kByteOnly{"Use only Byte type", "바이트형 인수만 사용가능합니다."};
const Msg kBadHangul{"Invalid Korean character in string constant !",
                     "문자열 상수에 변환할 수 없는 한글 문자가 있습니다."};

bool IsSeparator(char16_t c) {
  switch (c) {
    case u'\'': case u'[': case u']': case u'(': case u')': case u'{': case u'}':
    case u'+': case u'-': case u'/': case u',': case u'"': case u':': case u'*':
    case u'^': case u'~': case u';':
      return true;
    default:
      return false;
  }
}

bool StartsWith(const AnsiText& text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && std::u16string_view(text).substr(0, prefix.size()) == prefix;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The largest value a hexadecimal, octal or binary number may have: 32 bits.
constexpr long long kMaxPattern = 0xFFFFFFFFLL;
// 2^31: a decimal number stays below it, and a minus sign may reach -2^31 in every base.
constexpr long long kTwo31 = 0x80000000LL;

// Reads the digits after a two-character prefix in the given base. Digits stop at the first
// character that is not one; nullopt when there is none or the value passes 32 bits (leading
// zeros cost nothing).
std::optional<long long> ReadRadix(const AnsiText& token, int base) {
  long long v = 0;
  size_t i = 2;
  for (; i < token.size(); ++i) {
    int d = HexDigit(token[i]);
    if (d < 0 || d >= base) break;
    v = v * base + d;
    if (v > kMaxPattern) return std::nullopt;
  }
  if (i == 2) return std::nullopt;
  return v;
}

// Reads the characters after "&B" as binary digits, every one but "0" counting as a one;
// nullopt when the value passes 32 bits. The token has at least one character after "&B".
std::optional<long long> ReadBinary(const AnsiText& token) {
  long long v = 0;
  for (size_t i = 2; i < token.size(); ++i) {
    v = v * 2 + (token[i] != u'0' ? 1 : 0);
    if (v > kMaxPattern) return std::nullopt;
  }
  return v;
}

}  // namespace

std::optional<std::uint32_t> EncodeSingle(double x) {
  if (x == 0.0 || !std::isfinite(x)) return x == 0.0 ? std::optional<std::uint32_t>(0) : std::nullopt;
  const std::uint32_t sign = x < 0 ? 0x80000000u : 0;
  int k;
  const double f = std::frexp(std::fabs(x), &k);  // |x| = f * 2^k, 0.5 <= f < 1
  const int e = k - 1;                             // |x| = m * 2^e, 1 <= m < 2
  if (e > 127) return std::nullopt;
  if (e < -126) return sign;                       // too small for the module: zero
  const double m = f * 2.0;
  const auto fraction = static_cast<std::uint32_t>(std::floor((m - 1.0) * 8388608.0));
  return sign | (static_cast<std::uint32_t>(e + 127) << 23) | (fraction & 0x7FFFFFu);
}

char16_t Compiler::CharAt(int pos) const {
  if (pos < 1 || pos > static_cast<int>(SrcLine.size())) return u' ';
  return SrcLine[static_cast<size_t>(pos - 1)];
}

void Compiler::NextToken() {
  Token.clear();
  bool started = false;
  TokenStart = ScanPos;
  while (ScanPos < ScanEnd) {
    CurChar = CharAt(ScanPos);
    ++ScanPos;
    const char16_t c = CurChar;
    if (c == u' ' || c == u'\t') {
      if (started) break;
      TokenStart = ScanPos;
      continue;
    }
    if (c == u'.' && Device.DeviceKind == 1) {
      if (started) { --ScanPos; break; }
      Token = u".";
      break;
    }
    if (IsSeparator(c)) {
      if (started) { --ScanPos; break; }
      Token.assign(1, c);
      break;
    }
    if (c == u'<' || c == u'>' || c == u'=') {
      if (started) { --ScanPos; break; }
      const char16_t next = ScanPos < ScanEnd ? CharAt(ScanPos) : u'\0';
      AnsiText two{c, next};
      if (two == u"<>" || two == u"<=" || two == u"<<" || two == u"><" || two == u">=" ||
          two == u">>" || two == u"=<" || two == u"=>") {
        ++ScanPos;
        if (two == u"><") two = u"<>";
        else if (two == u"=<") two = u"<=";
        else if (two == u"=>") two = u">=";
        Token = two;
      } else {
        Token.assign(1, c);
      }
      break;
    }
    Token.push_back(c);
    started = true;
  }
  if (Token.empty()) TokenStart = ScanPos;
  Token = UpperCase(std::move(Token));
}

void Compiler::PeekToken() {
  const int saved = ScanPos;
  NextToken();
  ScanPos = saved;
}

int Compiler::FindVar(const AnsiText& name) const {
  auto it = var_index_.find(name);
  return it == var_index_.end() ? -1 : it->second;
}

int Compiler::FindConst(const AnsiText& name) const {
  auto it = const_index_.find(name);
  return it == const_index_.end() ? -1 : it->second;
}

void Compiler::EncodeInteger(long v) {
  PendLen = 0;
  if (v == 0) {
    PendPush(kConst0);
  } else if (v == 1) {
    PendPush(kConst1);
  } else if (v < 256) {
    PendPush(kConstByte);
    PendPush(static_cast<int>(v & 0xFF));
  } else if (v < 65536) {
    PendPush(kConstWord);
    PendPush(static_cast<int>(v & 0xFF));
    PendPush(static_cast<int>((v >> 8) & 0xFF));
  } else {
    PendPush(kConstLong);
    for (int i = 0; i < 4; ++i) PendPush(static_cast<int>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  }
}

int Compiler::EncodeConstant(AnsiText token) {
  PendLen = 0;
  // 1. A sign in front of the constant.
  bool negative = false;
  if (token == u"-") {
    NextToken();
    token = Token;
    negative = true;
  } else if (!token.empty() && token[0] == u'-') {
    token.erase(0, 1);
    negative = true;
  }

  // 2. A named constant: a constant array element, or its value text.
  if (const int i = FindConst(token); i >= 0) {
    const ConstEntry& entry = Consts[static_cast<size_t>(i)];
    if (entry.ConstArrKind != 0 && !negative) {
      const int descriptor = entry.ConstArrKind == 1 ? kConstArray1 : entry.ConstArrKind == 2 ? kConstArray2 : kConstArray4;
      const int addr = entry.ConstArrAddr;
      NextToken();
      if (Token != u"(") return Fail(kConstArrayParen);
      const NestingLevel level(*this);
      if (!level.entered()) return -1;
      NextToken();
      if (ParseOperand(Token) != 0) return Fail(kConstArrayIndex);
      PendShift(3);
      PendBuf[0] = static_cast<std::uint8_t>(descriptor);
      PendBuf[1] = static_cast<std::uint8_t>(addr & 0xFF);
      PendBuf[2] = static_cast<std::uint8_t>((addr >> 8) & 0xFF);
      NextToken();
      if (Token != u")") return Fail(kConstArrayClose);
      return 0;
    }
    if (entry.ConstArrKind == 0) {
      token = entry.ConstText;
      // A value text that is itself negative: "-(-5)".
      if (!token.empty() && token[0] == u'-') {
        token.erase(0, 1);
        negative = !negative;
      }
      // A quoted character constant stands for its own character.
      if (token.size() >= 2 && token.front() == u'"' && token.back() == u'"') {
        const AnsiText body = token.substr(1, token.size() - 2);
        if (Device.DeviceKind == 2) {
          PendPush(kStringConst);
          for (char16_t c : body) {
            if (IsDoubleByte(c)) {
              PendPush(c >> 8);
              PendPush(c & 0xFF);
            } else {
              PendPush(c);
            }
          }
          PendPush(isa::kEndOfList);
          return 0;
        }
        if (body.empty()) return Fail(kCharConstant);
        long v = static_cast<std::int16_t>(body[0]);
        EncodeInteger(negative ? -v : v);
        return 0;
      }
    }
  }

  // 3. Floating point (a "." survives in a token only on the VNM series).
  if (token.find(u'.') != AnsiText::npos) {
    const double x = Val(token);
    auto bits = EncodeSingle(negative ? -x : x);
    if (!bits) return Fail(kMsgInvalidConstant);
    PendPush(kSingleConst);
    for (int k = 0; k < 4; ++k) PendPush(static_cast<int>((*bits >> (8 * k)) & 0xFF));
    return 0;
  }

  // The 32-bit form: descriptor 25 and four bytes, low first.
  auto encode_long = [this](std::uint32_t v) {
    PendLen = 0;
    PendPush(kConstLong);
    for (int k = 0; k < 4; ++k) PendPush(static_cast<int>((v >> (8 * k)) & 0xFF));
  };

  // 5.-8. The numbers, as written without their sign. One rule for every base: a value is
  // 32 bits. A hexadecimal, octal or binary number is a bit pattern up to &HFFFFFFFF (from
  // &H80000000 up the negative values); a decimal number is at most 2^31 - 1; with a minus
  // sign any of them may go down to -2^31, never further.
  std::optional<long long> magnitude;
  bool pattern = false;
  if (StartsWith(token, u"&H") || StartsWith(token, u"&O")) {
    magnitude = ReadRadix(token, token[1] == u'H' ? 16 : 8);
    pattern = true;
    if (!magnitude) return Fail(kMsgInvalidConstant);
  } else if (StartsWith(token, u"&B")) {
    // Without digits: the caller's own message, if it sets one, replaces this one.
    if (token.size() == 2) return Fail(kMsgInvalidConstant);
    magnitude = ReadBinary(token);
    pattern = true;
    if (!magnitude) return Fail(kMsgInvalidConstant);
  } else if (!token.empty() && token[0] == u'0') {
    magnitude = 0;
  } else if (const double d = Val(token); d != 0.0) {
    const double r = std::nearbyint(d);
    if (!(r <= static_cast<double>(kTwo31))) return Fail(kMsgInvalidConstant);
    magnitude = static_cast<long long>(r);
  }
  if (magnitude) {
    const long long limit = negative ? kTwo31 : pattern ? kMaxPattern : kTwo31 - 1;
    if (*magnitude > limit) return Fail(kMsgInvalidConstant);
    // Every negative number takes the 32-bit form, a pattern with its top bit set too.
    if (negative || *magnitude >= kTwo31) {
      encode_long(static_cast<std::uint32_t>(negative ? -*magnitude : *magnitude));
      return 0;
    }
    EncodeInteger(static_cast<long>(*magnitude));
    return 0;
  }

  std::optional<long> value;
  if (token == u"\"" || token == u"'") {
    // 9. A quoted constant.
    if (Device.DeviceKind == 2) {
      if (ReadStringLiteral() != 0) return -1;
      PendShift(1);
      PendBuf[0] = kStringConst;
      PendPush(isa::kEndOfList);
      return 0;
    }
    const long code = static_cast<std::int16_t>(CharAt(ScanPos));
    NextToken();
    NextToken();
    if (Token != u"\"" && Token != u"'") return Fail(kCharConstant);
    value = code;
  }
  if (!value) return Fail(kMsgInvalidConstant);

  if (negative) {
    encode_long(static_cast<std::uint32_t>(-static_cast<long long>(*value)));
    return 0;
  }
  EncodeInteger(*value);
  return 0;
}

int Compiler::ParseOperand(const AnsiText& token) {
  PendLen = 0;
  if (FindVar(token) >= 0) return ParseVariable(token);
  return EncodeConstant(token);
}

std::optional<long> Compiler::PendingConstantValue() const {
  if (PendLen == 0) return std::nullopt;
  auto b = [this](int i) { return static_cast<std::uint32_t>(PendBuf[static_cast<size_t>(i)]); };
  switch (PendBuf[0]) {
    case kConst0: return 0;
    case kConst1: return 1;
    case kConstByte: return static_cast<long>(b(1));
    case kConstWord: return static_cast<long>(b(1) | b(2) << 8);
    case kConstLong:
    case kSingleConst:
      return static_cast<long>(static_cast<std::int32_t>(b(1) | b(2) << 8 | b(3) << 16 | b(4) << 24));
    default: return std::nullopt;
  }
}

std::optional<long> Compiler::ConstValueOpt(const AnsiText& token) {
  const auto saved_buf = PendBuf;
  const int saved_len = PendLen;
  std::optional<long> result;
  if (EncodeConstant(token) == 0) result = PendingConstantValue();
  PendBuf = saved_buf;
  PendLen = saved_len;
  return result;
}

long Compiler::ConstValue(const AnsiText& token) { return ConstValueOpt(token).value_or(-1); }

bool Compiler::RestIsBlank() const {
  for (int p = ScanPos; p < ScanEnd; ++p)
    if (CharAt(p) != u' ' && CharAt(p) != u'\t') return false;
  return true;
}

int Compiler::ReadStringLiteral() {
  PendLen = 0;
  while (ScanPos < ScanEnd) {
    const char16_t c = CharAt(ScanPos);
    ++ScanPos;
    if (c == u'"') break;
    if (!IsDoubleByte(c)) {
      PendPush(c);
      continue;
    }
    if (HangulKS) {
      PendPush(c >> 8);
      PendPush(c & 0xFF);
      continue;
    }
    auto johab = code_page_->Cp949CharToJohab(c);
    if (!johab) return Fail(kBadHangul);
    PendPush(*johab >> 8);
    PendPush(*johab & 0xFF);
  }
  return 0;
}

int Compiler::CheckPortOperand() {
  if (PendLen == 0) return Fail(kMsgInvalidParameter);
  switch (PendBuf[0]) {
    case kConstByte:
      return PendBuf[1] > 64 ? Fail(kPortRange) : 0;
    case kConstLong: {
      // Every negative number takes the 32-bit form; the module would read its low byte.
      const auto v = PendingConstantValue();
      return Fail(v && *v < 0 ? kPortRange : kByteOnly);
    }
    // Operands wider than a byte cannot name a port either, like an INTEGER variable.
    case kConstWord:
    case kIntegerVar:
    case kSingleConst:
    case kStringConst:
    case kLongVar:
    case kSingleVar:
    case kStringVar:
    case kIntegerArray:
    case kLongArray:
    case kSingleArray:
    case kConstArray2:
    case kConstArray4:
      return Fail(kByteOnly);
    default:
      return 0;
  }
}

}  // namespace vn::compiler
