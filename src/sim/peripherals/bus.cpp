#include "sim/peripherals/bus.h"

namespace vn::sim {

void Bus::Send(std::string_view bytes) {
  if (output_.size() + bytes.size() <= kMaxOutput) output_.append(bytes);
  Emit(IoEventKind::kBusOut, 0, static_cast<long>(bytes.size()), 0, std::string(bytes));
}

}  // namespace vn::sim
