// A stand-in for libftdi1: the library's functions the USB driver calls, with its header's signatures, over chips
// on a stand-in bus. libftdi's calls carry no state but their context, so the bus is the one process-wide object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
namespace vn::testing {

// One FTDI chip on the bus. Write and Read answer a byte count or a negative libusb error.
struct StandinChip {
  virtual ~StandinChip() = default;
  virtual int Write(const std::uint8_t* data, int size) = 0;
  virtual int Read(std::uint8_t* data, int size) = 0;  // at most `size` of what waits
  virtual int Reset() = 0;
  int vendor = 0x0403, product = 0x6001;
  std::string description;
};

struct StandinBus {
  std::vector<StandinChip*> chips;
  std::vector<std::string> calls;  // e.g. "open_desc 0403 6001 <description>", "latency 1", "read 2"
  int read_timeout = -1, write_timeout = -1, contexts = 0;  // the context's at its last read and write; made, not freed
  long Count(const std::string& prefix) const { long n = 0; for (const auto& c : calls) n += c.rfind(prefix, 0) == 0; return n; }
};
StandinBus& TheStandinBus();
}  // namespace vn::testing
