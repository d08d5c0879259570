// vnstudio-cli --trace-wire: the exchange of an identification and a download, read back from
// standard error, against what the protocol says each cable and series exchanges.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

using vn::testing::CliRun;
using vn::testing::ReadAll;

// One line of the trace: "> 56", "< 32 07 --", "usb> 06 05"...
struct Line {
  bool cable = false;
  bool sent = false;
  std::vector<int> bytes;  // -1 for "--"
  std::vector<bool> failed;  // "XX!"
};

std::vector<Line> ParseTrace(const std::string& err) {
  std::vector<Line> lines;
  std::istringstream in(err);
  std::string text;
  while (std::getline(in, text)) {
    std::istringstream words(text);
    std::string mark;
    words >> mark;
    Line l;
    if (mark == ">" || mark == "usb>") l.sent = true;
    else if (mark != "<" && mark != "usb<") continue;  // a message, not the trace
    l.cable = mark.size() > 1;
    std::string w;
    while (words >> w) {
      l.failed.push_back(w.size() == 3 && w[2] == '!');
      l.bytes.push_back(w == "--" ? -1 : std::stoi(w.substr(0, 2), nullptr, 16));
    }
    lines.push_back(l);
  }
  return lines;
}

// The protocol bytes in order, as runs of one direction (+n sent, -n received), and each way.
struct Exchange {
  std::vector<long> runs;
  std::vector<int> sent, received;
  std::vector<std::uint8_t> cable_sent, cable_received;
  bool any_failed = false;
};

Exchange Summarise(const std::vector<Line>& lines) {
  Exchange e;
  for (const auto& l : lines) {
    if (l.cable) {
      for (int b : l.bytes) (l.sent ? e.cable_sent : e.cable_received).push_back(static_cast<std::uint8_t>(b));
      continue;
    }
    const long n = static_cast<long>(l.bytes.size());
    if (!e.runs.empty() && (e.runs.back() > 0) == l.sent)
      e.runs.back() += l.sent ? n : -n;
    else
      e.runs.push_back(l.sent ? n : -n);
    for (std::size_t i = 0; i < l.bytes.size(); ++i) {
      (l.sent ? e.sent : e.received).push_back(l.bytes[i]);
      e.any_failed = e.any_failed || l.failed[i] || l.bytes[i] == -1;
    }
  }
  return e;
}

std::vector<std::uint8_t> Halves(const std::vector<int>& bytes) {
  std::vector<std::uint8_t> out;
  for (int b : bytes) {
    out.push_back(static_cast<std::uint8_t>(b & 15));
    out.push_back(static_cast<std::uint8_t>(b >> 4));
  }
  return out;
}

class TraceWire : public vn::testing::CliTest {
 protected:
  TraceWire() : CliTest("vn_trace_wire_test") {}
};

constexpr const char* kCables[] = {"virtual", "virtual-revb", "virtual-dummy"};

TEST_F(TraceWire, IdentifyOnEachCableAndSeries) {
  for (const std::string cable : kCables) {
    for (const std::string device : {"KF", "WF"}) {
      SCOPED_TRACE(cable + " " + device);
      const CliRun r = Exec("identify --cable " + cable + " --device " + device + " --trace-wire");
      const std::vector<Line> lines = ParseTrace(r.err);
      const Exchange e = Summarise(lines);
      const bool vn = device == "KF";
      if (!vn && cable == "virtual-dummy") {
        // The VNM series does not speak over the dummy cable: its first byte fails, and the trace
        // ends there.
        EXPECT_EQ(r.status, 1);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].bytes, std::vector<int>{0x67});
        EXPECT_EQ(lines[0].failed, std::vector<bool>{true});
        continue;
      }
      ASSERT_EQ(r.status, 0) << r.err;
      EXPECT_FALSE(e.any_failed);
      // VN: &H56 and the seven bytes of its answer, after the speed check's own on the dummy
      // cable. VNM: &H67 and &H56, one byte of answer each.
      std::vector<long> runs = vn ? std::vector<long>{1, -7} : std::vector<long>{1, -1, 1, -1};
      std::vector<int> sent = vn ? std::vector<int>{0x56} : std::vector<int>{0x67, 0x56};
      if (cable == "virtual-dummy") {
        runs = {1, -7, 1, -7};
        sent = {0x56, 0x56};
      }
      EXPECT_EQ(e.runs, runs);
      EXPECT_EQ(e.sent, sent);
      if (cable == "virtual") {
        // The cable's queries and their answers (135; the family bit), then every protocol byte
        // in halves, low first.
        std::vector<std::uint8_t> out = {0x10, 0x20, 0x20, 0x20};
        for (auto b : Halves(sent)) out.push_back(b);
        EXPECT_EQ(e.cable_sent, out);
        ASSERT_EQ(e.cable_received.size(), 4 + 2 * e.received.size());
        EXPECT_EQ(e.cable_received[0] + 16 * e.cable_received[1], 135);
        EXPECT_EQ(e.cable_received[2] & 1, vn ? 1 : 0);
        EXPECT_EQ(std::vector<std::uint8_t>(e.cable_received.begin() + 4, e.cable_received.end()), Halves(e.received));
        // In a run of sends the protocol line comes first, in a run of receives the cable's.
        ASSERT_GE(lines.size(), 6u);
        EXPECT_TRUE(lines[4].sent && !lines[4].cable);
        EXPECT_TRUE(lines[5].sent && lines[5].cable);
      } else {
        EXPECT_TRUE(e.cable_sent.empty());
        EXPECT_TRUE(e.cable_received.empty());
      }
    }
  }
}

