#include "sim/board.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace vn::sim {

Board::Board(BoardOptions options) {
  for (const PeripheralRegistration& r : PeripheralRegistry()) peripherals_.push_back(r.make(*this, options));
  ports_ = Typed<Ports>();
  display_ = Typed<Display>();
  serial_ = Typed<Serial>();
  bus_ = Typed<Bus>();
  eeprom_ = Typed<Eeprom>();
  sensors_ = Typed<Sensors>();
  sound_ = Typed<Sound>();
  // The interpreter's statements need every one of these; a registry without one is a build
  // that must not run at all.
  if (!ports_ || !display_ || !serial_ || !bus_ || !eeprom_ || !sensors_ || !sound_) std::abort();
}

Board::~Board() = default;

Peripheral* Board::Find(std::string_view name) const {
  for (const auto& p : peripherals_)
    if (p->name() == name) return p.get();
  return nullptr;
}

void Board::Emit(IoEventKind kind, int port, long value, long extra, std::string text) {
  IoEvent e;
  e.time_us = now_us;
  e.kind = kind;
  e.port = port;
  e.value = value;
  e.extra = extra;
  e.text = std::move(text);
  if (events_.size() < kMaxEvents) {
    events_.push_back(e);
  } else {
    ++events_dropped_;
  }
  if (listener_) listener_(e);
}

void Board::Schedule(std::uint64_t at_us, std::function<void(Board&)> action) {
  scheduled_.emplace(at_us, std::move(action));
  attention = true;
}

std::uint64_t Board::NextScheduled() const {
  return scheduled_.empty() ? UINT64_MAX : scheduled_.begin()->first;
}

void Board::RunScheduled() {
  while (!scheduled_.empty() && scheduled_.begin()->first <= now_us) {
    auto action = std::move(scheduled_.begin()->second);
    scheduled_.erase(scheduled_.begin());
    if (action) action(*this);
  }
}

}  // namespace vn::sim
