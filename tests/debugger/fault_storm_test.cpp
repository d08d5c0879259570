// A storm of faults, with a fixed seed: downloads, verifies and short debug sessions on the running
// virtual module over the USB cable (VN series) and the REV. B cable (VNM), each with a random fault
// on the wire (or none). Every operation ends in 0 or -1, a failure shows exactly one message,
// nothing runs away on the virtual clock, and once the fault is gone a download over a healthy
// cable succeeds and leaves the image in the module's flash.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "debug_bench.h"
#include "link/flash.h"

namespace vn::debugger::testing {
namespace {

constexpr std::int64_t kMostNsPerOp = 120'000'000'000;  // 2 minutes of virtual time per operation at most
const char* const kFaults[] = {"none", "drop-from-pc", "corrupt-from-pc", "drop-to-pc", "corrupt-to-pc",
                               "cut", "no-power", "unplugged", "stall-from-pc", "stall-to-pc"};
enum Op { kDownload, kVerify, kDebug };
const char* const kOps[] = {"download", "verify", "debug"};

// What differs from the image as the module should hold it after a download ("" for nothing).
std::string FlashMismatch(const Bench& r) {
  if (r.module.ProgramLength() != r.c->CodeAddr)
    return "program length " + std::to_string(r.module.ProgramLength()) + " != " + std::to_string(r.c->CodeAddr);
  for (long a = 0; a < (r.kind == 1 ? r.c->CodeAddr + 1 : r.c->CodeAddr); ++a)
    if (r.module.FlashByte(a) != r.c->Code.Get(a)) return "flash differs at " + std::to_string(a);
  return "";
}

// Puts fault `f` (its index in kFaults) on the wire; says what was set.
std::string Inject(sim::WireFaults& w, int f, std::mt19937& rng) {
  std::uniform_int_distribution<long> pos(0, 90);
  std::uniform_int_distribution<int> bit(0, 7), step(0, 3);
  const auto mask = [&] { return static_cast<std::uint8_t>(1u << bit(rng)); };
  switch (f) {
    case 1: w.drop_from_pc = pos(rng); break;
    case 2: w.corrupt_from_pc = pos(rng), w.corrupt_mask = mask(); break;
    case 3: w.drop_to_pc = pos(rng); break;
    case 4: w.corrupt_to_pc = pos(rng), w.corrupt_mask = mask(); break;
    case 5: w.cut_after = pos(rng); break;
    case 6: w.no_power = true; break;
    case 7: w.unplugged = true; break;
    case 8: w.stall_from_pc = pos(rng), w.stall_step = step(rng); break;
    case 9: w.stall_to_pc = pos(rng), w.stall_step = step(rng); break;
  }
  const auto n = [](long v) { return std::to_string(v); };
  return std::string(kFaults[f]) + " (from_pc drop " + n(w.drop_from_pc) + " corrupt " + n(w.corrupt_from_pc) + " stall " +
         n(w.stall_from_pc) + "; to_pc drop " + n(w.drop_to_pc) + " corrupt " + n(w.corrupt_to_pc) + " stall " + n(w.stall_to_pc) +
         "; mask " + n(w.corrupt_mask) + " step " + n(w.stall_step) + " cut " + n(w.cut_after) + ")";
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

int Download(Bench& r, RecordingProgress& ui) { return link::RunDownload(*r.link, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.kind), ui); }

Outcome RunTransferOp(Bench& r, Op op) {
  RecordingProgress ui;
  Outcome o;
  link::FlashImage flash;
  const core::Series series = core::SeriesOfKind(r.kind);
  // The VN series has no Verify: its check is the flash read-back the flash view shows.
  o.result = op == kDownload ? Download(r, ui)
             : r.kind == 1   ? link::ReadFlashMemory(*r.link, r.c->CompiledOK, r.c->CodeAddr, series, flash, ui)
                             : link::VerifyCommand(*r.link, r.c->CompiledOK, r.c->Code, r.c->CodeAddr, series, flash, ui);
  o.Add(ui);
  // Success of a Verify shows "Verify OK !"; that one is not a failure.
  if (op == kVerify && r.kind != 1 && o.result == 0) {
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
    for (int i = 0; i < 40 && (d.ReturnStatusEnabled || d.ReturnStatusUsbEnabled); ++i) {
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

// The operations on each cable and series (the REV. B handshake costs the most time).
class FaultStorm : public ::testing::TestWithParam<std::tuple<Wire, const char*, int>> {};

TEST_P(FaultStorm, EveryOperationEndsCleanlyAndTheModuleRecovers) {
  const auto [wire, device, ops] = GetParam();
  Bench r(wire, device, {"DIM K AS BYTE, J AS INTEGER", "AGAIN:", "K = K + 1", "J = J + K", "GOTO AGAIN"});
  ASSERT_TRUE(r.c->CompiledOK);
  std::mt19937 rng(20261206 + static_cast<std::uint32_t>(wire == Wire::kUsb ? 0 : 1) * 2 + static_cast<std::uint32_t>(r.kind));
  std::uniform_int_distribution<int> pick_op(0, 2), pick_fault(0, 9);
  ASSERT_EQ(Download(r, r.ui), 0);
  int failures = 0, problems = 0;
  const std::int64_t start_ns = r.clock.NowNs();
  for (int i = 0; i < ops && problems < 5; ++i) {
    const auto op = static_cast<Op>(pick_op(rng));
    const int fault = pick_fault(rng);
    r.NewCable();
    const std::string what = "op " + std::to_string(i) + " " + kOps[op] + " fault " + Inject(r.faults(), fault, rng);
    const std::int64_t before = r.clock.NowNs();
    const Outcome o = op == kDebug ? RunDebugOp(r) : RunTransferOp(r, op);
    const std::int64_t took = r.clock.NowNs() - before;
    bool bad = false;
    auto fail = [&](const std::string& msg) { ADD_FAILURE() << what << ": " << msg, bad = true; };
    failures += o.result == -1;
    if (o.result != 0 && o.result != -1) fail("result " + std::to_string(o.result));
    if (o.result == -1 && o.messages.size() != 1) fail("failed with " + std::to_string(o.messages.size()) + " messages");
    if (o.result == 0 && !o.messages.empty()) fail("succeeded with the message " + o.messages[0]);
    if (!o.note.empty()) fail(o.note);
    if (took > kMostNsPerOp) fail("took " + std::to_string(took / 1'000'000) + " ms of virtual time");
    if (fault == 0 && o.result != 0) fail("failed without a fault: " + (o.messages.empty() ? "" : o.messages[0]));
    // The fault gone: a healthy cable and a download, at once, without a power cycle.
    r.NewCable();
    RecordingProgress ui;
    if (const int again = Download(r, ui); again != 0 || !ui.messages.empty())
      fail("the next download returned " + std::to_string(again) + ": " + ui.First());
    else if (const std::string why = FlashMismatch(r); !why.empty())
      fail("after the next download: " + why);
    problems += bad;
  }
  EXPECT_LE(r.clock.NowNs() - start_ns, ops * 4 * kMostNsPerOp);  // the whole storm within its budget
  EXPECT_EQ(problems, 0);
  EXPECT_GT(failures, ops / 4);  // the storm did hit: a fair share of the operations failed
}

INSTANTIATE_TEST_SUITE_P(Cables, FaultStorm,
                         ::testing::Values(std::tuple{Wire::kUsb, "KF", 1200}, std::tuple{Wire::kRevB, "WF", 300}),
                         [](const auto& p) { return std::string(WireName(std::get<0>(p.param))) + "_" + std::get<1>(p.param); });

}  // namespace
}  // namespace vn::debugger::testing
