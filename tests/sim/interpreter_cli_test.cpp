// "vnstudio-cli run" as a script uses it: what it prints while the program runs, how it says
// why it stopped, and its exit status.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli_run.h"
#include "interpreter_test_support.h"

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
  EXPECT_NE(r.out.find("stopped: time limit at &H1E (line 3) after 8 steps, 250.000 ms\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("   200.060 ms  port 2 = 1\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("   300."), std::string::npos) << r.out;
}

// A limit that falls inside a wait stops the run there, and the report gives the limit's time:
// never the end of the wait, and never a time the clock wrapped around to.
TEST_F(RunCommand, TheTimeLimitFallsInsideAWait) {
  struct Case {
    const char* name;
    const char* source;
    const char* args;
    const char* stop;      // the stop line from "after"
    const char* not_seen;  // what lies beyond the limit
  };
  const Case cases[] = {
      {"delay", "TOP: TOGGLE 2\r\nDELAY 10000\r\nGOTO TOP\r\n", "--max-time 5", "after 2 steps, 5.000 ms\n", "port 2 = 0"},
      {"longest delay", "DIM D AS LONG\r\nD = 2147483647\r\nDELAY D\r\nHIGH 1\r\n", "--device WF --max-time 5",
       "after 2 steps, 5.000 ms\n", "port 1"},
      {"serin time-out", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 100, T, [A]\r\nT: HIGH 1\r\n", "--max-time 30",
       "after 1 steps, 30.000 ms\n", "port 1"},
      {"notes", "PLAY 3, \"C4D4E4\"\r\nHIGH 1\r\n", "--max-time 5", "after 1 steps, 5.000 ms\n", "code 106"},
      {"a limit of 0", "HIGH 1\r\n", "--max-time 0", "after 0 steps, 0.000 ms\n", "port 1"},
      {"between instructions", "TOP: TOGGLE 2\r\nGOTO TOP\r\n", "--max-time 1", "after 100 steps, 1.000 ms\n", "1.000 ms  port"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto src = Write("wait.bas", c.source);
    const CliRun r = Exec("run " + std::string(c.args) + " " + src.string());
    EXPECT_EQ(r.status, 4) << r.err;
    const size_t stop = r.out.find("stopped: time limit at ");
    ASSERT_NE(stop, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.find(" after ", stop) + 1), c.stop) << r.out;
    EXPECT_EQ(r.out.find(c.not_seen), std::string::npos) << r.out;
  }
}

