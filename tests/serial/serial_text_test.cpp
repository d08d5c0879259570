// The serial line's text: code sets both ways, line endings, hexadecimal lines, line splitting
// and the plotter's lines.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "serial/serial_text.h"

namespace vn::serial {
namespace {

struct DecodeCase {
  CodeSet set;
  std::vector<std::string> reads;  // as they arrive
  std::string text;                // UTF-8 after Feed of each and a Flush
};

TEST(TextDecoder, DecodesEachCodeSetAcrossReads) {
  const DecodeCase cases[] = {
      {CodeSet::kCp949, {"A\xC7\xD1\xB1\xDB\r\n"}, "A한글\r\n"},
      {CodeSet::kJohab, {"A\xD0\x65\x8B\x69\r\n"}, "A한글\r\n"},
      {CodeSet::kUtf8, {"A\xED\x95\x9C\xEA\xB8\x80"}, "A한글"},
      // A character cut between two reads is held until its rest comes.
      {CodeSet::kCp949, {"x\xC7", "\xD1y"}, "x한y"},
      {CodeSet::kJohab, {"\x88", "\x61"}, "가"},
      {CodeSet::kUtf8, {"\xED", "\x95", "\x9C!"}, "한!"},
      // Bytes that start no character, and a lead byte whose partner is no trail byte.
      {CodeSet::kCp949, {"\x80" "a\xFF"}, "\xEF\xBF\xBD" "a\xEF\xBF\xBD"},
      {CodeSet::kCp949, {"\xC7\n"}, "\xEF\xBF\xBD\n"},
      {CodeSet::kJohab, {"\x30\x80\xD0\x65"}, "0\xEF\xBF\xBD한"},
      {CodeSet::kUtf8, {"\xC0\xAF" "b", "\xED\xA0\x80"}, "\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      // An incomplete character at the end is given up by Flush.
      {CodeSet::kCp949, {"ok\xB1"}, "ok\xEF\xBF\xBD"},
      {CodeSet::kUtf8, {"\xE2\x82"}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    TextDecoder decoder(c.set);
    std::string text;
    for (const auto& r : c.reads) text += decoder.Feed(r);
    text += decoder.Flush();
    EXPECT_EQ(text, c.text) << CodeSetName(c.set) << " " << c.reads[0];
  }
}

TEST(TextDecoder, HoldsTheFirstHalfUntilTheSecondRead) {
  TextDecoder decoder(CodeSet::kCp949);
  EXPECT_EQ(decoder.Feed("a\xC7"), "a");
  EXPECT_EQ(decoder.Feed("\xD1"), "한");
  EXPECT_EQ(decoder.Flush(), "");
}

struct EncodeCase {
  std::string utf8;
  CodeSet set;
  LineEnding ending;
  std::string bytes;
  std::string error;
};

TEST(EncodeLine, EachCodeSetAndEnding) {
  const EncodeCase cases[] = {
      {"A한", CodeSet::kCp949, LineEnding::kCrLf, "A\xC7\xD1\r\n", ""},
      {"A한", CodeSet::kJohab, LineEnding::kCr, "A\xD0\x65\r", ""},
      {"A한", CodeSet::kUtf8, LineEnding::kLf, "A\xED\x95\x9C\n", ""},
      {"hi", CodeSet::kCp949, LineEnding::kNone, "hi", ""},
      {"", CodeSet::kJohab, LineEnding::kCrLf, "\r\n", ""},
      {"가é😀", CodeSet::kCp949, LineEnding::kCrLf, "", "\"é\" (U+00E9) has no cp949 form"},
      {"a😀", CodeSet::kJohab, LineEnding::kLf, "", "\"😀\" (U+1F600) has no johab form"},
      {"a\xFF", CodeSet::kUtf8, LineEnding::kLf, "", "the line is not UTF-8 text"},
  };
  for (const auto& c : cases) {
    const Outgoing out = EncodeLine(c.utf8, c.set, c.ending);
    EXPECT_EQ(out.bytes, c.bytes) << c.utf8;
    EXPECT_EQ(out.error, c.error) << c.utf8;
    EXPECT_EQ(out.ok(), c.error.empty());
  }
}

TEST(Names, RoundTripAndRefuseUnknown) {
  for (CodeSet s : {CodeSet::kCp949, CodeSet::kJohab, CodeSet::kUtf8}) EXPECT_EQ(CodeSetFromName(CodeSetName(s)), s);
  for (LineEnding e : {LineEnding::kNone, LineEnding::kCr, LineEnding::kLf, LineEnding::kCrLf})
    EXPECT_EQ(LineEndingFromName(LineEndingName(e)), e);
  EXPECT_EQ(LineEndingBytes(LineEnding::kCrLf), "\r\n");
  EXPECT_FALSE(CodeSetFromName("utf8"));
  EXPECT_FALSE(LineEndingFromName("CRLF"));
}

TEST(Bauds, AscendingWithTheHardwareRates) {
  const auto bauds = Bauds();
  for (size_t i = 1; i < bauds.size(); ++i) EXPECT_LT(bauds[i - 1], bauds[i]);
  for (int rate : {300, 2400, 9600, 76800, 96000, 115200}) EXPECT_NE(std::find(bauds.begin(), bauds.end(), rate), bauds.end()) << rate;
  EXPECT_EQ(std::find(bauds.begin(), bauds.end(), 9601), bauds.end());
}

TEST(HexLine, LocalTimeToTheMillisecondThenTheBytes) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 0;
  local.tm_mday = 5;
  local.tm_hour = 21;
  local.tm_min = 7;
  local.tm_sec = 3;
  local.tm_isdst = -1;
  const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(45);
  EXPECT_EQ(HexLine("Hello", when), "21:07:03.045  48 65 6C 6C 6F");
  EXPECT_EQ(HexLine(std::string("\x00\xFF\r", 3), when + std::chrono::milliseconds(950)), "21:07:03.995  00 FF 0D");
}

TEST(LineSplitter, EndsLinesAtCrLfAndCrLfAcrossReads) {
  struct Case {
    std::vector<std::string> reads;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {{"a\rb\nc\r\nd"}, {"a", "b", "c"}},
      {{"a\r", "\nb\r", "\r\n"}, {"a", "b", ""}},
      {{"x\n\n", "\ny"}, {"x", "", ""}},
      {{"\n\r"}, {"", ""}},
  };
  for (const auto& c : cases) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    for (const auto& r : c.reads)
      for (auto& l : splitter.Feed(r)) lines.push_back(l);
    EXPECT_EQ(lines, c.lines) << c.reads[0];
  }
}

TEST(LineSplitter, CutsALongLineAtTheCap) {
  LineSplitter splitter;
  const std::string long_line(LineSplitter::kMaxLine + 5, 'x');
  auto lines = splitter.Feed(long_line.substr(0, 100));
  EXPECT_TRUE(lines.empty());
  lines = splitter.Feed(long_line.substr(100) + "\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(LineSplitter::kMaxLine, 'x'));
  EXPECT_EQ(lines[1], "xxxxx");
}

TEST(ParsePlotLine, NamedAndPlacedValuesAndWordsSkipped) {
  struct Case {
    std::string line;
    std::vector<std::pair<std::string, double>> values;
  };
  const Case cases[] = {
      {"1 2 3", {{"1", 1}, {"2", 2}, {"3", 3}}},
      {"a:1,b:2", {{"a", 1}, {"b", 2}}},
      {"t:1\tx:-2.5", {{"t", 1}, {"x", -2.5}}},
      {"hello", {}},
      {"x:abc 5", {{"2", 5}}},
      {"", {}},
      {"  temp:21.5, hum:40 ,, 1e3 nan inf +7", {{"temp", 21.5}, {"hum", 40}, {"3", 1000}, {"6", 7}}},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::string, double>> got;
    for (const auto& v : ParsePlotLine(c.line)) got.emplace_back(v.name, v.value);
    EXPECT_EQ(got, c.values) << c.line;
  }
}

}  // namespace
}  // namespace vn::serial
