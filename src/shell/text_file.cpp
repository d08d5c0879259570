#include "shell/text_file.h"

#include <optional>

#include "platform/codepage.h"

namespace vn::shell {

namespace {

// Private-use code points U+F700..U+F7FF stand for the raw bytes 00..FF of a code page 949
// file that are not code page 949 text. Code page 949 maps nothing into this block, so such a
// character in a decoded file can only be one of ours.
constexpr char32_t kRawByteBase = 0xF700;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Code page 949 bytes to UTF-8, keeping undecodable bytes as raw-byte characters.
std::string Cp949ToText(std::string_view bytes, platform::CodePage& cp) {
  std::string whole = cp.Cp949ToUtf8(bytes);
  if (whole.find(kReplacement) == std::string::npos) return whole;
  std::string out;
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (platform::IsCp949LeadByte(b) && i + 1 < bytes.size()) {
      const std::string one = cp.Cp949ToUtf8(bytes.substr(i, 2));
      if (one.find(kReplacement) == std::string::npos && !one.empty()) {
        out += one;
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, kRawByteBase + b);
    ++i;
  }
  return out;
}

std::string NormalizeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string WithCrLf(std::string_view text) {
  const std::string lf = NormalizeLineEnds(text);
  std::string out;
  out.reserve(lf.size() + lf.size() / 16);
  for (char c : lf) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// Splits off the raw-byte characters: runs of ordinary text go through the code page, each
// raw-byte character becomes its byte again. nullopt when a run has no code page 949 form.
std::optional<std::string> TextToCp949(std::string_view text, platform::CodePage& cp) {
  std::string out;
  size_t run = 0;
  size_t i = 0;
  auto flush = [&](size_t end) -> bool {
    if (end == run) return true;
    auto part = cp.Utf8ToCp949(text.substr(run, end - run));
    if (!part) return false;
    out += *part;
    return true;
  };
  while (i < text.size()) {
    // U+F700..U+F7FF is EF 9C 80 .. EF 9F BF.
    if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      const auto b2 = static_cast<unsigned char>(text[i + 2]);
      if (b1 >= 0x9C && b1 <= 0x9F && (b2 & 0xC0) == 0x80) {
        if (!flush(i)) return std::nullopt;
        out.push_back(static_cast<char>(((b1 - 0x9C) << 6) | (b2 & 0x3F)));
        i += 3;
        run = i;
        continue;
      }
    }
    ++i;
  }
  if (!flush(text.size())) return std::nullopt;
  return out;
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

DecodedText DecodeSourceBytes(std::string_view bytes, platform::CodePage& cp) {
  DecodedText d;
  d.lf_line_ends = bytes.find('\r') == std::string_view::npos && bytes.find('\n') != std::string_view::npos;
  if (bytes.substr(0, kBom.size()) == kBom && platform::IsValidUtf8(bytes.substr(kBom.size()))) {
    d.encoding = TextEncoding::kUtf8Bom;
    d.utf8 = NormalizeLineEnds(bytes.substr(kBom.size()));
  } else if (!IsAscii(bytes) && platform::IsValidUtf8(bytes)) {
    d.encoding = TextEncoding::kUtf8;
    d.utf8 = NormalizeLineEnds(bytes);
  } else {
    d.encoding = TextEncoding::kCp949;
    d.utf8 = NormalizeLineEnds(Cp949ToText(bytes, cp));
  }
  return d;
}

EncodedText EncodeSourceText(std::string_view utf8, TextEncoding preferred, platform::CodePage& cp,
                             bool lf_line_ends) {
  const std::string lines = lf_line_ends ? NormalizeLineEnds(utf8) : WithCrLf(utf8);
  EncodedText e;
  if (preferred == TextEncoding::kCp949) {
    if (auto bytes = TextToCp949(lines, cp)) {
      e.bytes = std::move(*bytes);
      e.encoding = TextEncoding::kCp949;
      return e;
    }
    preferred = TextEncoding::kUtf8;
  }
  e.encoding = preferred;
  e.bytes = preferred == TextEncoding::kUtf8Bom ? std::string(kBom) + lines : lines;
  return e;
}

}  // namespace vn::shell
