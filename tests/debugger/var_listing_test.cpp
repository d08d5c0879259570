// The variable listing, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "debugger/var_listing.h"

namespace vn::debugger {
namespace {

compiler::VarEntry Var(const std::string& name, int type, int addr, int dim = 0) {
  return {core::Ansi(name), type, addr, dim};
}

std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

std::string Trailer() {
  std::string s;
  for (int i = 0; i < kVarListingTrailer; ++i) s += " \r\n";
  return s;
}

TEST(VarListing, OneLinePerVariableAndElement) {
  struct Case {
    const char* what;
    compiler::VarEntry var;
    int element;
    int addr_width;
    std::vector<int> ram;
    std::string line;
  };
  using namespace compiler;
  const Case cases[] = {
      {"BYTE on the VN series, 160 is element 0", Var("CNT", kByteVar, 161), -1, 1, {0, 26}, " CNT" + Blanks(9) + ":  26   1AH"},
      {"INTEGER is unsigned", Var("X", kIntegerVar, 2), -1, 2, {0, 0, 0xFF, 0xFF}, " X" + Blanks(11) + ":  65535   FFFFH"},
      {"INTEGER low byte first", Var("X", kIntegerVar, 0), -1, 2, {0x34, 0x12}, " X" + Blanks(11) + ":  4660   1234H"},
      {"LONG is signed, eight digits", Var("L", kLongVar, 0), -1, 2, {0xFF, 0xFF, 0xFF, 0xFF}, " L" + Blanks(11) + ": -1   FFFFFFFFH"},
      {"LONG keeps its leading zeros in hexadecimal", Var("L", kLongVar, 0), -1, 2, {0x01, 0, 0, 0}, " L" + Blanks(11) + ":  1   00000001H"},
      {"SINGLE: four bytes, most significant first, no leading zeros", Var("F", kSingleVar, 0), -1, 2, {0xDB, 0x0F, 0x49, 0x40}, " F" + Blanks(11) + ": 40 49 F DB"},
      {"STRING stops at a byte 0", Var("S", kStringVar, 0), -1, 2, {5, 'A', 'B', 0, 'D', 'E'}, " S" + Blanks(11) + ":  AB"},
      {"STRING stops at its length", Var("S", kStringVar, 0), -1, 2, {2, 'A', 'B', 'C'}, " S" + Blanks(11) + ":  AB"},
      {"a name of 12 characters is not padded", Var("ABCDEFGHIJKL", kByteVar, 0), -1, 2, {7}, " ABCDEFGHIJKL:  7   7H"},
      {"a name of 13 characters is not cut", Var("ABCDEFGHIJKLM", kByteVar, 0), -1, 2, {7}, " ABCDEFGHIJKLM:  7   7H"},
      {"short array name: padded to 12", Var("AB", kByteArrayVnm, 0, 20), 10, 2, std::vector<int>(20, 3), " AB(10)" + Blanks(6) + ":  3   3H"},
      {"array name of 9 characters: blank before the colon", Var("ABCDEFGHI", kByteArrayVnm, 0, 20), 10, 2, std::vector<int>(20, 3), " ABCDEFGHI(10) :  3   3H"},
      {"array name of 8 characters: cut to 12", Var("ABCDEFGH", kByteArrayVnm, 0, 200), 100, 2, std::vector<int>(200, 3), " ABCDEFGH(100:  3   3H"},
      {"INTEGER array elements are two bytes apart", Var("W", kIntegerArray, 4, 3), 2, 2, {0, 0, 0, 0, 1, 0, 2, 0, 0x10, 0x27}, " W(2)" + Blanks(8) + ":  10000   2710H"},
      {"LONG array elements are four bytes apart", Var("Q", kLongArray, 0, 2), 1, 2, {0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}, " Q(1)" + Blanks(8) + ": -2   FFFFFFFEH"},
      {"VN byte array from 160", Var("V", kByteArrayVn, 170, 4), 3, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99}, " V(3)" + Blanks(8) + ":  99   63H"},
      {"a type without a value: the label alone", Var("B", 27, 0), -1, 2, {1}, " B" + Blanks(11) + ": "},
      {"RAM beyond the image reads 0", Var("X", kIntegerVar, 9000), -1, 2, {1, 2}, " X" + Blanks(11) + ":  0   0H"}, 
  };
  for (const auto& c : cases) EXPECT_EQ(ListingLine(c.var, c.element, c.addr_width, c.ram), c.line) << c.what;
}

TEST(VarListing, AnEmptyTableIsTheBlankLinesAlone) {
  const VarListing l = BuildVarListing({}, 2, {});
  EXPECT_EQ(l.bytes, Trailer());
  EXPECT_EQ(l.line_count_plus1, 1);
}

TEST(VarListing, FileBytesAndLineOffsets) {
  const std::vector<compiler::VarEntry> vars = {
      Var("A", compiler::kByteVar, 0),
      Var("ARR", compiler::kByteArrayVnm, 1, 2),
      Var("I", compiler::kIntegerVar, 3),
  };
  const VarListing l = BuildVarListing(vars, 2, {5, 6, 7, 0, 1});
  const std::string l1 = " A           :  5   5H";
  const std::string l2 = " ARR(0)      :  6   6H";
  const std::string l3 = " ARR(1)      :  7   7H";
  const std::string l4 = " I           :  256   100H";
  EXPECT_EQ(l.bytes, l1 + "\r\n" + l2 + "\r\n" + l3 + "\r\n" + l4 + "\r\n" + Trailer());
  EXPECT_EQ(l.line_count_plus1, 5);
  const long o2 = 1 + static_cast<long>(l1.size()) + 2;
  const long o3 = o2 + static_cast<long>(l2.size()) + 2;
  const long o4 = o3 + static_cast<long>(l3.size()) + 2;
  const long end = o4 + static_cast<long>(l4.size()) + 2;
  EXPECT_EQ(l.offsets, (std::vector<long>{0, 1, o2, o3, o4, end}));
}

TEST(VarListing, OffsetsBeyond32767Bytes) {
  // 2000 elements of about 24 bytes: the listing runs far past what 16 bits can address.
  const VarListing l = BuildVarListing({Var("BIG", compiler::kByteArrayVnm, 0, 2000)}, 2, std::vector<int>(2000, 255));
  ASSERT_EQ(l.line_count_plus1, 2001);
  const long last = l.offsets[2000];
  EXPECT_GT(last, 32767);
  const std::string want = " BIG(1999)   :  255   FFH\r\n \r\n";
  EXPECT_EQ(l.bytes.substr(static_cast<size_t>(last - 1), want.size()), want);
}

}  // namespace
}  // namespace vn::debugger
