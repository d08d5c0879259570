// The byte layer: the USB encoding and queries, which protocol carries which exchange, and the
// cable speed check.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "virtual_link.h"

namespace vn::testing {
namespace {

TEST(Usb, SendByteEncodesLowHalfFirst) {
  VirtualLink v(Wire::kUsb, 2);
  ASSERT_EQ(v.link.UsbSendByte(0xAB), 0);
  EXPECT_EQ(v.usb.written(), (std::vector<std::uint8_t>{0x0B, 0x0A}));
}

TEST(Usb, QueriesAnswerCableAndFamily) {
  for (int kind : {1, 2}) {
    VirtualLink v(Wire::kUsb, kind);
    EXPECT_EQ(v.link.UsbQueryCable(), 135);
    EXPECT_EQ(v.link.UsbQueryFamily() & 1, kind == 1 ? 1 : 0);
    EXPECT_EQ(v.usb.written(), (std::vector<std::uint8_t>{0x10, 0x20, 0x20, 0x20}));
  }
}

TEST(Usb, BlockGoesAsOneWriteInTheEncoding) {
  VirtualLink v(Wire::kUsb, 2);
  const std::uint8_t block[] = {0x34, 0x00, 0xFF};
  ASSERT_EQ(v.link.UsbSendBlock(block, 3), 0);
  EXPECT_EQ(v.usb.written(), (std::vector<std::uint8_t>{4, 3, 0, 0, 15, 15}));
}

TEST(Usb, ReceiveThatTimesOutIsAFailureAfterTheTimeOut) {
  VirtualLink v(Wire::kUsb);
  const auto before = v.clock.NowNs();
  EXPECT_EQ(v.link.UsbRecvByte(), -1);
  EXPECT_EQ(v.clock.NowNs() - before, 1'000'000'000);
}

TEST(Usb, FaultsEndInMinusOne) {
  struct Case {
    const char* what;
    void (*set)(sim::WireFaults&);
    int cable;   // answer to the cable query
    int family;  // bit 0 of the family query, -1 for no answer
  };
  const Case cases[] = {
      {"unplugged", [](sim::WireFaults& f) { f.unplugged = true; }, -1, -1},
      {"no power", [](sim::WireFaults& f) { f.no_power = true; }, 135, 0},
      {"cut at once", [](sim::WireFaults& f) { f.cut_after = 0; }, 135, 0},
      {"first byte dropped", [](sim::WireFaults& f) { f.drop_from_pc = 0; }, 135, 1},
      {"handshake never comes", [](sim::WireFaults& f) { f.stall_from_pc = 0; }, 135, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLink v(Wire::kUsb, 1);
    c.set(v.faults());
    if (c.cable == -1) {
      v.usb.Close();
      EXPECT_NE(v.link.UsbOpenDevice(), 0);
    }
    EXPECT_EQ(v.link.UsbQueryCable(), c.cable);
    const int family = v.link.UsbQueryFamily();
    EXPECT_EQ(family == -1 ? -1 : family & 1, c.family);
    // The identification command gets no answer.
    const int sent = v.link.LinkSendByte(0x56);
    EXPECT_EQ(sent == -1 ? -1 : v.link.LinkRecvByte(), -1);
  }
}

TEST(Usb, CutAndCorruptionAreKeyedToTheModulesBytes) {
  VirtualLink cut(Wire::kUsb, 1);
  cut.faults().cut_after = 2;
  ASSERT_EQ(cut.Send(0x56), 0);
  EXPECT_EQ(cut.RecvN(3), (std::vector<int>{32, 20, -1}));

  VirtualLink bad(Wire::kUsb, 1);
  bad.faults().corrupt_to_pc = 1;
  bad.faults().drop_to_pc = 2;
  ASSERT_EQ(bad.Send(0x56), 0);
  EXPECT_EQ(bad.RecvN(3), (std::vector<int>{32, 21, 1}));
}

// The cable keeps what the module sent until the PC reads it, as the chip's buffer does: a
// reply read in part is what the next read finds first, even after the PC has sent again.
TEST(Usb, TheCableKeepsBytesThePcHasNotRead) {
  VirtualLink v(Wire::kUsb, 1, {1, 41, 7});
  ASSERT_EQ(v.Send(0x56), 0);
  EXPECT_EQ(v.RecvN(2), (std::vector<int>{41, 20}));
  EXPECT_EQ(v.Uncollected(), (std::vector<int>{80, 1, 0, 0, 0}));
  ASSERT_EQ(v.Send(0x56), 0);
  EXPECT_EQ(v.RecvN(7), (std::vector<int>{80, 1, 0, 0, 0, 41, 20}));
  EXPECT_EQ(v.Uncollected(), (std::vector<int>{80, 1, 0, 0, 0}));
  // A reset throws them away; they stay on record as never collected.
  ASSERT_EQ(v.usb.ResetDevice(), 0);
  std::uint32_t waiting = 1;
  ASSERT_EQ(v.usb.GetQueueStatus(waiting), 0);
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(v.Uncollected(), (std::vector<int>{80, 1, 0, 0, 0}));
  v.module.ForgetUncollected();
  EXPECT_EQ(v.Uncollected(), std::vector<int>{});
}

// Only halves 0..15 make a byte of the encoding; a pair with a larger half reaches nothing.
TEST(Usb, TheCableRefusesHalvesAbove15) {
  struct Case {
    std::vector<std::uint8_t> wire;
    long refused;
    std::vector<std::uint8_t> commands;  // what the module took as commands
  };
  const Case cases[] = {
      {{0x06, 0x05}, 0, {0x56}},
      {{0x16, 0x05}, 1, {}},  // once read as &H66 + &H50 = &HB6, or as &H56 with the top bits lost
      {{0x06, 0x15}, 1, {}},
      {{0xF6, 0xF5}, 1, {}},
      {{0x16, 0x04, 0x06, 0x05}, 1, {0x56}},  // the pair after it is taken as usual
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kUsb, 1);
    ASSERT_EQ(v.usb.Write(c.wire.data(), c.wire.size()), 0);
    EXPECT_EQ(v.usb.refused_pairs(), c.refused);
    EXPECT_EQ(v.module.commands(), c.commands);
    EXPECT_EQ(v.module.bytes_received(), static_cast<long>(c.commands.size()));
  }
}

// Dropping what waits reads exactly what is there (no wait for the read time-out) and nothing
// on an empty path.
TEST(Usb, DiscardingWhatWaits) {
  VirtualLink v(Wire::kUsb, 1, {1, 41, 7});
  const long reads = v.usb.read_calls();
  const auto before = v.clock.NowNs();
  v.link.UsbDiscardWaiting();
  EXPECT_EQ(v.usb.read_calls(), reads);

  ASSERT_EQ(v.Send(0x56), 0);
  EXPECT_EQ(v.Recv(), 41);
  v.link.UsbDiscardWaiting();
  EXPECT_EQ(v.usb.read_calls(), reads + 2);
  EXPECT_EQ(v.clock.NowNs(), before);
  EXPECT_EQ(v.link.UsbWaiting(), 0);
  ASSERT_EQ(v.Send(0x56), 0);
  EXPECT_EQ(v.Recv(), 41);
}

TEST(ByteLayer, WireFaultsOnEveryCable) {
  // The VN identification (seven bytes) with one fault; -1 marks where the exchange fails.
  struct Case {
    const char* what;
    void (*set)(sim::WireFaults&);
    std::vector<int> reply;
  };
  const Case cases[] = {
      {"none", [](sim::WireFaults&) {}, {32, 20, 80, 1, 0, 0, 0}},
      {"command dropped", [](sim::WireFaults& f) { f.drop_from_pc = 0; }, {-1}},
      {"command corrupted", [](sim::WireFaults& f) { f.corrupt_from_pc = 0; }, {-1}},  // &H57: no command
      {"reply byte dropped", [](sim::WireFaults& f) { f.drop_to_pc = 0; }, {20, 80, 1, 0, 0, 0, -1}},
      {"reply byte corrupted", [](sim::WireFaults& f) { f.corrupt_to_pc = 3; }, {32, 20, 80, 0, 0, 0, 0}},
      {"cut after two", [](sim::WireFaults& f) { f.cut_after = 2; }, {32, 20, -1}},
      {"no power", [](sim::WireFaults& f) { f.no_power = true; }, {-1}},
  };
  for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(WireName(w)) + ": " + c.what);
      VirtualLink v(w, 1);
      c.set(v.faults());
      const int sent = v.Send(0x56);
      std::vector<int> got = v.RecvN(7);
      // Over a parallel cable a byte the module never got may already fail the send.
      if (sent == -1) got = {-1};
      // On the dummy cable bytes 2 and 3 are the start pulses the module measured: 18 and 5
      // samples of 2 us at BitDelay 900.
      auto want = c.reply;
      if (w == Wire::kDummy)
        for (int& b : want) b = b == 20 ? 5 : b == 80 ? 18 : b;
      if (want == std::vector<int>{-1}) {
        EXPECT_EQ(got.back(), -1);
      } else {
        EXPECT_EQ(got, want);
      }
      EXPECT_EQ(v.irq.disables, v.irq.enables);
    }
  }
}

