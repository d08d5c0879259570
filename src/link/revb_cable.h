// The REV. B parallel cable: every byte in two halves with a handshake on each, on either series.
#pragma once

#include "link/cable.h"
#include "link/parallel_lines.h"

namespace vn::link {

class RevBCable final : public Cable {
 public:
  explicit RevBCable(ParallelLines& lines) : lines_(lines) {}

  CableKind kind() const override { return CableKind::kRevB; }
  const char* name() const override { return "REV. B cable"; }
  int Open() override { return lines_.Open(); }
  void Close() override { lines_.Close(); }
  bool IsOpen() const override { return lines_.IsOpen(); }
  void Idle(core::Series series) override { lines_.Idle(series); }
  int SendByte(int b, core::Series series) override { return lines_.HalfByteSend(b, series); }
  int RecvByte(core::Series series) override { return lines_.HalfByteRecv(series); }
  int SendNibbleByte(int b, core::Series series) override { return lines_.HalfByteSend(b, series); }
  int RecvNibbleByte(core::Series series) override { return lines_.HalfByteRecv(series); }

 private:
  ParallelLines& lines_;
};

}  // namespace vn::link
