#include "platform/codepage.h"

#include <iconv.h>

#include <cstdint>
#include <vector>

namespace vn::platform {
namespace {

iconv_t Open(const char* to, const char* from) { return iconv_open(to, from); }
bool Usable(void* cd) { return cd != reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }

// Runs one whole conversion; false when iconv refuses a character.
bool Convert(void* handle, std::string_view in, std::string& out) {
  if (!Usable(handle)) return false;
  auto cd = static_cast<iconv_t>(handle);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> buffer(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = buffer.data();
  size_t dst_left = buffer.size();
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
  out.assign(buffer.data(), buffer.size() - dst_left);
  return true;
}

// A double-byte code set to UTF-8; when the whole does not convert, piece by piece so that one
// bad character does not lose the rest.
std::string ToUtf8(void* handle, std::string_view in, bool (*is_lead)(unsigned char)) {
  std::string out;
  if (Convert(handle, in, out)) return out;
  out.clear();
  size_t i = 0;
  while (i < in.size()) {
    auto b = static_cast<unsigned char>(in[i]);
    size_t len = (is_lead(b) && i + 1 < in.size()) ? 2 : 1;
    std::string piece;
    if (Convert(handle, in.substr(i, len), piece)) out += piece;
    else out += "\xEF\xBF\xBD";
    i += len;
  }
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) { ++i; continue; }
    int extra;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) { extra = 1; cp = c & 0x1Fu; }
    else if (c >= 0xE0 && c <= 0xEF) { extra = 2; cp = c & 0x0Fu; }
    else if (c >= 0xF0 && c <= 0xF4) { extra = 3; cp = c & 0x07u; }
    else return false;
    if (s.size() - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      auto t = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3Fu);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

CodePage::CodePage()
    : to_cp949_(Open("CP949", "UTF-8")),
      from_cp949_(Open("UTF-8", "CP949")),
      to_johab_(Open("JOHAB", "CP949")),
      utf8_to_johab_(Open("JOHAB", "UTF-8")),
      johab_to_utf8_(Open("UTF-8", "JOHAB")) {}

CodePage::~CodePage() {
  for (void* h : {to_cp949_, from_cp949_, to_johab_, utf8_to_johab_, johab_to_utf8_})
    if (Usable(h)) iconv_close(static_cast<iconv_t>(h));
}

std::optional<std::string> CodePage::Utf8ToCp949(std::string_view utf8) {
  std::string out;
  if (!Convert(to_cp949_, utf8, out)) return std::nullopt;
  return out;
}

std::string CodePage::Cp949ToUtf8(std::string_view cp949) {
  return ToUtf8(from_cp949_, cp949, IsCp949LeadByte);
}

std::optional<std::string> CodePage::Utf8ToJohab(std::string_view utf8) {
  std::string out;
  if (!Convert(utf8_to_johab_, utf8, out)) return std::nullopt;
  return out;
}

std::string CodePage::JohabToUtf8(std::string_view johab) {
  return ToUtf8(johab_to_utf8_, johab, IsJohabLeadByte);
}

std::optional<std::uint16_t> CodePage::Cp949CharToJohab(std::uint16_t code) {
  const char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  std::string out;
  if (!Convert(to_johab_, std::string_view(in, 2), out) || out.size() != 2) return std::nullopt;
  return static_cast<std::uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                    static_cast<unsigned char>(out[1]));
}

}  // namespace vn::platform
