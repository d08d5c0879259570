// vnstudio-cli debug against the virtual module: a script on standard input, the stops it
// prints, the messages and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;
using vn::testing::ReadAll;

const char kProgram[] =
    "DIM N AS BYTE, K AS BYTE, FLAG AS BYTE\r\n"  // 1
    "N = 1\r\n"                                   // 2
    "BREAK\r\n"                                   // 3
    "AGAIN:\r\n"                                  // 4
    "K = K + N\r\n"                               // 5
    "GOSUB BUMP\r\n"                              // 6
    "IF FLAG = 0 THEN GOTO AGAIN\r\n"             // 7
    "N = 7\r\n"                                   // 8
    "BREAK\r\n"                                   // 9
    "DONE: GOTO DONE\r\n"                         // 10
    "BUMP:\r\n"                                   // 11
    "K = K + 1\r\n"                               // 12
    "RETURN\r\n";                                 // 13

class DebugCli : public vn::testing::CliTest {
 protected:
  DebugCli() : CliTest("vn_debug_cli_test") {}
  void SetUp() override {
    CliTest::SetUp();
    source_ = Write("prog.bas", kProgram);
  }

  // vnstudio-cli debug with its commands on standard input.
  CliRun Exec(const std::string& args, const std::string& script) { return CliTest::Exec("debug " + args, script); }

  fs::path source_;
};

TEST_F(DebugCli, AVnmSessionOverEachCable) {
  for (const char* cable : {"virtual", "virtual-revb"}) {
    SCOPED_TRACE(cable);
    const CliRun r = Exec(source_.string() + " --device WF --cable " + cable,
                          "step\nover\nvars\nset flag 1\ncontinue\nwhere\nquit\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "downloaded, Code Size : 55 Byte\n"
              "line 5: K = K + N\n PC : 1F   Object Code : 91\n"
              "line 6: GOSUB BUMP\n PC : 2C   Object Code : 89\n"
              "line 7: IF FLAG = 0 THEN GOTO AGAIN\n PC : 2F   Object Code : 80\n"
              " N           :  1   1H\n K           :  2   2H\n FLAG        :  0   0H\n"
              "ok\n"
              "line 10: DONE: GOTO DONE\n PC : 43   Object Code : 88\n"
              "line 10: DONE: GOTO DONE\n PC : 43   Object Code : 88\n");
    // The compile copy and the listing stay beside the source, as the IDE leaves them.
    EXPECT_TRUE(fs::exists(dir_ / "prog.$$$"));
    EXPECT_EQ(ReadAll(dir_ / "prog.var").substr(0, 24), " N           :  7   7H\r\n");
  }
}

TEST_F(DebugCli, TheVnSeriesStepsAndRefusesTheVnmCommands) {
  const CliRun r = Exec(source_.string() + " --cable virtual-dummy", "step\nover\nset K 1\nbreak\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "downloaded, Code Size : 4D Byte\n"
            "line 5: K = K + N\n PC : 1E   Object Code : 91\n"
            "line 6: GOSUB BUMP\n PC : 28   Object Code : 89\n"
            "over is offered on the VNM series only\n"
            "set is offered on the VNM series only\n"
            "already stopped\nline 6: GOSUB BUMP\n PC : 28   Object Code : 89\n");
}

TEST_F(DebugCli, RefusedValuesAndTheKoreanMessages) {
  const CliRun r = Exec(source_.string() + " --device WF --cable virtual --lang ko", "set K 300\nset Q 1\nset K\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "값의 범위를 벗어났습니다. K : -128 .. 255\nVariable Not Found : Q\nusage: set NAME VALUE\n");
}

TEST_F(DebugCli, AnUnpluggedModuleFailsTheDownload) {
  const CliRun r = Exec(source_.string() + " --device WF --cable virtual --virtual-fault unplugged", "step\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Can't find USB cable"), std::string::npos) << r.err;
}

TEST_F(DebugCli, ALinkCutMidSessionIsReportedAndTheSessionEnds) {
  // The link dies after the download's replies (4 bytes) and the first stop report (6 bytes).
  const CliRun r = Exec(source_.string() + " --device WF --cable virtual-revb --virtual-fault cut:10", "step\nquit\n");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(r.out, "downloaded, Code Size : 55 Byte\nline 5: K = K + N\n PC : 1F   Object Code : 91\n");
  // Step Into, then the leave command at the end of the session.
  EXPECT_EQ(r.err, "VARNOLIC module not found ! Check cable or power\nVARNOLIC module not found ! Check cable or power\n");
}

TEST_F(DebugCli, UsageErrors) {
  EXPECT_EQ(Exec(source_.string() + " --device XX --cable virtual", "").status, 2);
  EXPECT_EQ(Exec((dir_ / "missing.bas").string() + " --cable virtual", "").status, 2);
  EXPECT_EQ(Exec(source_.string() + " --cable revb --virtual-fault unplugged", "").status, 2);
}

}  // namespace
