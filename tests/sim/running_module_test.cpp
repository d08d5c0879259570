// The virtual module with its program running: the program moves with the clock, and the
// debugger's commands stop, step, restart and release it at the byte level.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "platform/clock.h"
#include "sim/running_module.h"
#include "../compiler/compile_helpers.h"

namespace vn::sim {
namespace {

constexpr std::int64_t kMs = 1'000'000;

std::vector<int> Drain(Module& m) {
  std::vector<int> out;
  while (m.HasOutput()) {
    out.push_back(m.PeekOutput());
    m.PopOutput();
  }
  return out;
}

// A compiled program downloaded into a running module, byte by byte as the cable delivers it.
struct Rig {
  Rig(const std::string& device, const std::vector<std::string>& lines)
      : c(compiler::testing::Compile(device, lines)), module({c->Device.DeviceKind, 32, 17}, clock) {
    EXPECT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
    const long n = c->CodeAddr;
    std::vector<int> load = {0x34, static_cast<int>(n % 256), static_cast<int>(n / 256)};
    for (long a = 0; a < (vn() ? n + 1 : n); ++a) load.push_back(c->Code.Get(a));
    Send(load);
    Drain(module);  // the echo or the sum
  }
  bool vn() const { return c->Device.DeviceKind == 1; }
  void Send(const std::vector<int>& bytes) {
    for (int b : bytes) module.Receive(static_cast<std::uint8_t>(b));
  }
  // The status reply of a command: VNM answers the marker with the count of RAM bytes.
  std::vector<int> Status(int command) {
    Send({command});
    auto out = Drain(module);
    if (!vn() && !out.empty()) {
      Send({static_cast<int>(c->VarBytesUsed % 256), static_cast<int>(c->VarBytesUsed / 256)});
      const auto rest = Drain(module);
      out.insert(out.end(), rest.begin(), rest.end());
    }
    return out;
  }
  static long Pc(const std::vector<int>& reply, size_t at = 0) { return reply[at + 1] + 256L * reply[at + 2]; }
  int Line() const { return c->Code.LineOf(module.pc); }
  int Var(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return module.ram[static_cast<size_t>(v.VarAddr)];
    ADD_FAILURE() << name;
    return -1;
  }

  std::unique_ptr<compiler::Compiler> c;
  platform::VirtualClock clock;
  RunningModule module;
};

const std::vector<std::string> kCounting = {
    "DIM K AS BYTE, M AS BYTE",  // 1
    "AGAIN:",                    // 2
    "K = K + 1",                 // 3
    "IF M = 0 THEN GOTO AGAIN",  // 4
    "BREAK",                     // 5
    "M = 9",                     // 6
    "GOTO AGAIN",                // 7
};

TEST(RunningModule, RunsOnlyAsTheClockMoves) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    Rig r(device, kCounting);
    EXPECT_TRUE(r.module.running());
    EXPECT_FALSE(r.module.HasOutput());
    EXPECT_EQ(r.Var("K"), 0);
    r.clock.Advance(1 * kMs);  // 100 instructions of 10 us
    EXPECT_FALSE(r.module.HasOutput());
    const int k1 = r.Var("K");
    EXPECT_GT(k1, 10);
    EXPECT_EQ(r.Var("K"), k1);  // no time, no progress
    r.clock.Advance(1 * kMs);
    r.module.HasOutput();
    EXPECT_NE(r.Var("K"), k1);
  }
}

