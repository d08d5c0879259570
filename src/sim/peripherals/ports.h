// The module's ports 0..64: each an output the program drives or an input the outside world
// sets, read back with IN, in blocks of eight with BYTEOUT / BYTEIN, and the timed outputs
// (PWM, PULSE, SERVO, FREQOUT, STEPOUT, SHIFTOUT, DACOUT) that the virtual module logs rather
// than waveforms.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Ports final : public Peripheral {
 public:
  static constexpr const char* kName = "ports";
  static constexpr int kPorts = 65;    // ports 0..64
  static constexpr int kBlocks = 9;    // BYTEOUT / BYTEIN blocks of 8 ports
  static constexpr size_t kMaxEdges = 256;

  explicit Ports(BoardLink& board);
  std::string_view name() const override { return kName; }
  static std::span<const InputKind> Inputs();

  static bool Valid(int port) { return port >= 0 && port < kPorts; }

  // What the program reads with IN: the driven level of an output, the outside level of an input.
  int Level(int port) const;
  int OutputLevel(int port) const;   // the output latch (OUTSTAT)
  bool IsOutput(int port) const;
  int InputLevel(int port) const;
  // Sets the level the outside world applies to a port (inputs start at 1: pulled up; a key
  // pressed pulls its port to 0). A change is an edge for ON INT.
  void SetInput(int port, int level);
  // The edges (port, new level) since the last call.
  std::vector<std::pair<int, int>> TakeEdges();

  // ---- The program side ----
  void DriveLevel(int port, int level);
  void Toggle(int port);
  void BlockOut(int block, std::uint8_t value);
  int BlockIn(int block) const;
  void Pwm(int port, long duty, long third) { Emit(IoEventKind::kPwm, port, duty, third); }
  void PwmOff(int port) { Emit(IoEventKind::kPwmOff, port, 0); }
  void Pulse(int port, long count) { Emit(IoEventKind::kPulse, port, count); }
  void PulseOut(int port, long width) { Emit(IoEventKind::kPulseOut, port, width); }
  void FreqOut(int port, long value) { Emit(IoEventKind::kFreqOut, port, value); }
  void StepOut(int port, long width, long length) { Emit(IoEventKind::kStepOut, port, width, length); }
  void ShiftOut(int clock, int data, long value, int bits, int mode);
  void DacOut(int port, long a, long b) { Emit(IoEventKind::kDacOut, port, a, b); }

 private:
  std::array<std::uint8_t, kPorts> out_level_{};
  std::array<bool, kPorts> is_output_{};
  std::array<std::uint8_t, kPorts> in_level_{};
  std::vector<std::pair<int, int>> edges_;
};

}  // namespace vn::sim
