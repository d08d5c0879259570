#include "sim/peripherals/ports.h"

#include <string>

namespace vn::sim {

Ports::Ports(BoardLink& board) : Peripheral(board) { in_level_.fill(1); }

namespace {

const InputKind kInputs[] = {
    {"port", {"N", "port", Ports::kPorts - 1}, {"L", "level", 1},
     [](Peripheral& self, std::uint64_t n, std::uint64_t v) {
       static_cast<Ports&>(self).SetInput(static_cast<int>(n), static_cast<int>(v));
     }},
};

}  // namespace

std::span<const InputKind> Ports::Inputs() { return kInputs; }

int Ports::Level(int port) const {
  if (!Valid(port)) return 0;
  const auto p = static_cast<size_t>(port);
  return is_output_[p] ? out_level_[p] : in_level_[p];
}

int Ports::OutputLevel(int port) const { return Valid(port) ? out_level_[static_cast<size_t>(port)] : 0; }
bool Ports::IsOutput(int port) const { return Valid(port) && is_output_[static_cast<size_t>(port)]; }
int Ports::InputLevel(int port) const { return Valid(port) ? in_level_[static_cast<size_t>(port)] : 0; }

void Ports::SetInput(int port, int level) {
  if (!Valid(port)) return;
  const std::uint8_t v = level != 0 ? 1 : 0;
  auto& cur = in_level_[static_cast<size_t>(port)];
  if (cur == v) return;
  cur = v;
  if (edges_.size() < kMaxEdges) edges_.emplace_back(port, v);
  board().RaiseAttention();
}

std::vector<std::pair<int, int>> Ports::TakeEdges() {
  std::vector<std::pair<int, int>> out;
  out.swap(edges_);
  return out;
}

void Ports::DriveLevel(int port, int level) {
  if (!Valid(port)) return;
  const auto p = static_cast<size_t>(port);
  const std::uint8_t v = level != 0 ? 1 : 0;
  if (is_output_[p] && out_level_[p] == v) return;
  is_output_[p] = true;
  out_level_[p] = v;
  Emit(IoEventKind::kPortLevel, port, v);
}

void Ports::Toggle(int port) {
  if (!Valid(port)) return;
  DriveLevel(port, out_level_[static_cast<size_t>(port)] ? 0 : 1);
}

void Ports::BlockOut(int block, std::uint8_t value) {
  if (block < 0 || block >= kBlocks) return;
  for (int bit = 0; bit < 8; ++bit) {
    const int port = block * 8 + bit;
    if (!Valid(port)) continue;
    is_output_[static_cast<size_t>(port)] = true;
    out_level_[static_cast<size_t>(port)] = (value >> bit) & 1;
  }
  Emit(IoEventKind::kBlockOut, block, value);
}

int Ports::BlockIn(int block) const {
  int v = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (Level(block * 8 + bit) != 0) v |= 1 << bit;
  return v;
}

void Ports::ShiftOut(int clock, int data, long value, int bits, int mode) {
  Emit(IoEventKind::kShiftOut, clock, value, data, "bits=" + std::to_string(bits) + " mode=" + std::to_string(mode));
}

}  // namespace vn::sim
