// Source text as the compiler sees it: a string of code page 949 characters, one element per
// character, so that a Korean double-byte character is one position for the scanner.
// A single-byte character is its byte value; a double-byte one is lead * 256 + trail.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vn::core {

using AnsiText = std::u16string;

// Splits code page 949 bytes into characters.
AnsiText DecodeAnsi(std::string_view bytes);
// Joins characters back into code page 949 bytes.
std::string EncodeAnsi(const AnsiText& text);
// ASCII text (names, keywords) as characters.
AnsiText Ansi(std::string_view ascii);

// Bytes of `text` in code page 949: 2 for each double-byte character, 1 for the others.
int AnsiLength(const AnsiText& text);
inline bool IsDoubleByte(char16_t c) { return c > 0xFF; }

// Upper case of the ASCII letters; other characters stay as they are.
AnsiText UpperCase(AnsiText text);

// The numeric reading of a text the way BASIC's Val reads it: leading blanks, a sign, digits,
// one decimal point, an exponent (E or D); reading stops at the first other character.
double Val(const AnsiText& text);

// A number as BASIC's Str$ prints it: a blank in place of the plus sign.
std::string Str(long long value);

// Uppercase hexadecimal without leading zeros, as BASIC's Hex$ prints it.
std::string Hex(unsigned long value);

// Source file bytes split into physical lines (CR LF, LF or a lone CR end a line; a last line
// without terminator counts, an empty file has no lines). A file that is valid UTF-8 is
// converted to code page 949 first; a line holding a character that code page 949 cannot
// hold is reported in `bad_lines` (1-based) and kept with that character replaced by '?'.
struct SourceLines {
  std::vector<AnsiText> lines;
  std::vector<int> bad_lines;
};
SourceLines SplitSource(std::string_view bytes);

}  // namespace vn::core
