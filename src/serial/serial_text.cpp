#include "serial/serial_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "isa/serial_bauds.h"

namespace vn::serial {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

struct CodeSetRow {
  CodeSet set;
  std::string_view name;
};
constexpr CodeSetRow kCodeSets[] = {
    {CodeSet::kCp949, "cp949"}, {CodeSet::kJohab, "johab"}, {CodeSet::kUtf8, "utf-8"}};

struct EndingRow {
  LineEnding ending;
  std::string_view name;
  std::string_view bytes;
};
constexpr EndingRow kEndings[] = {{LineEnding::kNone, "none", ""},
                                  {LineEnding::kCr, "cr", "\r"},
                                  {LineEnding::kLf, "lf", "\n"},
                                  {LineEnding::kCrLf, "crlf", "\r\n"}};

const EndingRow& EndingOf(LineEnding ending) {
  for (const auto& row : kEndings)
    if (row.ending == ending) return row;
  return kEndings[0];
}

// The length of the UTF-8 sequence `lead` starts, 0 for a byte that starts none.
size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether `part` (shorter than its sequence) can still become a well-formed character.
bool Utf8Prefix(std::string_view part) {
  const auto lead = static_cast<unsigned char>(part[0]);
  for (size_t k = 1; k < part.size(); ++k) {
    const auto b = static_cast<unsigned char>(part[k]);
    if ((b & 0xC0) != 0x80) return false;
    // The second byte's narrower ranges (no overlong forms, no surrogates, nothing past U+10FFFF).
    if (k == 1 && ((lead == 0xE0 && b < 0xA0) || (lead == 0xED && b > 0x9F) || (lead == 0xF0 && b < 0x90) ||
                   (lead == 0xF4 && b > 0x8F)))
      return false;
  }
  return true;
}

// The code point of one well-formed UTF-8 character.
std::uint32_t CodePoint(std::string_view ch) {
  const auto lead = static_cast<unsigned char>(ch[0]);
  if (ch.size() == 1) return lead;
  std::uint32_t cp = lead & (0x7Fu >> ch.size());
  for (size_t k = 1; k < ch.size(); ++k) cp = cp << 6 | (static_cast<unsigned char>(ch[k]) & 0x3Fu);
  return cp;
}

// A number as a whole word: decimal, optionally signed, optionally with a fraction or exponent.
std::optional<double> Number(std::string_view word) {
  if (!word.empty() && word[0] == '+') word.remove_prefix(1);
  if (word.empty()) return std::nullopt;
  double v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::string_view CodeSetName(CodeSet set) {
  for (const auto& row : kCodeSets)
    if (row.set == set) return row.name;
  return "";
}

std::optional<CodeSet> CodeSetFromName(std::string_view name) {
  for (const auto& row : kCodeSets)
    if (row.name == name) return row.set;
  return std::nullopt;
}

std::string_view LineEndingBytes(LineEnding ending) { return EndingOf(ending).bytes; }
std::string_view LineEndingName(LineEnding ending) { return EndingOf(ending).name; }

std::optional<LineEnding> LineEndingFromName(std::string_view name) {
  for (const auto& row : kEndings)
    if (row.name == name) return row.ending;
  return std::nullopt;
}

std::span<const int> Bauds() { return isa::kSerialBauds; }

// ---- Decoding ------------------------------------------------------------------------------------

TextDecoder::TextDecoder(CodeSet set) : set_(set) {}

std::string TextDecoder::Feed(std::string_view bytes) {
  held_.append(bytes);
  std::string out;
  const std::string_view in = held_;
  size_t i = 0;
  while (i < in.size()) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (set_ == CodeSet::kUtf8) {
      const size_t len = Utf8Length(b);
      if (len == 0) {
        out += kReplacement;
        ++i;
        continue;
      }
      const std::string_view ch = in.substr(i, len);
      if (ch.size() < len && Utf8Prefix(ch)) break;  // the rest comes with the next read
      if (ch.size() == len && platform::IsValidUtf8(ch)) {
        out += ch;
        i += len;
      } else {
        out += kReplacement;
        ++i;
      }
      continue;
    }
    const bool johab = set_ == CodeSet::kJohab;
    if (!(johab ? platform::IsJohabLeadByte(b) : platform::IsCp949LeadByte(b))) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (i + 1 == in.size()) break;  // the trail byte comes with the next read
    const std::string_view pair = in.substr(i, 2);
    const std::string text = johab ? codepage_.JohabToUtf8(pair) : codepage_.Cp949ToUtf8(pair);
    if (text != kReplacement && platform::IsValidUtf8(text) && !text.empty()) {
      out += text;
      i += 2;
    } else {
      // Only the lead byte is lost: what follows it may start a character of its own.
      out += kReplacement;
      ++i;
    }
  }
  held_.erase(0, i);
  return out;
}

std::string TextDecoder::Flush() {
  std::string out;
  for (size_t k = 0; k < held_.size(); ++k) out += kReplacement;
  held_.clear();
  return out;
}

// ---- Encoding ------------------------------------------------------------------------------------

Outgoing EncodeLine(std::string_view utf8, CodeSet set, LineEnding ending) {
  Outgoing result;
  if (!platform::IsValidUtf8(utf8)) {
    result.error = "the line is not UTF-8 text";
    return result;
  }
  if (set == CodeSet::kUtf8) {
    result.bytes = std::string(utf8) + std::string(LineEndingBytes(ending));
    return result;
  }
  platform::CodePage codepage;
  auto convert = [&codepage, set](std::string_view text) {
    return set == CodeSet::kJohab ? codepage.Utf8ToJohab(text) : codepage.Utf8ToCp949(text);
  };
  if (auto whole = convert(utf8)) {
    result.bytes = *whole + std::string(LineEndingBytes(ending));
    return result;
  }
  // Find the first character without a form, to name it.
  for (size_t i = 0; i < utf8.size();) {
    const size_t len = Utf8Length(static_cast<unsigned char>(utf8[i]));
    const std::string_view ch = utf8.substr(i, len);
    if (!convert(ch)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(CodePoint(ch)));
      result.error = "\"" + std::string(ch) + "\" (" + code + ") has no " + std::string(CodeSetName(set)) + " form";
      return result;
    }
    i += len;
  }
  result.error = "the line has no " + std::string(CodeSetName(set)) + " form";
  return result;
}

