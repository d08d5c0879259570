// The virtual USB download cable: the library interface of the real cable with the virtual
// module behind it. It speaks the wire encoding (one byte as two, low half first), answers the
// cable query with 135 and the family query with the family bit of the module it finds
// (bit 0 set for the VN series; clear for the VNM series and when no module answers), and
// times its read time-out on the virtual clock.
//
// Like the chip's receive buffer, it keeps every byte for the PC until the PC reads it or
// resets the device: a reply the PC left half-read is what its next read finds first. A pair
// from the PC with a half above 15 is no byte of the encoding; it never reaches the module.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/clock.h"
#include "platform/usb.h"
#include "sim/wire.h"

namespace vn::sim {

class VirtualUsbCable final : public platform::UsbLibrary, public ModuleWire {
 public:
  static constexpr char kDescription[] = "VARNOLIC Download Cable";

  VirtualUsbCable(Module& module, platform::VirtualClock& clock) : ModuleWire(module), clock_(clock) {}

  int OpenByDescription(const char* description) override;
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override;
  int Close() override;
  int ResetDevice() override;
  int Write(const std::uint8_t* data, std::size_t length) override;
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override;
  int GetQueueStatus(std::uint32_t& waiting) override;

  // Lets the module's pending output (a stop report) onto the wire.
  void Pump();

  bool is_open() const { return open_; }
  // Every byte the PC wrote, in order, and how often the device was reset.
  const std::vector<std::uint8_t>& written() const { return written_; }
  // The length of each write, in order, and the number of reads: one USB transfer each.
  const std::vector<std::size_t>& write_sizes() const { return write_sizes_; }
  long read_calls() const { return read_calls_; }
  // What one transfer (a write or a read) costs on the virtual clock: the round trip of a USB
  // request through the host controller and the cable's chip. 0 unless a test models it.
  std::int64_t transfer_latency_ns = 0;
  int resets() const { return resets_; }
  int opens() const { return opens_; }
  // Pairs from the PC that were not in the encoding (a half above 15) and went nowhere.
  long refused_pairs() const { return refused_pairs_; }
  // What the module has not had collected, and the bytes that wait in the cable for the PC
  // (decoded pair by pair; a lone half as itself).
  std::vector<int> Uncollected() const override;

 private:
  // Puts a byte in the wire encoding into the cable's buffer for the PC; `from_module` tells
  // the module's own bytes from the cable's answers to its queries.
  void Answer(int value, bool from_module);
  void FromPc(std::uint8_t first, std::uint8_t second);
  // Empties the buffer for the PC; the module's bytes in it were never collected.
  void Purge();

  platform::VirtualClock& clock_;
  bool open_ = false;
  unsigned read_timeout_ms_ = 1000;
  struct Half {
    std::uint8_t value;
    bool from_module;
  };
  std::deque<Half> to_pc_;
  bool have_first_ = false;
  std::uint8_t first_ = 0;
  std::vector<std::uint8_t> written_;
  std::vector<std::size_t> write_sizes_;
  long read_calls_ = 0;
  int resets_ = 0;
  int opens_ = 0;
  long refused_pairs_ = 0;
};

}  // namespace vn::sim
