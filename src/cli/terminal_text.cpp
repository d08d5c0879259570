#include "cli/terminal_text.h"

#include <cstdint>

namespace vn::cli {

namespace {

bool Continuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

// The length of the UTF-8 sequence at the start of `s` that is well formed (no overlong form,
// no surrogate, nothing past U+10FFFF), or 0.
size_t Utf8Length(std::string_view s) {
  const auto at = [&s](size_t i) { return static_cast<std::uint8_t>(s[i]); };
  const std::uint8_t b = at(0);
  if (b < 0x80) return 1;
  size_t n = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the second byte's range
  if (b >= 0xC2 && b <= 0xDF) n = 2;
  else if (b == 0xE0) n = 3, low = 0xA0;
  else if (b >= 0xE1 && b <= 0xEC) n = 3;
  else if (b == 0xED) n = 3, high = 0x9F;
  else if (b >= 0xEE && b <= 0xEF) n = 3;
  else if (b == 0xF0) n = 4, low = 0x90;
  else if (b >= 0xF1 && b <= 0xF3) n = 4;
  else if (b == 0xF4) n = 4, high = 0x8F;
  else return 0;
  if (s.size() < n || at(1) < low || at(1) > high) return 0;
  for (size_t i = 2; i < n; ++i)
    if (!Continuation(at(i))) return 0;
  return n;
}

void AppendEscaped(std::string& out, std::uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out.push_back(kDigits[b >> 4]);
  out.push_back(kDigits[b & 15]);
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    const size_t n = Utf8Length(text.substr(i));
    // U+0080..U+009F are C2 80..C2 9F: a terminal that reads UTF-8 may take them as controls.
    const bool c1 = n == 2 && b == 0xC2 && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F;
    if (n == 0 || c1) {
      const size_t count = c1 ? 2 : 1;
      for (size_t k = 0; k < count; ++k) AppendEscaped(out, static_cast<std::uint8_t>(text[i + k]));
      i += count;
    } else if (n == 1 && ((b < 0x20 && b != '\t') || b == 0x7F)) {
      AppendEscaped(out, b);
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string PrintableJson(std::string_view json) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(json.size());
  for (size_t i = 0; i < json.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(json[i]);
    std::uint8_t control = 0;
    if (b == 0x7F) {
      control = b;
    } else if (b == 0xC2 && i + 1 < json.size() && static_cast<std::uint8_t>(json[i + 1]) <= 0x9F &&
               static_cast<std::uint8_t>(json[i + 1]) >= 0x80) {
      control = static_cast<std::uint8_t>(json[++i]);
    }
    if (control == 0) {
      out.push_back(json[i]);
      continue;
    }
    out += "\\u00";
    out.push_back(kDigits[control >> 4]);
    out.push_back(kDigits[control & 15]);
  }
  return out;
}

std::string CompileErrorLine(std::string_view file, long line, std::string_view message) {
  std::string out = Printable(file) + ":";
  if (line > 0) out += std::to_string(line) + ":";
  return out + " error: " + Printable(message) + "\n";
}

}  // namespace vn::cli
