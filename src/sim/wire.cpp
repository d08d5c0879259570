#include "sim/wire.h"

#include <cerrno>
#include <cstdlib>

namespace vn::sim {

namespace {

std::optional<long> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);  // 0x.. for hexadecimal addresses
  if (errno != 0 || end == nullptr || *end != '\0' || v < 0) return std::nullopt;
  return v;
}

}  // namespace

std::optional<FaultSetting> ParseFault(const std::string& text) {
  using K = FaultSetting::Kind;
  if (text == "unplugged") return FaultSetting{K::kUnplugged};
  if (text == "no-power") return FaultSetting{K::kNoPower};
  if (text == "other-family") return FaultSetting{K::kOtherFamily};
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string name = text.substr(0, colon);
  const auto value = Number(text.substr(colon + 1));
  if (!value) return std::nullopt;
  if (name == "bad-flash" && *value < Module::kFlashSize) return FaultSetting{K::kBadFlash, *value};
  if (name == "cut") return FaultSetting{K::kCut, *value};
  return std::nullopt;
}

void ModuleWire::Deliver(std::uint8_t byte, std::int64_t now_ns) {
  const long index = received_++;
  if (index == faults_.drop_from_pc) return;
  if (index == faults_.corrupt_from_pc) byte ^= faults_.corrupt_mask;
  module_.Receive(byte, now_ns);
}

std::optional<int> ModuleWire::TakeOutput() {
  while (module_.HasOutput()) {
    int item = module_.PeekOutput();
    module_.PopOutput();
    if (item == Module::kAnnounce) return item;
    const long index = out_index_++;
    if (index == faults_.drop_to_pc) continue;
    if (index == faults_.corrupt_to_pc) item ^= faults_.corrupt_mask;
    return item;
  }
  return std::nullopt;
}

bool ModuleWire::StallHere(bool from_pc, int step) {
  const long target = from_pc ? faults_.stall_from_pc : faults_.stall_to_pc;
  const long index = from_pc ? received_ : sent_;
  if (target < 0 || index != target || step != faults_.stall_step) return false;
  frozen_ = true;
  return true;
}

}  // namespace vn::sim
