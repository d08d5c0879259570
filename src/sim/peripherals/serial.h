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

  // The bytes on their way out to whatever is connected to the line, each with the module time
  // at which it has left the line at the program's baud rate (ten bits a byte, one byte after
  // the other). Numbered from the first byte the program ever sent; the newest kLineWindow are
  // kept, so a reader that follows line_end() keeps getting them however long the program runs.
  struct LineByte {
    std::uint64_t done_us = 0;
    std::uint8_t byte = 0;
  };
  static constexpr size_t kLineWindow = 65536;
  std::uint64_t line_begin() const { return line_end_ - line_.size(); }
  std::uint64_t line_end() const { return line_end_; }
  // The byte numbered `index`, from line_begin() to before line_end().
  const LineByte& line_at(std::uint64_t index) const { return line_[static_cast<size_t>(index - line_begin())]; }
  // The rate of a SEROUT or SERIN baud value as the byte code holds it (VN: its low byte, VNM: its
  // low two bytes): the standard rate written that way, else the value itself; 0 when unknown.
  static long BaudOfValue(long value, bool two_bytes);
  // The hardware port's rate as SET RS232 chose it (9600 before).
  long rs232_baud() const { return rs232_baud_; }

  // ---- The program side ----
  // `baud` 0: the hardware port's rate for kHardwarePort; no pacing for another port.
  void Send(int port, std::string_view bytes, long baud = 0);
  void SetRs232(long code);

 private:
  std::deque<LineByte> line_;
  std::uint64_t line_end_ = 0;
  std::uint64_t line_free_ns_ = 0;  // when the byte on the line now has left it
  long rs232_baud_ = 9600;
  std::deque<std::uint8_t> input_;
  std::string output_;
  std::vector<std::pair<int, std::uint8_t>> output_ports_;  // port of each byte
  bool output_truncated_ = false;
};

}  // namespace vn::sim
