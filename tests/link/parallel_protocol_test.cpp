// The two parallel-cable protocols against the virtual module: the register values on the
// lines, the pulse trains, and a clean -1 for every handshake that does not come.
#include <gtest/gtest.h>

#include <vector>

#include "sim/virtual_port.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

using Rec = sim::VirtualParallelPort::WriteRecord;

std::vector<int> DataWrites(const sim::VirtualParallelPort& port) {
  std::vector<int> out;
  for (const auto& w : port.writes())
    if (w.reg == 0) out.push_back(w.value);
  return out;
}

TEST(LinkIdle, RestLevelsPerFamily) {
  for (int kind : {1, 2}) {
    VirtualLink v(Wire::kRevB, kind);
    v.port.set_recording(true);
    v.link.LinkIdle();
    const std::uint8_t data = kind == 1 ? 0xDF : 0xFF;
    ASSERT_EQ(v.port.writes().size(), 2u);
    EXPECT_EQ(v.port.writes()[0].reg, 0);
    EXPECT_EQ(v.port.writes()[0].value, data);
    EXPECT_EQ(v.port.writes()[1].reg, 2);
    EXPECT_EQ(v.port.writes()[1].value, 4);
  }
  VirtualLink usb(Wire::kUsb);
  usb.port.Open(0x378);
  usb.port.set_recording(true);
  usb.link.LinkIdle();
  EXPECT_TRUE(usb.port.writes().empty());
}

// ---- REV. B -----------------------------------------------------------------------------------

TEST(RevB, SendAndReceiveWriteExactlyTheFourLevels) {
  struct Case {
    int kind;
    int command;
    std::vector<int> send_writes;
    std::vector<int> reply;
  };
  const Case cases[] = {
      // VN: &H56 goes as &HC6 then &HD5; each reply byte is acknowledged with &HC0, &HD0.
      {1, 0x56, {0xC6, 0xD5}, {32, 20, 80, 1, 0, 0, 0}},
      // VNM: the family bit &H20 on every write.
      {2, 0x67, {0xE7, 0xF6}, {17}},
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kRevB, c.kind);
    v.port.set_recording(true);
    ASSERT_EQ(v.link.RevBSendByte(c.command), 0);
    EXPECT_EQ(DataWrites(v.port), c.send_writes);
    v.port.clear_writes();
    EXPECT_EQ(v.RecvN(static_cast<long>(c.reply.size())), c.reply);
    std::vector<int> acks;
    for (size_t i = 0; i < c.reply.size(); ++i) {
      acks.push_back(c.kind == 1 ? 0xC0 : 0xE0);
      acks.push_back(c.kind == 1 ? 0xD0 : 0xF0);
    }
    EXPECT_EQ(DataWrites(v.port), acks);
  }
}

