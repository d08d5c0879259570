// Conversions between UTF-8, code page 949 (the ANSI code page of Korean text files)
// and Johab (the Hangul code the module's display uses by default).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vn::platform {

// True when `bytes` is well-formed UTF-8 (overlong forms and surrogates refused).
bool IsValidUtf8(std::string_view bytes);

// True when `b` starts a double-byte character in code page 949.
constexpr bool IsCp949LeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// True when `b` starts a double-byte character in Johab (Hangul 84..D3, symbols and Hanja
// D8..DE and E0..F9).
constexpr bool IsJohabLeadByte(unsigned char b) {
  return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
}

// One converter per user of it: it keeps its iconv descriptors open between calls.
class CodePage {
 public:
  CodePage();
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  // UTF-8 to code page 949; nullopt when a character has no code page 949 form.
  std::optional<std::string> Utf8ToCp949(std::string_view utf8);
  // Code page 949 to UTF-8; bytes that are not code page 949 become U+FFFD.
  std::string Cp949ToUtf8(std::string_view cp949);
  // The two Johab bytes (high first) of one double-byte code page 949 character, given as
  // lead * 256 + trail; nullopt when the character has no Johab form.
  std::optional<std::uint16_t> Cp949CharToJohab(std::uint16_t code);
  // UTF-8 to Johab; nullopt when a character has no Johab form.
  std::optional<std::string> Utf8ToJohab(std::string_view utf8);
  // Johab to UTF-8; bytes that are not Johab become U+FFFD.
  std::string JohabToUtf8(std::string_view johab);

 private:
  void* to_cp949_;    // iconv_t UTF-8 -> CP949
  void* from_cp949_;  // iconv_t CP949 -> UTF-8
  void* to_johab_;    // iconv_t CP949 -> JOHAB
  void* utf8_to_johab_;  // iconv_t UTF-8 -> JOHAB
  void* johab_to_utf8_;  // iconv_t JOHAB -> UTF-8
};

}  // namespace vn::platform
