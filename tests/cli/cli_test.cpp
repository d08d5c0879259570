// The command-line compiler's products as scripts use them: the JSON report, the object file,
// the listing, and every example compiling.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using vn::testing::CliRun;

class Cli : public vn::testing::CliTest {
 protected:
  Cli() : CliTest("vn_cli_test") {}
};

TEST_F(Cli, CompilesAndReportsJson) {
  const std::string src = P("ok.bas");
  Write("ok.bas", "DIM A AS BYTE\r\nCONST BYTE T = (1, 2)\r\nA = T(A) + 1\r\n");
  const CliRun r = Exec("compile --json " + src);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const json want = json::parse(R"({"ok":true,"device":"KX","device_kind":1,"code_size":44,
      "code":"202020202020202020202020202020202020202020202020881d0001029115a01d1b0015a021111700882900",
      "labels":[{"name":"0__CoLab","addr":29}],"variables":[{"name":"A","type":21,"addr":160,"dim":0}],
      "constants":[{"name":"T","text":"","elem_size":1,"addr":27}],"var_bytes_used":1,
      "line_map":[[24,2],[29,3],[41,4]]})");
  // Key by key, so that a key added to the report breaks nothing; a missing one fails here.
  json j = json::parse(r.out);
  for (const auto& [key, value] : want.items()) EXPECT_EQ(j[key], value) << key;
  EXPECT_FALSE(j.contains("error"));
}

// The line map runs to the program's last code: its end jump, on the line after the last,
// behind a label that compiles no code.
TEST_F(Cli, TheLineMapsLastEntryIsTheEndJump) {
  Write("end.bas", "DIM A AS BYTE\r\nA = 1\r\nL:\r\n");
  const json j = json::parse(Exec("compile --json " + P("end.bas")).out);
  EXPECT_EQ(j["code_size"], 32);
  EXPECT_EQ(j["line_map"], json::parse("[[24,2],[29,4]]"));
}

TEST_F(Cli, JsonOnFailureKeepsTheTablesAndTheError) {
  Write("bad.bas", "DIM A AS BYTE\n\nA = 1 +\n");
  const CliRun r = Exec("compile --json --device WD " + P("bad.bas"));
  EXPECT_EQ(r.status, 1);
  const json j = json::parse(r.out);
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["device"], "WX");
  EXPECT_EQ(j["device_kind"], 2);
  EXPECT_EQ(j["variables"].size(), 1u);
  EXPECT_EQ(j["line_map"], json::parse("[[24,3]]"));  // up to the statement that failed
  EXPECT_EQ(j["error"], json::parse(R"({"line":3,"en":"Invalid Constant or Command !",
      "ko":"정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."})"));
  // CONST DEVICE outranks --device.
  Write("dev.bas", "CONST DEVICE = ND\nDIM A AS BYTE\n");
  const json d = json::parse(Exec("compile --json --device WF " + P("dev.bas")).out);
  EXPECT_EQ(d["device"], "NX");
  EXPECT_EQ(d["variables"][0]["addr"], 160);
}

// JSON escapes what a terminal would act on and says the same names when it is read back.
TEST_F(Cli, ControlBytesInTheJsonReportAreEscapedAndReadBack) {
  Write("json.bas", "DIM A\x7F AS BYTE\r\nB\x1B: GOTO B\x1B\r\nGOTO C\x1B\x7F\r\n");
  const CliRun r = Exec("compile --json " + P("json.bas"));
  EXPECT_EQ(r.status, 1);
  const json j = json::parse(r.out);
  EXPECT_EQ(j["variables"][0]["name"], "A\x7F");
  EXPECT_EQ(j["labels"][0]["name"], "B\x1B");
  EXPECT_EQ(j["error"]["en"], "Invalid label : C\x1B\x7F");
  EXPECT_NE(r.out.find("\"A\\u007f\""), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1B'), std::string::npos) << r.out;
}

TEST_F(Cli, WritesTheObjectFileAndNoneOnFailure) {
  Write("empty.bas", "");
  ASSERT_EQ(Exec("compile -o " + P("empty.obj") + " " + P("empty.bas")).status, 0);
  EXPECT_EQ(vn::testing::ReadAll(dir_ / "empty.obj"),
            std::string("VN2000\x1B\0", 8) + std::string(24, ' ') + std::string("\x88\x18\x00\x00", 4));
  Write("bad.bas", "X\n");
  EXPECT_EQ(Exec("compile -o " + P("bad.obj") + " " + P("bad.bas")).status, 1);
  EXPECT_FALSE(fs::exists(dir_ / "bad.obj"));
}

TEST_F(Cli, EveryExampleCompiles) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bas") continue;
    ++count;
    const CliRun r = Exec("compile --json " + entry.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out)["ok"], true) << entry.path();
  }
  EXPECT_GE(count, 3);
}

}  // namespace
