// The wire trace: what the link reports to its observer for identifications and downloads on
// every virtual cable, and the text the trace writer makes of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "link/download.h"
#include "link/identify.h"
#include "link/wire_trace.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

using link::WireDirection;
constexpr WireDirection kOut = WireDirection::kSent;
constexpr WireDirection kIn = WireDirection::kReceived;

struct ByteSeen {
  WireDirection dir;
  int byte;
  bool ok;
  bool operator==(const ByteSeen&) const = default;
};

// Keeps the protocol bytes and the cable's bytes apart, each in the order they came.
struct Recorder final : link::WireObserver {
  std::vector<ByteSeen> bytes;
  std::vector<std::uint8_t> cable_out, cable_in;
  void OnByte(WireDirection d, int b, bool ok) override { bytes.push_back({d, b, ok}); }
  void OnCable(WireDirection d, const std::uint8_t* data, std::size_t n) override {
    (d == kOut ? cable_out : cable_in).insert((d == kOut ? cable_out : cable_in).end(), data, data + n);
  }
  std::vector<int> Values(WireDirection d) const {
    std::vector<int> out;
    for (const auto& b : bytes)
      if (b.dir == d) out.push_back(b.byte);
    return out;
  }
  // Lengths of the runs of one direction, signed: + sent, - received.
  std::vector<long> Runs() const {
    std::vector<long> runs;
    for (const auto& b : bytes) {
      const long step = b.dir == kOut ? 1 : -1;
      if (runs.empty() || (runs.back() > 0) != (step > 0))
        runs.push_back(step);
      else
        runs.back() += step;
    }
    return runs;
  }
  bool AllOk() const {
    for (const auto& b : bytes)
      if (!b.ok) return false;
    return true;
  }
};

// Each byte as the USB cable carries it: the low half, then the high half.
std::vector<std::uint8_t> HalfBytes(const std::vector<int>& bytes) {
  std::vector<std::uint8_t> wire;
  for (int b : bytes) {
    wire.push_back(static_cast<std::uint8_t>(b & 15));
    wire.push_back(static_cast<std::uint8_t>(b >> 4));
  }
  return wire;
}

// The cable's own queries before every USB identification: the cable query (&H10 &H20),
// answered by 135 in halves, and the family query (&H20 &H20), answered by the family byte.
constexpr std::uint8_t kCableQuery[] = {0x10, 0x20, 0x20, 0x20};

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The protocol bytes an identification exchanges on a healthy module, from the protocol: the
// VN module answers &H56 with seven bytes, the first its firmware; the VNM module answers &H67
// with its math firmware and &H56 with its main firmware. The dummy cable's speed check sends
// &H56 first and takes its seven bytes too.
struct Expected {
  std::vector<int> sent;
  std::vector<long> runs;
};

Expected IdentifyExchange(Wire w, int kind) {
  if (kind == 2) return {{0x67, 0x56}, {1, -1, 1, -1}};
  if (w == Wire::kDummy) return {{0x56, 0x56}, {1, -7, 1, -7}};
  return {{0x56}, {1, -7}};
}

TEST(WireTrace, IdentifyOnEveryCableAndSeries) {
  for (int kind : {1, 2}) {
    for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind, {kind, 41, 7});
      Recorder r;
      v.link.SetWireObserver(&r);
      const auto id = link::IdentifyModule(v.link, v.series);
      if (kind == 2 && w == Wire::kDummy) {
        // The VNM series speaks the REV. B protocol, which a dummy cable does not carry: the
        // first byte cannot be sent and nothing follows it.
        EXPECT_NE(id.result, 0);
        EXPECT_EQ(r.bytes, (std::vector<ByteSeen>{{kOut, 0x67, false}}));
        continue;
      }
      ASSERT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
      const Expected e = IdentifyExchange(w, kind);
      EXPECT_EQ(r.Values(kOut), e.sent);
      EXPECT_EQ(r.Runs(), e.runs);
      EXPECT_TRUE(r.AllOk());
      const std::vector<int> got = r.Values(kIn);
      if (kind == 1) {
        ASSERT_EQ(got.size(), w == Wire::kDummy ? 14u : 7u);
        EXPECT_EQ(got[got.size() - 7], 41);  // the firmware, first of the identification's seven
      } else {
        EXPECT_EQ(got, (std::vector<int>{7, 41}));
      }
      if (w == Wire::kUsb) {
        // On the cable: the two queries and their answers, then every protocol byte in halves.
        std::vector<std::uint8_t> out(std::begin(kCableQuery), std::end(kCableQuery));
        const auto halves = HalfBytes(e.sent);
        out.insert(out.end(), halves.begin(), halves.end());
        EXPECT_EQ(r.cable_out, out);
        ASSERT_EQ(r.cable_in.size(), 4 + 2 * got.size());
        EXPECT_EQ(16 * r.cable_in[1] + r.cable_in[0], link::kUsbCableAnswer);
        EXPECT_EQ(r.cable_in[2] & 1, kind == 1 ? 1 : 0);  // the family bit: a VN module
        EXPECT_EQ(std::vector<std::uint8_t>(r.cable_in.begin() + 4, r.cable_in.end()), HalfBytes(got));
      } else {
        EXPECT_TRUE(r.cable_out.empty());
        EXPECT_TRUE(r.cable_in.empty());
      }
    }
  }
}

// Program bytes that differ from address to address.
core::CodeImage Pattern(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 13 + 5) % 256));
  return code;
}

struct NoUi final : link::DownloadProgress {
  void SetStatus(const std::string&) override {}
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& m) override {
    shown.push_back(core::MessageTextOf(m, core::Language::kEnglish));
  }
  std::vector<std::string> shown;
};