TEST(RunningModule, ABreakStatementIsAnnouncedWithTheStatus) {
  for (const char* device : {"KF", "WF"}) {
    SCOPED_TRACE(device);
    Rig r(device, kCounting);
    r.Send({0xE4, static_cast<int>(r.c->Vars[1].VarAddr % 256), static_cast<int>(r.c->Vars[1].VarAddr / 256), 1, 1});
    r.clock.Advance(1 * kMs);
    auto out = Drain(r.module);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0], Module::kAnnounce);
    EXPECT_EQ(out[1], 0xA5);
    if (r.vn()) {
      ASSERT_EQ(out.size(), 3u + 96u + 1u);
      EXPECT_EQ(Rig::Pc(out, 1), r.module.pc);
      EXPECT_EQ(out[4], 1);  // K, RAM address 160
    }
    // The program counter is on the instruction after the BREAK, M = 9 on line 6.
    EXPECT_EQ(r.Line(), 6);
    EXPECT_EQ(r.Var("K"), 1);
    EXPECT_FALSE(r.module.running());
    ASSERT_TRUE(r.module.last_stop().has_value());
    EXPECT_EQ(r.module.last_stop()->reason, StopReason::kBreakStatement);
    // Let go (VN: it starts over), it runs on: no stop of its own to tell any more.
    if (!r.vn()) r.Send({0, 0});  // the count of RAM bytes the VNM report asks for
    Drain(r.module);
    r.Send({r.vn() ? 0xE2 : 0x23});
    EXPECT_TRUE(r.module.running());
    EXPECT_FALSE(r.module.last_stop().has_value());
  }
}

const std::vector<std::string> kSubroutine = {
    "DIM K AS BYTE, J AS INTEGER",  // 1
    "BREAK",                        // 2
    "GOSUB SLOW",                   // 3
    "K = 5",                        // 4
    "DONE: GOTO DONE",              // 5
    "SLOW:",                        // 6
    "FOR J = 1 TO 60000",           // 7
    "NEXT",                         // 8
    "RETURN",                       // 9
};

TEST(RunningModule, AStepOutThatTakesLongRepliesWhenTheSubroutineReturns) {
  Rig r("WF", kSubroutine);
  r.clock.Advance(1 * kMs);
  Drain(r.module);  // the BREAK's report; the count of RAM bytes is not asked for here
  r.Send({0, 0});
  Drain(r.module);
  ASSERT_EQ(r.Line(), 3);
  // Step Over a GOSUB whose loop takes 180,000 instructions: no reply at once.
  r.Send({0xE3});
  EXPECT_FALSE(r.module.HasOutput());
  EXPECT_TRUE(r.module.running());
  r.clock.Advance(100 * kMs);
  EXPECT_FALSE(r.module.HasOutput());
  r.clock.Advance(2000 * kMs);
  ASSERT_TRUE(r.module.HasOutput());
  EXPECT_EQ(r.module.PeekOutput(), 0xA5);
  EXPECT_EQ(r.Line(), 4);
  EXPECT_FALSE(r.module.running());
  EXPECT_EQ(r.Var("K"), 0);
}

TEST(RunningModule, AFaultHaltsWithoutAReportAndBreakFindsItsAddress) {
  Rig r("WF", {"DIM A AS BYTE, Z AS BYTE", "A = 1", "A = A / Z", "A = 2"});
  r.clock.Advance(1 * kMs);
  EXPECT_FALSE(r.module.HasOutput());
  ASSERT_TRUE(r.module.last_stop().has_value());
  EXPECT_EQ(r.module.last_stop()->reason, StopReason::kFault);
  EXPECT_EQ(r.Line(), 3);
  const auto reply = r.Status(0x12);
  EXPECT_EQ(r.c->Code.LineOf(Rig::Pc(reply)), 3);
  EXPECT_EQ(r.Var("A"), 1);
}

TEST(RunningModule, AClockFarAheadCostsABoundedRun) {
  Rig r("KF", {"DIM K AS BYTE", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
  r.clock.Advance(3600LL * 1000 * kMs);  // an hour
  EXPECT_FALSE(r.module.HasOutput());
  EXPECT_LE(r.module.interpreter()->total_steps(), RunningModule::kMostPerCatchUp);
  EXPECT_TRUE(r.module.running());
}

TEST(RunningModule, AStopReportNobodyTookDoesNotSwallowTheNextCommand) {
  Rig r("WF", kCounting);
  r.Send({0xE4, 1, 0, 1, 1});  // M = 1: the first round ends at the BREAK
  r.clock.Advance(1 * kMs);
  ASSERT_TRUE(r.module.HasOutput());
  // The PC starts a new exchange instead of collecting the report: &H56 is a command, not the
  // count of RAM bytes the report would have asked for.
  r.Send({0x56});
  EXPECT_EQ(Drain(r.module), (std::vector<int>{32}));
}

}  // namespace
}  // namespace vn::sim
