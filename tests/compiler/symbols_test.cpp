// DIM, CONST, constant arrays, CONST DEVICE and labels.
#include <gtest/gtest.h>
#include "compile_helpers.h"

namespace vn::compiler::testing {
namespace {
using VarRow = std::tuple<std::u16string, int, int, int>;  // the name, type, address and size

void ExpectVars(const Compiler& c, const std::vector<VarRow>& rows) {
  std::vector<VarRow> vars;
  for (int i = 0; i < c.VarCount(); ++i) vars.emplace_back(c.Vars[i].VarName, c.Vars[i].VarType, c.Vars[i].VarAddr, c.Vars[i].VarDim);
  EXPECT_EQ(vars, rows);
}
TEST(Symbols, VariableLayoutPerSeriesAndTheVnMemoryLimit) {
  auto vn = Ok("KF", "DIM A AS BYTE, B(3) AS BYTE ,C AS INTEGER|DIM D(0) AS INTEGER");
  ExpectVars(*vn, {{u"A", 21, 160, 0}, {u"B", 28, 161, 3}, {u"C", 22, 164, 0}, {u"D", 22, 166, 0}});
  EXPECT_EQ(std::pair(vn->VarBytesUsed, vn->Device.NextVarAddr), std::pair(8, 168));
  auto vnm = Ok("WF", "DIM A AS BYTE, B(3) AS BYTE|DIM C(2) AS INTEGER, L AS LONG, M(2) AS LONG|"
                      "DIM S AS SINGLE, T(2) AS SINGLE, U(2) AS BYTE|DIM ST AS STRING * 20, Z AS BYTE");
  ExpectVars(*vnm, {{u"A", 21, 0, 0}, {u"B", 8, 1, 3}, {u"C", 9, 4, 2}, {u"L", 26, 8, 0}, {u"M", 10, 12, 2},
                    {u"S", 15, 20, 0}, {u"T", 11, 24, 2}, {u"U", 8, 32, 2}, {u"ST", 20, 34, 0}, {u"Z", 21, 56, 0}});
  EXPECT_EQ(vnm->VarBytesUsed, 57);
  // Only a string's declaration compiles code: its size, on the declaration's line.
  EXPECT_EQ(ProgramBytes(*vnm), Bytes({145, 21, 34, 0, 18, 20, 0}));
  EXPECT_EQ(vnm->Code.LineOf(24), 4);
  auto fits = Compile("KF", {"DIM A(94) AS BYTE", "DIM B AS BYTE"});
  ASSERT_EQ(fits->Outcome.result, 0);
  EXPECT_EQ(std::pair(fits->Vars[1].VarAddr, fits->Device.NextVarAddr), std::pair(254, 255));
  const Text no_room{"Not Enough room to Variable Memory", "변수영역이 초과되었습니다."};
  ExpectRow(ErrorRow{"KF", "DIM A(94) AS BYTE|DIM B AS BYTE|DIM C AS BYTE", no_room});
  EXPECT_EQ(Compile("KF", {"DIM A(94) AS BYTE", "DIM B AS BYTE", "DIM C AS BYTE"})->VarCount(), 3);  // the entry stays
  // The NX series ends at 240.
  ExpectRow(ErrorRow{"ND", "DIM A(80) AS BYTE", no_room});
  Ok("ND", "DIM A(78) AS BYTE|DIM B AS BYTE");
}
TEST(Symbols, ConstDevice) {
  // The preset, the declared code, then the series, kind, first variable address, limit, address width and menu item.
  const std::tuple<const char*, const char*, const char*, int, int, int, int, const char*> cases[] = {
      {"WF", "KD", "KX", 1, 160, 256, 1, "KD"}, {"WF", "ZQ1", "KX", 1, 160, 256, 1, "KD"}, {"WF", "LG", "LX", 1, 160, 256, 1, "LG"},
      {"WF", "ZQ2", "NX", 1, 160, 240, 1, "ND"}, {"KF", "LF", "LX", 1, 160, 256, 1, "LF"}, {"KF", "WD", "WX", 2, 0, 32767, 2, "WD"},
      {"KF", "WF", "WX", 2, 0, 32767, 2, "WF"},
  };
  for (const auto& [preset, code, series, kind, first, limit, width, item] : cases) {
    auto c = Compile(preset, {"CONST X = 1", std::string("CONST DEVICE = ") + code, "DIM A AS BYTE"});
    ASSERT_EQ(c->Outcome.result, 0) << code << c->Outcome.message.en;
    const auto& d = c->Device;
    EXPECT_EQ(std::tuple(d.DeviceSeries, d.DeviceKind, d.VarAddrLimit, d.AddrWidth, d.DeviceItem, c->Vars[0].VarAddr),
              std::tuple(std::string(series), kind, limit, width, std::string(item), first));
  }
  // Only at the top; a declared device outlives the compile.
  auto c = Compile("KF", {"DIM A AS BYTE", "CONST DEVICE = WF"});
  EXPECT_EQ(std::tuple(c->Outcome.message.en, c->Outcome.message.ko, c->Device.DeviceItem, c->Device.DeviceSeries),  // the menu marks went first
            std::tuple(std::string("CONST DEVICE must be located the top of source program"),
                       std::string("CONST DEVICE문은 소스의 가장 첫부분에 위치해야만 합니다."), std::string(), std::string("KX")));
  ASSERT_EQ(c->CompileSource(Source({"CONST DEVICE = WF"})), 0);
  ASSERT_EQ(c->CompileSource(Source({"DIM A AS LONG"})), 0);
  EXPECT_EQ(c->Vars[0].VarAddr, 0);
}
TEST(Symbols, ConstantArraysOnOneOrSeveralLines) {
  auto c = Ok("KF", "CONST BYTE T = (1, 2, 3)");
  EXPECT_EQ(ProgramBytes(*c), Bytes({136, 30, 0, 1, 2, 3}));
  EXPECT_EQ(std::pair(c->Consts[0].ConstArrAddr, c->Consts[0].ConstArrKind), std::pair(27, 1));
  ASSERT_EQ(c->LabelCount(), 1);
  EXPECT_EQ(std::pair(c->Labels[0].LabelName, c->Labels[0].LabelAddr), std::pair(std::u16string(u"0__CoLab"), 30L));
  EXPECT_EQ(c->Code.LineOf(24), 1);
  // Words and longs are little-endian; SINGLE elements are stored as SINGLEs; -1 is a value.
  auto w = Ok("WF", "CONST K = 7|CONST INTEGER W = (&H1234, -1)|CONST LONG L = (70000)|CONST SINGLE S = (1.5, 2)|CONST BYTE B = (\"AB\", 67)");
  EXPECT_EQ(ProgramBytes(*w), Bytes({136, 31, 0, 0x34, 0x12, 0xFF, 0xFF,         // W
                                     136, 38, 0, 0x70, 0x11, 0x01, 0x00,         // L
                                     136, 49, 0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0x40,  // S
                                     136, 55, 0, 65, 66, 67}));                   // B
  EXPECT_EQ(std::pair(w->Labels[0].LabelName, w->Labels[3].LabelName), std::pair(std::u16string(u"1__CoLab"), std::u16string(u"4__CoLab")));
  // Elements are read by descriptor 29..31 with the array's code address and the index.
  EXPECT_EQ(CodeBytes(*Ok("KF", "CONST BYTE T = (1, 2, 3)|DIM A AS BYTE|A = T(A)"), 30, 39), Bytes({145, 21, 160, 29, 27, 0, 21, 160, 0}));
  ExpectRow(ByteRow{"KF", "CONST BYTE T = (1, 2,|3,  |4)|DIM A AS BYTE|A = 1", {136, 31, 0, 1, 2, 3, 4, 145, 21, 160, 17, 0}, {{31, 5}}});
}

const Text kStringSize{"Syntax Error ! String Size is between 1 ~ 95"};
const ErrorRow kErrors[] = {
    {"KF", "DIM 1A AS BYTE", {"Invalid Variable Name !", "변수명이 잘못되었습니다."}},
    {"KF", "DIM A AS BYTE|DIM A AS BYTE", {"Duplicate Definition"}}, {"KF", "DIM A(X) AS BYTE", {"Syntax Error ! Invalid Constant"}},
    {"KF", "DIM A BYTE", {"Syntax Error !    Example : DIM I AS INTEGER"}},
    {"KF", "DIM A(2) AS INTEGER", {"Can not use INTEGER ARRAY with this DEVICE !"}},
    {"KF", "DIM A AS LONG", {"Can not use LONG type variable with this DEVICE !"}},
    {"KF", "DIM A AS SINGLE", {"Can not use SINGLE type variable with this DEVICE !"}},
    // On the VN series the device is refused before the size is looked at.
    {"KF", "DIM A AS STRING * 200", {"Can not use STRING type variable with this DEVICE !"}},
    {"WF", "DIM A(2) AS STRING * 2", {"Syntax Error ! Not Available String Array !"}}, {"WF", "DIM A AS STRING * 96", kStringSize},
    {"WF", "DIM A AS STRING * 0", kStringSize}, {"WF", "DIM A AS WORD", {"Invalid Variable Mode ! "}},
    {"KF", "DIM A AS BYTE  , B AS BYTE", kEndOfLine},  // Two blanks before the comma end the declaration; the comma is left over.
    {"KF", "DIM A AS BYTE|CONST K = 1|CONST LONG T = (1)", {"Can not use SINGLE or LONG type Const array with this DEVICE !"}},
    {"KF", "DIM A AS BYTE|CONST K = 1|CONST BYTE A = (1)", {"Duplicate Variable !"}},
    {"KF", "DIM A AS BYTE|CONST K = 1|CONST BYTE K = (1)", {"Duplicate Constant !"}},
    {"KF", "DIM A AS BYTE|CONST K = 1|CONST BYTE T = (1, 256)", {"Use Byte type ! "}}, {"KF", "CONST 1X = 3", {"Invalid CONST name !"}},
    {"KF", "CONST X 3", {"Syntax Error ! Example : CONST UPKEY = 4"}}, {"KF", "CONST BYTE T = (1, 2,||3)", {"Syntax Error on CONST Array !"}, 2},
    {"KF", "CONST DEVICE = XX", {"Syntax Error ! Invalid Device Name. Must use KD,KF,LF,LG,ND,NG,WD,WF"}},
};
TEST(Symbols, Errors) {
  for (const auto& r : kErrors) ExpectRow(r);
}
}  // namespace
}  // namespace vn::compiler::testing
