// A storm of faults: with a fixed seed, downloads, verifies and short debug sessions against
// the running virtual module over the virtual USB cable (VN series) and REV. B cable (VNM), each with
// a random fault on the wire (or none). Every operation ends in 0 or -1, a failure shows
// exactly one message, nothing runs away on the virtual clock, and once the fault is gone a
// download over a healthy cable succeeds and leaves the image in the module's flash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
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

const std::vector<std::string> kLoop = {
    "DIM K AS BYTE, J AS INTEGER",  // 1
    "AGAIN:",                       // 2
    "K = K + 1",                    // 3
    "J = J + K",                    // 4
    "GOTO AGAIN",                   // 5
};

enum class Fault {
  kNone, kDropFromPc, kCorruptFromPc, kDropToPc, kCorruptToPc, kCut, kNoPower, kUnplugged,
  kStallFromPc, kStallToPc, kCount
};
const char* const kFaultNames[] = {"none", "drop-from-pc", "corrupt-from-pc", "drop-to-pc", "corrupt-to-pc",
                                   "cut", "no-power", "unplugged", "stall-from-pc", "stall-to-pc"};

enum class Op { kDownload, kVerify, kDebug, kCount };
const char* OpName(Op o) { return o == Op::kDownload ? "download" : o == Op::kVerify ? "verify" : "debug"; }

// The module and the compiled program stay; the cable (and the Link and Debugger on it) is
// replaced before every operation, so each one starts on a fresh wire.
struct Rig {
  Rig(Wire w, const std::string& device)
      : wire(w), kind(KindOf(device)), module(std::make_unique<sim::RunningModule>(sim::ModuleConfig{kind, 32, 17}, clock)), c(std::make_unique<compiler::Compiler>()) {
    compiler::ApplyDeviceCode(c->Device, *compiler::FindDeviceCode(device));
    c->SourcePath = (TestFolder() / (std::string(WireName(w)) + "_" + device + ".bas")).string();
    EXPECT_EQ(CompileWithCopy(*c, Join(kLoop)), 0) << c->Outcome.message.en;
    NewCable();
  }

  void NewCable() {
    dbg.reset();
    link.reset();
    wires = std::make_unique<cables::VirtualWires>(*module, clock, link::CableKind::kRevB, link::kDefaultIoadr, &irq);
    link = std::make_unique<link::Link>(wires->Devices());
    Connect(*link, wire, kind);
    dbg = std::make_unique<Debugger>(*c, *link);
  }

  sim::WireFaults& faults() { return wires->wire(wire == Wire::kUsb ? link::CableKind::kUsb : link::CableKind::kRevB).faults(); }

  // What differs from the image as the module should hold it after a download ("" for nothing).
  std::string FlashMismatch() const {
    if (module->ProgramLength() != c->CodeAddr)
      return "program length " + std::to_string(module->ProgramLength()) + " != " + std::to_string(c->CodeAddr);
    for (long a = 0; a < (kind == 1 ? c->CodeAddr + 1 : c->CodeAddr); ++a)
      if (module->FlashByte(a) != c->Code.Get(a)) return "flash differs at " + std::to_string(a);
    return "";
  }

  Wire wire;
  int kind;
  platform::VirtualClock clock;
  vn::testing::CountingInterrupts irq;
  std::unique_ptr<sim::RunningModule> module;
  std::unique_ptr<compiler::Compiler> c;
  std::unique_ptr<cables::VirtualWires> wires;
  std::unique_ptr<link::Link> link;
  std::unique_ptr<Debugger> dbg;
};

void Inject(Rig& r, Fault f, std::mt19937& rng) {
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
  bool pending = false;  // a debug command still polled for its stop, nothing shown
};

void Collect(Outcome& o, const std::vector<DebugMessage>& ms) {
  for (const auto& m : ms) o.messages.push_back(En(m));
}

