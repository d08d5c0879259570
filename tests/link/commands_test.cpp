// The command exchanges, end to end through each cable to the virtual module and back.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "link/commands.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

using link::StopStatus;

std::vector<Wire> WiresFor(int kind) {
  if (kind == 1) return {Wire::kUsb, Wire::kRevB, Wire::kDummy};
  return {Wire::kUsb, Wire::kRevB};
}

std::vector<int> Pattern(long n) {
  std::vector<int> v(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<int>((i * 37 + 11) & 0xFF);
  return v;
}

TEST(Commands, LoadCodeEchoesOnVnAndSumsOnVnm) {
  for (int kind : {1, 2}) {
    for (Wire w : WiresFor(kind)) {
      for (long bad : {-1L, 30L}) {
        SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind) + " bad " + std::to_string(bad));
        VirtualLink v(w, kind);
        v.module.bad_flash_addr = bad;
        const long n = 300;  // CodeAddr
        const auto code = Pattern(kind == 1 ? n + 1 : n);
        ASSERT_EQ(v.Send(link::CmdLoadCode), 0);
        ASSERT_EQ(link::SendWord(v.link, n, true), 0);
        ASSERT_EQ(v.SendAll(code), 0);
        auto stored = code;
        if (bad >= 0) stored[static_cast<size_t>(bad)] ^= 1;
        if (kind == 1) {
          EXPECT_EQ(v.RecvN(n + 1), stored);
        } else {
          const int lo = v.Recv(), hi = v.Recv();
          EXPECT_EQ(hi * 256 + lo, std::accumulate(stored.begin(), stored.end(), 0) % 65536);
        }
        EXPECT_EQ(v.module.ProgramLength(), n);
        EXPECT_EQ(v.module.FlashByte(bad >= 0 ? bad : 5), stored[static_cast<size_t>(bad >= 0 ? bad : 5)]);
      }
    }
  }
}

TEST(Commands, ReadFlashByPagesOrByCount) {
  for (int kind : {1, 2}) {
    for (Wire w : WiresFor(kind)) {
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind);
      for (long a = 0; a < 600; ++a) v.module.ProgramFlash(a, static_cast<std::uint8_t>(a * 7));
      const long code_addr = 260;
      ASSERT_EQ(v.Send(link::CmdReadFlash), 0);
      if (kind == 1) {
        ASSERT_EQ(v.Send(code_addr / 256 + 1), 0);  // pages
      } else {
        ASSERT_EQ(link::SendWord(v.link, code_addr, false), 0);
      }
      std::vector<int> want;
      for (long a = 0; a < code_addr; ++a) want.push_back(static_cast<int>((a * 7) & 0xFF));
      EXPECT_EQ(v.RecvN(code_addr), want);
      // The VN module sent whole pages: the rest of the second one waits for the PC.
      std::vector<int> rest;
      if (kind == 1)
        for (long a = code_addr; a < 512; ++a) rest.push_back(static_cast<int>((a * 7) & 0xFF));
      EXPECT_EQ(v.Uncollected(), rest);
      ASSERT_EQ(v.Send(link::CmdIdentifyVn), 0);
      if (w == Wire::kUsb) {
        // The USB cable's buffer keeps it, as the chip does: the next read takes it first.
        EXPECT_EQ(v.RecvN(static_cast<long>(rest.size())), rest);
      } else {
        // A parallel-cable module gives it up when the PC moves on.
        EXPECT_EQ(v.module.given_up(), rest);
      }
      EXPECT_EQ(v.Recv(), 32);
    }
  }
}

