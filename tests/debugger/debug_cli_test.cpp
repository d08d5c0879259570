// vnstudio-cli debug against the virtual module: a script on standard input, the stops it
// prints, the messages and the exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
  // The link dies after the download's replies (3 bytes) and the first stop report (6 bytes).
  const CliRun r = Exec(source_.string() + " --device WF --cable virtual-revb --virtual-fault cut:9", "step\nquit\n");
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

// Modify Variable writes at a stop: while the program runs the terminal refuses set with one
// line and the session goes on; after break the same set is written.
TEST_F(DebugCli, SetIsRefusedWhileTheProgramRuns) {
  const CliRun r = Exec(source_.string() + " --device WF --cable virtual",
                        "continue\nset flag 1\nbreak\nvars\nset flag 1\nvars\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string refused = "running\nthe program is running: type break first, then set\n";
  const size_t at = r.out.find(refused);
  ASSERT_NE(at, std::string::npos) << r.out;
  // FLAG was not written while the program ran: it still loops, and the listing at the break shows 0.
  const std::string after = r.out.substr(at + refused.size());
  const size_t first_flag = after.find(" FLAG        :  0   0H\n");
  const size_t written = after.find("ok\n");
  const size_t second_flag = after.find(" FLAG        :  1   1H\n");
  EXPECT_NE(first_flag, std::string::npos) << after;
  EXPECT_LT(first_flag, written) << after;
  EXPECT_LT(written, second_flag) << after;
  EXPECT_NE(second_flag, std::string::npos) << after;
}

// --wait is a number of milliseconds up to ten minutes: more, a sign or anything else is a usage
// error of one line, before anything is downloaded.
TEST_F(DebugCli, TheWaitIsBounded) {
  for (const char* wait : {"600001", "-1", "99999999999999999999", "9223372036854775807", "1e3", "0x10"}) {
    SCOPED_TRACE(wait);
    const CliRun r = Exec(source_.string() + " --device WF --cable virtual --wait " + wait, "continue\nquit\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("vnstudio-cli: --wait: ", 0), 0u) << r.err;
  }
  EXPECT_EQ(Exec(source_.string() + " --device WF --cable virtual --wait 600000", "quit\n").status, 0);
}

// A program that can report no stop any more (its end, a fault, a wait for serial input the
// terminal cannot send) does not hold the terminal for the whole wait: the longest wait answers
// at once, and the terminal says why the program is not coming back.
TEST_F(DebugCli, AWaitForAProgramThatCannotStopEndsAtOnce) {
  struct Case {
    const char* name;
    const char* source;
    const char* why;
  };
  const Case cases[] = {
      {"end", "DIM A AS BYTE\r\nBREAK\r\nA = 1\r\n", "running (the program has reached its end)\n"},
      {"fault", "DIM A AS BYTE, B AS BYTE\r\nBREAK\r\nA = A / B\r\n",
       "running (the program stopped with a fault: division by zero at &H"},
      {"serial input", "DIM A AS BYTE\r\nBREAK\r\nSERIN 1, 96, 0, 0, T, [A]\r\nT:\r\n",
       "running (the program waits for serial input)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path src = Write("halt.bas", c.source);
    const auto start = std::chrono::steady_clock::now();
    const CliRun r = Exec(src.string() + " --device WF --cable virtual --wait 600000",
                          "continue\ncontinue\ncontinue\ncontinue\ncontinue\nquit\n");
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.status, 0) << r.err;
    size_t count = 0;
    for (size_t at = r.out.find(c.why); at != std::string::npos; at = r.out.find(c.why, at + 1)) ++count;
    EXPECT_EQ(count, 5u) << r.out;
    EXPECT_LT(seconds, 5.0);
  }
}

}  // namespace
