// A stand-in for libftdi1 in tests: the library's functions that the USB driver calls, with
// the signatures of its header, over chips that a test puts on a stand-in USB bus.
//
// libftdi's calls carry no state of their caller but the context they create, so the bus the
// contexts open their chips on is the one process-wide object here; a test takes it with
// TheStandinBus() and clears it before use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vn::testing {

// One FTDI chip on the bus.
class StandinChip {
 public:
  virtual ~StandinChip() = default;
  int vendor = 0x0403;
  int product = 0x6001;
  std::string description;
  // Bytes written, or a negative libusb error.
  virtual int Write(const std::uint8_t* data, int size) = 0;
  // Bytes the chip has for the PC now, at most `size`; 0 when none; negative on an error.
  virtual int Read(std::uint8_t* data, int size) = 0;
  // The chip's reset and its buffers' flush; negative on an error.
  virtual int Reset() { return 0; }
};

struct StandinBus {
  std::vector<StandinChip*> chips;
  // Every call in the order made, e.g. "open_desc 0403 6001 VARNOLIC Download Cable",
  // "latency 1", "read 512", "write 2", "reset", "flush", "close", "free".
  std::vector<std::string> calls;
  // The time-outs the caller had put into its context at its last read and write.
  int read_timeout = -1, write_timeout = -1;
  int contexts = 0;  // created and not freed

  void Clear() { *this = StandinBus{}; }
  long Count(const std::string& prefix) const;
};

StandinBus& TheStandinBus();

}  // namespace vn::testing
