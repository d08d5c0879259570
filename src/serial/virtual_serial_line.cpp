#include "serial/virtual_serial_line.h"

#include <algorithm>
#include <utility>

namespace vn::serial {

std::unique_ptr<VirtualSerialLine> VirtualSerialLine::Open(std::string* error) {
  platform::PseudoTerminal terminal = platform::PseudoTerminal::Open(error);
  if (!terminal.is_open()) return nullptr;
  return std::unique_ptr<VirtualSerialLine>(new VirtualSerialLine(std::move(terminal)));
}

VirtualSerialLine::VirtualSerialLine(platform::PseudoTerminal terminal) : terminal_(std::move(terminal)) {}

const std::string& VirtualSerialLine::path() const { return terminal_.path(); }

int VirtualSerialLine::fd() const { return terminal_.fd(); }

int VirtualSerialLine::input_fd() const { return pending_in_.size() < sim::Serial::kMaxInput ? fd() : -1; }

void VirtualSerialLine::Pump(sim::Serial& serial, std::uint64_t now_us) {
  // A line numbered below where we are is a new one (a new module); bytes that fell out of its
  // window while nobody pumped are gone, as they would be from a wire nobody listened to.
  if (sent_ > serial.line_end()) sent_ = 0;
  sent_ = std::max<std::uint64_t>(sent_, serial.line_begin());
  std::string due;
  for (std::uint64_t i = sent_; i < serial.line_end() && serial.line_at(i).done_us <= now_us; ++i)
    due.push_back(static_cast<char>(serial.line_at(i).byte));
  // What the terminal has no room for stays numbered on the line and goes with a later call.
  if (!due.empty()) sent_ += terminal_.Write(due);

  // The PC side's bytes wait here only as far as the serial input could take them; the rest
  // stays in the terminal, which holds up the writer as a full serial line would.
  if (pending_in_.size() < sim::Serial::kMaxInput) pending_in_ += terminal_.ReadAvailable();
  const size_t room = sim::Serial::kMaxInput - std::min(sim::Serial::kMaxInput, serial.input().size());
  const size_t take = std::min(room, pending_in_.size());
  if (take > 0 && serial.PushInput(std::string_view(pending_in_).substr(0, take))) pending_in_.erase(0, take);
}

void VirtualSerialLine::Restart() { sent_ = 0; }

bool VirtualSerialLine::Drained(const sim::Serial& serial) const { return sent_ == serial.line_end(); }

}  // namespace vn::serial
