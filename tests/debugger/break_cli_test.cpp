// vnstudio-cli debug --break: the breakpoints compiled in, where they moved, and the stops.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"

namespace {

using vn::testing::CliRun;
using vn::testing::ReadAll;

const char kProgram[] =
    "DIM K AS BYTE\r\n"    // 1
    "K = 1\r\n"            // 2
    "' count\r\n"          // 3
    "K = K + 2\r\n"        // 4
    "DONE: GOTO DONE\r\n";  // 5

class BreakCli : public vn::testing::CliTest {
 protected:
  BreakCli() : CliTest("vn_break_cli_test") {}
  void SetUp() override {
    CliTest::SetUp();
    source_ = Write("prog.bas", kProgram);
  }
  CliRun Exec(const std::string& args, const std::string& script) {
    return CliTest::Exec("debug " + source_.string() + " " + args, script);
  }
  std::filesystem::path source_;
};

TEST_F(BreakCli, TheRunStopsAtEachBreakpointAndSaysWhichMoved) {
  const CliRun r = Exec("--device WF --cable virtual --break 5 --break 3 --break 9", "continue\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "breakpoint at line 3 moved to line 4\n"
            "breakpoint at line 9: no statement from there on, not set\n");
  // Two break instructions more than the program's 48 bytes.
  EXPECT_EQ(r.out,
            "downloaded, Code Size : 32 Byte\n"
            "line 4: K = K + 2\n PC : 1F   Object Code : 91\n"
            "line 5: DONE: GOTO DONE\n PC : 2C   Object Code : 88\n");
  // The source and its compile copy keep their text.
  EXPECT_EQ(ReadAll(source_), kProgram);
  EXPECT_EQ(ReadAll(dir_ / "prog.$$$").substr(0, sizeof kProgram - 1), kProgram);
}

TEST_F(BreakCli, WithoutBreakpointsTheCodeIsTheSame) {
  const CliRun r = Exec("--device WF --cable virtual --wait 200", "quit\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.substr(0, 32), "downloaded, Code Size : 30 Byte\n");
}

TEST_F(BreakCli, TheVnSeriesStopsThereInKoreanToo) {
  const CliRun r = Exec("--cable virtual-dummy --lang ko --break 3 --wait 500", "continue\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "3행의 중단점을 4행으로 옮겼습니다\n");
  EXPECT_EQ(r.out,
            "downloaded, Code Size : 2E Byte\nrunning\n"
            "line 4: K = K + 2\n PC : 1E   Object Code : 91\n");
}

TEST_F(BreakCli, ALineBeforeTheFirstIsRefused) {
  const CliRun r = Exec("--cable virtual --break 0", "quit\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--break: Value 0 not in range"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace

namespace {

// run-to: downloads again with the --break lines plus one, runs to it, and keeps only the
// --break lines for the next download.
TEST_F(BreakCli, RunToDownloadsAgainAndStopsThereKeepingOnlyTheSessionsBreakpoints) {
  const CliRun r = Exec("--device WF --cable virtual --break 5 --wait 500",
                        "run-to 4\ncontinue\nrun-to 3\nvars\nrun-to 0\nrun-to 2 3\nrun-to\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err,
            "breakpoint at line 3 moved to line 4\n"
            "usage: run-to LINE (a source line from 1 on)\n"
            "usage: run-to LINE (a source line from 1 on)\n"
            "usage: run-to LINE (a source line from 1 on)\n");
  EXPECT_EQ(r.out,
            // Run: the --break line.
            "downloaded, Code Size : 31 Byte\n"
            "line 5: DONE: GOTO DONE\n PC : 2B   Object Code : 88\n"
            // run-to 4 from that stop: the program starts again with breaks at 4 and 5.
            "downloaded, Code Size : 32 Byte\n"
            "line 4: K = K + 2\n PC : 1F   Object Code : 91\n"
            "line 5: DONE: GOTO DONE\n PC : 2C   Object Code : 88\n"
            // run-to 3 goes to line 4, where K is 1 again: the program was downloaded anew.
            "downloaded, Code Size : 32 Byte\n"
            "line 4: K = K + 2\n PC : 1F   Object Code : 91\n"
            " K           :  1   1H\n");
}

TEST_F(BreakCli, RunToOnTheVnSeriesFromARunningProgram) {
  // The VN module's stop report comes after the first watch of half a second: continue watches on.
  const CliRun r = Exec("--cable virtual-dummy --wait 500", "run-to 4\ncontinue\nquit\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "downloaded, Code Size : 2D Byte\nrunning (the program has reached its end)\n"
            "downloaded, Code Size : 2E Byte\nrunning\n"
            "line 4: K = K + 2\n PC : 1E   Object Code : 91\n");
}

}  // namespace