TEST(ByteLayer, EachOperationTakesTheSelectedPath) {
  struct Case {
    const char* what;
    Wire wire;
    int cable_mode;
    int kind;
    bool port_traffic;
    int first_data_write;  // -1: none expected
  };
  const Case cases[] = {
      // USB selected: the port is not touched even with the dummy cable mode.
      {"usb, VN", Wire::kUsb, 0, 1, false, -1},
      {"usb, VNM", Wire::kUsb, 1, 2, false, -1},
      // VN series on the dummy cable: the pulse protocol (request = data 0).
      {"dummy, VN", Wire::kDummy, 0, 1, true, 0},
      // VNM series with the dummy cable selected: still the REV. B handshake.
      {"dummy mode, VNM", Wire::kRevB, 0, 2, true, 0xE6},
      {"revb, VN", Wire::kRevB, 1, 1, true, 0xC6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLink v(c.wire, c.kind);
    v.link.CableMode = c.cable_mode;
    v.port.Open(0x378);
    v.port.set_recording(true);
    ASSERT_EQ(v.Send(0x56), 0);
    EXPECT_EQ(v.Recv(), 32);
    EXPECT_EQ(!v.port.writes().empty(), c.port_traffic);
    if (c.first_data_write >= 0) {
      EXPECT_EQ(v.port.writes().front().value, c.first_data_write);
    }
    EXPECT_EQ(v.usb.written().empty(), c.port_traffic);
  }
}

TEST(SpeedCheck, PassesAtOnceWithoutTheDummyCable) {
  for (Wire w : {Wire::kUsb, Wire::kRevB}) {
    VirtualLink v(w);
    v.link.BitDelay = 0;
    v.port.set_recording(true);
    EXPECT_NE(v.link.CableSpeedCheck(), -1);
    EXPECT_EQ(v.link.BitDelay, 0);
    EXPECT_TRUE(v.port.writes().empty());
    EXPECT_TRUE(v.usb.written().empty());
    EXPECT_EQ(v.module.bytes_received(), 0);
  }
}

TEST(SpeedCheck, StepsUntilTheModuleTellsTheUnitsApart) {
  struct Case {
    std::int64_t module_sample_ns;  // the module's resolution
    bool unplugged;
    int result;
    long bit_delay;
    int steps;
  };
  const Case cases[] = {
      {2000, false, 0, 900, 1},    // passes at step 9
      {6000, false, 0, 2400, 4},   // steps 9, 8, 7, 6
      {20000, false, -1, 4900, 9}, // never: BitDelay stays at the last value tried
      {2000, true, -1, 4900, 9},
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kDummy);
    v.port.timing().sample_ns = c.module_sample_ns;
    v.faults().unplugged = c.unplugged;
    std::vector<std::string> texts;
    v.link.StatusText = [&texts](const std::string& t) { texts.push_back(t); };
    EXPECT_EQ(v.link.CableSpeedCheck(), c.result);
    EXPECT_EQ(v.link.BitDelay, c.bit_delay);
    std::vector<std::string> want;
    for (int s = 9; s > 9 - c.steps; --s) want.push_back("Cable Speed Check : Step  " + std::to_string(s) + "...");
    if (c.result == -1) want.push_back("");
    EXPECT_EQ(texts, want);
    EXPECT_EQ(v.irq.disables, v.irq.enables);
  }
}

TEST(SpeedCheck, AnIncompleteReplyIsAFailedStep) {
  // r2 arrives but the rest does not: the step must not pass on a missing r3.
  VirtualLink v(Wire::kDummy);
  v.faults().cut_after = 2;
  EXPECT_EQ(v.link.CableSpeedCheck(), -1);
}

}  // namespace
}  // namespace vn::testing
