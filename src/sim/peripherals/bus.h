// The module's bus (BUSOUT) and its mode switch (SET of the bus).
#pragma once

#include <string>
#include <string_view>

#include "sim/peripherals/peripheral.h"

namespace vn::sim {

class Bus final : public Peripheral {
 public:
  static constexpr const char* kName = "bus";
  static constexpr size_t kMaxOutput = 1 << 20;

  explicit Bus(BoardLink& board) : Peripheral(board) {}
  std::string_view name() const override { return kName; }

  // Every byte sent, in order, up to kMaxOutput (a list that would pass it is logged, not kept).
  const std::string& output() const { return output_; }

  void Send(std::string_view bytes);
  void SetMode(long code) { Emit(IoEventKind::kSetting, 0, code, 0, "bus"); }

 private:
  std::string output_;
};

}  // namespace vn::sim
