// A Link wired to the virtual module through one of the three virtual cables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cables/cable_factory.h"
#include "link/link.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "sim/module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::testing {

enum class Wire { kUsb, kRevB, kDummy };

inline const char* WireName(Wire w) { return w == Wire::kUsb ? "usb" : w == Wire::kRevB ? "revb" : "dummy"; }

// Counts the interrupt calls so that every path can be checked to re-enable them.
struct CountingInterrupts final : platform::InterruptControl {
  int disables = 0;
  int enables = 0;
  void Disable() override { ++disables; }
  void Enable() override { ++enables; }
};

// Sets the link up for the cable and series and opens the cable, as the IDE's start-up does.
inline void Connect(link::Link& link, Wire w, int kind) {
  link.UseSeries(core::SeriesOfKind(kind));
  if (w == Wire::kUsb) {
    cables::SelectCable(link, link::CableKind::kUsb);
    link.UsbOpenDevice();
  } else {
    cables::SelectCable(link, w == Wire::kRevB ? link::CableKind::kRevB : link::CableKind::kDummy);
    link.PortOpen();
    link.LinkIdle();
  }
}

inline link::CableKind CableKindOf(Wire w) {
  return w == Wire::kUsb ? link::CableKind::kUsb : w == Wire::kRevB ? link::CableKind::kRevB : link::CableKind::kDummy;
}

struct VirtualLink {
  explicit VirtualLink(Wire w, int kind = 1, sim::ModuleConfig config = {})
      : wire(w),
        series(core::SeriesOfKind(kind)),
        module(WithKind(config, kind)),
        wires(module, clock, CableKindOf(w), link::kDefaultIoadr, &irq),
        port(wires.port),
        usb(wires.usb),
        link(wires.Devices()) {
    Connect(link, w, kind);
    link.BitDelay = 900;
  }

  static sim::ModuleConfig WithKind(sim::ModuleConfig c, int kind) {
    c.kind = kind;
    return c;
  }
  sim::WireFaults& faults() { return wire == Wire::kUsb ? usb.faults() : port.faults(); }
  // The module's reply items the PC has not collected, on the cable in use; empty after every
  // healthy exchange.
  std::vector<int> Uncollected() const { return wire == Wire::kUsb ? usb.Uncollected() : port.Uncollected(); }

  // The byte operations of the module's series.
  int Send(int b) { return link.FamilySendByte(b); }
  int Recv() { return link.FamilyRecvByte(); }
  int SendAll(const std::vector<int>& bytes) {
    for (int b : bytes)
      if (Send(b) == -1) return -1;
    return 0;
  }
  // Receives n bytes; the first -1 ends the list.
  std::vector<int> RecvN(long n) {
    std::vector<int> out;
    for (long i = 0; i < n; ++i) {
      out.push_back(Recv());
      if (out.back() == -1) break;
    }
    return out;
  }

  Wire wire;
  core::Series series;  // the series the link speaks to the module
  platform::VirtualClock clock;
  CountingInterrupts irq;
  sim::Module module;
  cables::VirtualWires wires;
  sim::VirtualParallelPort& port;
  sim::VirtualUsbCable& usb;
  link::Link link;
};

// Another cable of the same kind on the module of a VirtualLink, as when the user plugs the
// cable in again after a failure: a fresh wire without faults, the same module and clock.
struct NextCable {
  explicit NextCable(VirtualLink& v)
      : wires(v.module, v.clock, CableKindOf(v.wire), link::kDefaultIoadr, &v.irq),
        port(wires.port),
        usb(wires.usb),
        link(wires.Devices()) {
    Connect(link, v.wire, core::KindOfSeries(v.series));
    link.BitDelay = v.link.BitDelay;
  }

  cables::VirtualWires wires;
  sim::VirtualParallelPort& port;
  sim::VirtualUsbCable& usb;
  link::Link link;
};

}  // namespace vn::testing
