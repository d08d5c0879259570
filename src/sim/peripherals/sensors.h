// The module's inputs that are values rather than port levels: the analog channels (ADIN), the
// analog keys (ADKEYIN), the keypads (PADIN, EPADIN), the counters (COUNT), the captured pulse
// widths (CAPTURE), the shift register (SHIFTIN) and the interrupt lines of ON INT (VNM series).
// The program only reads them; the outside world sets them.
#pragma once

#include <array>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Sensors final : public Peripheral {
 public:
  static constexpr const char* kName = "sensors";
  static constexpr int kChannels = 65;  // ADIN, ADKEYIN and CAPTURE take the port numbers

  explicit Sensors(BoardLink& board) : Peripheral(board) {}
  std::string_view name() const override { return kName; }
  static std::span<const InputKind> Inputs();

  void SetAdc(int channel, int value);
  int Adc(int channel) const;
  void SetAdKey(int channel, int key);
  int AdKey(int channel) const;
  void SetKeypad(int block, int key);
  int Keypad(int block) const;
  void SetCounter(int counter, long value);
  long Counter(int counter) const;
  void SetCapture(int port, long value);
  long Capture(int port) const;
  void SetShiftIn(long value) { shift_in_ = value; }
  long shift_in() const { return shift_in_; }
  // An interrupt request on line 0 or 1.
  void TriggerInterrupt(int line);
  // Interrupt requests per line since the last call.
  std::array<int, 2> TakeInterruptRequests();

 private:
  std::array<int, kChannels> adc_{};
  std::array<int, kChannels> adkey_{};
  std::array<int, 256> keypad_{};
  std::array<long, 2> counters_{};
  std::array<long, kChannels> capture_{};
  long shift_in_ = 0;
  std::array<int, 2> int_requests_{};
};

}  // namespace vn::sim
