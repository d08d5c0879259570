// The device link: the cable settings, the cables (cable.h, one class per kind) and the byte
// layer of the two series that every exchange with the module goes through.
//
// All state of the link lives in one Link object that the owner passes to whoever talks to
// the module. Members keep the names the module's documentation uses (Ioadr, CableMode,
// UseUsb, BitDelay, ...). Every operation reports failure as its value: 0 for a send, the
// byte 0..255 for a receive, -1 for a time-out, a missing handshake or a library error.
// Nothing here shows or prints a message; start-up and the port setup hand theirs back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/message_table.h"
#include "link/cable.h"
#include "link/dummy_cable.h"
#include "link/parallel_lines.h"
#include "link/usb_cable.h"

namespace vn::platform {
class Clock;
class InterruptControl;
class ParallelPort;
class UsbLibrary;
}  // namespace vn::platform

namespace vn::link {

class WireObserver;

// A message box the owner of the user action shows: a code of the message table and its data.
using LinkMessage = core::Message;

// What the link drives. The objects outlive the Link.
struct LinkDevices {
  platform::ParallelPort& port;
  platform::UsbLibrary& usb;
  platform::InterruptControl& interrupts;
  platform::Clock& clock;
};

inline constexpr int kUsbCableAnswer = 135;  // a present cable's answer to the cable query
inline constexpr int kDefaultIoadr = 0x378;
inline constexpr int kCableRevB = 1;

class Link {
 public:
  explicit Link(LinkDevices devices);
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // ---- Settings (owned for the whole run) ---------------------------------------------------
  int Ioadr = kDefaultIoadr;  // data register; status at Ioadr + 1, control at Ioadr + 2
  int CableMode = 0;          // 1 = REV. B cable, anything else = dummy cable
  int UseUsb = 0;             // -1: every byte goes to the USB cable
  int UsbOpen = 0;            // -1: the USB device has been opened and not closed since
  int OsPlatform = 1;         // 1: the dummy cable is offered, 2: the REV. B cable only
  int CommSpeed = 0;          // never changed; only written to the settings file
  long BitDelay = 0;          // busy-wait count of one time unit; set by the speed check
  int SpeedChecked = 0;       // -1 once the cable speed check has passed in this run

  // Sees every byte exchanged with the module (see wire_trace.h); null, the default, for none.
  // The observer outlives its use here.
  void SetWireObserver(WireObserver* observer);

  // The cable the settings select (cable_kinds.h): USB when UseUsb is set, else REV. B or dummy
  // by CableMode.
  Cable& cable();
  const Cable& cable() const;
  // The link's cable of `kind`, whatever the settings select.
  Cable& cable(CableKind kind);
  // The series the byte layer speaks (some cables mark it on their lines). Each exchange with
  // the module is given its series and puts it here before its first byte; the IDE also keeps
  // it in step with the chosen device, so that the lines rest as that series expects.
  void UseSeries(core::Series series) { series_ = series; }
  core::Series series() const { return series_; }
  UsbCable& usb_cable() { return *usb_cable_; }
  DummyCable& dummy_cable() { return *dummy_cable_; }

  // Panel 2 of the main window's status bar, for the speed check's progress. May be empty.
  std::function<void(const std::string&)> StatusText;

  // ---- Port access and cable modes ----------------------------------------------------------
  void PortWrite(int port, int value);
  int PortRead(int port);
  // Puts the parallel lines at rest (nothing with the USB cable).
  void LinkIdle();
  // The parallel port at Ioadr: opened at start-up unless the USB cable is selected.
  bool PortOpen();
  void PortClose();
  bool PortIsOpen() const;
  // Opens the USB cable by its description and sets the time-outs; sets UsbOpen whatever the
  // outcome (a missing cable shows itself at the next transfer). Returns the open status.
  int UsbOpenDevice();
  void UsbCloseDevice();

  // ---- Parallel-cable bit transfer ------------------------------------------------------------
  void DelayUnit();
  void SendPulseLong();
  void SendPulseShort();
  int ReadAckLine();
  int WaitAckLow();
  int WaitAckHigh();
  int MeasureLowPulse();
  int RevBSendByte(int b);
  int RevBRecvByte();
  int DummySendByte(int b);
  int DummyRecvByte();
  int CableSpeedCheck();
  // The speed check unless it has passed in this run, and SpeedChecked set once it has: what
  // every VN-series exchange needs first on the dummy cable, whose bit timing (BitDelay) is 0
  // until the check has found it. Passes at once on the other cables. 0 or -1.
  int SpeedCheckOnce();

  // ---- Byte layer -------------------------------------------------------------------------------
  int LinkSendByte(int b);    // VN-series exchanges
  int LinkRecvByte();
  int NibbleSendByte(int b);  // VNM-series exchanges and debugger commands
  int NibbleRecvByte();
  // The family byte of the command table: LinkSendByte on the VN series, NibbleSendByte else.
  int FamilySendByte(int b);
  int FamilyRecvByte();
  int UsbSendByte(int b);
  int UsbRecvByte();
  int UsbQueryCable();
  int UsbQueryFamily();
  // One USB write of `count` bytes in the wire encoding (the block transfer of downloads).
  int UsbSendBlock(const std::uint8_t* bytes, std::size_t count);
  // One USB read of up to `length` bytes in the wire encoding (the block replies of downloads),
  // as UsbLibrary::Read.
  int UsbReadBlock(std::uint8_t* wire, std::size_t length, std::size_t& received);
  // Bytes waiting from the module on the USB cable, or -1 when the library fails.
  long UsbWaiting();
  // Reads and drops whatever waits in the USB cable's receive path (the chip keeps the bytes of
  // a reply the PC did not read whole, and the next read would take them for its answer).
  // Only the queue-status and read calls are used: the cable library has no purge but the
  // device reset, which is more than this needs, and whatever the module is still sending would
  // arrive after a purge anyway. Nothing with a parallel cable.
  void UsbDiscardWaiting();

  platform::UsbLibrary& usb() { return devices_.usb; }
  platform::Clock& clock() { return devices_.clock; }
  platform::InterruptControl& interrupts() { return devices_.interrupts; }

 private:
  void Status(const std::string& text) {
    if (StatusText) StatusText(text);
  }
  // Shows a protocol byte to the observer and hands the result of its exchange on.
  int Sent(int b, int result);
  int Received(int result);

  LinkDevices devices_;
  WireObserver* observer_ = nullptr;
  core::Series series_ = core::Series::kVn;
  ParallelLines lines_{devices_.port, devices_.interrupts, devices_.clock, Ioadr, BitDelay};
  // One cable per row of CableKinds(), in its order.
  std::vector<std::unique_ptr<Cable>> cables_;
  // The cables whose own operations (the USB cable's queries and blocks, the dummy cable's
  // pulses) the link offers by name; they are among cables_.
  UsbCable* usb_cable_ = nullptr;
  DummyCable* dummy_cable_ = nullptr;
};

// Number text with a blank in place of a plus sign (" 888", "-1").
std::string SignedText(long value);

}  // namespace vn::link