TEST(RevB, TimeOutsLeaveTheDocumentedLevels) {
  struct Case {
    const char* what;
    int kind;
    bool send;           // a send of &H56, else a receive
    long stall_from_pc;  // byte index and step at which the module freezes
    long stall_to_pc;
    int stall_step;
    bool unplugged;
    std::vector<int> writes;
  };
  const Case cases[] = {
      // The module never takes the low half: the PC puts the phase line back (&HD0 + F).
      {"low half not taken VN", 1, true, 0, -1, 0, false, {0xC6, 0xD0}},
      {"low half not taken VNM", 2, true, 0, -1, 0, false, {0xE6, 0xF0}},
      // The second acknowledgement never comes: the high half stays on the lines.
      {"high half not taken VN", 1, true, 0, -1, 1, false, {0xC6, 0xD5}},
      {"high half not taken VNM", 2, true, 0, -1, 1, false, {0xE6, 0xF5}},
      // No module: a receive gives up without touching the port.
      {"receive, no module", 1, false, -1, -1, 0, true, {}},
      // The module offered its low half but never its high half.
      {"receive, high half missing", 1, false, -1, 0, 1, false, {0xC0, 0xD0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLink v(Wire::kRevB, c.kind);
    if (!c.send) v.module.Receive(0x56);  // something to send: the VN identification
    v.faults().stall_from_pc = c.stall_from_pc;
    v.faults().stall_to_pc = c.stall_to_pc;
    v.faults().stall_step = c.stall_step;
    v.faults().unplugged = c.unplugged;
    v.port.set_recording(true);
    EXPECT_EQ(c.send ? v.link.RevBSendByte(0x56) : v.link.RevBRecvByte(), -1);
    EXPECT_EQ(DataWrites(v.port), c.writes);
  }
}

TEST(RevB, EveryByteValueRoundTrips) {
  // The VN load echo carries each byte to the module and back over the handshake.
  VirtualLink v(Wire::kRevB, 1);
  std::vector<int> code;
  for (int b = 0; b < 256; ++b) code.push_back(b);
  ASSERT_EQ(v.SendAll({0x34, 255, 0}), 0);
  ASSERT_EQ(v.SendAll(code), 0);
  EXPECT_EQ(v.RecvN(256), code);
}

TEST(RevB, BytesOutsideAByteAreNotSent) {
  VirtualLink v(Wire::kRevB, 1);
  v.port.set_recording(true);
  EXPECT_EQ(v.link.RevBSendByte(256), -1);
  EXPECT_EQ(v.link.RevBSendByte(-1), -1);
  EXPECT_TRUE(v.port.writes().empty());
}

// ---- Dummy cable --------------------------------------------------------------------------------

// Low pulses of the PC's data line between `first` and `last` write, in time units.
std::vector<long> PulseUnits(const std::vector<Rec>& writes, std::int64_t unit_ns, std::int64_t access_ns) {
  std::vector<long> units;
  std::int64_t fall = -1;
  for (const auto& w : writes) {
    if (w.reg != 0) continue;
    if (w.value == 0) fall = w.time_ns;
    if (w.value == 1 && fall >= 0) {
      const std::int64_t low = w.time_ns - fall - access_ns;
      EXPECT_EQ(low % unit_ns, 0) << "pulse of " << low << " ns";
      units.push_back(static_cast<long>(low / unit_ns));
      fall = -1;
    }
  }
  return units;
}

TEST(Dummy, PulseTrainsOfZeroAndFF) {
  struct Case {
    int byte;
    std::vector<long> train;
  };
  const Case cases[] = {
      {0x00, {4, 1, 4, 4, 4, 4, 4, 4, 4, 4}},
      {0xFF, {4, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {0x56, {4, 1, 4, 1, 1, 4, 1, 4, 1, 4}},
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kDummy);
    v.link.BitDelay = 1400;
    v.port.set_recording(true);
    ASSERT_EQ(v.link.DummySendByte(c.byte), 0);
    const auto& w = v.port.writes();
    // Request 0, release 1, the train, then the closing 0 and 1.
    ASSERT_GE(w.size(), 24u);
    EXPECT_EQ(w[0].value, 0);
    EXPECT_EQ(w[1].value, 1);
    const std::vector<Rec> train(w.begin() + 2, w.end() - 2);
    EXPECT_EQ(PulseUnits(train, 1401 * 10, v.port.timing().access_ns), c.train);
    // High time between pulses: one unit.
    for (size_t i = 1; i + 1 < train.size(); i += 2)
      EXPECT_EQ(train[i + 1].time_ns - train[i].time_ns - v.port.timing().access_ns, 1401 * 10);
    EXPECT_EQ(w[w.size() - 2].value, 0);
    EXPECT_EQ(w.back().value, 1);
    EXPECT_EQ(v.port.data(), 1);
    EXPECT_EQ(v.irq.disables, 1);
    EXPECT_EQ(v.irq.enables, 1);
    EXPECT_EQ(v.module.bytes_received(), 1);
  }
}

TEST(Dummy, EveryByteValueRoundTrips) {
  VirtualLink v(Wire::kDummy, 1);
  std::vector<int> code;
  for (int b = 0; b < 256; ++b) code.push_back(255 - b);
  ASSERT_EQ(v.SendAll({0x34, 255, 0}), 0);
  ASSERT_EQ(v.SendAll(code), 0);
  EXPECT_EQ(v.RecvN(256), code);
  EXPECT_EQ(v.irq.disables, v.irq.enables);
}

TEST(Dummy, EveryFailedHandshakeEndsInMinusOneAtRest) {
  struct Case {
    const char* what;
    bool send;
    long stall_from_pc, stall_to_pc;
    int stall_step;
    bool unplugged;
  };
  const Case cases[] = {
      {"send, no module", true, -1, -1, 0, true},
      {"send, request never acknowledged", true, 0, -1, 0, false},
      {"send, never released", true, 0, -1, 1, false},
      {"send, train never acknowledged", true, 0, -1, 2, false},
      {"send, end never released", true, 0, -1, 3, false},
      {"receive, no module", false, -1, -1, 0, true},
      {"receive, request never released", false, -1, 0, 1, false},
      {"receive, train never comes", false, -1, 0, 2, false},
      {"receive, end never acknowledged", false, -1, 0, 3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLink v(Wire::kDummy);
    if (!c.send) v.module.Receive(0x56);
    v.faults().stall_from_pc = c.stall_from_pc;
    v.faults().stall_to_pc = c.stall_to_pc;
    v.faults().stall_step = c.stall_step;
    v.faults().unplugged = c.unplugged;
    v.port.set_recording(true);
    const std::int64_t start = v.clock.NowNs();
    EXPECT_EQ(c.send ? v.link.DummySendByte(0x56) : v.link.DummyRecvByte(), -1);
    EXPECT_EQ(v.port.data(), c.unplugged && !c.send ? 0xDF : 1) << "line left at rest";
    EXPECT_EQ(v.irq.disables, v.irq.enables);
    // Bounded by the poll limits: well under a few seconds of virtual time.
    EXPECT_LT(v.clock.NowNs() - start, 3'000'000'000);
    if (c.unplugged && !c.send) {
      EXPECT_TRUE(v.port.writes().empty());
    }
  }
}

TEST(Dummy, PulseBeyondASixteenBitCountIsAFailure) {
  VirtualLink v(Wire::kDummy);
  v.module.Receive(0x56);
  v.port.timing().unit_ns = 9'000'000;  // a 36 ms start pulse: 36000 polls
  v.port.timing().timeout_ns = 1'000'000'000;
  EXPECT_EQ(v.link.DummyRecvByte(), -1);
  EXPECT_EQ(v.irq.disables, v.irq.enables);
}

TEST(Dummy, MeasureLowPulseCountsPollsWhileLow) {
  VirtualLink v(Wire::kDummy);
  v.module.Receive(0x56);
  ASSERT_EQ(v.link.WaitAckLow(), 0);
  v.link.PortWrite(v.link.Ioadr, 0);
  ASSERT_EQ(v.link.WaitAckHigh(), 0);
  v.link.PortWrite(v.link.Ioadr, 1);
  // The module's unit is 20 us and a poll takes 1 us: 80 polls, then 20.
  const int t1 = v.link.MeasureLowPulse();
  const int t2 = v.link.MeasureLowPulse();
  EXPECT_NEAR(t1, 80, 1);
  EXPECT_NEAR(t2, 20, 1);
}

TEST(DelayUnit, LastsBitDelayPlusOneCounts) {
  struct Case {
    long bit_delay;
    std::int64_t ns;
  };
  const Case cases[] = {{-1, 0}, {-500, 0}, {0, 10}, {900, 9010}, {4900, 49010}, {100000, 327680}};
  for (const auto& c : cases) {
    VirtualLink v(Wire::kDummy);
    v.link.BitDelay = c.bit_delay;
    const auto before = v.clock.NowNs();
    v.link.DelayUnit();
    EXPECT_EQ(v.clock.NowNs() - before, c.ns) << c.bit_delay;
  }
}

}  // namespace
}  // namespace vn::testing
