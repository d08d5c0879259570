// The virtual module's board: the peripherals of registry.h attached to one virtual clock and
// one event log. The program side (the interpreter) reaches each peripheral through the board
// and acts on it; the outside (a test, the command line, the IDE) sets inputs on the same
// peripherals and watches the event log or a listener. Nothing here prints or sleeps: time is
// the virtual clock `now_us`, which the interpreter advances.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/io_event.h"
#include "sim/peripherals/bus.h"
#include "sim/peripherals/display.h"
#include "sim/peripherals/eeprom.h"
#include "sim/peripherals/peripheral.h"
#include "sim/peripherals/ports.h"
#include "sim/peripherals/registry.h"
#include "sim/peripherals/sensors.h"
#include "sim/peripherals/serial.h"
#include "sim/peripherals/sound.h"

namespace vn::sim {

class Board final : public BoardLink {
 public:
  static constexpr size_t kMaxEvents = 100000;  // the log keeps the first ones

  explicit Board(BoardOptions options = {});
  Board(int display_rows, int display_cols) : Board(BoardOptions{display_rows, display_cols}) {}
  ~Board();
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  // ---- The virtual clock (advanced by the interpreter) ----------------------------------------
  std::uint64_t now_us = 0;

  // ---- The peripherals ------------------------------------------------------------------------
  // Every peripheral, in the registry's order.
  const std::vector<std::unique_ptr<Peripheral>>& peripherals() const { return peripherals_; }
  // The peripheral registered as `name`, or null.
  Peripheral* Find(std::string_view name) const;

  Ports& ports() { return *ports_; }
  const Ports& ports() const { return *ports_; }
  Display& display() { return *display_; }
  const Display& display() const { return *display_; }
  Serial& serial() { return *serial_; }
  const Serial& serial() const { return *serial_; }
  Bus& bus() { return *bus_; }
  const Bus& bus() const { return *bus_; }
  Eeprom& eeprom() { return *eeprom_; }
  const Eeprom& eeprom() const { return *eeprom_; }
  Sensors& sensors() { return *sensors_; }
  const Sensors& sensors() const { return *sensors_; }
  Sound& sound() { return *sound_; }
  const Sound& sound() const { return *sound_; }

  // ---- Observation ------------------------------------------------------------------------------
  // Called for every event as it happens (after it is logged).
  void SetListener(std::function<void(const IoEvent&)> listener) { listener_ = std::move(listener); }
  const std::vector<IoEvent>& events() const { return events_; }
  size_t events_dropped() const { return events_dropped_; }
  void ClearEvents() { events_.clear(); events_dropped_ = 0; }

  // ---- Inputs that arrive later ------------------------------------------------------------------
  // Runs `action` once the virtual clock reaches `at_us`.
  void Schedule(std::uint64_t at_us, std::function<void(Board&)> action);
  // The earliest scheduled time, or UINT64_MAX.
  std::uint64_t NextScheduled() const;
  bool HasScheduled() const { return !scheduled_.empty(); }
  // Runs every action due at `now_us`.
  void RunScheduled();

  // Events that the interpreter must look at (edges, interrupt requests, serial input, a new
  // schedule). It clears the flag when it has looked.
  bool attention = false;

  // ---- BoardLink: what the peripherals report through ----
  std::uint64_t clock_us() const override { return now_us; }
  void Emit(IoEventKind kind, int port, long value, long extra, std::string text) override;
  void RaiseAttention() override { attention = true; }

 private:
  template <class T>
  T* Typed() const {
    return static_cast<T*>(Find(T::kName));
  }

  std::vector<std::unique_ptr<Peripheral>> peripherals_;
  Ports* ports_ = nullptr;
  Display* display_ = nullptr;
  Serial* serial_ = nullptr;
  Bus* bus_ = nullptr;
  Eeprom* eeprom_ = nullptr;
  Sensors* sensors_ = nullptr;
  Sound* sound_ = nullptr;
  std::vector<IoEvent> events_;
  size_t events_dropped_ = 0;
  std::multimap<std::uint64_t, std::function<void(Board&)>> scheduled_;
  std::function<void(const IoEvent&)> listener_;
};

}  // namespace vn::sim
