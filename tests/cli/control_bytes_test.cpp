// Text of the user's that vnstudio-cli prints (source lines, names, file names, typed commands
// and options) reaches the terminal with its control bytes escaped: an ESC in a source file must
// not recolour or clear the user's terminal, a NUL or DEL must not hide what the text is.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using vn::testing::CliRun;

// The first byte a terminal would act on (not a line end or a tab), or "" when there is none.
std::string FirstControlByte(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F) return "byte " + std::to_string(b) + " at " + std::to_string(i);
  }
  return "";
}

class ControlBytes : public vn::testing::CliTest {
 protected:
  ControlBytes() : CliTest("vn_control_bytes_test") {}

  // Runs the command; neither output may carry a control byte.
  CliRun Clean(const std::string& args, const std::string& input = "") {
    const CliRun r = Exec(args, input);
    EXPECT_EQ(FirstControlByte(r.out), "") << args << "\n" << r.out;
    EXPECT_EQ(FirstControlByte(r.err), "") << args << "\n" << r.err;
    return r;
  }
};

TEST_F(ControlBytes, NamesInCompileErrors) {
  struct Case {
    std::string source;
    std::string err;  // after "FILE:"
  };
  const std::vector<Case> cases = {
      {std::string("DIM A AS BYTE\r\nGOTO Q\x1B\r\n"), "2: error: Invalid label : Q\\x1B\n"},
      {"DIM A AS BYTE\r\nGOTO Q\0R\r\n"s, "2: error: Invalid label : Q\\x00R\n"},
      {std::string("DIM A AS BYTE\r\nGOTO Q\x7F\r\n"), "2: error: Invalid label : Q\\x7F\n"},
      {std::string("DIM A AS BYTE\r\nGOTO Q\x07\x1B\x1F\r\n"), "2: error: Invalid label : Q\\x07\\x1B\\x1F\n"},
  };
  for (const Case& c : cases) {
    const fs::path src = Write("names.bas", c.source);
    for (const char* command : {"compile ", "list ", "run "}) {
      SCOPED_TRACE(command + c.err);
      const CliRun r = Clean(command + src.string());
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, src.string() + ":" + c.err);
    }
  }
}

TEST_F(ControlBytes, FileNames) {
  const fs::path src = Write("esc\x1B[31mred.bas", "DIM A AS BYTE\r\nA =\r\n");
  const std::string quoted = "'" + src.string() + "'";
  CliRun r = Clean("compile " + quoted);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind((dir_ / "esc\\x1B[31mred.bas:2: error: ").string(), 0), 0u) << r.err;

  const fs::path ok = Write("run\x1B[2J.bas", "DIM A AS BYTE\r\n");
  r = Clean("run '" + ok.string() + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("running " + (dir_ / "run\\x1B[2J.bas").string() + " on the VN series", 0), 0u) << r.out;

  r = Clean("compile '" + (dir_ / "missing\x1B[2J.bas").string() + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing\\x1B[2J.bas"), std::string::npos) << r.err;
  // The C1 control CSI (U+009B) and a byte that is no UTF-8 are escaped; Korean stays text.
  const fs::path c1 = Write("\xED\x95\x9C\xEA\xB8\x80\xC2\x9B" "31m\xFF.bas", "DIM A AS BYTE\r\nA =\r\n");
  r = Clean("compile '" + c1.string() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind((dir_ / "\xED\x95\x9C\xEA\xB8\x80\\xC2\\x9B" "31m\\xFF.bas:2: error: ").string(), 0), 0u) << r.err;
  r = Clean("download '" + (dir_ / "missing\x1B[2J.obj").string() + "' --cable virtual");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing\\x1B[2J.obj"), std::string::npos) << r.err;
}

TEST_F(ControlBytes, LabelsInTheListing) {
  const fs::path src = Write("labels.bas", "A\x1B: GOTO A\x1B\r\nB\x7F:\r\n");
  const CliRun r = Clean("list " + src.string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" 0  : A\\x1B = 18\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" 1  : B\\x7F = 1B\n"), std::string::npos) << r.out;
}

// JSON escapes what a terminal would act on and says the same names when it is read back.
TEST_F(ControlBytes, NamesInTheJsonReport) {
  const fs::path src = Write("json.bas", "DIM A\x7F AS BYTE\r\nB\x1B: GOTO B\x1B\r\nGOTO C\x1B\x7F\r\n");
  const CliRun r = Clean("compile --json " + src.string());
  EXPECT_EQ(r.status, 1);
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["variables"][0]["name"], "A\x7F");
  EXPECT_EQ(j["labels"][0]["name"], "B\x1B");
  EXPECT_EQ(j["error"]["en"], "Invalid label : C\x1B\x7F");
  EXPECT_NE(r.out.find("\"A\\u007f\""), std::string::npos) << r.out;
}

TEST_F(ControlBytes, TheRunsOutput) {
  const fs::path src = Write("show.bas",
                             std::string("PRINT \"\x1B[2J\"\r\nSEROUT 1, 96, 0, 0, [\"\x1B]0;t\x07\", 0, 127]\r\n"));
  const CliRun r = Clean("run " + src.string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("display row 0 col 0 \"\\x1B[2J\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("serial port 1 \"\\x1B]0;t\\x07\\x00\\x7F\""), std::string::npos) << r.out;
}

TEST_F(ControlBytes, OptionsAndInputItems) {
  const fs::path src = Write("ok.bas", "DIM A AS BYTE\r\n");
  CliRun r = Clean("run --input 'port:\x1B[2J=1' " + src.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vnstudio-cli: --input 'port:\\x1B[2J=1': the port must be a number from 0 to 64, not '\\x1B[2J'\n");
  r = Clean("compile --device '\x1B[2J' " + src.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vnstudio-cli: unknown device '\\x1B[2J' (KD KF LF LG ND NG WD WF ZQ1 ZQ2)\n");
  r = Clean("run --max-steps '1\x1B[2J' " + src.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vnstudio-cli: --max-steps: '1\\x1B[2J' is not a whole number in decimal digits (see vnstudio-cli --help)\n");
  r = Clean("compile " + src.string() + " '\x1B[2J'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("\\x1B[2J"), std::string::npos) << r.err;
  r = Clean("download " + src.string() + " --cable virtual --virtual-fault 'cut\x1B'");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vnstudio-cli: unknown fault 'cut\\x1B' (unplugged no-power other-family bad-flash:ADDR cut:N)\n");
}

TEST_F(ControlBytes, TheDebuggersLinesNamesAndCommands) {
  const fs::path src = Write("dbg.bas", "DIM A\x7F AS BYTE\r\nBREAK\r\nA\x7F = 1 ' \x1B[2J\0\r\nBREAK\r\n"s);
  const CliRun r = Clean("debug " + src.string() + " --device WF --cable virtual",
                         "step\nvars\nset Z\x1B[2J 1\nfrob\x1B[2J\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("line 3: A\\x7F = 1 ' \\x1B[2J\\x00\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" A\\x7F"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Variable Not Found : Z\\x1B[2J\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("unknown command 'frob\\x1B[2J'"), std::string::npos) << r.err;
}

}  // namespace
