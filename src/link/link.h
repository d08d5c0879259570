// The device link: the cable settings, raw port access, the two parallel-cable bit protocols
// and the byte layer that every exchange with the module goes through.
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
#include <string>

#include "core/message_table.h"

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

inline constexpr char kUsbCableDescription[] = "VARNOLIC Download Cable";
inline constexpr unsigned kUsbTimeoutMs = 1000;
inline constexpr int kUsbCableAnswer = 135;  // a present cable's answer to the cable query
inline constexpr int kDefaultIoadr = 0x378;
inline constexpr int kCableRevB = 1;

// One DelayUnit lasts (BitDelay + 1) of these. The protocol was timed by an empty loop of four
// iterations per count; 2.5 ns per iteration is what such a loop took on the PCs the cable was
// made for, so the nine speed-check steps keep covering the pulse lengths the modules expect.
inline constexpr std::int64_t kDelayUnitNsPerCount = 10;

// The most the receive path is drained of at once: two wire bytes for every flash address, so a
// module that never stops sending cannot hold the PC in the drain.
inline constexpr long kUsbDrainLimit = 2L * 65536;

// Poll limits of the handshakes (rounds x polls per round).
inline constexpr long kAckRounds = 151, kAckPolls = 3001;
inline constexpr long kPulsePolls = 60001;

class Link {
 public:
  explicit Link(LinkDevices devices);

  // ---- Settings (owned for the whole run) ---------------------------------------------------
  int Ioadr = kDefaultIoadr;  // data register; status at Ioadr + 1, control at Ioadr + 2
  int CableMode = 0;          // 1 = REV. B cable, anything else = dummy cable
  int UseUsb = 0;             // -1: every byte goes to the USB cable
  int UsbOpen = 0;            // -1: the USB device has been opened and not closed since
  int OsPlatform = 1;         // 1: the dummy cable is offered, 2: the REV. B cable only
  int CommSpeed = 0;          // never changed; only written to the settings file
  int DeviceKind = 1;         // 1 = VN series, 2 = VNM series; kept in step with the device
  long BitDelay = 0;          // busy-wait count of one time unit; set by the speed check
  int SpeedChecked = 0;       // -1 once the cable speed check has passed in this run

  // Sees every byte exchanged with the module (see wire_trace.h); null, the default, for none.
  // The observer outlives its use here.
  void SetWireObserver(WireObserver* observer) { observer_ = observer; }

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
  int FamilyBit() const { return DeviceKind == 1 ? 0 : 0x20; }
  // Polls status bit 3 until it reads `level`; false after rounds x polls reads.
  bool PollHandshake(int level, long rounds, long polls);
  int WaitAck(int level);
  int UsbQuery(std::uint8_t first);
  void Status(const std::string& text) {
    if (StatusText) StatusText(text);
  }
  int RevBSend(int b);
  int RevBRecv();
  int DummySend(int b);
  int DummyRecv();
  int UsbSend(int b);
  int UsbRecv();
  // The USB library's write and read, shown to the observer.
  int UsbWrite(const std::uint8_t* data, std::size_t length);
  int UsbRead(std::uint8_t* data, std::size_t length, std::size_t& received);
  // Shows a protocol byte to the observer and hands the result of its exchange on.
  int Sent(int b, int result);
  int Received(int result);

  LinkDevices devices_;
  WireObserver* observer_ = nullptr;
};

// Number text with a blank in place of a plus sign (" 888", "-1").
std::string SignedText(long value);

}  // namespace vn::link
