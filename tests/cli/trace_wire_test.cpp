// vnstudio-cli --trace-wire: every command that talks to a module traces its exchange on
// standard error, the cable's own bytes with it. The trace's lines and what each cable and
// series exchanges are checked byte for byte at the link (tests/link).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "cli_run.h"

namespace {

// The trace read back: the protocol bytes sent ("> 56"), the cable's bytes sent ("usb> 06 05"),
// each as "XX " in order, and whether any byte failed ("--", no answer; "XX!", a wrong echo).
struct Exchange { std::string sent, cable_sent; bool any_failed = false; };

Exchange ReadTrace(const std::string& err) {
  Exchange e;
  std::istringstream in(err);
  for (std::string text; std::getline(in, text);) {
    std::istringstream words(text);
    std::string mark, w;
    words >> mark;
    for (; (mark == ">" || mark == "<" || mark == "usb>") && words >> w;) {
      e.any_failed = e.any_failed || (mark.size() == 1 && (w == "--" || w.size() == 3));
      if (mark != "<") (mark == ">" ? e.sent : e.cable_sent) += w + " ";
    }
  }
  return e;
}

class TraceWire : public vn::testing::CliTest {
 protected:
  TraceWire() : CliTest("vn_trace_wire_test") {}
};

TEST_F(TraceWire, EveryCommandThatTalksToAModuleTracesItsExchange) {
  const std::string s = Write("w.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n").string();
  ASSERT_EQ(Exec("compile " + s + " -o " + P("w.obj")).status, 0);
  const std::string obj = vn::testing::ReadAll(dir_ / "w.obj");
  // A download: &H67, &H34, the code's length, low byte first, and the code.
  std::ostringstream download;
  download << std::uppercase << std::hex;
  for (unsigned char b : "\x67\x34" + std::string{char((obj.size() - 9) & 255), char((obj.size() - 9) >> 8)} + obj.substr(8, obj.size() - 9))
    download << (b < 16 ? "0" : "") << int(b) << " ";
  // VN: &H56 and its seven bytes of answer; VNM: &H67 and &H56, one byte of answer each.
  const std::tuple<std::string, int, std::string> cases[] = {
      {"identify --device KF", 0, "56 "}, {"identify --device WF", 0, "67 56 "}, {"download " + P("w.obj") + " --device WF", 0, download.str()},
      {"download " + s, 0, "67 34 "}, {"verify " + s, 1, ""},  // the fresh module's flash is empty: a mismatch
      {"read-flash " + s, 0, ""}, {"erase --device WF", 0, ""}, {"debug " + s, 0, ""},
  };
  for (const auto& [args, status, sent_first] : cases) {
    SCOPED_TRACE(args);
    const vn::testing::CliRun r = Exec(args + " --cable virtual --trace-wire", "quit\n");
    const Exchange e = ReadTrace(r.err);
    EXPECT_TRUE(r.status == status && !e.any_failed) << r.err;
    EXPECT_TRUE(!e.sent.empty() && e.sent.rfind(sent_first, 0) == 0) << e.sent;
    EXPECT_FALSE(e.cable_sent.empty()) << r.err;  // the USB cable's own bytes
  }
  EXPECT_EQ(Exec("identify --cable virtual --device KF").err, "");  // no trace without the option
}

}  // namespace
