// The byte layer on each cable: the USB encoding and queries, the REV. B levels, the dummy
// cable's pulse trains, which protocol carries which exchange, and the cable speed check.
#include <gtest/gtest.h>

#include "virtual_link.h"

namespace vn::testing {
namespace {

std::vector<int> DataWrites(const sim::VirtualParallelPort& port) {
  std::vector<int> out;
  for (const auto& w : port.writes()) if (w.reg == 0) out.push_back(w.value);
  return out;
}

// The USB encoding and queries are read in the command line's --trace-wire rows, its blocks in
// the downloads. Dropping what waits reads exactly what is there, without waiting for the read time-out.
TEST(Usb, DiscardingReadsWhatIsThereWithoutWaiting) {
  VirtualLink vn(Wire::kUsb, 1);
  ASSERT_EQ((std::tuple{vn.Send(0x56), vn.Recv()}), std::tuple(0, 32));
  const long reads = vn.usb.read_calls();
  const auto before = vn.clock.NowNs();
  vn.link.UsbDiscardWaiting();
  vn.link.UsbDiscardWaiting();
  EXPECT_EQ(std::vector<long>({vn.usb.read_calls() - reads, vn.clock.NowNs() - before, long{vn.link.UsbWaiting()}}),
            (std::vector<long>{1, 0, 0}));
}

TEST(ByteLayer, EachOperationTakesTheSelectedPath) {
  const struct { Wire wire; int cable_mode, kind, first_data_write; } cases[] = {  // -1: no port traffic
      // USB selected: the port is untouched even in dummy mode; VN on the dummy cable: the pulse
      // protocol; VNM in dummy mode: still the REV. B handshake.
      {Wire::kUsb, 0, 1, -1}, {Wire::kDummy, 0, 1, 0}, {Wire::kRevB, 0, 2, 0xE6}, {Wire::kRevB, 1, 1, 0xC6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    VirtualLink v(c.wire, c.kind);
    v.link.CableMode = c.cable_mode;
    v.port.Open(0x378);
    v.port.set_recording(true);
    EXPECT_EQ((std::tuple{v.Send(0x56), v.Recv(), v.port.writes().empty() ? -1 : v.port.writes().front().value, v.usb.written().empty()}),
              std::tuple(0, 32, c.first_data_write, c.first_data_write != -1));
  }
}

TEST(Parallel, RestLevelsTheFourRevBLevelsAndFailedHandshakes) {
  for (int kind : {1, 2}) {
    VirtualLink v(Wire::kRevB, kind);
    v.port.set_recording(true);
    v.link.LinkIdle();
    std::vector<int> idle;
    for (const auto& w : v.port.writes()) idle.insert(idle.end(), {w.reg, w.value});
    EXPECT_EQ(idle, std::vector({0, kind == 1 ? 0xDF : 0xFF, 2, 4}));
    // &H56 as the low half with the phase bit clear, then the high half with it set; each reply
    // byte is acknowledged the same way with half 0. VNM: the family bit &H20 on every write.
    v.port.clear_writes();
    ASSERT_EQ(v.link.RevBSendByte(kind == 1 ? 0x56 : 0x67), 0);
    EXPECT_EQ(v.Recv(), kind == 1 ? 32 : 17);
    EXPECT_EQ(DataWrites(v.port), kind == 1 ? (std::vector<int>{0xC6, 0xD5, 0xC0, 0xD0}) : (std::vector<int>{0xE7, 0xF6, 0xE0, 0xF0}));
    v.port.clear_writes();
    EXPECT_EQ((std::tuple{v.link.RevBSendByte(256) + v.link.RevBSendByte(-1), v.port.writes().size()}), std::tuple(-2, std::size_t{0}));
  }
  // Every handshake that does not come ends in -1 with the lines where they must rest.
  // REV. B: the data writes; dummy: {the data line at the end}.
  const struct { Wire wire; int kind; bool send; long stall_from_pc, stall_to_pc; int stall_step; bool unplugged; std::vector<int> writes; } cases[] = {
      // The low half not taken: the phase goes back; the high half not taken stays on the lines.
      {Wire::kRevB, 1, true, 0, -1, 0, false, {0xC6, 0xD0}}, {Wire::kRevB, 1, true, 0, -1, 1, false, {0xC6, 0xD5}},
      {Wire::kRevB, 2, true, 0, -1, 1, false, {0xE6, 0xF5}}, {Wire::kRevB, 1, false, -1, -1, 0, true, {}},
      {Wire::kRevB, 1, false, -1, 0, 1, false, {0xC0, 0xD0}}, {Wire::kDummy, 1, true, -1, -1, 0, true, {1}},
      {Wire::kDummy, 1, true, 0, -1, 0, false, {1}}, {Wire::kDummy, 1, true, 0, -1, 1, false, {1}},
      {Wire::kDummy, 1, true, 0, -1, 3, false, {1}}, {Wire::kDummy, 1, false, -1, 0, 1, false, {1}},
      {Wire::kDummy, 1, false, -1, 0, 3, false, {1}},
      {Wire::kDummy, 1, false, -1, -1, 0, true, {0xDF}}};  // nothing written at all
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    VirtualLink v(c.wire, c.kind);
    if (!c.send) v.module.Receive(0x56);
    std::tie(v.faults().stall_from_pc, v.faults().stall_to_pc, v.faults().stall_step, v.faults().unplugged) =
        std::tie(c.stall_from_pc, c.stall_to_pc, c.stall_step, c.unplugged);
    v.port.set_recording(true);
    const std::int64_t start = v.clock.NowNs();
    EXPECT_EQ(c.send ? v.Send(0x56) : v.Recv(), -1);
    if (c.wire == Wire::kRevB) { EXPECT_EQ(DataWrites(v.port), c.writes); }
    if (c.wire == Wire::kDummy) { EXPECT_EQ(std::tuple(int{v.port.data()}, v.port.writes().empty()), std::tuple(c.writes[0], c.writes[0] == 0xDF)); }
    EXPECT_EQ(v.irq.disables, v.irq.enables);
    EXPECT_LT(v.clock.NowNs() - start, c.wire == Wire::kDummy ? 3'000'000'000 : 1LL << 62);  // the dummy's poll limits
  }
}

// Low pulses of the PC's data line, in time units; every high gap between them is one unit.
std::vector<long> PulseUnits(const std::vector<sim::VirtualParallelPort::WriteRecord>& writes, std::int64_t unit_ns, std::int64_t access_ns) {
  std::vector<long> units;
  for (size_t i = 0; i + 1 < writes.size(); ++i) {
    const std::int64_t t = writes[i + 1].time_ns - writes[i].time_ns - access_ns;
    EXPECT_EQ(t % unit_ns, 0) << "pulse of " << t << " ns";
    if (writes[i].value == 0) units.push_back(static_cast<long>(t / unit_ns));
    else EXPECT_EQ(t, unit_ns);
  }
  return units;
}

TEST(Dummy, PulseTrainsPulseMeasurementAndDelayUnit) {
  const std::pair<int, std::vector<long>> cases[] = {
      {0x00, {4, 1, 4, 4, 4, 4, 4, 4, 4, 4}}, {0xFF, {4, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {0x56, {4, 1, 4, 1, 1, 4, 1, 4, 1, 4}}};
  for (const auto& [byte, train] : cases) {
    VirtualLink v(Wire::kDummy);
    v.link.BitDelay = 1400;
    v.port.set_recording(true);
    ASSERT_EQ(v.link.DummySendByte(byte), 0);
    const auto& w = v.port.writes();
    ASSERT_GE(w.size(), 24u);  // request 0, release 1, the train, then the closing 0 and 1
    EXPECT_EQ(std::vector<int>({w[0].value, w[1].value, w[w.size() - 2].value, w.back().value}), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(PulseUnits({w.begin() + 2, w.end() - 2}, 1401 * 10, v.port.timing().access_ns), train);
    EXPECT_EQ(std::vector<long>({v.irq.disables, v.irq.enables, v.module.bytes_received()}), std::vector<long>({1, 1, 1}));
  }
  // A 36 ms start pulse is 36000 polls: beyond a 16-bit count, a failure.
  VirtualLink v(Wire::kDummy);
  v.module.Receive(0x56);
  std::tie(v.port.timing().unit_ns, v.port.timing().timeout_ns) = std::tuple(9'000'000, 1'000'000'000);
  EXPECT_EQ((std::tuple{v.link.DummyRecvByte(), v.irq.disables - v.irq.enables}), std::tuple(-1, 0));
  const std::pair<long, std::int64_t> delays[] = {{-1, 0}, {0, 10}, {900, 9010}, {4900, 49010}, {100000, 327680}};
  for (const auto& [bit_delay, ns] : delays) {
    v.link.BitDelay = bit_delay;
    const auto before = v.clock.NowNs();
    v.link.DelayUnit();
    EXPECT_EQ(v.clock.NowNs() - before, ns) << bit_delay;
  }
}

TEST(SpeedCheck, StepsUntilTheModuleTellsTheUnitsApart) {
  // fault: 0 none, 1 unplugged, 2 cut after two bytes, else the mask on r3.
  const struct { std::int64_t module_sample_ns; long fault; int result; long bit_delay; int steps; } cases[] = {
      // Passes at step 9 (r2 5, r3 18); steps 9, 8, 7, 6; never: BitDelay stays at the last value tried.
      {2000, 0, 0, 900, 1}, {6000, 0, 0, 2400, 4}, {20000, 0, -1, 4900, 9}, {2000, 1, -1, 4900, 9},
      {2000, 2, -1, 4900, 9},  // r2 came but not r3: no step passes on a missing byte
      // r3 corrupted once (at step 9): exactly r2 + 10 passes, r2 + 9 fails and step 8 passes.
      {2000, 18 ^ 15, 0, 900, 1}, {2000, 18 ^ 14, 0, 1400, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    VirtualLink v(Wire::kDummy);
    v.port.timing().sample_ns = c.module_sample_ns;
    std::tie(v.faults().unplugged, v.faults().cut_after, v.faults().corrupt_to_pc) =
        std::tuple(c.fault == 1, c.fault == 2 ? 2L : -1L, c.fault > 2 ? 2L : -1L);
    v.faults().corrupt_mask = static_cast<std::uint8_t>(c.fault);
    std::vector<std::string> texts;
    v.link.StatusText = [&texts](const std::string& t) { texts.push_back(t); };
    EXPECT_EQ((std::tuple{v.link.CableSpeedCheck(), v.link.BitDelay, v.irq.disables - v.irq.enables}), std::tuple(c.result, c.bit_delay, 0));
    std::vector<std::string> want;
    for (int s = 9; s > 9 - c.steps; --s) want.push_back("Cable Speed Check : Step  " + std::to_string(s) + "...");
    if (c.result == -1) want.push_back("");
    EXPECT_EQ(texts, want);
  }
}

}  // namespace
}  // namespace vn::testing
