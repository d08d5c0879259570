// Expressions, types and conversions: programs compiled from BASIC, run to their end, and the
// variables read back from RAM.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interpreter_test_support.h"

namespace vn::sim::testing {
namespace {

// How a variable is read back: BYTE, INTEGER (unsigned 16), LONG, SINGLE, STRING.
enum class As { kByte, kWord, kLong, kSingle, kString };

struct VarCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  const char* var;
  As as;
  double number;     // expected number
  const char* text;  // expected STRING contents
};

const VarCase kCases[] = {
    {"byte addition wraps", "KF", {"DIM A AS BYTE", "A = 200", "A = A + 100"}, "A", As::kByte, 44, ""},
    {"multiplication before addition", "KF",
     {"DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE", "B = 2", "C = 3", "D = 4", "A = B + C * D"}, "A", As::kByte, 14, ""},
    {"previous result on the left", "KF",
     {"DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE", "B = 2", "C = 3", "D = 4", "A = B * C + D"}, "A", As::kByte, 10, ""},
    {"parentheses first", "KF",
     {"DIM A AS BYTE, B AS BYTE, C AS BYTE, D AS BYTE", "B = 2", "C = 3", "D = 4", "A = (B + C) * D"}, "A", As::kByte, 20, ""},
    {"subtraction then division from the left", "KF", {"DIM A AS BYTE", "A = 100 - 10 / 3"}, "A", As::kByte, 97, ""},
    {"integer division truncates", "KF", {"DIM A AS BYTE", "A = 17 / 5"}, "A", As::kByte, 3, ""},
    {"MOD", "KF", {"DIM A AS BYTE", "A = 17 MOD 5"}, "A", As::kByte, 2, ""},
    {"AND of two hex constants", "KF", {"DIM A AS BYTE", "A = &HF0 AND &H3C"}, "A", As::kByte, 0x30, ""},
    {"OR and XOR from the left", "KF", {"DIM A AS BYTE", "A = &H0F OR &H30 XOR &H03"}, "A", As::kByte, 0x3C, ""},
    {"shift left", "KF", {"DIM A AS BYTE", "A = 1 << 4"}, "A", As::kByte, 16, ""},
    {"shift right", "KF", {"DIM A AS BYTE", "A = 200 >> 3"}, "A", As::kByte, 25, ""},
    {"INTEGER wraps at 65536", "KF", {"DIM I AS INTEGER", "I = 65535", "I = I + 1"}, "I", As::kWord, 0, ""},
    {"negative constant in an INTEGER", "KF", {"DIM I AS INTEGER", "I = -1"}, "I", As::kWord, 65535, ""},
    {"INTEGER from bytes", "KF", {"DIM A AS BYTE, I AS INTEGER", "A = 250", "I = A * 4 + 3"}, "I", As::kWord, 1003, ""},
    {"high byte specifier", "KF", {"DIM W AS INTEGER, A AS BYTE", "W = &H1234", "A = W.H"}, "A", As::kByte, 0x12, ""},
    {"store into the low byte", "KF", {"DIM W AS INTEGER", "W = &H1234", "W.L = 0"}, "W", As::kWord, 0x1200, ""},
    {"set a bit", "KF", {"DIM B AS BYTE", "B = 1", "B.3 = 1"}, "B", As::kByte, 9, ""},
    {"clear a bit", "KF", {"DIM B AS BYTE", "B = 255", "B.7 = 0"}, "B", As::kByte, 127, ""},
    {"read a bit", "KF", {"DIM B AS BYTE, C AS BYTE", "B = 8", "C = B.3 + B.2"}, "C", As::kByte, 1, ""},
    {"bit of an INTEGER's high byte", "KF", {"DIM W AS INTEGER", "W.11 = 1"}, "W", As::kWord, 0x0800, ""},
    {"VN byte array with a variable index", "KF",
     {"DIM T(5) AS BYTE, I AS BYTE, A AS BYTE", "I = 2", "T(I) = 7", "A = T(2) + T(I)"}, "A", As::kByte, 14, ""},
    {"BYTE constant array", "KF",
     {"CONST BYTE SCALE = (0, 10, 20, 30)", "DIM I AS BYTE, A AS BYTE", "I = 3", "A = SCALE(I) + 1"}, "A", As::kByte, 31, ""},
    {"INTEGER constant array", "WF",
     {"CONST INTEGER W = (5, 300, 65535)", "DIM I AS BYTE, N AS INTEGER", "I = 1", "N = W(I) * 2"}, "N", As::kWord, 600, ""},
    {"LONG constant array", "WF",
     {"CONST LONG W = (-7, 100000)", "DIM I AS BYTE, L AS LONG", "L = W(0) * W(1)"}, "L", As::kLong, -700000, ""},
    {"SINGLE constant array", "WF",
     {"CONST SINGLE GAIN = (1.25, 2.5, 5.0)", "DIM I AS BYTE, F AS SINGLE", "I = 1", "F = GAIN(I) * 3"}, "F", As::kSingle, 7.5, ""},
    {"TABLE", "KF", {"DIM I AS BYTE, W AS INTEGER", "I = 2", "W = TABLE(I, 10, 20, 300)"}, "W", As::kWord, 300, ""},
    {"SINGLE product", "WF", {"DIM F AS SINGLE, G AS SINGLE", "F = 1.5", "G = F * 2.5"}, "G", As::kSingle, 3.75, ""},
    {"SINGLE division keeps the fraction", "WF", {"DIM F AS SINGLE", "F = 7.0", "F = F / 2"}, "F", As::kSingle, 3.5, ""},
    {"integers divide as integers", "WF", {"DIM F AS SINGLE, I AS INTEGER", "I = 7", "F = I / 2"}, "F", As::kSingle, 3, ""},
    {"SINGLE into an INTEGER truncates", "WF", {"DIM F AS SINGLE, I AS INTEGER", "F = 3.75", "I = F"}, "I", As::kWord, 3, ""},
    {"CINT rounds", "WF", {"DIM F AS SINGLE, I AS INTEGER", "F = 3.75", "I = CINT(F)"}, "I", As::kWord, 4, ""},
    {"CSNG of an INTEGER", "WF", {"DIM F AS SINGLE, I AS INTEGER", "I = 9", "F = CSNG(I) / 4"}, "F", As::kSingle, 2.25, ""},
    {"SQR", "WF", {"DIM F AS SINGLE", "F = SQR(2.25)"}, "F", As::kSingle, 1.5, ""},
    {"POW", "WF", {"DIM F AS SINGLE", "F = POW(1.5, 2)"}, "F", As::kSingle, 2.25, ""},
    {"SIN of 0.5", "WF", {"DIM F AS SINGLE", "F = SIN(0.5)"}, "F", As::kSingle, std::sin(0.5), ""},
    {"LONG arithmetic", "WF", {"DIM L AS LONG", "L = 100000 * 3 - 7"}, "L", As::kLong, 299993, ""},
    {"LONG below zero", "WF", {"DIM L AS LONG", "L = -5 - 3"}, "L", As::kLong, -8, ""},
    {"LONG bit 31 cleared", "WF", {"DIM L AS LONG", "L = -1", "L:31 = 0"}, "L", As::kLong, 0x7FFFFFFF, ""},
    {"VNM INTEGER array", "WF",
     {"DIM N(5) AS INTEGER, I AS BYTE, W AS INTEGER", "I = 3", "N(I) = 500", "W = N(3) + 1"}, "W", As::kWord, 501, ""},
    {"VNM SINGLE array", "WF",
     {"DIM F(3) AS SINGLE, G AS SINGLE", "F(2) = 0.5", "G = F(2) + F(2)"}, "G", As::kSingle, 1.0, ""},
    {"string constant", "WF", {"DIM S AS STRING * 10", "S = \"HELLO\""}, "S", As::kString, 0, "HELLO"},
    {"string cut to its size", "WF", {"DIM S AS STRING * 4", "S = \"HELLO\""}, "S", As::kString, 0, "HELL"},
    {"strings joined", "WF", {"DIM S AS STRING * 10, T AS STRING * 10", "S = \"AB\"", "T = S + \"CD\""}, "T", As::kString, 0, "ABCD"},
    {"LEFT", "WF", {"DIM S AS STRING * 10, T AS STRING * 10", "S = \"HELLO\"", "T = LEFT(S, 3)"}, "T", As::kString, 0, "HEL"},
    {"RIGHT", "WF", {"DIM S AS STRING * 10, T AS STRING * 10", "S = \"HELLO\"", "T = RIGHT(S, 2)"}, "T", As::kString, 0, "LO"},
    {"MID counts from 1", "WF", {"DIM S AS STRING * 10, T AS STRING * 10", "S = \"HELLO\"", "T = MID(S, 2, 3)"}, "T", As::kString, 0, "ELL"},
    {"LEN", "WF", {"DIM S AS STRING * 10, N AS BYTE", "S = \"HELLO\"", "N = LEN(S)"}, "N", As::kByte, 5, ""},
    {"VAL", "WF", {"DIM S AS STRING * 10, N AS INTEGER", "S = \"1234X\"", "N = VAL(S) + 1"}, "N", As::kWord, 1235, ""},
    {"VALHEX", "WF", {"DIM S AS STRING * 10, N AS INTEGER", "S = \"1F\"", "N = VALHEX(S)"}, "N", As::kWord, 31, ""},
    {"VALSNG", "WF", {"DIM S AS STRING * 10, F AS SINGLE", "S = \"2.5\"", "F = VALSNG(S) * 2"}, "F", As::kSingle, 5, ""},
    {"a number into a STRING is its text", "WF", {"DIM S AS STRING * 10, N AS INTEGER", "N = 4711", "S = N"}, "S", As::kString, 0, "4711"},
    {"CHR and ASC", "WF", {"DIM S AS STRING * 4, N AS BYTE", "S = CHR(65)", "N = ASC(S) + 1"}, "N", As::kByte, 66, ""},
    {"DEC with zeros", "WF", {"DIM S AS STRING * 10", "S = DEC(42, 5, 1)"}, "S", As::kString, 0, "00042"},
    {"HEX with blanks", "WF", {"DIM S AS STRING * 10", "S = HEX(255, 4, 0)"}, "S", As::kString, 0, "  FF"},
    {"FLOAT", "WF", {"DIM S AS STRING * 12, F AS SINGLE", "F = 2.5", "S = FLOAT(F, 6, 2)"}, "S", As::kString, 0, "  2.50"},
    {"BCD", "KF", {"DIM A AS BYTE", "A = BCD(45)"}, "A", As::kByte, 0x45, ""},
    {"PEEK and POKE", "KF", {"DIM A AS BYTE", "POKE 200, 77", "A = PEEK(200)"}, "A", As::kByte, 77, ""},
    {"STRING initialised with its size", "WF", {"DIM A AS BYTE, S AS STRING * 20", "A = PEEK(1)"}, "A", As::kByte, 20, ""},
};

class Values : public ::testing::TestWithParam<VarCase> {};

TEST_P(Values, RunsToTheExpectedValue) {
  const VarCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  switch (k.as) {
    case As::kByte: EXPECT_EQ(m.Byte(k.var), k.number); break;
    case As::kWord: EXPECT_EQ(m.Word(k.var), k.number); break;
    case As::kLong: EXPECT_EQ(m.Long(k.var), k.number); break;
    case As::kSingle: EXPECT_NEAR(m.Single(k.var), k.number, 1e-5); break;
    case As::kString: EXPECT_EQ(m.String(k.var), k.text); break;
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, Values, ::testing::ValuesIn(kCases));

TEST(Examples, CounterOnTheVnSeries) {
  // IN(1) reads 1 (an open input), so COUNTER = 4, INDEX = 4, TOTAL = 40 * 4 + 4 = 164, then
  // bit 7 of COUNTER is set.
  Machine m = BootFile("KF", "examples/counter.bas");
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("COUNTER"), 0x84);
  EXPECT_EQ(m.Byte("INDEX"), 4);
  EXPECT_EQ(m.Word("TOTAL"), 164);
  EXPECT_EQ(m.Byte("LOWPART"), 164);
  EXPECT_EQ(m.Byte("HIGHPART"), 0);
}

TEST(Examples, KeysOnTheVnSeries) {
  // The key on port 2 is pressed (0), channel 0 reads 500, keypad block 1 holds key 6.
  Machine m = BootFile("KF", "examples/keys.bas");
  m.vm->io().ports().SetInput(2, 0);
  m.vm->io().sensors().SetAdc(0, 500);
  m.vm->io().sensors().SetKeypad(1, 6);
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("KEY"), 0);
  EXPECT_EQ(m.Byte("LEVEL"), 125);
  EXPECT_EQ(m.Byte("BLOCK"), 6);
  EXPECT_EQ(m.Byte("DIGITS", 0), 5);
  EXPECT_EQ(m.Byte("DIGITS", 1), 2);
  // TABLE(0, ...) is 100; DEC(125, 3, 0) is the text "125", which adds as its number.
  EXPECT_EQ(m.Word("CODE"), 225);
}

TEST(Examples, MeasureOnTheVnmSeries) {
  // Channel 0 reads 400 on the A/D converter.
  Machine m = BootFile("KF", "examples/measure.bas");
  ASSERT_EQ(m.vm->series(), Series::kVnm);  // its CONST DEVICE = WF
  m.vm->io().sensors().SetAdc(0, 400);
  ASSERT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Word("RAW"), 400);
  EXPECT_FLOAT_EQ(m.Single("VOLTS"), 500.0f);
  const float result = std::sin(0.5f) * 500.0f + std::cos(0.5f);
  EXPECT_NEAR(m.Single("RESULT"), result * result, 0.05);
  EXPECT_EQ(m.Long("TOTAL"), std::lround(result * result));
  EXPECT_EQ(m.Byte("CHANNEL"), 0);  // LABEL is empty
}

}  // namespace
}  // namespace vn::sim::testing
