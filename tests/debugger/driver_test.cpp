// vnstudio-cli debug against the running virtual module: a script on standard input, the stops it
// prints, the breakpoints compiled in and where they moved, the messages and the exit status.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "debug_bench.h"

namespace vn::debugger::testing {
namespace {

using vn::testing::CliRun;
using vn::testing::ReadAll;

const std::string kSessionText = Join(kSessionProgram);
const char* const kSession = kSessionText.c_str();
const char kCounting[] = "DIM K AS BYTE\r\nK = 1\r\n' count\r\nK = K + 2\r\nDONE: GOTO DONE\r\n";      // 1-5

const char kSessionOut[] =
    "downloaded, Code Size : 55 Byte\nline 5: K = K + N\n PC : 1F   Object Code : 91\n"
    "line 6: GOSUB BUMP\n PC : 2C   Object Code : 89\nline 7: IF FLAG = 0 THEN GOTO AGAIN\n PC : 2F   Object Code : 80\n"
    " N           :  1   1H\n K           :  2   2H\n FLAG        :  0   0H\nok\n"
    "line 10: DONE: GOTO DONE\n PC : 43   Object Code : 88\nline 10: DONE: GOTO DONE\n PC : 43   Object Code : 88\n";

struct DebugCli : vn::testing::CliTest {
  DebugCli() : CliTest("vn_debug_cli_test") {}
};

// `out` and `err`: a part when they start with '~', a beginning when they end with it; null: not checked.
const struct Case {
  const char *source, *args, *script;
  int status;
  const char *out, *err;
} kCases[] = {
    {kSession, "--device WF --cable virtual", "step\nover\nvars\nset flag 1\ncontinue\nwhere\nquit\n", 0, kSessionOut, ""},
    {kSession, "--cable virtual-dummy", "step\nover\nset K 1\nbreak\n", 0,
     "downloaded, Code Size : 4D Byte\nline 5: K = K + N\n PC : 1E   Object Code : 91\nline 6: GOSUB BUMP\n PC : 28   Object Code : 89\n"
     "over is offered on the VNM series only\nset is offered on the VNM series only\n"
     "already stopped\nline 6: GOSUB BUMP\n PC : 28   Object Code : 89\n", ""},
    // While the program runs set is refused with one line and the session goes on; after break it is written.
    {kSession, "--device WF --cable virtual", "continue\nset flag 1\nbreak\nvars\nset flag 1\nvars\nquit\n", 0,
     "downloaded, Code Size : 55 Byte\nline 5: K = K + N\n PC : 1F   Object Code : 91\nrunning\n"
     "the program is running: type break first, then set\nline 12: K = K + 1\n PC : 46   Object Code : 91\n N           :  1   1H\n"
     " K           :  11   BH\n FLAG        :  0   0H\nok\n N           :  1   1H\n K           :  11   BH\n FLAG        :  1   1H\n", ""},
    {kSession, "--device WF --cable virtual --lang ko", "set K 300\nset Q 1\nset K\n", 0, nullptr,
     "값의 범위를 벗어났습니다. K : -128 .. 255\nVariable Not Found : Q\nusage: set NAME VALUE\n"},
    {kSession, "--device WF --cable virtual --virtual-fault unplugged", "step\n", 1, "", "~Can't find USB cable"},
    // The link dies after the download's replies (3 bytes) and the first stop report (6 bytes):
    // Step Into fails, then the leave command at the end of the session.
    {kSession, "--device WF --cable virtual-revb --virtual-fault cut:9", "step\nquit\n", 1,
     "downloaded, Code Size : 55 Byte\nline 5: K = K + N\n PC : 1F   Object Code : 91\n",
     "VARNOLIC module not found ! Check cable or power\nVARNOLIC module not found ! Check cable or power\n"},
    {kSession, "--cable revb --virtual-fault unplugged", "", 2, nullptr, nullptr},
    // Two break instructions more than the program's 48 bytes.
    {kCounting, "--device WF --cable virtual --break 5 --break 3 --break 9", "continue\nquit\n", 0,
     "downloaded, Code Size : 32 Byte\nline 4: K = K + 2\n PC : 1F   Object Code : 91\n"
     "line 5: DONE: GOTO DONE\n PC : 2C   Object Code : 88\n",
     "breakpoint at line 3 moved to line 4\nbreakpoint at line 9: no statement from there on, not set\n"},
    {kCounting, "--cable virtual-dummy --lang ko --break 3 --wait 500", "continue\nquit\n", 0,
     "downloaded, Code Size : 2E Byte\nrunning\nline 4: K = K + 2\n PC : 1E   Object Code : 91\n", "3행의 중단점을 4행으로 옮겼습니다\n"},
    {kCounting, "--cable virtual --break 0", "quit\n", 2, "", "~--break: Value 0 not in range"},
    // --wait is a number of milliseconds up to ten minutes: more is a usage error, before anything is downloaded.
    {kCounting, "--cable virtual --wait 600001", "continue\n", 2, "", "vnstudio-cli: --wait: ~"},
    // run-to downloads again with the --break lines plus one, runs to it, and keeps only the
    // --break lines for the next download; run-to 3 finds K at 1 again.
    {kCounting, "--device WF --cable virtual --break 5 --wait 500", "run-to 4\ncontinue\nrun-to 3\nvars\nrun-to 0\nrun-to 2 3\nrun-to\nquit\n",
     0, "downloaded, Code Size : 31 Byte\nline 5: DONE: GOTO DONE\n PC : 2B   Object Code : 88\n"
        "downloaded, Code Size : 32 Byte\nline 4: K = K + 2\n PC : 1F   Object Code : 91\nline 5: DONE: GOTO DONE\n PC : 2C   Object Code : 88\n"
        "downloaded, Code Size : 32 Byte\nline 4: K = K + 2\n PC : 1F   Object Code : 91\n K           :  1   1H\n",
     "breakpoint at line 3 moved to line 4\nusage: run-to LINE (a source line from 1 on)\nusage: run-to LINE (a source line from 1 on)\n"
     "usage: run-to LINE (a source line from 1 on)\n"},
    // A program that can report no stop any more does not hold the terminal for the whole wait
    // (the loop checks the time), and the terminal says why.
    {"DIM A AS BYTE\r\nBREAK\r\nA = 1\r\n", "--device WF --cable virtual --wait 600000", "continue\ncontinue\nquit\n", 0,
     "~running (the program has reached its end)\nrunning (the program has reached its end)\n", ""},
    {"DIM A AS BYTE, B AS BYTE\r\nBREAK\r\nA = A / B\r\n", "--device WF --cable virtual --wait 600000", "continue\ncontinue\nquit\n",
     0, "~running (the program stopped with a fault: division by zero at &H", ""},
    {"DIM A AS BYTE\r\nBREAK\r\nSERIN 1, 96, 0, 0, T, [A]\r\nT:\r\n", "--device WF --cable virtual --wait 600000", "continue\ncontinue\nquit\n",
     0, "~running (the program waits for serial input)\nrunning (the program waits for serial input)\n", ""},
    // The VN module's stop report comes after the first watch of half a second: continue watches on.
    {kCounting, "--cable virtual-dummy --wait 500", "run-to 4\ncontinue\nquit\n", 0,
     "downloaded, Code Size : 2D Byte\nrunning (the program has reached its end)\ndownloaded, Code Size : 2E Byte\nrunning\n"
     "line 4: K = K + 2\n PC : 1E   Object Code : 91\n", ""},
};

TEST_F(DebugCli, ScriptsPrintTheirStopsAndMessages) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.args);
    const std::filesystem::path src = Write("prog.bas", c.source);
    const auto start = std::chrono::steady_clock::now();
    const CliRun r = Exec("debug " + src.string() + " " + c.args, c.script);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const auto& [got, want] : {std::pair{r.out, c.out}, std::pair{r.err, c.err}}) {
      const std::string w = want == nullptr ? got : want;
      if (!w.empty() && w.back() == '~') EXPECT_EQ(got.substr(0, w.size() - 1), w.substr(0, w.size() - 1));
      else if (!w.empty() && w[0] == '~') EXPECT_NE(got.find(w.substr(1)), std::string::npos) << got;
      else EXPECT_EQ(got, w);
    }
    if (c.status == 0) {
      // The source keeps its text; the compile copy and the listing stay beside it, as the IDE leaves them.
      EXPECT_EQ(ReadAll(src), c.source);
      EXPECT_EQ(ReadAll(dir_ / "prog.$$$").substr(0, std::string(c.source).size()), c.source);
    }
    if (&c == &kCases[0]) {
      EXPECT_EQ(ReadAll(dir_ / "prog.var").substr(0, 24), " N           :  7   7H\r\n");
    }
  }
}

}  // namespace
}  // namespace vn::debugger::testing
