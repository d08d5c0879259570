// The USB download cable: each protocol byte travels as two half bytes, low half first, and the
// cable answers queries of its own (is it there, which family is attached). Writes and reads are
// whole blocks, which downloads use to send and fetch many bytes per transfer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/cable.h"

namespace vn::platform {
class UsbLibrary;
}

namespace vn::link {

inline constexpr char kUsbCableDescription[] = "VARNOLIC Download Cable";
inline constexpr unsigned kUsbTimeoutMs = 1000;

// The most the receive path is drained of at once: two wire bytes for every flash address, so a
// module that never stops sending cannot hold the PC in the drain.
inline constexpr long kUsbDrainLimit = 2L * 65536;

class UsbCable final : public Cable {
 public:
  explicit UsbCable(platform::UsbLibrary& usb) : usb_(usb) {}

  CableKind kind() const override { return CableKind::kUsb; }
  const char* name() const override { return "USB cable"; }
  // Opens by the description and sets the time-outs whatever the outcome (a missing cable shows
  // itself at the next transfer). Returns the open status.
  int Open() override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  void Idle(core::Series /*series*/) override {}
  int SendByte(int b, core::Series /*series*/) override;
  int RecvByte(core::Series /*series*/) override;
  int SendNibbleByte(int b, core::Series series) override { return SendByte(b, series); }
  int RecvNibbleByte(core::Series series) override { return RecvByte(series); }
  void SetWireObserver(WireObserver* observer) override { observer_ = observer; }

  // The cable's own queries: 0x10 (is the cable there) and 0x20 (the family's line).
  int QueryCable() { return Query(0x10); }
  int QueryFamily() { return Query(0x20); }
  // One write of `count` protocol bytes in the wire encoding; the observer sees the protocol
  // bytes and then the cable's. 0 or -1.
  int SendBlock(const std::uint8_t* bytes, std::size_t count);
  // One read of up to `length` wire bytes, as UsbLibrary::Read; the observer sees the whole
  // pairs in the wire encoding up to the first that is not, and a missing byte if short.
  int ReadBlock(std::uint8_t* wire, std::size_t length, std::size_t& received);
  // Bytes waiting from the module, or -1 when the library fails.
  long Waiting();
  // Reads and drops whatever waits in the receive path (see Link::UsbDiscardWaiting).
  void DiscardWaiting();

  platform::UsbLibrary& library() { return usb_; }

 private:
  int Query(std::uint8_t first);
  int Write(const std::uint8_t* data, std::size_t length);
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received);

  platform::UsbLibrary& usb_;
  WireObserver* observer_ = nullptr;
  bool open_ = false;
};

}  // namespace vn::link
