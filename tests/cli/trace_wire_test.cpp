// vnstudio-cli --trace-wire: the exchange of each command that talks to a module, read back from
// standard error, against what the protocol says each cable and series exchanges.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

using vn::testing::CliRun;

// The trace read back. Protocol lines ("> 56", "< 32 07 --") give the bytes each way and their
// runs of one direction (+n sent, -n received); "--" (no answer, -1) and "XX!" are failures.
// The cable's own lines ("usb> 06 05") give its bytes each way; marks, each line's first word.
struct Exchange {
  std::vector<long> runs;
  std::vector<int> sent, received, cable_sent, cable_received;
  std::vector<std::string> marks;
  bool any_failed = false;
};

Exchange ReadTrace(const std::string& err) {
  Exchange e;
  std::istringstream in(err);
  for (std::string text; std::getline(in, text);) {
    std::istringstream words(text);
    std::string mark, w;
    words >> mark;
    const bool sent = mark == ">" || mark == "usb>", cable = mark.size() > 1;
    if (!sent && mark != "<" && mark != "usb<") continue;  // a message, not the trace
    e.marks.push_back(mark);
    long n = 0;
    for (; words >> w; ++n) {
      const int b = w == "--" ? -1 : std::stoi(w.substr(0, 2), nullptr, 16);
      e.any_failed = e.any_failed || (!cable && (b == -1 || w.size() == 3));
      (cable ? (sent ? e.cable_sent : e.cable_received) : (sent ? e.sent : e.received)).push_back(b);
    }
    if (!cable && !e.runs.empty() && (e.runs.back() > 0) == sent)
      e.runs.back() += sent ? n : -n;
    else if (!cable)
      e.runs.push_back(sent ? n : -n);
  }
  return e;
}

// Bytes as the USB cable carries them: in halves, low first, after its four queries.
std::vector<int> OverUsb(const std::vector<int>& bytes, bool with_queries = true) {
  std::vector<int> out = with_queries ? std::vector<int>{0x10, 0x20, 0x20, 0x20} : std::vector<int>{};
  for (int b : bytes) out.insert(out.end(), {b & 15, b >> 4});
  return out;
}

class TraceWire : public vn::testing::CliTest {
 protected:
  TraceWire() : CliTest("vn_trace_wire_test") {}
};

// What each cable and series exchanges is checked byte for byte at the link (tests/link); here,
// that every command that talks to a module traces its exchange, the cable's own bytes with it.
TEST_F(TraceWire, EveryCommandThatTalksToAModuleTracesItsExchange) {
  const std::string s = Write("w.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n").string();
  ASSERT_EQ(Exec("compile " + s + " -o " + P("w.obj")).status, 0);
  const std::string obj = vn::testing::ReadAll(dir_ / "w.obj");
  std::vector<int> code;
  for (std::size_t a = 8; a + 1 < obj.size(); ++a) code.push_back(static_cast<unsigned char>(obj[a]));
  const struct {
    std::string args;
    int status;
    std::vector<int> sent_first;  // the first protocol bytes sent
  } cases[] = {
      // VN: &H56 and its seven bytes of answer; VNM: &H67 and &H56, one byte of answer each.
      {"identify --device KF", 0, {0x56}},
      {"identify --device WF", 0, {0x67, 0x56}},
      // A download: &H67, &H34 and the code's length, low byte first.
      {"download " + P("w.obj") + " --device WF", 0, {0x67, 0x34, int(code.size() & 255), int(code.size() >> 8)}},
      {"download " + s, 0, {0x67, 0x34}}, {"verify " + s, 1, {}},  // the fresh module's flash is empty: a mismatch
      {"read-flash " + s, 0, {}}, {"erase --device WF", 0, {}}, {"debug " + s, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = Exec(c.args + " --cable virtual --trace-wire", "quit\n");
    const Exchange e = ReadTrace(r.err);
    EXPECT_TRUE(r.status == c.status && !e.any_failed) << r.err;
    ASSERT_GE(e.sent.size(), std::max<std::size_t>(1, c.sent_first.size()));
    EXPECT_EQ(std::vector<int>(e.sent.begin(), e.sent.begin() + static_cast<long>(c.sent_first.size())), c.sent_first);
    // Every protocol byte went out over the USB cable in halves, after its queries where it
    // identified; its answers hold every byte received.
    EXPECT_EQ(e.cable_sent, OverUsb(e.sent, e.cable_sent.size() == 2 * e.sent.size() + 4));
    const bool queried = e.cable_received.size() == 2 * e.received.size() + 4;
    EXPECT_EQ(std::vector<int>(e.cable_received.begin() + (queried ? 4 : 0), e.cable_received.end()), OverUsb(e.received, false));
    if (c.args.rfind("identify", 0) == 0) {
      // The cable's answers to its queries (135; the family bit), and the exchange's runs.
      ASSERT_TRUE(queried);
      EXPECT_EQ(e.cable_received[0] + 16 * e.cable_received[1], 135);
      EXPECT_EQ(e.cable_received[2] & 1, c.sent_first.size() == 1 ? 1 : 0);
      EXPECT_EQ(e.runs, (c.sent_first.size() == 1 ? std::vector<long>{1, -7} : std::vector<long>{1, -1, 1, -1}));
      // In a run of sends the protocol line comes first, in a run of receives the cable's.
      ASSERT_GE(e.marks.size(), 6u);
      EXPECT_EQ(e.marks[4] + e.marks[5], ">usb>");
    }
    if (c.sent_first.size() == 4) {  // the object file's code follows, and its 16-bit sum answers
      EXPECT_EQ(std::vector<int>(e.sent.begin() + 4, e.sent.end()), code);
      long sum = 0;
      for (int b : code) sum += b;
      EXPECT_EQ(std::vector<int>(e.received.end() - 2, e.received.end()), (std::vector<int>{int(sum & 255), int(sum >> 8 & 255)}));
    }
  }
  EXPECT_EQ(Exec("identify --cable virtual --device KF").err, "");  // no trace without the option
}

}  // namespace
