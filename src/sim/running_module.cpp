#include "sim/running_module.h"

#include <limits>
#include <span>
#include <vector>

#include "isa/isa.h"

namespace vn::sim {

namespace {

// A stop after which the program cannot go on by itself.
bool Halting(StopReason r) {
  return r == StopReason::kBreakStatement || r == StopReason::kEnd || r == StopReason::kFault ||
         r == StopReason::kWaitingForInput;
}

}  // namespace

RunningModule::RunningModule(ModuleConfig config, platform::Clock& clock, InterpreterOptions options)
    : Module(config), clock_(clock), options_(options) {}

RunningModule::~RunningModule() = default;

bool RunningModule::running() const { return loaded_ && (!in_debug() || stepping_out_); }

void RunningModule::Rebase() {
  base_ns_ = clock_.NowNs();
  base_us_ = interp_ ? interp_->now_us() : 0;
}

void RunningModule::SyncPc() {
  if (interp_) pc = interp_->pc();
}

void RunningModule::Note(const Stop& s) {
  if (Halting(s.reason)) last_stop_ = s;
}

void RunningModule::OnProgramLoaded() {
  Module::OnProgramLoaded();
  stepping_out_ = false;
  last_stop_.reset();
  std::vector<std::uint8_t> code;
  code.reserve(static_cast<size_t>(ProgramLength()));
  for (long a = 0; a < ProgramLength(); ++a) code.push_back(FlashByte(a));
  loaded_ = !code.empty();
  if (!interp_) {
    interp_ = std::make_unique<Interpreter>(kind() == 1 ? Series::kVn : Series::kVnm, std::move(code),
                                            std::span<std::uint8_t>(ram), options_);
  } else {
    interp_->Load(std::move(code));
  }
  SyncPc();
  Rebase();
}

void RunningModule::OnReset() {
  stepping_out_ = false;
  last_stop_.reset();
  if (!interp_) return Module::OnReset();
  interp_->Reset();
  SyncPc();
  Rebase();
}

void RunningModule::OnBreak() {
  stepping_out_ = false;
  SyncPc();
}

void RunningModule::OnStepInto() {
  stepping_out_ = false;
  if (!interp_) return;
  Note(interp_->StepInto());
  SyncPc();
}

bool RunningModule::OnStepOut() {
  stepping_out_ = false;
  if (!interp_) return true;
  // The same target as the interpreter's own Step Out, kept for the background part.
  const std::uint32_t at = interp_->pc();
  const auto& code = interp_->code();
  const std::uint8_t op = at < code.size() ? code[at] : 0;
  const bool call = isa::IsCall(op, kind() == 2);
  const int depth = interp_->call_depth();
  out_any_stop_ = !call && depth == 0;
  out_depth_ = call ? depth : depth - 1;
  const Stop s = interp_->StepOut(kStepOutAtOnce);
  Note(s);
  SyncPc();
  if (s.reason != StopReason::kStepLimit) return true;
  stepping_out_ = true;
  Rebase();
  return false;
}

void RunningModule::OnLeaveDebug() {
  stepping_out_ = false;
  // It runs on from a BREAK; an end or a fault it cannot leave stays what it was.
  if (last_stop_ && last_stop_->reason == StopReason::kBreakStatement) last_stop_.reset();
  Rebase();
}

bool RunningModule::ContinueStepOut(std::uint64_t target_us) {
  // One instruction at a time, so that the return is caught at its own instruction.
  std::uint64_t steps = 0;
  while (steps < kMostPerCatchUp) {
    const Stop s = interp_->Run(1, target_us);
    steps += s.steps;
    Note(s);
    if (Halting(s.reason)) return true;
    if (s.reason == StopReason::kTimeLimit) return false;
    if (!out_any_stop_ && interp_->call_depth() <= out_depth_) return true;
  }
  Rebase();
  return false;
}

void RunningModule::Advance() {
  // The firmware runs the program between exchanges, not while a reply is on its way.
  if (advancing_ || !interp_ || !running() || !AwaitingCommand() || OutputPending()) return;
  const std::int64_t now = clock_.NowNs();
  if (now <= base_ns_) return;
  const std::uint64_t target = base_us_ + static_cast<std::uint64_t>(now - base_ns_) / 1000;
  if (target <= interp_->now_us()) return;
  advancing_ = true;
  if (stepping_out_) {
    if (ContinueStepOut(target)) {
      stepping_out_ = false;
      SyncPc();
      FinishStep();
    }
  } else {
    const Stop s = interp_->Run(kMostPerCatchUp, target);
    SyncPc();
    if (s.reason == StopReason::kStepLimit) Rebase();
    // Input that came (from outside, between two catch-ups) has ended a wait for it.
    if (s.steps > 0 && last_stop_ && last_stop_->reason == StopReason::kWaitingForInput) last_stop_.reset();
    Note(s);
    // Only a BREAK stops the module; at its end, waiting or after a fault it stays where it
    // is and answers the debugger's Break there.
    if (s.reason == StopReason::kBreakStatement) AnnounceStop();
  }
  advancing_ = false;
}

}  // namespace vn::sim