TEST(Commands, StatusReplyOnBreakAndSteps) {
  for (int kind : {1, 2}) {
    for (Wire w : WiresFor(kind)) {
      // The PC may read the reply at once or some time later (a polling timer's tick).
      for (std::int64_t later_ns : {std::int64_t{0}, std::int64_t{2'000'000'000}})
      for (int cmd : {link::CmdBreak, link::CmdStepInto, link::CmdStepOut, link::CmdCheckVariables}) {
        SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind) + " cmd " + std::to_string(cmd) +
                     " read after " + std::to_string(later_ns / 1'000'000) + " ms");
        VirtualLink v(w, kind);
        v.module.pc = 0x8123;  // bit 15 set: still a positive counter
        for (size_t a = 0; a < v.module.ram.size(); ++a) v.module.ram[a] = static_cast<std::uint8_t>(a ^ 0x5A);
        ASSERT_EQ(v.Send(cmd), 0);
        v.clock.Advance(later_ns);
        StopStatus st;
        const int var_bytes = 5;
        ASSERT_EQ(link::ReadStatusReply(v.link, v.series, var_bytes, st), 0);
        EXPECT_EQ(st.ModulePc, 0x8123);
        std::vector<int> want;
        const int first = kind == 1 ? 160 : 0;
        const int count = kind == 1 ? 96 : var_bytes;
        for (int k = 0; k < count; ++k) want.push_back((first + k) ^ 0x5A);
        EXPECT_EQ(st.RamImage, want);
        // Checking the variables does not stop a running program.
        EXPECT_EQ(v.module.in_debug(), cmd != link::CmdCheckVariables);
      }
    }
  }
}

TEST(Commands, VnmStatusWithoutVariablesSendsZeroCount) {
  VirtualLink v(Wire::kRevB, 2);
  ASSERT_EQ(v.Send(link::CmdBreak), 0);
  v.port.set_recording(true);
  StopStatus st;
  ASSERT_EQ(link::ReadStatusReply(v.link, v.series, 0, st), 0);
  EXPECT_TRUE(st.RamImage.empty());
  EXPECT_EQ(st.ModulePc, 24);
  // Marker received, then the count 0, 0 sent as &HE0/&HF0 pairs.
  std::vector<int> data;
  for (const auto& w : v.port.writes()) data.push_back(w.value);
  EXPECT_EQ(data, (std::vector<int>{0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0}));
}

TEST(Commands, StatusReplyFailures) {
  struct Case {
    const char* what;
    int kind;
    long cut_after;  // module bytes before the link dies
    bool count_failed;
  };
  const Case cases[] = {
      {"no marker", 1, 0, false},
      {"counter missing", 1, 2, false},
      {"RAM cut short", 1, 50, false},
      {"VNM count not taken", 2, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLink v(Wire::kRevB, c.kind);
    ASSERT_EQ(v.Send(link::CmdBreak), 0);
    v.faults().cut_after = c.cut_after;
    StopStatus st;
    bool count_failed = false;
    EXPECT_EQ(link::ReadStatusReply(v.link, v.series, 4, st, &count_failed), -1);
    EXPECT_EQ(count_failed, c.count_failed);
  }
  // Any other first byte is not a status reply.
  VirtualLink v(Wire::kUsb, 1);
  ASSERT_EQ(v.Send(link::CmdIdentifyVn), 0);
  StopStatus st;
  EXPECT_EQ(link::ReadStatusReply(v.link, v.series, 0, st), -1);
}

TEST(Commands, ModifyVariableWritesLeastSignificantFirst) {
  for (Wire w : WiresFor(2)) {
    VirtualLink v(w, 2);
    ASSERT_EQ(link::SendModifyVariable(v.link, 0x1234, 4, 0xA1B2C3D4u), 0);
    ASSERT_EQ(link::SendModifyVariable(v.link, 0x0010, 2, 0xBEEFu), 0);
    ASSERT_EQ(link::SendModifyVariable(v.link, 0x0020, 1, 0x7Fu), 0);
    EXPECT_EQ(v.module.ram[0x1234], 0xD4);
    EXPECT_EQ(v.module.ram[0x1235], 0xC3);
    EXPECT_EQ(v.module.ram[0x1236], 0xB2);
    EXPECT_EQ(v.module.ram[0x1237], 0xA1);
    EXPECT_EQ(v.module.ram[0x10], 0xEF);
    EXPECT_EQ(v.module.ram[0x11], 0xBE);
    EXPECT_EQ(v.module.ram[0x20], 0x7F);
    EXPECT_EQ(v.module.ram[0x21], 0);
    EXPECT_EQ(link::SendModifyVariable(v.link, 0, 3, 0), -1);
  }
}

TEST(Commands, ResetAndLeavingTheDebugger) {
  // VNM: reset in the debugger stops on the first instruction and reports it.
  VirtualLink vnm(Wire::kUsb, 2);
  ASSERT_EQ(vnm.Send(link::CmdBreak), 0);
  StopStatus st;
  ASSERT_EQ(link::ReadStatusReply(vnm.link, vnm.series, 0, st), 0);
  vnm.module.pc = 99;
  ASSERT_EQ(vnm.Send(link::CmdReset), 0);
  ASSERT_EQ(link::ReadStatusReply(vnm.link, vnm.series, 0, st), 0);
  EXPECT_EQ(st.ModulePc, 24);
  ASSERT_EQ(vnm.Send(link::CmdLeaveDebugVnm), 0);
  EXPECT_FALSE(vnm.module.in_debug());
  EXPECT_EQ(vnm.link.UsbWaiting(), 0);

  // VN: the reset sent on leaving the debugger starts the program over, with no reply.
  VirtualLink vn(Wire::kDummy, 1);
  ASSERT_EQ(vn.Send(link::CmdBreak), 0);
  ASSERT_EQ(link::ReadStatusReply(vn.link, vn.series, 0, st), 0);
  vn.module.pc = 99;
  ASSERT_EQ(vn.link.LinkSendByte(link::CmdReset), 0);
  EXPECT_FALSE(vn.module.in_debug());
  EXPECT_EQ(vn.module.pc, 24u);
  EXPECT_FALSE(vn.module.HasOutput());
}

TEST(Commands, StopReportAsEachCableAnnouncesIt) {
  // USB: any byte waiting starts the read; the module sends &HBB and then the status.
  VirtualLink usb(Wire::kUsb, 2);
  usb.module.AnnounceStop();
  EXPECT_GT(usb.link.UsbWaiting(), 0);
  EXPECT_EQ(usb.link.NibbleRecvByte(), link::kStopAnnounceVnm);
  StopStatus st;
  EXPECT_EQ(link::ReadStatusReply(usb.link, usb.series, 2, st), 0);

  // REV. B: the handshake line goes low, then &HBB.
  VirtualLink revb(Wire::kRevB, 2);
  revb.module.AnnounceStop();
  revb.link.PortRead(revb.link.Ioadr + 1);
  revb.clock.Advance(100'000);
  EXPECT_EQ(revb.link.PortRead(revb.link.Ioadr + 1) & 8, 0);
  EXPECT_EQ(revb.link.NibbleRecvByte(), link::kStopAnnounceVnm);
  EXPECT_EQ(link::ReadStatusReply(revb.link, revb.series, 2, st), 0);

  // Dummy (VN): the module line goes low; data 0 until the line is let go, then data 1.
  VirtualLink dummy(Wire::kDummy, 1);
  dummy.module.AnnounceStop();
  dummy.link.ReadAckLine();
  dummy.clock.Advance(100'000);
  ASSERT_EQ(dummy.link.ReadAckLine(), 0);
  dummy.link.PortWrite(dummy.link.Ioadr, 0);
  int polls = 0;
  while (polls < 20001 && dummy.link.ReadAckLine() != 1) ++polls;
  ASSERT_LT(polls, 20001);
  dummy.link.PortWrite(dummy.link.Ioadr, 1);
  EXPECT_EQ(link::ReadStatusReply(dummy.link, dummy.series, 0, st), 0);
  EXPECT_EQ(st.ModulePc, 24);
}

TEST(Commands, OtherFamilyDoesNotAnswer) {
  // A VNM module on the REV. B cable ignores a PC that selects the VN family, and the other
  // way round: the handshake never comes.
  for (int kind : {1, 2}) {
    VirtualLink v(Wire::kRevB, 3 - kind);
    v.link.UseSeries(core::SeriesOfKind(kind));
    v.link.LinkIdle();
    EXPECT_EQ(v.link.NibbleSendByte(0x56), -1);
    EXPECT_EQ(v.module.bytes_received(), 0);
  }
}

}  // namespace
}  // namespace vn::testing
