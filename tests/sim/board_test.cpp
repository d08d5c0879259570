// The virtual module's board: its peripherals come from the registry, each input kind they
// declare reaches its own peripheral, and every peripheral reports into the one event log.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sim/board.h"
#include "sim/peripherals/registry.h"

namespace vn::sim {
namespace {

TEST(Board, HoldsEveryRegisteredPeripheralUnderItsName) {
  Board board;
  std::set<std::string> names;
  ASSERT_EQ(board.peripherals().size(), PeripheralRegistry().size());
  for (size_t i = 0; i < PeripheralRegistry().size(); ++i) {
    const PeripheralRegistration& r = PeripheralRegistry()[i];
    EXPECT_TRUE(names.insert(r.name).second) << r.name << " is registered twice";
    EXPECT_EQ(board.peripherals()[i]->name(), r.name);
    EXPECT_EQ(board.Find(r.name), board.peripherals()[i].get());
  }
  EXPECT_EQ(board.Find("nothing"), nullptr);
  EXPECT_EQ(board.Find(Ports::kName), &board.ports());
  EXPECT_EQ(board.Find(Sensors::kName), &board.sensors());
}

TEST(Board, InputKeysAreUniqueAndFoundWithTheirOwner) {
  std::set<std::string> keys;
  for (const PeripheralRegistration& r : PeripheralRegistry()) {
    for (const InputKind& k : r.inputs()) {
      EXPECT_TRUE(keys.insert(k.key).second) << k.key << " is declared twice";
      EXPECT_NE(k.set == nullptr, k.push == nullptr) << k.key << " must either set a value or take bytes";
      const InputLookup found = FindInputKind(k.key);
      EXPECT_EQ(found.owner, &r) << k.key;
      EXPECT_EQ(found.kind, &k) << k.key;
    }
  }
  EXPECT_EQ(FindInputKind("nothing").kind, nullptr);
  EXPECT_EQ(FindInputKind("").kind, nullptr);
  ASSERT_NE(DefaultTextInput().owner, nullptr);
  EXPECT_STREQ(DefaultTextInput().owner->name, Serial::kName);
}

// Each keyed input, applied through the registry, changes its own peripheral's state and no
// other input's.
struct InputCase {
  const char* key;
  std::uint64_t target, value;
  std::function<long(const Board&)> read;
  long expected;
};

TEST(Board, EachInputKindReachesItsPeripheral) {
  const InputCase cases[] = {
      {"port", 7, 0, [](const Board& b) { return static_cast<long>(b.ports().InputLevel(7)); }, 0},
      {"adc", 3, 65535, [](const Board& b) { return static_cast<long>(b.sensors().Adc(3)); }, 65535},
      {"adkey", 64, 9, [](const Board& b) { return static_cast<long>(b.sensors().AdKey(64)); }, 9},
      {"keypad", 255, 12, [](const Board& b) { return static_cast<long>(b.sensors().Keypad(255)); }, 12},
      {"count", 1, 2147483647, [](const Board& b) { return b.sensors().Counter(1); }, 2147483647},
      {"capture", 5, 4321, [](const Board& b) { return b.sensors().Capture(5); }, 4321},
      {"shiftin", 0xA5A5, 0, [](const Board& b) { return b.sensors().shift_in(); }, 0xA5A5},
  };
  for (const InputCase& c : cases) {
    Board board;
    const InputLookup found = FindInputKind(c.key);
    ASSERT_NE(found.kind, nullptr) << c.key;
    ASSERT_NE(found.kind->set, nullptr) << c.key;
    Peripheral* owner = board.Find(found.owner->name);
    ASSERT_NE(owner, nullptr) << c.key;
    found.kind->set(*owner, c.target, c.value);
    EXPECT_EQ(c.read(board), c.expected) << c.key;
    // The others are as a new board has them.
    const Board fresh;
    for (const InputCase& other : cases) {
      if (&other != &c) {
        EXPECT_EQ(other.read(board), other.read(fresh)) << c.key << " changed " << other.key;
      }
    }
  }
}

TEST(Board, InterruptAndSerialInputsRaiseAttention) {
  Board board;
  FindInputKind("int").kind->set(*board.Find(Sensors::kName), 1, 0);
  EXPECT_TRUE(board.attention);
  EXPECT_EQ(board.sensors().TakeInterruptRequests(), (std::array<int, 2>{0, 1}));
  board.attention = false;
  EXPECT_TRUE(FindInputKind("serial").kind->push(*board.Find(Serial::kName), "hi"));
  EXPECT_TRUE(board.attention);
  EXPECT_EQ(std::string(board.serial().input().begin(), board.serial().input().end()), "hi");
  // Bytes past the buffer are refused whole, and what was there stays.
  EXPECT_FALSE(board.serial().PushInput(std::string(Serial::kMaxInput - 1, 'x')));
  EXPECT_EQ(board.serial().input().size(), 2u);
}

TEST(Board, PeripheralsReportIntoOneLogInOrder) {
  Board board;
  std::vector<std::string> heard;
  board.SetListener([&](const IoEvent& e) { heard.push_back(IoEventKindName(e.kind)); });
  board.now_us = 5;
  board.ports().DriveLevel(4, 1);
  board.ports().DriveLevel(4, 1);  // no change, no event
  board.now_us = 9;
  board.display().Locate(1, 0);
  board.display().Write("AB");
  board.sound().Play(2, 119, 3, 30000);
  board.eeprom().Write(10, 0x42);
  EXPECT_FALSE(board.eeprom().Write(Eeprom::kSize, 1));
  board.bus().Send("Z");
  board.serial().Send(Serial::kHardwarePort, "Q");
  board.serial().SetRs232(1);
  const std::vector<IoEvent>& ev = board.events();
  ASSERT_EQ(ev.size(), 7u);
  EXPECT_EQ(heard, (std::vector<std::string>{"port", "display", "note", "eeprom", "bus", "serial", "set"}));
  EXPECT_EQ(ev[0].time_us, 5u);
  EXPECT_EQ(ev[1].time_us, 9u);
  EXPECT_EQ(ev[1].port, 0);
  EXPECT_EQ(ev[1].value, 1);
  EXPECT_EQ(ev[1].text, "AB");
  EXPECT_EQ(board.sound().notes().at(0).time_us, 9u);
  EXPECT_EQ(board.eeprom().Byte(10), 0x42);
  EXPECT_EQ(board.eeprom().Byte(Eeprom::kSize), -1);
  EXPECT_EQ(board.bus().output(), "Z");
  EXPECT_EQ(board.serial().Output(Serial::kHardwarePort), "Q");
  EXPECT_EQ(ev[6].text, "rs232");
  EXPECT_EQ(ev[6].value, 1);
}

}  // namespace
}  // namespace vn::sim
