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

// The record of replies the PC never collected: what the module still holds, what it gave up
// when the PC moved on, what a cable threw away; nothing after an exchange read in full.
TEST(Module, RepliesNeverCollectedAreOnRecord) {
  Module m({1, 9, 4});
  EXPECT_EQ(Exchange(m, {0x56}), (std::vector<int>{9, 20, 80, 1, 0, 0, 0}));
  EXPECT_EQ(m.UncollectedReply(), std::vector<int>{});

  m.Receive(0x56);
  m.PopOutput();  // the PC took the first byte only
  EXPECT_EQ(m.UncollectedReply(), (std::vector<int>{20, 80, 1, 0, 0, 0}));
  m.Receive(0x78);  // and moved on: the rest is given up
  m.Receive(0);     // no pages: no reply
  EXPECT_EQ(m.UncollectedReply(), (std::vector<int>{20, 80, 1, 0, 0, 0}));
  m.GivenUp(0x33);
  EXPECT_EQ(m.UncollectedReply(), (std::vector<int>{20, 80, 1, 0, 0, 0, 0x33}));
  EXPECT_EQ(m.given_up_count(), 7);
  m.ForgetUncollected();
  EXPECT_EQ(m.UncollectedReply(), std::vector<int>{});
  EXPECT_EQ(m.given_up_count(), 0);

  // The record keeps its first items and counts the rest.
  for (std::size_t k = 0; k < Module::kUncollectedKept + 10; ++k) m.GivenUp(static_cast<int>(k & 0xFF));
  EXPECT_EQ(m.given_up().size(), Module::kUncollectedKept);
  EXPECT_EQ(m.given_up_count(), static_cast<long>(Module::kUncollectedKept) + 10);
  EXPECT_EQ(m.given_up().back(), static_cast<int>((Module::kUncollectedKept - 1) & 0xFF));
  m.ForgetUncollected();

  m.AnnounceStop();
  m.DropOutput();
  const auto dropped = m.UncollectedReply();
  ASSERT_EQ(dropped.size(), 100u);
  EXPECT_EQ(dropped[0], Module::kAnnounce);
  EXPECT_EQ(dropped[1], 0xA5);
}

// An exchange the PC left half-way is given up after a tenth of a second without a byte: the
// next byte is a command again. Within the time-out it still belongs to the exchange.
TEST(Module, AnExchangeLeftHalfWayIsGivenUpAfterSilence) {
  constexpr std::int64_t kMs = 1'000'000;
  struct Timed {
    int byte;
    std::int64_t at_ms;
  };
  struct Case {
    const char* what;
    int kind;
    std::vector<Timed> in;
    std::vector<int> out;   // everything the module answered, in order
    long program_length;    // after the last byte
    std::vector<int> ram;   // RAM bytes 0..2 afterwards
  };
  const Case cases[] = {
      {"VN download stopped after two of five bytes", 1,
       {{0x34, 0}, {4, 0}, {0, 0}, {10, 0}, {20, 0}, {0x56, 101}}, {9, 20, 80, 1, 0, 0, 0}, 0, {0, 0, 0}},
      {"VN download paused for exactly the time-out", 1,
       {{0x34, 0}, {1, 0}, {0, 0}, {10, 0}, {0x56, 100}}, {10, 0x56}, 1, {0, 0, 0}},
      {"VNM download stopped before its data", 2,
       {{0x34, 0}, {2, 0}, {0x56, 900}}, {9}, 0, {0, 0, 0}},
      {"VNM status waiting for its count", 2,
       {{0x12, 0}, {0x67, 600}}, {0xA5, 4}, 0, {0, 0, 0}},
      {"VNM variable change stopped after one of two bytes", 2,
       {{0xE4, 0}, {1, 0}, {0, 0}, {2, 0}, {0x34, 0}, {0x9A, 2000}, {3, 2000}, {0, 2000}},
       {0xA5, 24, 0, 0, 0x34, 0}, 0, {0, 0x34, 0}},
      {"a pause between commands changes nothing", 2,
       {{0x56, 0}, {0x67, 5000}}, {9, 4}, 0, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    Module m({c.kind, 9, 4});
    std::vector<int> out;
    for (const auto& t : c.in) {
      m.Receive(static_cast<std::uint8_t>(t.byte), t.at_ms * kMs);
      const auto reply = Drain(m);
      out.insert(out.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(out, c.out) << c.what;
    EXPECT_EQ(m.ProgramLength(), c.program_length) << c.what;
    EXPECT_EQ(std::vector<int>(m.ram.begin(), m.ram.begin() + 3), c.ram) << c.what;
  }
}

// The stop report's status waits for the PC's count; the wait starts when the PC takes the
// report, however long after its last command that was.
TEST(Module, TheCountOfALateStopReportIsNotTakenForACommand) {
  constexpr std::int64_t kMs = 1'000'000;
  Module m({2, 9, 4});
  m.ram[0] = 0x5A;
  m.Receive(0x56, 0);
  EXPECT_EQ(Drain(m), (std::vector<int>{9}));
  m.AnnounceStop();
  EXPECT_EQ(Drain(m), (std::vector<int>{Module::kAnnounce, 0xA5}));
  m.NoteTaken(5000 * kMs);
  m.Receive(1, 5050 * kMs);
  m.Receive(0, 5050 * kMs);
  EXPECT_EQ(Drain(m), (std::vector<int>{24, 0, 0x5A}));
}

// A download given up half-way leaves no program behind, even where a whole one was before;
// the next whole download is taken as usual.
TEST(Module, AHalfDownloadReplacesTheProgramWithNone) {
  constexpr std::int64_t kMs = 1'000'000;
  Module m({2, 9, 4});
  for (int b : {0x34, 2, 0, 7, 8}) m.Receive(static_cast<std::uint8_t>(b), 0);
  EXPECT_EQ(Drain(m), (std::vector<int>{15, 0}));
  ASSERT_EQ(m.ProgramLength(), 2);
  for (int b : {0x34, 3, 0, 1}) m.Receive(static_cast<std::uint8_t>(b), 1000 * kMs);
  m.Receive(0x56, 2000 * kMs);
  EXPECT_EQ(Drain(m), (std::vector<int>{9}));
  EXPECT_EQ(m.ProgramLength(), 0);
  for (int b : {0x34, 1, 0, 5}) m.Receive(static_cast<std::uint8_t>(b), 2001 * kMs);
  EXPECT_EQ(Drain(m), (std::vector<int>{5, 0}));
  EXPECT_EQ(m.ProgramLength(), 1);
  EXPECT_EQ(m.FlashByte(0), 5);
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
