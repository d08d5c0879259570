// A cable between the PC and the module, as the byte layer of the Link sees it: one byte at a
// time in the cable's own bit protocol, and, where the cable has them, block transfers and a
// receive queue. One class per kind of cable (usb_cable.h, revb_cable.h, dummy_cable.h), each
// over the platform's device for it, real or virtual alike, and one row per kind in
// cable_kinds.cpp, which builds it and says which settings select it.
//
// Every operation reports failure as its value: 0 for a send, the byte 0..255 for a receive,
// -1 for a time-out, a missing handshake or a library error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/devices.h"

namespace vn::link {

class WireObserver;

enum class CableKind { kUsb, kRevB, kDummy };

class Cable {
 public:
  virtual ~Cable() = default;

  virtual CableKind kind() const = 0;
  // The cable's name as the status bar shows it ("USB cable", "REV. B cable", "Dummy cable").
  virtual const char* name() const = 0;

  // Gains the device: the parallel port at the link's base address, or the USB cable by its
  // description. 0 = open; anything else is the device's failure status.
  virtual int Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Puts the lines at rest for the series; nothing where there are none.
  virtual void Idle(core::Series series) = 0;

  // The cable's own byte protocol, which the VN series' exchanges use (some cables mark the
  // series on the lines).
  virtual int SendByte(int b, core::Series series) = 0;
  virtual int RecvByte(core::Series series) = 0;
  // The half-byte protocol of the VNM series and of the debugger's commands on either series.
  virtual int SendNibbleByte(int b, core::Series series) = 0;
  virtual int RecvNibbleByte(core::Series series) = 0;

  // Sees the bytes the cable itself carries where they differ from the protocol's (USB).
  virtual void SetWireObserver(WireObserver* /*observer*/) {}
};

}  // namespace vn::link
