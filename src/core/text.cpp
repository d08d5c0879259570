#include "core/text.h"

#include <cmath>
#include <cstdio>

#include "platform/codepage.h"

namespace vn::core {

AnsiText DecodeAnsi(std::string_view bytes) {
  AnsiText out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (platform::IsCp949LeadByte(b) && i + 1 < bytes.size()) {
      auto t = static_cast<unsigned char>(bytes[i + 1]);
      out.push_back(static_cast<char16_t>(b << 8 | t));
      ++i;
    } else {
      out.push_back(static_cast<char16_t>(b));
    }
  }
  return out;
}

std::string EncodeAnsi(const AnsiText& text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (IsDoubleByte(c)) out.push_back(static_cast<char>(c >> 8));
    out.push_back(static_cast<char>(c & 0xFF));
  }
  return out;
}

AnsiText Ansi(std::string_view ascii) {
  AnsiText out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

int AnsiLength(const AnsiText& text) {
  int n = 0;
  for (char16_t c : text) n += IsDoubleByte(c) ? 2 : 1;
  return n;
}

AnsiText UpperCase(AnsiText text) {
  for (auto& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

double Val(const AnsiText& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) number.push_back(static_cast<char>(text[i++]));
  bool digits = false, point = false;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'0' && c <= u'9') { number.push_back(static_cast<char>(c)); digits = true; }
    else if (c == u'.' && !point) { number.push_back('.'); point = true; }
    else break;
  }
  if (!digits) return 0.0;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < text.size() && (text[j] == u'-' || text[j] == u'+')) exponent.push_back(static_cast<char>(text[j++]));
    bool exp_digits = false;
    for (; j < text.size() && text[j] >= u'0' && text[j] <= u'9'; ++j) {
      exponent.push_back(static_cast<char>(text[j]));
      exp_digits = true;
    }
    if (exp_digits) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

std::string Str(long long value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, value < 0 ? "%lld" : " %lld", value);
  return buf;
}

std::string Hex(unsigned long value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lX", value);
  return buf;
}

SourceLines SplitSource(std::string_view bytes) {
  SourceLines result;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  std::vector<std::string> raw;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || bytes[i] == '\r') {
      raw.emplace_back(bytes.substr(start, i - start));
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < bytes.size()) raw.emplace_back(bytes.substr(start));

  const bool utf8 = platform::IsValidUtf8(bytes);
  platform::CodePage code_page;
  result.lines.reserve(raw.size());
  for (size_t n = 0; n < raw.size(); ++n) {
    const std::string& line = raw[n];
    bool ascii = true;
    for (char c : line) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!utf8 || ascii) {
      result.lines.push_back(DecodeAnsi(line));
      continue;
    }
    if (auto converted = code_page.Utf8ToCp949(line)) {
      result.lines.push_back(DecodeAnsi(*converted));
      continue;
    }
    result.bad_lines.push_back(static_cast<int>(n) + 1);
    // Keep what converts so that the line index still has the line; mark the rest.
    std::string kept;
    size_t i = 0;
    while (i < line.size()) {
      auto c = static_cast<unsigned char>(line[i]);
      size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      auto piece = code_page.Utf8ToCp949(std::string_view(line).substr(i, len));
      kept += piece ? *piece : "?";
      i += len;
    }
    result.lines.push_back(DecodeAnsi(kept));
  }
  return result;
}

}  // namespace vn::core
