#include "sim/peripherals/serial.h"

#include <algorithm>
#include <iterator>

#include "isa/serial_bauds.h"

namespace vn::sim {

namespace {

const InputKind kInputs[] = {
    {"serial", {"TEXT", "text", 0}, {}, nullptr,
     [](Peripheral& self, std::string_view bytes) { return static_cast<Serial&>(self).PushInput(bytes); }},
};

}  // namespace

std::span<const InputKind> Serial::Inputs() { return kInputs; }

bool Serial::PushInput(std::string_view bytes) {
  if (input_.size() + bytes.size() > kMaxInput) return false;
  for (char c : bytes) input_.push_back(static_cast<std::uint8_t>(c));
  board().RaiseAttention();
  return true;
}

long Serial::BaudOfValue(long value, bool two_bytes) {
  const long modulus = two_bytes ? 65536 : 256;
  for (int baud : isa::kSerialBauds)
    if (baud % modulus == value) return baud;
  return two_bytes ? value : 0;
}

void Serial::SetRs232(long code) {
  if (code >= 0 && code < static_cast<long>(std::size(isa::kRs232Bauds)))
    rs232_baud_ = isa::kRs232Bauds[static_cast<size_t>(code)];
  Emit(IoEventKind::kSetting, 0, code, 0, "rs232");
}

void Serial::Send(int port, std::string_view bytes, long baud) {
  if (baud <= 0 && port == kHardwarePort) baud = rs232_baud_;
  const std::uint64_t now_ns = board().clock_us() * 1000;
  // Ten bits a byte: the start bit, eight data bits, the stop bit.
  const std::uint64_t byte_ns = baud > 0 ? 10'000'000'000ULL / static_cast<std::uint64_t>(baud) : 0;
  for (char c : bytes) {
    line_free_ns_ = std::max(line_free_ns_, now_ns) + byte_ns;
    if (line_.size() == kLineWindow) line_.pop_front();
    line_.push_back({(line_free_ns_ + 999) / 1000, static_cast<std::uint8_t>(c)});
    ++line_end_;
  }
  for (char c : bytes) {
    if (output_.size() >= kMaxOutput) {
      output_truncated_ = true;
      break;
    }
    output_.push_back(c);
    output_ports_.emplace_back(port, static_cast<std::uint8_t>(c));
  }
  Emit(IoEventKind::kSerialOut, port, static_cast<long>(bytes.size()), 0, std::string(bytes));
}

std::string Serial::Output(int port) const {
  std::string out;
  for (const auto& [p, b] : output_ports_)
    if (p == port) out.push_back(static_cast<char>(b));
  return out;
}

}  // namespace vn::sim
