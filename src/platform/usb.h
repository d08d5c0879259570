// The USB download cable's library: the calls the link makes, by what the caller relies on.
// Implemented over libftdi1 for the real cable and by the virtual module's USB end in tests.
// One object stands for one opened device (the handle of the original library).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vn::platform {

class UsbLibrary {
 public:
  virtual ~UsbLibrary() = default;

  // Status values; anything but kOk is a failure.
  static constexpr int kOk = 0;
  static constexpr int kInvalidHandle = 1;
  static constexpr int kDeviceNotFound = 2;
  static constexpr int kIoError = 4;

  // Opens the cable whose description is `description`; 0 = open, anything else = not found.
  virtual int OpenByDescription(const char* description) = 0;
  // Read and write time-outs in milliseconds; called right after every open.
  virtual int SetTimeouts(unsigned read_ms, unsigned write_ms) = 0;
  virtual int Close() = 0;
  // Called at the start of every download. Also discards what waits in either direction,
  // so that the bytes of an earlier, abandoned exchange are not taken for the next reply.
  virtual int ResetDevice() = 0;
  // 0 = all `length` bytes sent.
  virtual int Write(const std::uint8_t* data, std::size_t length) = 0;
  // Fills `data` with up to `length` bytes, waiting at most the read time-out; bytes that
  // did not arrive stay as the caller left them (zero). 0 = success, which a time-out is too:
  // `received` tells how many bytes came.
  virtual int Read(std::uint8_t* data, std::size_t length, std::size_t& received) = 0;
  // Number of bytes waiting from the module; 0 = success.
  virtual int GetQueueStatus(std::uint32_t& waiting) = 0;
};

}  // namespace vn::platform