Outcome RunDownloadOp(Rig& r) {
  RecordingProgress ui;
  Outcome o;
  o.result = link::RunDownload(*r.link, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.c->Device.DeviceKind), ui);
  Collect(o, ui.messages);
  return o;
}

Outcome RunVerifyOp(Rig& r) {
  RecordingProgress ui;
  Outcome o;
  link::FlashImage flash;
  if (r.kind == 1) {
    // The VN series has no Verify: its check is the flash read-back the flash view shows.
    o.result = link::ReadFlashMemory(*r.link, r.c->CompiledOK, r.c->CodeAddr, core::SeriesOfKind(r.kind), flash, ui);
    Collect(o, ui.messages);
    return o;
  }
  o.result = link::VerifyCommand(*r.link, r.c->CompiledOK, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.kind), flash, ui);
  Collect(o, ui.messages);
  // Success shows "Verify OK !"; that one is not a failure.
  if (o.result == 0) {
    if (o.messages.size() != 1 || o.messages[0] != "Verify OK !") o.note = "verify succeeded without its one OK box";
    o.messages.clear();
  }
  return o;
}

// Break, one Step Into, leave: the IDE's timers are played on the virtual clock. The session
// ends at its first message (the IDE's user then closes the debug window).
Outcome RunDebugOp(Rig& r) {
  Outcome o;
  Debugger& d = *r.dbg;
  auto poll = [&]() -> Display {
    Display last;
    for (int i = 0; i < kPollTicks && (d.ReturnStatusEnabled || d.ReturnStatusUsbEnabled); ++i) {
      r.clock.Advance(Bench::kPollTickNs);
      last = d.ReturnStatusUsbEnabled ? d.ReturnStatusUsbTick() : d.ReturnStatusTick();
      if (!last.messages.empty() || last.stopped) break;
    }
    return last;
  };
  auto command = [&](Display first) -> bool {
    Collect(o, first.messages);
    if (first.open_debug_window) {
      Display l = d.Load();
      Collect(o, l.messages);
      Display a = d.Activate();
      Collect(o, a.messages);
    }
    if (!o.messages.empty()) return false;
    if (first.stopped) return true;
    const Display p = poll();
    Collect(o, p.messages);
    if (!o.messages.empty()) return false;
    return p.stopped;
  };
  r.clock.Advance(Bench::kBreakTickNs);
  const bool broke = command(d.Break());
  const bool stepped = broke && command(d.StepInto());
  if (!broke || !stepped) {
    // No message and no stop: the debug window is still polling (the IDE's timers go on, as
    // they do while a Step Out runs); that is not a failure of its own.
    if (o.messages.empty())
      o.pending = true;
    else
      o.result = -1;
  }
  if (d.DebugWindowOpen) {
    RecordingProgress ui;
    d.Exit();
    const Display closed = d.Close(ui);
    if (o.result == 0) {
      Collect(o, closed.messages);
      Collect(o, ui.messages);
      if (!o.messages.empty()) o.result = -1;
    }
  }
  return o;
}

struct Setup {
  Wire wire;
  const char* device;
  int ops;  // operations on this cable and series (the REV. B handshake costs the most time)
};
void PrintTo(const Setup& s, std::ostream* os) { *os << WireName(s.wire) << " " << s.device; }
std::string Name(const ::testing::TestParamInfo<Setup>& info) {
  return std::string(WireName(info.param.wire)) + "_" + info.param.device;
}

class FaultStorm : public ::testing::TestWithParam<Setup> {};

