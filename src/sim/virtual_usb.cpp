#include "sim/virtual_usb.h"

#include <cstring>

namespace vn::sim {

int VirtualUsbCable::OpenByDescription(const char* description) {
  ++opens_;
  if (faults().unplugged || description == nullptr || std::strcmp(description, kDescription) != 0)
    return kDeviceNotFound;
  open_ = true;
  Purge();
  have_first_ = false;
  return kOk;
}

int VirtualUsbCable::SetTimeouts(unsigned read_ms, unsigned /*write_ms*/) {
  if (!open_) return kInvalidHandle;
  read_timeout_ms_ = read_ms;
  return kOk;
}

int VirtualUsbCable::Close() {
  if (!open_) return kInvalidHandle;
  open_ = false;
  return kOk;
}

int VirtualUsbCable::ResetDevice() {
  if (!open_ || faults().unplugged) return kInvalidHandle;
  ++resets_;
  Purge();
  have_first_ = false;
  return kOk;
}

void VirtualUsbCable::Purge() {
  for (std::size_t i = 0; i + 1 < to_pc_.size(); i += 2)
    if (to_pc_[i].from_module) module().GivenUp(to_pc_[i].value + 16 * to_pc_[i + 1].value);
  to_pc_.clear();
}

std::vector<int> VirtualUsbCable::Uncollected() const {
  std::vector<int> items = module().given_up();
  for (std::size_t i = 0; i < to_pc_.size(); i += 2)
    items.push_back(i + 1 < to_pc_.size() ? to_pc_[i].value + 16 * to_pc_[i + 1].value : to_pc_[i].value);
  const auto pending = module().PendingOutput();
  items.insert(items.end(), pending.begin(), pending.end());
  return items;
}

void VirtualUsbCable::Answer(int value, bool from_module) {
  to_pc_.push_back({static_cast<std::uint8_t>(value % 16), from_module});
  to_pc_.push_back({static_cast<std::uint8_t>((value / 16) % 16), from_module});
}

void VirtualUsbCable::Pump() {
  while (!Dead()) {
    const auto item = TakeOutput();
    if (!item) return;
    Answer(*item == Module::kAnnounce ? Module::kStopAnnounce : *item, true);
    CountSent();
  }
  LoseOutput();
}

void VirtualUsbCable::FromPc(std::uint8_t first, std::uint8_t second) {
  if (first == 0x10 || first == 0x20) {
    // The cable's own queries: no byte of the encoding starts with &H10 or &H20.
    if (first == 0x10) {
      Answer(135, false);
    } else {
      const bool vn_module = !Dead() && module().kind() == 1;
      Answer(vn_module ? 1 : 0, false);
    }
    return;
  }
  if (first > 15 || second > 15) {
    ++refused_pairs_;
    return;
  }
  if (Dead()) return;
  if (StallHere(true, 0)) return;
  Deliver(static_cast<std::uint8_t>(first + 16 * second), clock_.NowNs());
  Pump();
}

int VirtualUsbCable::Write(const std::uint8_t* data, std::size_t length) {
  if (!open_ || faults().unplugged) return kInvalidHandle;
  clock_.Advance(transfer_latency_ns);
  write_sizes_.push_back(length);
  for (std::size_t i = 0; i < length; ++i) {
    written_.push_back(data[i]);
    if (!have_first_) {
      first_ = data[i];
      have_first_ = true;
    } else {
      have_first_ = false;
      FromPc(first_, data[i]);
    }
  }
  return kOk;
}

int VirtualUsbCable::Read(std::uint8_t* data, std::size_t length, std::size_t& received) {
  received = 0;
  if (!open_ || faults().unplugged) return kInvalidHandle;
  clock_.Advance(transfer_latency_ns);
  ++read_calls_;
  Pump();
  bool module_bytes = false;
  while (received < length && !to_pc_.empty()) {
    data[received++] = to_pc_.front().value;
    module_bytes = module_bytes || to_pc_.front().from_module;
    to_pc_.pop_front();
  }
  // The cable's buffer holds a reply until the PC reads it; the module waits for the PC's answer
  // (a status reply's count) from then on, not from when the reply went into the buffer.
  if (module_bytes) Taken(clock_.NowNs());
  if (received < length) clock_.Advance(static_cast<std::int64_t>(read_timeout_ms_) * 1'000'000);
  return kOk;
}

int VirtualUsbCable::GetQueueStatus(std::uint32_t& waiting) {
  waiting = 0;
  if (!open_ || faults().unplugged) return kInvalidHandle;
  Pump();
  waiting = static_cast<std::uint32_t>(to_pc_.size());
  return kOk;
}

}  // namespace vn::sim
