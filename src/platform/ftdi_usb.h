// The USB download cable through libftdi1. The cable is an FTDI chip whose product string is
// the cable's description; it is looked for among FTDI's own vendor and product ids.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/usb.h"

struct ftdi_context;

namespace vn::platform {

class Clock;

class FtdiUsb final : public UsbLibrary {
 public:
  explicit FtdiUsb(Clock& clock);
  ~FtdiUsb() override;
  FtdiUsb(const FtdiUsb&) = delete;
  FtdiUsb& operator=(const FtdiUsb&) = delete;

  int OpenByDescription(const char* description) override;
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override;
  int Close() override;
  int ResetDevice() override;
  int Write(const std::uint8_t* data, std::size_t length) override;
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override;
  int GetQueueStatus(std::uint32_t& waiting) override;

 private:
  // Moves what the chip has into `pending_` without waiting: until a read comes back short, or
  // with `until_empty` until one comes back empty. False on a USB error.
  bool Drain(bool until_empty);

  Clock& clock_;
  ftdi_context* ctx_ = nullptr;
  bool open_ = false;
  unsigned read_timeout_ms_ = 1000;
  std::deque<std::uint8_t> pending_;  // read from the chip, not yet given to the caller
};

}  // namespace vn::platform