TEST_P(FaultStorm, EveryOperationEndsCleanlyAndTheModuleRecovers) {
  Rig r(GetParam().wire, GetParam().device);
  ASSERT_TRUE(r.c->CompiledOK);
  std::mt19937 rng(kSeed + static_cast<std::uint32_t>(r.wire == Wire::kUsb ? 0 : 1) * 2 +
                   static_cast<std::uint32_t>(r.kind));
  std::uniform_int_distribution<int> pick_op(0, static_cast<int>(Op::kCount) - 1);
  std::uniform_int_distribution<int> pick_fault(0, static_cast<int>(Fault::kCount) - 1);
  {
    RecordingProgress ui;
    ASSERT_EQ(link::RunDownload(*r.link, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.c->Device.DeviceKind), ui), 0);
  }
  int failures = 0, problems = 0, pending = 0;
  const int ops = GetParam().ops;
  const std::int64_t start_ns = r.clock.NowNs();
  for (int i = 0; i < ops && problems < 5; ++i) {
    const Op op = static_cast<Op>(pick_op(rng));
    const Fault fault = static_cast<Fault>(pick_fault(rng));
    r.NewCable();
    Inject(r, fault, rng);
    const sim::WireFaults injected = r.faults();
    std::ostringstream what;
    what << "op " << i << " " << OpName(op) << " fault " << kFaultNames[static_cast<int>(fault)] << " (from_pc drop "
         << injected.drop_from_pc << " corrupt " << injected.corrupt_from_pc << " stall " << injected.stall_from_pc
         << "; to_pc drop " << injected.drop_to_pc << " corrupt " << injected.corrupt_to_pc << " stall "
         << injected.stall_to_pc << "; mask " << int{injected.corrupt_mask} << " step " << injected.stall_step
         << " cut " << injected.cut_after << ")";
    const std::int64_t before = r.clock.NowNs();
    const Outcome o = op == Op::kDownload ? RunDownloadOp(r) : op == Op::kVerify ? RunVerifyOp(r) : RunDebugOp(r);
    const std::int64_t took = r.clock.NowNs() - before;
    bool bad = false;
    auto fail = [&](const std::string& msg) {
      ADD_FAILURE() << what.str() << ": " << msg;
      bad = true;
    };
    if (o.result != 0 && o.result != -1) fail("result " + std::to_string(o.result));
    if (o.result == -1) ++failures;
    if (o.pending) ++pending;
    if (o.result == -1 && o.messages.size() != 1) fail("failed with " + std::to_string(o.messages.size()) + " messages");
    if (o.result == 0 && !o.messages.empty()) fail("succeeded with the message " + o.messages[0]);
    if (!o.note.empty()) fail(o.note);
    if (took > kMostNsPerOp) fail("took " + std::to_string(took / 1'000'000) + " ms of virtual time");
    if (fault == Fault::kNone && o.result != 0) fail("failed without a fault: " + (o.messages.empty() ? "" : o.messages[0]));

    // The fault gone: a healthy cable and a download, at once, without a power cycle.
    r.NewCable();
    RecordingProgress ui;
    const int again = link::RunDownload(*r.link, r.c->Code, r.c->CodeAddr, core::SeriesOfKind(r.c->Device.DeviceKind), ui);
    if (again != 0) {
      fail("the next download returned " + std::to_string(again) +
           (ui.messages.empty() ? "" : ": " + En(ui.messages[0])));
    } else if (!ui.messages.empty()) {
      fail("the next download showed " + En(ui.messages[0]));
    } else if (const std::string why = r.FlashMismatch(); !why.empty()) {
      fail("after the next download: " + why);
    }
    if (bad) ++problems;
  }
  // The whole storm stays within its budget of virtual time.
  EXPECT_LE(r.clock.NowNs() - start_ns, ops * 4 * kMostNsPerOp);
  EXPECT_EQ(problems, 0);
  // The storm did hit: a fair share of the operations failed.
  EXPECT_GT(failures, ops / 4);
  RecordProperty("failures", failures);
  std::printf("%s %s: %d operations, %d failed, %d debug sessions left polling\n", WireName(r.wire),
              GetParam().device, ops, failures, pending);
}

INSTANTIATE_TEST_SUITE_P(Cables, FaultStorm,
                         ::testing::Values(Setup{Wire::kUsb, "KF", 1200}, Setup{Wire::kRevB, "WF", 300}),
                         Name);

}  // namespace
}  // namespace vn::debugger::testing