std::string HexLine(std::string_view bytes, std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  char head[32];
  std::snprintf(head, sizeof head, "%02d:%02d:%02d.%03d ", local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms < 0 ? ms + 1000 : ms));
  std::string out = head;
  for (char c : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(c));
    out += hex;
  }
  return out;
}

// ---- Lines ---------------------------------------------------------------------------------------

std::string LineEnds::Feed(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const bool lf_after_cr = after_cr_ && c == '\n';
    after_cr_ = c == '\r';
    if (lf_after_cr) continue;  // the second half of a CR LF ended its line already
    out.push_back(c == '\r' ? '\n' : c);
  }
  return out;
}

std::vector<std::string> LineSplitter::Feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (char c : ends_.Feed(bytes)) {
    if (c == '\n') {
      lines.push_back(std::move(line_));
      line_.clear();
      continue;
    }
    line_.push_back(c);
    if (line_.size() == kMaxLine) {
      lines.push_back(std::move(line_));
      line_.clear();
    }
  }
  return lines;
}

std::vector<PlotValue> ParsePlotLine(std::string_view line) {
  std::vector<PlotValue> values;
  int place = 0;
  size_t i = 0;
  while (i < line.size()) {
    const size_t start = line.find_first_not_of(" \t,", i);
    if (start == std::string_view::npos) break;
    size_t end = line.find_first_of(" \t,", start);
    if (end == std::string_view::npos) end = line.size();
    const std::string_view word = line.substr(start, end - start);
    i = end;
    ++place;
    const size_t colon = word.rfind(':');
    const std::string_view name = colon == std::string_view::npos ? std::string_view() : word.substr(0, colon);
    const auto value = Number(colon == std::string_view::npos ? word : word.substr(colon + 1));
    if (!value) continue;
    values.push_back({name.empty() ? std::to_string(place) : std::string(name), *value});
  }
  return values;
}

}  // namespace vn::serial
