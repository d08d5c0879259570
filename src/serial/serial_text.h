// The serial line seen from the PC: the code sets a program's text arrives in, the line endings a
// typed line is sent with, hexadecimal lines with their time, and the plotter's lines of numbers.
// Plain functions over bytes, shared by the IDE's monitor and plotter and the command line's
// monitor.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace vn::serial {

// The code set received text is shown in and typed text is sent in. Programs send Korean text
// in the code set their SET HCODE chose.
enum class CodeSet { kCp949, kJohab, kUtf8 };
// "cp949", "johab", "utf-8".
std::string_view CodeSetName(CodeSet set);
std::optional<CodeSet> CodeSetFromName(std::string_view name);

enum class LineEnding { kNone, kCr, kLf, kCrLf };
// "", "\r", "\n", "\r\n".
std::string_view LineEndingBytes(LineEnding ending);
// "none", "cr", "lf", "crlf".
std::string_view LineEndingName(LineEnding ending);
std::optional<LineEnding> LineEndingFromName(std::string_view name);

// The baud rates a program can set on its serial lines (SEROUT/SERIN's baud values and
// SET RS232's rates), ascending and without repeats.
std::span<const int> Bauds();

// Received bytes to UTF-8 text, read by read: a character split between two reads is kept until
// its rest arrives; a byte that starts no character of the code set becomes U+FFFD.
class TextDecoder {
 public:
  explicit TextDecoder(CodeSet set);
  std::string Feed(std::string_view bytes);
  // What is still held (an incomplete character), as U+FFFD.
  std::string Flush();

 private:
  CodeSet set_;
  std::string held_;
  platform::CodePage codepage_;
};

// A line typed by the user (UTF-8) in the code set, followed by the line ending. `error` names
// the first character the code set has no form for; then `bytes` is empty.
struct Outgoing {
  std::string bytes;
  std::string error;
  bool ok() const { return error.empty(); }
};
Outgoing EncodeLine(std::string_view utf8, CodeSet set, LineEnding ending);

// One read shown as hexadecimal with the local time it came: "21:07:03.045  48 65 6C 6C 6F".
std::string HexLine(std::string_view bytes, std::chrono::system_clock::time_point when);

// Line ends as received, read by read: CR, LF and CR LF each become one LF, also when a CR LF
// pair is split between two reads.
class LineEnds {
 public:
  std::string Feed(std::string_view text);
  void Reset() { after_cr_ = false; }

 private:
  bool after_cr_ = false;  // the last byte was a CR: an LF now is its pair
};

// Splits received bytes into lines (CR, LF or CR LF end a line); a line longer than kMaxLine
// bytes is cut there and handed out as a line of its own.
class LineSplitter {
 public:
  static constexpr size_t kMaxLine = 4096;
  std::vector<std::string> Feed(std::string_view bytes);

 private:
  std::string line_;
  LineEnds ends_;
};

// One value of a plotter line. Values without a name are named by their place: "1", "2", ...
struct PlotValue {
  std::string name;
  double value = 0;
};
// A line of numbers separated by blanks, commas or tabs, each optionally "name:value"
// ("temp:21.5 hum:40", "1,2,3", "x:1\ty:2"). Words that are no number are skipped, so a line of
// text gives no values.
std::vector<PlotValue> ParsePlotLine(std::string_view line);

}  // namespace vn::serial
