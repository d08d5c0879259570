// The serial line's text: what is no character in a code set both ways, line splitting and the
// plotter's lines. Good text in each code set and ending, read in parts, and the hexadecimal
// lines are walked by the serial monitor's tests (tests/shell) and the monitor command's.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "serial/serial_text.h"

namespace vn::serial {
namespace {

// The code set, the reads as they arrive, the UTF-8 text after Feed of each and a Flush, which
// gives up an incomplete character at the end.
TEST(Text, DecodesAndEncodesEachCodeSetSplitsLinesAndGivesThePlottersValues) {
  const std::tuple<CodeSet, std::vector<std::string>, std::string> cases[] = {
      // Bytes that start no character, and a lead byte whose partner is no trail byte.
      {CodeSet::kCp949, {"\x80" "a\xFF"}, "\xEF\xBF\xBD" "a\xEF\xBF\xBD"}, {CodeSet::kCp949, {"\xC7\n"}, "\xEF\xBF\xBD\n"},
      {CodeSet::kUtf8, {"\xC0\xAF" "b", "\xED\xA0\x80"}, "\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {CodeSet::kCp949, {"ok\xB1"}, "ok\xEF\xBF\xBD"}, {CodeSet::kUtf8, {"\xE2\x82"}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {CodeSet::kJohab, {"\x30\x80\xD0\x65"}, "0\xEF\xBF\xBD한"},
  };
  for (const auto& [set, reads, want] : cases) {
    TextDecoder decoder(set);
    std::string text;
    for (const auto& r : reads) text += decoder.Feed(r);
    EXPECT_EQ(text + decoder.Flush(), want) << CodeSetName(set) << " " << reads[0];
  }
  // A line sent in each code set and ending.
  const std::tuple<std::string, CodeSet, LineEnding, std::string, std::string> lines[] = {  // text, set, ending, bytes, error
      {"a\xFF", CodeSet::kUtf8, LineEnding::kLf, "", "the line is not UTF-8 text"},
      {"가é😀", CodeSet::kCp949, LineEnding::kCrLf, "", "\"é\" (U+00E9) has no cp949 form"},
      {"a😀", CodeSet::kJohab, LineEnding::kLf, "", "\"😀\" (U+1F600) has no johab form"}, {"", CodeSet::kJohab, LineEnding::kCrLf, "\r\n", ""},
  };
  for (const auto& [utf8, set, ending, bytes, error] : lines) {
    const Outgoing out = EncodeLine(utf8, set, ending);
    EXPECT_EQ(std::make_tuple(out.bytes, out.error, out.ok()), std::make_tuple(bytes, error, error.empty())) << utf8;
  }
  // Lines end at CR, LF and CR LF, also across reads; a long line is cut.
  const std::string cap(LineSplitter::kMaxLine, 'x');
  const std::pair<std::vector<std::string>, std::vector<std::string>> splits[] = {
      {{"a\rb\nc\r\nd"}, {"a", "b", "c"}}, {{"a\r", "\nb\r", "\r\n"}, {"a", "b", ""}},
      {{"x\n\n", "\ny"}, {"x", "", ""}}, {{"\n\r"}, {"", ""}},
      {{cap.substr(0, 100), cap.substr(100) + "xxxxx\n"}, {cap, "xxxxx"}},
  };
  for (const auto& [reads, want] : splits) {
    LineSplitter splitter;
    std::vector<std::string> got;
    for (const auto& r : reads)
      for (auto& l : splitter.Feed(r)) got.push_back(l);
    EXPECT_EQ(got, want) << reads[0].substr(0, 10);
  }
  // The plotter's values: named or numbered by their place; words, NaN and infinities skipped
  // (more lines are walked by the plotter's tests, tests/shell).
  std::vector<std::pair<std::string, double>> values;
  for (const auto& v : ParsePlotLine("  temp:21.5, hum:40 ,, 1e3 nan inf +7\tx:abc 5")) values.emplace_back(v.name, v.value);
  EXPECT_EQ(values, (std::vector<std::pair<std::string, double>>{{"temp", 21.5}, {"hum", 40}, {"3", 1000}, {"6", 7}, {"8", 5}}));
}

}  // namespace
}  // namespace vn::serial
