// The module's serial line: bytes the outside world sends in (SERIN, GET, ON RECV, BLEN, BCLR)
// and bytes the program sends out (SEROUT on a port, PUT on the hardware serial port), and the
// RS-232 switch of SET.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Serial final : public Peripheral {
 public:
  static constexpr const char* kName = "serial";
  static constexpr int kHardwarePort = -1;  // PUT's port
  static constexpr size_t kMaxInput = 65536;
  static constexpr size_t kMaxOutput = 1 << 20;

  explicit Serial(BoardLink& board) : Peripheral(board) {}
  std::string_view name() const override { return kName; }
  static std::span<const InputKind> Inputs();

  // Bytes arriving on the serial input; false (nothing taken) when the buffer would overflow.
  bool PushInput(std::string_view bytes);
  const std::deque<std::uint8_t>& input() const { return input_; }
  // The input as the program consumes it.
  std::deque<std::uint8_t>& input() { return input_; }

  // Every byte sent, in order; per port with Output(port).
  const std::string& output() const { return output_; }
  std::string Output(int port) const;
  bool output_truncated() const { return output_truncated_; }

  // ---- The program side ----
  void Send(int port, std::string_view bytes);
  void SetRs232(long code) { Emit(IoEventKind::kSetting, 0, code, 0, "rs232"); }

 private:
  std::deque<std::uint8_t> input_;
  std::string output_;
  std::vector<std::pair<int, std::uint8_t>> output_ports_;  // port of each byte
  bool output_truncated_ = false;
};

}  // namespace vn::sim
