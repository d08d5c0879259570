#include "sim/peripherals/registry.h"

#include "sim/peripherals/bus.h"
#include "sim/peripherals/display.h"
#include "sim/peripherals/eeprom.h"
#include "sim/peripherals/ports.h"
#include "sim/peripherals/sensors.h"
#include "sim/peripherals/serial.h"
#include "sim/peripherals/sound.h"

namespace vn::sim {

namespace {

template <class T>
std::unique_ptr<Peripheral> Make(BoardLink& board, const BoardOptions&) {
  return std::make_unique<T>(board);
}

std::unique_ptr<Peripheral> MakeDisplay(BoardLink& board, const BoardOptions& options) {
  return std::make_unique<Display>(board, options.display_rows, options.display_cols);
}

// The ports come before the sensors so that the port item is listed first, as users know it.
const PeripheralRegistration kRegistry[] = {
    {Display::kName, MakeDisplay, Display::Inputs},
    {Ports::kName, Make<Ports>, Ports::Inputs},
    {Serial::kName, Make<Serial>, Serial::Inputs},
    {Bus::kName, Make<Bus>, Bus::Inputs},
    {Eeprom::kName, Make<Eeprom>, Eeprom::Inputs},
    {Sensors::kName, Make<Sensors>, Sensors::Inputs},
    {Sound::kName, Make<Sound>, Sound::Inputs},
};

}  // namespace

std::span<const PeripheralRegistration> PeripheralRegistry() { return kRegistry; }

InputLookup FindInputKind(std::string_view key) {
  for (const PeripheralRegistration& r : kRegistry)
    for (const InputKind& k : r.inputs())
      if (key == k.key) return {&r, &k};
  return {};
}

InputLookup DefaultTextInput() {
  for (const PeripheralRegistration& r : kRegistry)
    for (const InputKind& k : r.inputs())
      if (k.push != nullptr) return {&r, &k};
  return {};
}

}  // namespace vn::sim
