// The command-line compiler as scripts use it: exit status, error lines, JSON, object files.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;
using vn::testing::ReadAll;

class Cli : public vn::testing::CliTest {
 protected:
  Cli() : CliTest("vn_cli_test") {}
};

TEST_F(Cli, CompilesAndReportsJson) {
  const auto src = Write("ok.bas", "DIM A AS BYTE\r\nCONST BYTE T = (1, 2)\r\nA = T(A) + 1\r\n");
  const CliRun r = Exec("compile --json " + src.string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["device"], "KX");
  EXPECT_EQ(j["device_kind"], 1);
  EXPECT_EQ(j["code_size"], 44);
  EXPECT_EQ(j["code"],
            "202020202020202020202020202020202020202020202020"
            "881d000102"                // jump over the array data 1, 2
            "9115a01d1b0015a021111700"  // A = T(A) + 1
            "882900");                  // the end jump
  EXPECT_EQ(j["labels"], nlohmann::json::parse(R"([{"name":"0__CoLab","addr":29}])"));
  EXPECT_EQ(j["variables"], nlohmann::json::parse(R"([{"name":"A","type":21,"addr":160,"dim":0}])"));
  EXPECT_EQ(j["constants"], nlohmann::json::parse(R"([{"name":"T","text":"","elem_size":1,"addr":27}])"));
  EXPECT_EQ(j["var_bytes_used"], 1);
  EXPECT_EQ(j["line_map"], nlohmann::json::parse("[[24,2],[29,3],[41,4]]"));
  EXPECT_FALSE(j.contains("error"));
}

TEST_F(Cli, IdentifyPrintsTheSeriesAndTheFirmwareLinesInEitherLanguage) {
  struct Case {
    const char* args;
    const char* out;
  };
  const Case cases[] = {
      {"identify --cable virtual --device KF", "VN series\nF/W Version is 32\n"},
      {"identify --cable virtual --device WF", "VNM series\nMain F/W is 32\nMath Chip F/W is 17\n"},
      {"identify --cable virtual --device WF --lang ko", "VNM series\nMain F/W is 32\nMath Chip F/W is 17\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = Exec(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(Cli, CompileErrorLineAndLanguage) {
  const auto src = Write("bad.bas", "DIM A AS BYTE\nA = 1\nDIM B AS LONG\n");
  CliRun en = Exec("compile " + src.string());
  EXPECT_EQ(en.status, 1);
  EXPECT_EQ(en.out, "");
  EXPECT_EQ(en.err, src.string() + ":3: error: Can not use LONG type variable with this DEVICE !\n");
  CliRun ko = Exec("compile --lang ko " + src.string());
  EXPECT_EQ(ko.status, 1);
  EXPECT_EQ(ko.err, src.string() + ":3: error: VN시리즈에서는 LONG형을 사용할 수 없습니다.\n");
  // The VNM series accepts it.
  EXPECT_EQ(Exec("compile --device WF " + src.string()).status, 0);
}

TEST_F(Cli, JsonOnFailureKeepsTheTablesAndTheError) {
  const auto src = Write("bad.bas", "DIM A AS BYTE\n\nA = 1 +\n");
  const CliRun r = Exec("compile --json --device WD " + src.string());
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["device"], "WX");
  EXPECT_EQ(j["device_kind"], 2);
  EXPECT_EQ(j["variables"].size(), 1u);
  EXPECT_EQ(j["error"]["line"], 3);
  EXPECT_EQ(j["error"]["en"], "Invalid Constant or Command !");
  EXPECT_EQ(j["error"]["ko"], "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다.");
}

TEST_F(Cli, ConstDeviceOverridesTheOption) {
  const auto src = Write("dev.bas", "CONST DEVICE = ND\nDIM A AS BYTE\n");
  const auto j = nlohmann::json::parse(Exec("compile --json --device WF " + src.string()).out);
  EXPECT_EQ(j["device"], "NX");
  EXPECT_EQ(j["variables"][0]["addr"], 160);
}

TEST_F(Cli, WritesTheObjectFile) {
  const auto src = Write("empty.bas", "");
  const auto obj = dir_ / "empty.obj";
  ASSERT_EQ(Exec("compile -o " + obj.string() + " " + src.string()).status, 0);
  std::string expected = "VN2000";
  expected += '\x1B';
  expected += '\x00';
  expected += std::string(24, ' ');
  expected += std::string("\x88\x18\x00\x00", 4);
  EXPECT_EQ(ReadAll(obj), expected);
  EXPECT_EQ(fs::file_size(obj), 36u);
  // A failed compile writes nothing.
  const auto bad = Write("bad.bas", "X\n");
  const auto obj2 = dir_ / "bad.obj";
  EXPECT_EQ(Exec("compile -o " + obj2.string() + " " + bad.string()).status, 1);
  EXPECT_FALSE(fs::exists(obj2));
}

TEST_F(Cli, UsageAndFileErrors) {
  EXPECT_EQ(Exec("compile " + (dir_ / "missing.bas").string()).status, 2);
  const auto src = Write("x.bas", "");
  EXPECT_EQ(Exec("compile --device XX " + src.string()).status, 2);
  EXPECT_EQ(Exec("compile --lang fr " + src.string()).status, 2);
  EXPECT_EQ(Exec("compile").status, 2);
  EXPECT_EQ(Exec("frobnicate").status, 2);
  EXPECT_EQ(Exec("compile -o /nonexistent-dir/x.obj " + src.string()).status, 2);
}

TEST_F(Cli, ListPrintsCodeRowsAndLabels) {
  const auto src = Write("l.bas", "START:\n");
  const CliRun r = Exec("list " + src.string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("18 : 88 18 00 00 00 00 00 00 \n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" 0  : START = 18\n"), std::string::npos) << r.out;
}

TEST_F(Cli, Utf8SourceErrorNamesItsLine) {
  const auto src = Write("u.bas", "DIM A AS BYTE\n' \xF0\x9F\x98\x80\n");
  const CliRun r = Exec("compile " + src.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, src.string() + ":2: error: Character not available in the Korean code page (949) !\n");
}

TEST_F(Cli, EveryExampleCompiles) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bas") continue;
    ++count;
    const CliRun r = Exec("compile --json " + entry.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["ok"], true) << entry.path();
  }
  EXPECT_GE(count, 3);
}

}  // namespace
