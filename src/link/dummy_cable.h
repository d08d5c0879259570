// The dummy parallel cable: a VN-series module is spoken to by pulse lengths on one line each
// way (timed by the link's speed check); a VNM-series module and the debugger's commands use
// the half-byte protocol on the same lines (SendNibbleByte).
#pragma once

#include "link/cable.h"
#include "link/parallel_lines.h"

namespace vn::link {

// Poll limits of the handshakes (rounds x polls per round).
inline constexpr long kAckRounds = 151, kAckPolls = 3001;
inline constexpr long kPulsePolls = 60001;

class DummyCable final : public Cable {
 public:
  explicit DummyCable(ParallelLines& lines) : lines_(lines) {}

  CableKind kind() const override { return CableKind::kDummy; }
  const char* name() const override { return "Dummy cable"; }
  int Open() override { return lines_.Open(); }
  void Close() override { lines_.Close(); }
  bool IsOpen() const override { return lines_.IsOpen(); }
  void Idle(core::Series series) override { lines_.Idle(series); }
  // Its own protocol, which only the VN series speaks; the link picks the half-byte one for VNM.
  int SendByte(int b, core::Series /*series*/) override { return PulseSend(b); }
  int RecvByte(core::Series /*series*/) override { return PulseRecv(); }
  int SendNibbleByte(int b, core::Series series) override { return lines_.HalfByteSend(b, series); }
  int RecvNibbleByte(core::Series series) override { return lines_.HalfByteRecv(series); }

  // The pulse protocol's parts.
  int PulseSend(int b);
  int PulseRecv();
  void SendPulseLong();
  void SendPulseShort();
  int ReadAckLine();
  int WaitAckLow() { return WaitAck(0); }
  int WaitAckHigh() { return WaitAck(1); }
  // Polls while the module's line is low; the count, or -1 for a pulse that never came or ended.
  int MeasureLowPulse();

 private:
  int WaitAck(int level);
  ParallelLines& lines_;
};

}  // namespace vn::link
