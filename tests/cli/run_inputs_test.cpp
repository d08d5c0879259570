// The --input items of "run" reach the peripheral that declares them: every kind of item in one
// run, read back by the program and shown on its display and serial line.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace {

using vn::testing::CliRun;

class RunInputs : public vn::testing::CliTest {
 protected:
  RunInputs() : CliTest("vn_run_inputs") {}
};

TEST_F(RunInputs, EveryItemKindReachesItsPeripheral) {
  const auto src = Write("inputs.bas",
                         "DIM A AS INTEGER, D AS BYTE, E AS BYTE, C AS INTEGER, S AS INTEGER, B AS BYTE\r\n"
                         "A = ADIN(1)\r\nD = ADKEYIN(0)\r\nE = PADIN(2) + COUNT(1)\r\nC = CAPTURE(7, 1)\r\n"
                         "S = SHIFTIN(1, 2, 0, 8)\r\nB = BLEN()\r\nPRINT A, D, E, C, S, B\r\n"
                         "SEROUT 1, 96, 0, 0, [IN(3), IN(4)]\r\n");
  const CliRun r = Exec("run --device WF --input adc:1=777 --input adkey:0=3 --input keypad:2=11 --input count:1=5"
                        " --input capture:7=1234 --input port:3=0 --input shiftin:0x1A5 --input serial:ab"
                        " --input 'xyz\\x41' " + src.string());
  EXPECT_EQ(r.status, 0) << r.err;
  // 777, key 3, 11 + 5, 1234, &HA5 (the low 8 bits shifted in), 6 bytes waiting ("ab" "xyzA");
  // port 3 pulled low, port 4 left pulled up.
  EXPECT_EQ(r.out,
            "running " + src.string() + " on the VNM series (111 code bytes)\n"
            "     0.060 ms  display row 0 col 0 \"77731612341656\"\n"
            "     0.070 ms  serial port 1 \"\\x00\\x01\"\n"
            "stopped: end of program at &H6C (line 10) after 9 steps, 0.090 ms\n"
            "display:\n"
            "  |77731612341656      |\n"
            "  |                    |\n"
            "  |                    |\n"
            "  |                    |\n");
}

TEST_F(RunInputs, HelpListsTheItemsInTheirOrder) {
  const CliRun r = Exec("run --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("[@MS:]TEXT | serial:TEXT | port:N=L (N 0..64, L 0..1) | adc:N=V (N 0..64, V 0..65535) | "
                       "adkey:N=K (N 0..64, K 0..255) | keypad:B=K (B 0..255, K 0..255) | count:N=V (N 0..1, V "
                       "0..2147483647) | capture:P=V (P 0..64, V 0..2147483647) | shiftin:V (V 0..4294967295) | "
                       "int:N (N 0..1) (\\r \\n \\t \\0 \\\\ \\xHH in TEXT;"),
            std::string::npos)
      << r.out;
}

}  // namespace
