// A storm of faults: with a fixed seed, downloads, verifies and short debug sessions against
// the running virtual module over the virtual USB cable (VN series) and REV. B cable (VNM), each with
// a random fault on the wire (or none). Every operation ends in 0 or -1, a failure shows
// exactly one message, nothing runs away on the virtual clock, and once the fault is gone a
// download over a healthy cable succeeds and leaves the image in the module's flash.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "debug_bench.h"
#include "link/flash.h"

namespace vn::debugger::testing {
namespace {

constexpr std::uint32_t kSeed = 20261206;
// No single operation may take longer than this on the virtual clock.
constexpr std::int64_t kMostNsPerOp = 120'000'000'000;  // 2 minutes
constexpr int kPollTicks = 40;

const std::vector<std::string> kLoop = {"DIM K AS BYTE, J AS INTEGER", "AGAIN:", "K = K + 1", "J = J + K", "GOTO AGAIN"};

enum class Fault { kNone, kDropFromPc, kCorruptFromPc, kDropToPc, kCorruptToPc, kCut, kNoPower, kUnplugged, kStallFromPc, kStallToPc, kCount };
const char* const kFaultNames[] = {"none", "drop-from-pc", "corrupt-from-pc", "drop-to-pc", "corrupt-to-pc",
                                   "cut", "no-power", "unplugged", "stall-from-pc", "stall-to-pc"};

enum class Op { kDownload, kVerify, kDebug, kCount };
const char* const kOpNames[] = {"download", "verify", "debug"};

// What differs from the image as the module should hold it after a download ("" for nothing).
std::string FlashMismatch(const Bench& r) {
  if (r.module.ProgramLength() != r.c->CodeAddr)
    return "program length " + std::to_string(r.module.ProgramLength()) + " != " + std::to_string(r.c->CodeAddr);
  for (long a = 0; a < (r.kind == 1 ? r.c->CodeAddr + 1 : r.c->CodeAddr); ++a)
    if (r.module.FlashByte(a) != r.c->Code.Get(a)) return "flash differs at " + std::to_string(a);
  return "";
}

void Inject(Bench& r, Fault f, std::mt19937& rng) {
  sim::WireFaults& w = r.faults();
  std::uniform_int_distribution<long> pos(0, 90);
  std::uniform_int_distribution<int> bit(0, 7);
  std::uniform_int_distribution<int> step(0, 3);
  switch (f) {
    case Fault::kDropFromPc: w.drop_from_pc = pos(rng); break;
    case Fault::kCorruptFromPc: w.corrupt_from_pc = pos(rng), w.corrupt_mask = static_cast<std::uint8_t>(1u << bit(rng)); break;
    case Fault::kDropToPc: w.drop_to_pc = pos(rng); break;
    case Fault::kCorruptToPc: w.corrupt_to_pc = pos(rng), w.corrupt_mask = static_cast<std::uint8_t>(1u << bit(rng)); break;
    case Fault::kCut: w.cut_after = pos(rng); break;
    case Fault::kNoPower: w.no_power = true; break;
    case Fault::kUnplugged: w.unplugged = true; break;
    case Fault::kStallFromPc: w.stall_from_pc = pos(rng), w.stall_step = step(rng); break;
    case Fault::kStallToPc: w.stall_to_pc = pos(rng), w.stall_step = step(rng); break;
    default: break;
  }
}

struct Outcome {
  int result = 0;
  std::vector<std::string> messages;
  std::string note;  // anything else wrong
  void Add(const std::vector<DebugMessage>& ms) {
    for (const auto& m : ms) messages.push_back(En(m));
  }
  void Add(const RecordingProgress& ui) {
    for (const auto& m : ui.messages) messages.push_back(m.en);
  }
};

int Download(Bench& r, RecordingProgress& ui) {
  return link::RunDownload(*r.link, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.kind), ui);
}

Outcome RunTransferOp(Bench& r, Op op) {
  RecordingProgress ui;
  Outcome o;
  link::FlashImage flash;
  const core::Series series = core::SeriesOfKind(r.kind);
  // The VN series has no Verify: its check is the flash read-back the flash view shows.
  o.result = op == Op::kDownload ? Download(r, ui)
             : r.kind == 1       ? link::ReadFlashMemory(*r.link, r.c->CompiledOK, r.c->CodeAddr, series, flash, ui)
                                 : link::VerifyCommand(*r.link, r.c->CompiledOK, r.c->Code, r.c->CodeAddr, series, flash, ui);
  o.Add(ui);
  // Success of a Verify shows "Verify OK !"; that one is not a failure.
  if (op == Op::kVerify && r.kind != 1 && o.result == 0) {
    if (o.messages != std::vector<std::string>{"Verify OK !"}) o.note = "verify succeeded without its one OK box";
    o.messages.clear();
  }
  return o;
}

// Break, one Step Into, leave: the IDE's timers are played on the virtual clock. The session
// ends at its first message (the IDE's user then closes the debug window).
Outcome RunDebugOp(Bench& r) {
  Outcome o;
  Debugger& d = *r.dbg;
  auto command = [&](Display first) -> bool {
    o.Add(first.messages);
    if (first.open_debug_window) o.Add(d.Load().messages), o.Add(d.Activate().messages);
    if (!o.messages.empty()) return false;
    if (first.stopped) return true;
    Display last;
    for (int i = 0; i < kPollTicks && (d.ReturnStatusEnabled || d.ReturnStatusUsbEnabled); ++i) {
      r.clock.Advance(Bench::kPollTickNs);
      last = d.ReturnStatusUsbEnabled ? d.ReturnStatusUsbTick() : d.ReturnStatusTick();
      if (!last.messages.empty() || last.stopped) break;
    }
    o.Add(last.messages);
    return o.messages.empty() && last.stopped;
  };
  r.clock.Advance(Bench::kBreakTickNs);
  // No message and no stop: the debug window is still polling (the IDE's timers go on, as they
  // do while a Step Out runs); that is not a failure of its own.
  if (!command(d.Break()) || !command(d.StepInto())) o.result = o.messages.empty() ? 0 : -1;
  if (d.DebugWindowOpen) {
    RecordingProgress ui;
    d.Exit();
    const Display closed = d.Close(ui);
    if (o.result == 0) o.Add(closed.messages), o.Add(ui), o.result = o.messages.empty() ? 0 : -1;
  }
  return o;
}

struct Setup {
  Wire wire;
  const char* device;
  int ops;  // operations on this cable and series (the REV. B handshake costs the most time)
};
class FaultStorm : public ::testing::TestWithParam<Setup> {};

TEST_P(FaultStorm, EveryOperationEndsCleanlyAndTheModuleRecovers) {
  Bench r(GetParam().wire, GetParam().device, kLoop);
  ASSERT_TRUE(r.c->CompiledOK);
  std::mt19937 rng(kSeed + static_cast<std::uint32_t>(r.wire == Wire::kUsb ? 0 : 1) * 2 + static_cast<std::uint32_t>(r.kind));
  std::uniform_int_distribution<int> pick_op(0, static_cast<int>(Op::kCount) - 1);
  std::uniform_int_distribution<int> pick_fault(0, static_cast<int>(Fault::kCount) - 1);
  ASSERT_EQ(Download(r, r.ui), 0);
  int failures = 0, problems = 0;
  const int ops = GetParam().ops;
  const std::int64_t start_ns = r.clock.NowNs();
  for (int i = 0; i < ops && problems < 5; ++i) {
    const Op op = static_cast<Op>(pick_op(rng));
    const Fault fault = static_cast<Fault>(pick_fault(rng));
    r.NewCable();
    Inject(r, fault, rng);
    const sim::WireFaults f = r.faults();
    std::ostringstream what;
    what << "op " << i << " " << kOpNames[static_cast<int>(op)] << " fault " << kFaultNames[static_cast<int>(fault)] << " (from_pc drop "
         << f.drop_from_pc << " corrupt " << f.corrupt_from_pc << " stall " << f.stall_from_pc << "; to_pc drop " << f.drop_to_pc
         << " corrupt " << f.corrupt_to_pc << " stall " << f.stall_to_pc << "; mask " << int{f.corrupt_mask} << " step "
         << f.stall_step << " cut " << f.cut_after << ")";
    const std::int64_t before = r.clock.NowNs();
    const Outcome o = op == Op::kDebug ? RunDebugOp(r) : RunTransferOp(r, op);
    const std::int64_t took = r.clock.NowNs() - before;
    bool bad = false;
    auto fail = [&](const std::string& msg) { ADD_FAILURE() << what.str() << ": " << msg, bad = true; };
    failures += o.result == -1;
    if (o.result != 0 && o.result != -1) fail("result " + std::to_string(o.result));
    if (o.result == -1 && o.messages.size() != 1) fail("failed with " + std::to_string(o.messages.size()) + " messages");
    if (o.result == 0 && !o.messages.empty()) fail("succeeded with the message " + o.messages[0]);
    if (!o.note.empty()) fail(o.note);
    if (took > kMostNsPerOp) fail("took " + std::to_string(took / 1'000'000) + " ms of virtual time");
    if (fault == Fault::kNone && o.result != 0) fail("failed without a fault: " + (o.messages.empty() ? "" : o.messages[0]));

    // The fault gone: a healthy cable and a download, at once, without a power cycle.
    r.NewCable();
    RecordingProgress ui;
    if (const int again = Download(r, ui); again != 0 || !ui.messages.empty())
      fail("the next download returned " + std::to_string(again) + ": " + ui.First());
    else if (const std::string why = FlashMismatch(r); !why.empty())
      fail("after the next download: " + why);
    problems += bad;
  }
  // The whole storm stays within its budget of virtual time.
  EXPECT_LE(r.clock.NowNs() - start_ns, ops * 4 * kMostNsPerOp);
  EXPECT_EQ(problems, 0);
  // The storm did hit: a fair share of the operations failed.
  EXPECT_GT(failures, ops / 4);
}

INSTANTIATE_TEST_SUITE_P(Cables, FaultStorm,
                         ::testing::Values(Setup{Wire::kUsb, "KF", 1200}, Setup{Wire::kRevB, "WF", 300}),
                         [](const auto& p) { return std::string(WireName(p.param.wire)) + "_" + p.param.device; });

}  // namespace
}  // namespace vn::debugger::testing
