// "vnstudio-cli run" as a script uses it: what it prints while the program runs, how it says
// why it stopped, and its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli_run.h"

namespace {

using vn::testing::CliRun;

class RunCommand : public vn::testing::CliTest {
 protected:
  RunCommand() : CliTest("vn_run_test") {}
};

struct RunCase {
  const char* args;
  const char* source;
  int status;
  std::vector<std::string> seen;  // in this order
  std::vector<std::string> not_seen;
};

TEST_F(RunCommand, PrintsEventsAsTheyHappenAndWhyItStopped) {
  const RunCase cases[] = {
      {"", "DIM I AS BYTE\r\nPRINT \"HI\"\r\nHIGH 5\r\nDELAY 10\r\nLOW 5\r\nSEROUT 1, 96, 0, 0, [\"OK\", 13]\r\nBREAK\r\nPRINT \"NOT SHOWN\"\r\n", 0,
       {"     0.000 ms  display row 0 col 0 \"HI\"\n", "     0.010 ms  port 5 = 1\n", "    10.030 ms  port 5 = 0\n",
        "serial port 1 \"OK\\r\"\n", "stopped: BREAK in the program at &H", "(line 8) after 6 steps", "  |HI                  |\n"},
       {"NOT SHOWN"}},
      {"", "DIM A AS BYTE\r\nA = 1\r\n", 0, {"stopped: end of program at &H1D (line 3) after 2 steps"}, {}},
      {"", "PLAY 5, \"A4R4\"\r\nHIGH 1\r\n", 0, {"     0.000 ms  note port 5 code 71 length 16 (880 Hz, 160 ms)\n",
       "   160.000 ms  note port 5 code 255 length 16 (0 Hz, 160 ms)\n", "   320.010 ms  port 1 = 1\n"}, {}},  // a rest: 0 Hz
      {"--max-steps 1001", "DIM A AS BYTE\r\nTOP: A = A + 1\r\nGOTO TOP\r\n", 4, {"stopped: step limit at &H21 (line 3) after 1001 steps"}, {}},
      {"--max-time 250", "TOP: TOGGLE 2\r\nDELAY 100\r\nGOTO TOP\r\n", 4,
       {"   200.060 ms  port 2 = 1\n", "stopped: time limit at &H1E (line 3) after 8 steps, 250.000 ms\n"}, {"   300."}},
      // A limit inside a wait stops the run there and gives the limit's time, never the end of the wait.
      {"--max-time 5", "TOP: TOGGLE 2\r\nDELAY 10000\r\nGOTO TOP\r\n", 4, {"stopped: time limit at ", " after 2 steps, 5.000 ms\n"}, {"port 2 = 0"}},
      {"--max-time 30", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 100, T, [A]\r\nT: HIGH 1\r\n", 4, {" after 1 steps, 30.000 ms\n"}, {"port 1"}},
      {"--max-time 5", "PLAY 3, \"C4D4E4\"\r\nHIGH 1\r\n", 4, {"stopped: time limit at ", " after 1 steps, 5.000 ms\n"}, {"code 106"}},
      {"--max-time 1", "TOP: TOGGLE 2\r\nGOTO TOP\r\n", 4, {"stopped: time limit at ", " after 100 steps, 1.000 ms\n"}, {"1.000 ms  port"}},
      {"", "DIM A AS BYTE, B AS BYTE\r\nA = 7\r\nA = A / B\r\n", 3,
       {"stopped: run-time fault at &H", "fault: division by zero at &H", "(line 3)\n"}, {}},
      {"", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 0, TOUT, [A]\r\nTOUT:\r\n", 4, {"stopped: waiting for serial input at &H18 (line 2)"}, {}},
      {"--trace", "DIM A AS BYTE\r\nA = 1\r\nGOSUB S\r\nGOTO FIN\r\nS: RETURN\r\nFIN:\r\n", 0,
       {"trace &H18 (line 2) assign\n", "trace &H1D (line 3) GOSUB\n", "RETURN\n", "(line 7) jump\n"}, {}},
      {"--input 'Q' --input '@50:port:3=0'", "DIM A AS BYTE, N AS BYTE\r\nON INT(3)=0 GOSUB HIT\r\nSERIN 1, 96, 0, 0, TOUT, [A]\r\n"
       "SEROUT 1, 96, 0, 0, [A]\r\nDELAY 100\r\nSEROUT 1, 96, 0, 0, [N]\r\nTOUT:\r\nGOTO FIN\r\nHIT: N = 66\r\nRETURN\r\nFIN:\r\n", 0,
       {"serial port 1 \"Q\"", "serial port 1 \"B\""}, {}},
      // The largest value of every input field reaches the program as it was given.
      {"--device WF --input adc:64=65535 --input adkey:64=255 --input keypad:255=0xFF --input count:1=2147483647 "
       "--input capture:64=2147483647 --input 'shiftin:&HFFFFFFFF' --input port:64=0",
       "DIM A AS INTEGER, K AS BYTE, P AS BYTE, C AS LONG, W AS LONG, S AS LONG, I AS BYTE\r\nA = ADIN(64)\r\nK = ADKEYIN(64)\r\n"
       "P = PADIN(255)\r\nC = COUNT(1)\r\nW = CAPTURE(64, 1)\r\nS = SHIFTIN(1, 2, 0, 32)\r\nI = IN(64)\r\n"
       "PRINT DEC(A, 5, 0), \" \", DEC(K, 3, 0), \" \", DEC(P, 3, 0)\r\nLOCATE 0, 1\r\nPRINT DEC(C, 10, 0)\r\nLOCATE 0, 2\r\n"
       "PRINT DEC(W, 10, 0)\r\nLOCATE 0, 3\r\nPRINT HEX(S, 8), \" \", DEC(I, 1, 0)\r\n", 0,
       {"  |65535 255 255       |\n  |2147483647          |\n  |2147483647          |\n  |FFFFFFFF 0          |\n"}, {}},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.source);
    const CliRun r = Exec("run " + std::string(c.args) + " " + Write("p.bas", c.source).string());
    EXPECT_EQ(r.status, c.status) << r.err;
    size_t at = 0;
    for (const std::string& s : c.seen) {
      at = r.out.find(s, at);
      ASSERT_NE(at, std::string::npos) << s << " in\n" << r.out;
    }
    for (const std::string& s : c.not_seen) EXPECT_EQ(r.out.find(s), std::string::npos) << s << " in\n" << r.out;
  }
}

TEST_F(RunCommand, ObjectFiles) {
  const auto src = Write("obj.bas", "DIM F AS SINGLE\r\nF = 1.5 * 3\r\nPRINT F\r\n");
  ASSERT_EQ(Exec("compile --device WF -o " + (dir_ / "obj.obj").string() + " " + src.string()).status, 0);
  CliRun r = Exec("run --device WF " + (dir_ / "obj.obj").string());
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* seen : {"on the VNM series", "display row 0 col 0 \"4.5\"", "stopped: end of program"})
    EXPECT_NE(r.out.find(seen), std::string::npos) << seen << " in\n" << r.out;
  EXPECT_EQ(r.out.find("(line"), std::string::npos) << "an object file has no line map";
  r = Exec("run " + Write("cut.obj", std::string("VN2000\x40\x00\x20\x20", 10)).string());
  EXPECT_NE(r.err.find("cut short"), std::string::npos) << r.err;
  EXPECT_EQ(r.status, 2);
}

// Numbers of options are whole decimal numbers in their range, never wrapped around: "-1" is not
// 2^64 - 1, a number past 2^64 is not the largest one, "010" is ten.
TEST_F(RunCommand, NumberOptionsAreRefusedOutsideTheirRange) {
  const auto src = Write("loop.bas", "DIM A AS BYTE\r\nTOP: A = A + 1\r\nGOTO TOP\r\n");
  const std::string steps = std::to_string(vn::cli::kMaxSteps), ms = std::to_string(vn::cli::kMaxTimeMs);
  const std::vector<std::pair<std::string, std::string>> cases = {  // the arguments, the message's middle
      {"--max-steps -1", "--max-steps: '-1' is not a whole number in decimal digits"},
      {"--max-steps 18446744073709551616", "--max-steps: Value 18446744073709551616 not in range 0 to " + steps},
      {"--max-steps 010 --max-time " + ms, ""},
  };
  for (const auto& [args, err] : cases) {
    SCOPED_TRACE(args);
    const CliRun r = Exec("run " + args + " " + src.string());
    EXPECT_EQ(r.err, err.empty() ? "" : "vnstudio-cli: " + err + " (see vnstudio-cli --help)\n");
    EXPECT_EQ(r.status, err.empty() ? 4 : 2);
    if (err.empty()) EXPECT_NE(r.out.find("stopped: step limit at &H18 (line 2) after 10 steps"), std::string::npos) << r.out;
    else EXPECT_EQ(r.out, "");
  }
}

// Each field of each --input item is held to what the module has; the message names the item
// and the field.
TEST_F(RunCommand, InputItemsOutsideTheModulesRanges) {
  const auto src = Write("ok.bas", "DIM A AS BYTE\r\n");
  const char* cases[][2] = {
      {"port:3=2", "the level must be a number from 0 to 1, not '2'"},
      {"port:3", "write port:N=L"},
      {"port:4294967299=1", "the port must be a number from 0 to 64, not '4294967299'"},
      {"adc:1=65536", "the value must be a number from 0 to 65535, not '65536'"},
      {"adkey:1=256", "the key must be a number from 0 to 255, not '256'"},
      {"keypad:256=1", "the block must be a number from 0 to 255, not '256'"},
      {"count:2=1", "the counter must be a number from 0 to 1, not '2'"},
      {"capture:1=2147483648", "the value must be a number from 0 to 2147483647, not '2147483648'"},
      {"shiftin:4294967296", "the value must be a number from 0 to 4294967295, not '4294967296'"},
      {"int:5", "the interrupt line must be a number from 0 to 1, not '5'"},
      {"@-5:port:3=1", "the time in milliseconds must be a number from 0 to 1000000000000, not '-5'"},
      {"@5", "write @MS:ITEM"},
      {"serial:\\q", "a backslash in the text must start \\r \\n \\t \\0 \\\\ or \\xHH"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    const CliRun r = Exec("run --input '" + std::string(c[0]) + "' " + src.string());
    EXPECT_EQ(std::make_pair(r.status, r.out), std::make_pair(2, std::string()));
    EXPECT_EQ(r.err, "vnstudio-cli: --input '" + std::string(c[0]) + "': " + c[1] + "\n");
  }
}

// The module's serial input holds 65536 bytes: more at the start is a usage error; more arriving
// later, when the program has not taken enough, is said on standard error and the run goes on.
TEST_F(RunCommand, SerialInputBeyondTheBuffer) {
  const auto src = Write("slow.bas", "DELAY 5\r\nHIGH 1\r\n");
  const std::string half(40000, 'x');
  CliRun r = Exec("run --input " + half + " --input serial:" + half + " " + src.string());
  EXPECT_EQ(std::make_pair(r.status, r.out), std::make_pair(2, std::string()));
  EXPECT_EQ(r.err, "vnstudio-cli: --input 'serial:" + half + "': more than the 65536 bytes the serial input holds\n");
  r = Exec("run --input " + half + " --input @1:" + half + " " + src.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "vnstudio-cli: --input '@1:" + half + "': lost: the serial input already holds its 65536 bytes\n");
  EXPECT_NE(r.out.find("port 1 = 1"), std::string::npos) << r.out;
}

}  // namespace
