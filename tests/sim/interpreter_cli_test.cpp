// "vnstudio-cli run" as a script uses it: what it prints while the program runs, how it says
// why it stopped, and its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;

class RunCommand : public vn::testing::CliTest {
 protected:
  RunCommand() : CliTest("vn_run_test") {}
};

TEST_F(RunCommand, PrintsEventsAsTheyHappenAndStopsAtBreak) {
  const auto src = Write("show.bas",
                         "DIM I AS BYTE\r\n"
                         "PRINT \"HI\"\r\n"
                         "HIGH 5\r\n"
                         "DELAY 10\r\n"
                         "LOW 5\r\n"
                         "SEROUT 1, 96, 0, 0, [\"OK\", 13]\r\n"
                         "BREAK\r\n"
                         "PRINT \"NOT SHOWN\"\r\n");
  const CliRun r = Exec("run " + src.string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("     0.000 ms  display row 0 col 0 \"HI\"\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("     0.010 ms  port 5 = 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    10.030 ms  port 5 = 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("serial port 1 \"OK\\r\"\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("stopped: BREAK in the program at &H"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(line 8) after 6 steps"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  |HI                  |\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("NOT SHOWN"), std::string::npos);
  // Events come before the stop line.
  EXPECT_LT(r.out.find("port 5 = 1"), r.out.find("stopped:"));
}

TEST_F(RunCommand, EndOfProgram) {
  const auto src = Write("end.bas", "DIM A AS BYTE\r\nA = 1\r\n");
  const CliRun r = Exec("run " + src.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("stopped: end of program at &H1D (line 3) after 2 steps"), std::string::npos) << r.out;
}

TEST_F(RunCommand, StepLimit) {
  const auto src = Write("loop.bas", "DIM A AS BYTE\r\nTOP: A = A + 1\r\nGOTO TOP\r\n");
  const CliRun r = Exec("run --max-steps 1001 " + src.string());
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.out.find("stopped: step limit at &H21 (line 3) after 1001 steps"), std::string::npos) << r.out;
}

TEST_F(RunCommand, TimeLimit) {
  const auto src = Write("slow.bas", "TOP: TOGGLE 2\r\nDELAY 100\r\nGOTO TOP\r\n");
  const CliRun r = Exec("run --max-time 250 " + src.string());
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.out.find("stopped: time limit"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   200.060 ms  port 2 = 1\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("   300."), std::string::npos) << r.out;
}

TEST_F(RunCommand, FaultIsReportedWithItsLine) {
  const auto src = Write("bad.bas", "DIM A AS BYTE, B AS BYTE\r\nA = 7\r\nA = A / B\r\n");
  const CliRun r = Exec("run " + src.string());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("stopped: run-time fault at &H"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("fault: division by zero at &H"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(line 3)\n"), std::string::npos) << r.out;
}

TEST_F(RunCommand, ObjectFileOnTheDeviceGiven) {
  const auto src = Write("obj.bas", "DIM F AS SINGLE\r\nF = 1.5 * 3\r\nPRINT F\r\n");
  const fs::path obj = dir_ / "obj.obj";
  ASSERT_EQ(Exec("compile --device WF -o " + obj.string() + " " + src.string()).status, 0);
  const CliRun r = Exec("run --device WF " + obj.string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("on the VNM series"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("display row 0 col 0 \"4.5\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("stopped: end of program"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("(line"), std::string::npos) << "an object file has no line map";
}

TEST_F(RunCommand, BrokenObjectFile) {
  const auto obj = Write("cut.obj", std::string("VN2000\x40\x00\x20\x20", 10));
  const CliRun r = Exec("run " + obj.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cut short"), std::string::npos) << r.err;
}

TEST_F(RunCommand, SerialAndScheduledInputs) {
  const auto src = Write("in.bas",
                         "DIM A AS BYTE, N AS BYTE\r\n"
                         "ON INT(3)=0 GOSUB HIT\r\n"
                         "SERIN 1, 96, 0, 0, TOUT, [A]\r\n"
                         "SEROUT 1, 96, 0, 0, [A]\r\n"
                         "DELAY 100\r\n"
                         "SEROUT 1, 96, 0, 0, [N]\r\n"
                         "TOUT:\r\n"
                         "GOTO FIN\r\n"
                         "HIT: N = 66\r\n"
                         "RETURN\r\n"
                         "FIN:\r\n");
  const CliRun r = Exec("run --input 'Q' --input '@50:port:3=0' " + src.string());
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("serial port 1 \"Q\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("serial port 1 \"B\""), std::string::npos) << r.out;
}

TEST_F(RunCommand, WaitingForInputThatNeverComes) {
  const auto src = Write("wait.bas", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 0, TOUT, [A]\r\nTOUT:\r\n");
  const CliRun r = Exec("run " + src.string());
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.out.find("stopped: waiting for serial input at &H18 (line 2)"), std::string::npos) << r.out;
}

TEST_F(RunCommand, Trace) {
  const auto src = Write("trace.bas", "DIM A AS BYTE\r\nA = 1\r\nGOSUB S\r\nGOTO FIN\r\nS: RETURN\r\nFIN:\r\n");
  const CliRun r = Exec("run --trace " + src.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("trace &H18 (line 2) assign\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("trace &H1D (line 3) GOSUB\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("RETURN\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(line 7) jump\n"), std::string::npos) << r.out;
}

TEST_F(RunCommand, UsageErrors) {
  const auto src = Write("ok.bas", "DIM A AS BYTE\r\n");
  EXPECT_EQ(Exec("run --input 'port:x' " + src.string()).status, 2);
  EXPECT_EQ(Exec("run --device XX " + src.string()).status, 2);
  EXPECT_EQ(Exec("run " + (dir_ / "missing.bas").string()).status, 2);
  const auto bad = Write("bad.bas", "DIM A AS BYTE\r\nA = \r\n");
  const CliRun r = Exec("run " + bad.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.bas:2: error:"), std::string::npos) << r.err;
}

}  // namespace