TEST(WireTrace, DownloadOnEveryCableAndSeries) {
  for (int kind : {1, 2}) {
    for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
      if (kind == 2 && w == Wire::kDummy) continue;  // no VNM exchange on the dummy cable
      // Over USB more than two blocks of the echo.
      const long n = w == Wire::kUsb ? 300 : 90;
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind);
      const auto code = Pattern(n);
      Recorder r;
      v.link.SetWireObserver(&r);
      NoUi ui;
      ASSERT_EQ(kind == 1 ? link::DownloadVn(v.link, code, n, ui) : link::DownloadVnm(v.link, code, n, ui), 0)
          << (ui.shown.empty() ? "" : ui.shown[0]);
      EXPECT_TRUE(r.AllOk());

      // The download's identification asks the VNM module for its math firmware only.
      const std::vector<int> ident = kind == 1 ? std::vector<int>{0x56} : std::vector<int>{0x67};
      const std::vector<long> ident_runs = kind == 1 ? std::vector<long>{1, -7} : std::vector<long>{1, -1};
      // &H34, the length low byte first, the code: n + 1 bytes to the VN module, n to the VNM one.
      const long count = kind == 1 ? n + 1 : n;
      std::vector<int> code_bytes;
      for (long a = 0; a < count; ++a) code_bytes.push_back(code.Get(a));
      std::vector<int> load = {0x34, static_cast<int>(n & 255), static_cast<int>(n >> 8)};
      const std::vector<int> speed_check = w == Wire::kDummy ? std::vector<int>{0x56} : std::vector<int>{};
      const std::vector<int> sent = Concat(Concat(speed_check, ident), Concat(load, code_bytes));
      EXPECT_EQ(r.Values(kOut), sent);

      // The reply: the VN module echoes every byte, the VNM module sends the 16-bit sum.
      std::vector<int> reply;
      if (kind == 1) {
        reply = code_bytes;
      } else {
        long sum = 0;
        for (int b : code_bytes) sum += b;
        reply = {static_cast<int>(sum & 255), static_cast<int>((sum >> 8) & 255)};
      }
      const std::vector<int> received = r.Values(kIn);
      ASSERT_GE(received.size(), reply.size());
      EXPECT_EQ(std::vector<int>(received.end() - static_cast<long>(reply.size()), received.end()), reply);

      std::vector<long> runs = w == Wire::kDummy ? std::vector<long>{1, -7} : std::vector<long>{};
      runs.insert(runs.end(), ident_runs.begin(), ident_runs.end());
      runs.push_back(static_cast<long>(load.size() + code_bytes.size()));
      runs.push_back(-static_cast<long>(reply.size()));
      EXPECT_EQ(r.Runs(), runs);

      if (w == Wire::kUsb) {
        std::vector<std::uint8_t> out(std::begin(kCableQuery), std::end(kCableQuery));
        const auto halves = HalfBytes(sent);
        out.insert(out.end(), halves.begin(), halves.end());
        EXPECT_EQ(r.cable_out, out);
        ASSERT_GE(r.cable_in.size(), 4u);
        EXPECT_EQ(std::vector<std::uint8_t>(r.cable_in.begin() + 4, r.cable_in.end()), HalfBytes(received));
      }
    }
  }
}

TEST(WireTrace, AFailedReceiveAndANoObserverLink) {
  VirtualLink v(Wire::kUsb, 1);
  v.faults().cut_after = 1;  // the module's reply stops after its first byte
  Recorder r;
  v.link.SetWireObserver(&r);
  link::IdentifyModule(v.link, v.series);
  ASSERT_GE(r.bytes.size(), 3u);
  EXPECT_EQ(r.bytes[0], (ByteSeen{kOut, 0x56, true}));
  EXPECT_EQ(r.bytes[1].dir, kIn);
  EXPECT_TRUE(r.bytes[1].ok);
  EXPECT_EQ(r.bytes[2], (ByteSeen{kIn, -1, false}));

  const std::size_t before = r.bytes.size();
  v.link.SetWireObserver(nullptr);
  link::IdentifyModule(v.link, v.series);
  EXPECT_EQ(r.bytes.size(), before);
}

TEST(WireTraceWriter, LinesMarksAndOrder) {
  std::ostringstream out;
  {
    link::WireTraceWriter t(out);
    t.OnByte(kOut, 0x56, true);
    const std::uint8_t pair[] = {0x06, 0x05};
    t.OnCable(kOut, pair, 2);
    const std::uint8_t in[] = {0x09, 0x02, 0x00, 0x0F};
    t.OnCable(kIn, in, 4);
    t.OnByte(kIn, 0x29, true);
    t.OnByte(kIn, 0xF0, true);
    t.OnByte(kIn, -1, false);
    t.OnByte(kOut, 0x34, false);
    for (int b = 0; b < 17; ++b) t.OnByte(kOut, b, true);
  }  // the writer's end writes its open lines
  EXPECT_EQ(out.str(),
            "> 56\n"
            "usb> 06 05\n"
            "usb< 09 02 00 0F\n"
            "< 29 F0 --\n"
            "> 34! 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E\n"
            "> 0F 10\n");
}

TEST(WireTraceWriter, CableLinesHoldThirtyTwoBytes) {
  std::ostringstream out;
  link::WireTraceWriter t(out);
  std::vector<std::uint8_t> bytes(33, 0x0A);
  t.OnCable(kIn, bytes.data(), bytes.size());
  t.Flush();
  std::string full = "usb<";
  for (int i = 0; i < 32; ++i) full += " 0A";
  EXPECT_EQ(out.str(), full + "\nusb< 0A\n");
}

}  // namespace
}  // namespace vn::testing
