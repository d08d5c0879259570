// The virtual module's firmware at the byte level, and the faults as the command line names them.
#include <gtest/gtest.h>

#include <vector>

#include "sim/module.h"
#include "sim/wire.h"

namespace vn::sim {
namespace {

std::vector<int> Drain(Module& m) {
  std::vector<int> out;
  while (m.HasOutput()) {
    out.push_back(m.PeekOutput());
    m.PopOutput();
  }
  return out;
}

// Sends the bytes one by one, taking whatever the module answers before the next, as the PC does.
std::vector<int> Exchange(Module& m, const std::vector<int>& in) {
  std::vector<int> out;
  for (int b : in) {
    m.Receive(static_cast<std::uint8_t>(b));
    const auto reply = Drain(m);
    out.insert(out.end(), reply.begin(), reply.end());
  }
  return out;
}

TEST(Module, RepliesPerSeries) {
  struct Case {
    int kind;
    std::vector<int> in;
    std::vector<int> out;
  };
  const Case cases[] = {
      // VN identification: firmware first, then the measured start pulses (defaults here).
      {1, {0x56}, {9, 20, 80, 1, 0, 0, 0}},
      {1, {0x67}, {}},  // not a VN command
      {2, {0x67}, {4}},
      {2, {0x56}, {9}},
      // VN load of CodeAddr 2: three bytes, echoed; VNM: two bytes, their sum.
      {1, {0x34, 2, 0, 10, 20, 30}, {10, 20, 30}},
      {2, {0x34, 2, 0, 200, 100}, {44, 1}},
      {2, {0x34, 0, 0}, {0, 0}},
      // Break: marker, counter, RAM (VN: 96 bytes; VNM: after the count).
      {2, {0x12, 3, 0}, {0xA5, 24, 0, 0, 0, 0}},
      {2, {0xE4, 1, 0, 2, 0x34, 0x12, 0x9A, 3, 0}, {0xA5, 24, 0, 0, 0x34, 0x12}},
      {1, {0xFF}, {}},
  };
  for (const auto& c : cases) {
    Module m({c.kind, 9, 4});
    EXPECT_EQ(Exchange(m, c.in), c.out) << "kind " << c.kind << " first " << c.in[0];
  }
}

TEST(Module, VnStatusCarriesTheVariableRam) {
  Module m({1, 9, 4});
  for (int a = 0; a < 256; ++a) m.ram[static_cast<size_t>(a)] = static_cast<std::uint8_t>(a);
  m.pc = 0x1234;
  const auto out = Exchange(m, {0xE1});
  ASSERT_EQ(out.size(), 99u);
  EXPECT_EQ(out[0], 0xA5);
  EXPECT_EQ(out[1], 0x34);
  EXPECT_EQ(out[2], 0x12);
  EXPECT_EQ(out[3], 160);
  EXPECT_EQ(out[98], 255);
}

TEST(Module, FlashReadBackAndTheBadCell) {
  Module vn({1, 9, 4});
  vn.bad_flash_addr = 1;
  Exchange(vn, {0x34, 2, 0, 0x10, 0x20, 0x30});
  EXPECT_EQ(vn.FlashByte(1), 0x21);
  const auto pages = Exchange(vn, {0x78, 1});
  ASSERT_EQ(pages.size(), 256u);
  EXPECT_EQ(std::vector<int>(pages.begin(), pages.begin() + 4), (std::vector<int>{0x10, 0x21, 0x30, 0xFF}));

  Module vnm({2, 9, 4});
  Exchange(vnm, {0x34, 3, 0, 1, 2, 3});
  EXPECT_EQ(Exchange(vnm, {0x78, 2, 0}), (std::vector<int>{1, 2}));
}

TEST(Module, ResetLeaveAndTheStopReport) {
  Module vnm({2, 9, 4});
  Exchange(vnm, {0x12, 0, 0});
  vnm.pc = 77;
  EXPECT_EQ(Exchange(vnm, {0xE2, 0, 0}), (std::vector<int>{0xA5, 24, 0}));
  EXPECT_TRUE(vnm.in_debug());
  EXPECT_TRUE(Exchange(vnm, {0x23}).empty());
  EXPECT_FALSE(vnm.in_debug());

  Module vn({1, 9, 4});
  vn.pc = 77;
  vn.AnnounceStop();
  const auto report = Drain(vn);
  ASSERT_EQ(report.size(), 100u);
  EXPECT_EQ(report[0], Module::kAnnounce);
  EXPECT_EQ(report[1], 0xA5);
  EXPECT_EQ(report[2], 77);
}

TEST(Module, AReplyNotTakenIsGivenUpAtTheNextByte) {
  Module m({1, 9, 4});
  m.Receive(0x56);
  ASSERT_TRUE(m.HasOutput());
  m.Receive(0x12);
  const auto out = Drain(m);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out[0], 0xA5);
}

TEST(Faults, ParsedAsTheCommandLineGivesThem) {
  using K = FaultSetting::Kind;
  struct Case {
    const char* text;
    bool ok;
    K kind;
    long value;
  };
  const Case cases[] = {
      {"unplugged", true, K::kUnplugged, 0},  {"no-power", true, K::kNoPower, 0},
      {"other-family", true, K::kOtherFamily, 0}, {"bad-flash:100", true, K::kBadFlash, 100},
      {"bad-flash:0x1F", true, K::kBadFlash, 31}, {"cut:0", true, K::kCut, 0},
      {"cut:", false, K::kCut, 0},            {"cut:-1", false, K::kCut, 0},
      {"cut:3x", false, K::kCut, 0},          {"bad-flash:70000", false, K::kBadFlash, 0},
      {"melted", false, K::kCut, 0},
  };
  for (const auto& c : cases) {
    const auto f = ParseFault(c.text);
    ASSERT_EQ(f.has_value(), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(f->kind, c.kind) << c.text;
    EXPECT_EQ(f->value, c.value) << c.text;
  }
}

}  // namespace
}  // namespace vn::sim