TEST_F(TraceWire, DownloadSendsTheObjectFilesBytes) {
  const auto vn_src = Write("vn.bas", "DIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n");
  for (const std::string device : {"KF", "WF"}) {
    const auto obj = dir_ / ("p" + device + ".obj");
    ASSERT_EQ(Exec("compile --device " + device + " " + vn_src.string() + " -o " + obj.string()).status, 0);
    const std::string file = ReadAll(obj);
    ASSERT_GT(file.size(), 9u);
    ASSERT_EQ(file.substr(0, 6), "VN2000");
    const long n = static_cast<unsigned char>(file[6]) + 256L * static_cast<unsigned char>(file[7]);
    ASSERT_EQ(static_cast<long>(file.size()), 8 + n + 1);
    for (const std::string cable : kCables) {
      const bool vn = device == "KF";
      if (!vn && cable == "virtual-dummy") continue;  // no VNM exchange on the dummy cable
      SCOPED_TRACE(cable + " " + device);
      const CliRun r = Exec("download " + obj.string() + " --cable " + cable + " --device " + device + " --trace-wire");
      ASSERT_EQ(r.status, 0) << r.err;
      const Exchange e = Summarise(ParseTrace(r.err));
      EXPECT_FALSE(e.any_failed);
      // The VN module takes n + 1 code bytes and echoes them; the VNM module takes n and
      // answers their 16-bit sum, low byte first.
      const long count = vn ? n + 1 : n;
      std::vector<int> code;
      for (long a = 0; a < count; ++a) code.push_back(static_cast<unsigned char>(file[8 + a]));
      std::vector<int> sent;
      if (cable == "virtual-dummy") sent.push_back(0x56);  // the speed check
      sent.push_back(vn ? 0x56 : 0x67);                    // the identification
      for (int b : {0x34, static_cast<int>(n & 255), static_cast<int>(n >> 8)}) sent.push_back(b);
      sent.insert(sent.end(), code.begin(), code.end());
      EXPECT_EQ(e.sent, sent);
      std::vector<int> reply = code;
      if (!vn) {
        long sum = 0;
        for (int b : code) sum += b;
        reply = {static_cast<int>(sum & 255), static_cast<int>((sum >> 8) & 255)};
      }
      ASSERT_GE(e.received.size(), reply.size());
      EXPECT_EQ(std::vector<int>(e.received.end() - static_cast<long>(reply.size()), e.received.end()), reply);
      std::vector<long> runs;
      if (cable == "virtual-dummy") runs = {1, -7};
      for (long x : {1L, vn ? -7L : -1L, 3 + count, -static_cast<long>(reply.size())}) runs.push_back(x);
      EXPECT_EQ(e.runs, runs);
      if (cable == "virtual") {
        std::vector<std::uint8_t> out = {0x10, 0x20, 0x20, 0x20};
        for (auto b : Halves(sent)) out.push_back(b);
        EXPECT_EQ(e.cable_sent, out);
      }
    }
  }
}

TEST_F(TraceWire, WithoutTheOptionNothingIsTraced) {
  const CliRun r = Exec("identify --cable virtual --device KF");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST_F(TraceWire, EveryCommandThatTalksToAModuleTakesIt) {
  const auto src = Write("w.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n");
  const std::string s = src.string();
  const std::vector<std::string> commands = {"verify " + s, "read-flash " + s, "erase --device WF", "download " + s};
  for (const std::string& args : commands) {
    SCOPED_TRACE(args);
    // The fresh virtual module's flash is empty: verify ends in a mismatch, which is exit 1.
    const CliRun r = Exec(args + " --cable virtual --trace-wire");
    EXPECT_EQ(r.status, args.rfind("verify", 0) == 0 ? 1 : 0) << r.err;
    const Exchange e = Summarise(ParseTrace(r.err));
    ASSERT_FALSE(e.sent.empty());
    // Every protocol byte went out in halves, after the cable's queries where it identified.
    std::vector<std::uint8_t> out = Halves(e.sent);
    if (e.cable_sent.size() == out.size() + 4) out.insert(out.begin(), {0x10, 0x20, 0x20, 0x20});
    EXPECT_EQ(e.cable_sent, out);
  }
  const CliRun d = Exec("debug " + s + " --cable virtual --trace-wire", "quit\n");
  EXPECT_EQ(d.status, 0) << d.err;
  EXPECT_FALSE(Summarise(ParseTrace(d.err)).sent.empty());
}

}  // namespace
