// The command-line compiler's products as scripts use them: the JSON report, the object file
// (its header and checksum are checked in tests/link), and every example compiling.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class Cli : public vn::testing::CliTest {
 protected:
  Cli() : CliTest("vn_cli_test") {}
  json Report(const std::string& name, const std::string& source, const std::string& options, int status) {
    Write(name, source);
    const vn::testing::CliRun r = Exec("compile --json " + options + P(name));
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos) << r.out;  // JSON escapes what a terminal acts on
    return json::parse(r.out);
  }
};

// Key by key, so that a key added to the report breaks nothing; a missing one fails here.
void ExpectKeys(const json& got, const char* want) {
  const json keys = json::parse(want);
  for (const auto& [key, value] : keys.items()) EXPECT_EQ(got[key], value) << key;
}

TEST_F(Cli, TheJsonReportHoldsTheTablesAndTheErrorAndEveryExampleCompiles) {
  const json j = Report("ok.bas", "DIM A AS BYTE\r\nCONST BYTE T = (1, 2)\r\nA = T(A) + 1\r\n", "-o " + P("ok.obj") + " ", 0);
  ExpectKeys(j, R"({"ok":true,"device":"KX","device_kind":1,"code_size":44,
      "code":"202020202020202020202020202020202020202020202020881d0001029115a01d1b0015a021111700882900",
      "labels":[{"name":"0__CoLab","addr":29}],"variables":[{"name":"A","type":21,"addr":160,"dim":0}],
      "constants":[{"name":"T","text":"","elem_size":1,"addr":27}],"var_bytes_used":1,
      "line_map":[[24,2],[29,3],[41,4]]})");
  EXPECT_FALSE(j.contains("error"));
  // The object file holds the same code after its header; a failed compile writes none.
  std::string code;
  for (unsigned char b : vn::testing::ReadAll(dir_ / "ok.obj").substr(8, 44)) code += "0123456789abcdef"[b >> 4], code += "0123456789abcdef"[b & 15];
  EXPECT_EQ(j["code"], code);
  // The line map runs to the end jump, on the line after the last, behind a label with no code.
  ExpectKeys(Report("end.bas", "DIM A AS BYTE\r\nA = 1\r\nL:\r\n", "", 0), R"({"code_size":32,"line_map":[[24,2],[29,4]]})");
  const json bad = Report("bad.bas", "DIM A AS BYTE\n\nA = 1 +\n", "--device WD -o " + P("bad.obj") + " ", 1);
  EXPECT_FALSE(fs::exists(dir_ / "bad.obj"));
  EXPECT_EQ(bad["variables"].size(), 1u);
  ExpectKeys(bad, R"({"ok":false,"device":"WX","device_kind":2,"line_map":[[24,3]],"error":{"line":3,
      "en":"Invalid Constant or Command !","ko":"정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."}})");
  // CONST DEVICE outranks --device.
  const json dev = Report("dev.bas", "CONST DEVICE = ND\nDIM A AS BYTE\n", "--device WF ", 0);
  EXPECT_EQ(dev["device"], "NX");
  EXPECT_EQ(dev["variables"][0]["addr"], 160);
  // Control bytes in names are escaped and read back as they were.
  const json ctl = Report("json.bas", "DIM A\x7F AS BYTE\r\nB\x1B: GOTO B\x1B\r\nGOTO C\x1B\x7F\r\n", "", 1);
  EXPECT_EQ(ctl["variables"][0]["name"], "A\x7F");
  EXPECT_EQ(ctl["labels"][0]["name"], "B\x1B");
  EXPECT_EQ(ctl["error"]["en"], "Invalid label : C\x1B\x7F");
  EXPECT_NE(Exec("compile --json " + P("json.bas")).out.find("\"A\\u007f\""), std::string::npos);
  // Every example compiles.
  int count = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(VN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bas") continue;
    ++count;
    EXPECT_EQ(Exec("compile " + entry.path().string()).status, 0) << entry.path();
  }
  EXPECT_GE(count, 3);
}

}  // namespace