// The wait cut by the limit goes on where it was cut when the program runs on (the virtual module
// behind a cable runs its program in slices of time like these).
TEST(RunLimit, AWaitCutByTheLimitEndsOnTimeInTheNextCall) {
  using namespace vn::sim;
  vn::sim::testing::Machine m = vn::sim::testing::Boot("KF", {"DIM A AS BYTE", "DELAY 10", "A = 1", "DELAY 10", "A = 2"});
  Stop s = m.vm->Run(1000, 5000);
  EXPECT_EQ(s.reason, StopReason::kTimeLimit);
  EXPECT_EQ(m.vm->now_us(), 5000u);
  EXPECT_EQ(m.Var("A"), 0);
  s = m.vm->Run(1000, 9000);  // still inside the first DELAY
  EXPECT_EQ(s.reason, StopReason::kTimeLimit);
  EXPECT_EQ(s.steps, 0u);
  EXPECT_EQ(m.vm->now_us(), 9000u);
  s = m.vm->Run(1000, 10'020);  // the first DELAY ends at 10.010 ms, A = 1 takes 10 us
  EXPECT_EQ(s.reason, StopReason::kTimeLimit);
  EXPECT_EQ(m.Var("A"), 1);
  EXPECT_EQ(m.vm->now_us(), 10'020u);
  // A step goes through what is left of a wait before its instruction, as an unlimited run does.
  s = m.vm->StepInto();  // the second DELAY
  EXPECT_EQ(m.vm->now_us(), 20'030u);
  s = m.vm->Run(1000);
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(m.Var("A"), 2);
  EXPECT_EQ(m.vm->now_us(), 20'050u);
}

TEST(RunLimit, ALimitInsideAWaitAndRestartingForgetsTheRest) {
  using namespace vn::sim;
  vn::sim::testing::Machine m = vn::sim::testing::Boot("KF", {"DIM A AS BYTE", "A = A + 1", "DELAY 1000"});
  EXPECT_EQ(m.vm->Run(1000, 500).reason, StopReason::kTimeLimit);
  m.vm->Reset();
  // The new start runs at once: nothing of the old DELAY is left to wait for.
  const Stop s = m.vm->Run(1, 600);
  EXPECT_EQ(s.reason, StopReason::kStepLimit);
  EXPECT_EQ(m.Var("A"), 1);
  EXPECT_EQ(m.vm->now_us(), 510u);
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

// Numbers of options are whole decimal numbers in their range, never wrapped around: "-1" is not
// 2^64 - 1, a number past 2^64 is not the largest one, "010" is ten.
TEST_F(RunCommand, NumberOptionsAreRefusedOutsideTheirRange) {
  const auto src = Write("loop.bas", "DIM A AS BYTE\r\nTOP: A = A + 1\r\nGOTO TOP\r\n");
  const std::string most_steps = std::to_string(vn::cli::kMaxSteps);
  const std::string most_ms = std::to_string(vn::cli::kMaxTimeMs);
  struct Case {
    std::string args;
    std::string err;  // "" for a run
  };
  const std::vector<Case> cases = {
      {"--max-steps -1", "vnstudio-cli: --max-steps: '-1' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"--max-steps -18446744073709551615", "vnstudio-cli: --max-steps: '-18446744073709551615' is not a whole number in "
                                            "decimal digits (see vnstudio-cli --help)\n"},
      {"--max-steps 18446744073709551616", "vnstudio-cli: --max-steps: Value 18446744073709551616 not in range 0 to " +
                                               most_steps + " (see vnstudio-cli --help)\n"},
      {"--max-steps 18446744073709551615", "vnstudio-cli: --max-steps: Value 18446744073709551615 not in range 0 to " +
                                               most_steps + " (see vnstudio-cli --help)\n"},
      {"--max-steps " + std::to_string(vn::cli::kMaxSteps + 1),
       "vnstudio-cli: --max-steps: Value " + std::to_string(vn::cli::kMaxSteps + 1) + " not in range 0 to " + most_steps +
           " (see vnstudio-cli --help)\n"},
      {"--max-steps 0x10", "vnstudio-cli: --max-steps: '0x10' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"--max-steps ' 5'", "vnstudio-cli: --max-steps: ' 5' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"--max-steps 5x", "vnstudio-cli: --max-steps: '5x' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"--max-time -5", "vnstudio-cli: --max-time: '-5' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"--max-time 18446744073709551615", "vnstudio-cli: --max-time: Value 18446744073709551615 not in range 0 to " + most_ms +
                                              " (see vnstudio-cli --help)\n"},
      {"--max-time " + std::to_string(vn::cli::kMaxTimeMs + 1), "vnstudio-cli: --max-time: Value " +
                                                                   std::to_string(vn::cli::kMaxTimeMs + 1) +
                                                                   " not in range 0 to " + most_ms + " (see vnstudio-cli --help)\n"},
      {"--max-steps 010", ""},
      {"--max-steps 010 --max-time " + most_ms, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = Exec("run " + c.args + " " + src.string());
    EXPECT_EQ(r.err, c.err);
    if (!c.err.empty()) {
      EXPECT_EQ(r.status, 2);
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_EQ(r.status, 4);
      EXPECT_NE(r.out.find("stopped: step limit at &H18 (line 2) after 10 steps"), std::string::npos) << r.out;
    }
  }
}

// Each field of each --input item is held to what the module has; the message names the item
// and the field.
TEST_F(RunCommand, InputItemsOutsideTheModulesRanges) {
  const auto src = Write("ok.bas", "DIM A AS BYTE\r\n");
  struct Case {
    const char* item;
    const char* why;
  };
  const Case cases[] = {
      {"port:99999=1", "the port must be a number from 0 to 64, not '99999'"},
      {"port:65=1", "the port must be a number from 0 to 64, not '65'"},
      {"port:-1=1", "the port must be a number from 0 to 64, not '-1'"},
      {"port:3=2", "the level must be a number from 0 to 1, not '2'"},
      {"port:3", "write port:N=L"},
      {"port:3=", "the level must be a number from 0 to 1, not ''"},
      {"port:4294967299=1", "the port must be a number from 0 to 64, not '4294967299'"},
      {"adc:-1=5", "the channel must be a number from 0 to 64, not '-1'"},
      {"adc:65=5", "the channel must be a number from 0 to 64, not '65'"},
      {"adc:1=65536", "the value must be a number from 0 to 65535, not '65536'"},
      {"adkey:65=1", "the channel must be a number from 0 to 64, not '65'"},
      {"adkey:1=256", "the key must be a number from 0 to 255, not '256'"},
      {"keypad:256=1", "the block must be a number from 0 to 255, not '256'"},
      {"keypad:1=256", "the key must be a number from 0 to 255, not '256'"},
      {"count:2=1", "the counter must be a number from 0 to 1, not '2'"},
      {"count:0=2147483648", "the value must be a number from 0 to 2147483647, not '2147483648'"},
      {"count:0=-1", "the value must be a number from 0 to 2147483647, not '-1'"},
      {"capture:65=1", "the port must be a number from 0 to 64, not '65'"},
      {"capture:1=2147483648", "the value must be a number from 0 to 2147483647, not '2147483648'"},
      {"shiftin:4294967296", "the value must be a number from 0 to 4294967295, not '4294967296'"},
      {"shiftin:0x100000000", "the value must be a number from 0 to 4294967295, not '0x100000000'"},
      {"int:5", "the interrupt line must be a number from 0 to 1, not '5'"},
      {"int:1x", "the interrupt line must be a number from 0 to 1, not '1x'"},
      {"@-5:port:3=1", "the time in milliseconds must be a number from 0 to 1000000000000, not '-5'"},
      {"@18446744073709551616:port:3=1",
       "the time in milliseconds must be a number from 0 to 1000000000000, not '18446744073709551616'"},
      {"@5", "write @MS:ITEM"},
      {"serial:\\q", "a backslash in the text must start \\r \\n \\t \\0 \\\\ or \\xHH"},
      {"serial:\\x-1", "a backslash in the text must start \\r \\n \\t \\0 \\\\ or \\xHH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    const CliRun r = Exec("run --input '" + std::string(c.item) + "' " + src.string());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "vnstudio-cli: --input '" + std::string(c.item) + "': " + c.why + "\n");
  }
}

// The largest value of every field reaches the program as it was given.
TEST_F(RunCommand, InputItemsAtTheEdgesOfTheirRanges) {
  const auto src = Write("edges.bas",
                         "DIM A AS INTEGER, K AS BYTE, P AS BYTE, C AS LONG, W AS LONG, S AS LONG, I AS BYTE\r\n"
                         "A = ADIN(64)\r\n"
                         "K = ADKEYIN(64)\r\n"
                         "P = PADIN(255)\r\n"
                         "C = COUNT(1)\r\n"
                         "W = CAPTURE(64, 1)\r\n"
                         "S = SHIFTIN(1, 2, 0, 32)\r\n"
                         "I = IN(64)\r\n"
                         "PRINT DEC(A, 5, 0), \" \", DEC(K, 3, 0), \" \", DEC(P, 3, 0)\r\n"
                         "LOCATE 0, 1\r\n"
                         "PRINT DEC(C, 10, 0)\r\n"
                         "LOCATE 0, 2\r\n"
                         "PRINT DEC(W, 10, 0)\r\n"
                         "LOCATE 0, 3\r\n"
                         "PRINT HEX(S, 8), \" \", DEC(I, 1, 0)\r\n");
  const CliRun r = Exec("run --device WF --input adc:64=65535 --input adkey:64=255 --input keypad:255=0xFF "
                        "--input count:1=2147483647 --input capture:64=2147483647 --input 'shiftin:&HFFFFFFFF' "
                        "--input port:64=0 " + src.string());
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("  |65535 255 255       |\n"
                       "  |2147483647          |\n"
                       "  |2147483647          |\n"
                       "  |FFFFFFFF 0          |\n"),
            std::string::npos)
      << r.out;
}

// The module's serial input holds 65536 bytes: more at the start is a usage error; more arriving
// later, when the program has not taken enough, is said on standard error and the run goes on.
TEST_F(RunCommand, SerialInputBeyondTheBuffer) {
  const auto src = Write("slow.bas", "DELAY 5\r\nHIGH 1\r\n");
  const std::string half(40000, 'x');
  CliRun r = Exec("run --input " + half + " --input serial:" + half + " " + src.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "vnstudio-cli: --input 'serial:" + half + "': more than the 65536 bytes the serial input holds\n");
  r = Exec("run --input " + half + " --input @1:" + half + " " + src.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "vnstudio-cli: --input '@1:" + half + "': lost: the serial input already holds its 65536 bytes\n");
  EXPECT_NE(r.out.find("port 1 = 1"), std::string::npos) << r.out;
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
