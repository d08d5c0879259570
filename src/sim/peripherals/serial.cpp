#include "sim/peripherals/serial.h"

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

void Serial::Send(int port, std::string_view bytes) {
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
