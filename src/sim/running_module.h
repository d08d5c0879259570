// The virtual module with its program running: the firmware's end of the wire (Module) with
// the byte-code interpreter as the program counter.
//
// After a download the program runs on the clock the cables run on. Nothing runs by itself:
// whenever the wire looks at the module (the PC reads a port, the USB cable is asked what is
// waiting, a byte arrives), the program first catches up with the time that has passed since it
// last ran. So a test or the terminal debugger that moves the virtual clock by 500 ms and then
// lets the main window's timer look at the cable finds the program 50,000 instructions further
// on, or stopped at a BREAK with its stop report waiting on the wire.
//
// The debugger's commands map onto the interpreter: Break stops the program at the next
// instruction, Step Into runs one, Step Out runs until the current subroutine returns (or runs
// the GOSUB at the program counter to its end), Reset restarts it, leaving the debugger lets it
// run on. A Step Out that does not return within a moment of program time goes on running in
// the background; its status reply goes out when it returns (the debug window polls for it).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/clock.h"
#include "sim/interpreter.h"
#include "sim/module.h"

namespace vn::sim {

class RunningModule : public Module {
 public:
  // Instructions a Step Out runs at once before it goes on in the background.
  static constexpr std::uint64_t kStepOutAtOnce = 100'000;
  // Instructions one catch-up runs at most; a program further behind than this gives up the
  // rest of the time, as a module cannot run faster than it does.
  static constexpr std::uint64_t kMostPerCatchUp = 2'000'000;

  RunningModule(ModuleConfig config, platform::Clock& clock, InterpreterOptions options = {});
  ~RunningModule() override;

  // True while the program runs (loaded, and not stopped by the debugger, or running a Step Out).
  bool running() const;
  // Why the program last stopped by itself (a BREAK until the debugger lets it run on, its end,
  // a wait for input, a fault); nullopt while it runs without having stopped.
  const std::optional<Stop>& last_stop() const { return last_stop_; }
  // The interpreter, for its peripherals and its fault; null before the first program.
  Interpreter* interpreter() { return interp_.get(); }
  const Interpreter* interpreter() const { return interp_.get(); }

 protected:
  void OnProgramLoaded() override;
  void OnReset() override;
  void OnBreak() override;
  void OnStepInto() override;
  bool OnStepOut() override;
  void OnLeaveDebug() override;
  void Advance() override;

 private:
  // The program's time starts counting from now.
  void Rebase();
  void SyncPc();
  // Keeps a stop the program cannot run past by itself.
  void Note(const Stop& s);
  // Runs the background Step Out up to `target_us`; true when it has finished.
  bool ContinueStepOut(std::uint64_t target_us);

  platform::Clock& clock_;
  InterpreterOptions options_;
  std::unique_ptr<Interpreter> interp_;
  bool loaded_ = false;
  bool stepping_out_ = false;
  int out_depth_ = 0;        // the call depth a background Step Out runs down to
  bool out_any_stop_ = false;  // Step Out at the top level: only a stop ends it
  std::int64_t base_ns_ = 0;     // clock time at which the program's time was base_us_
  std::uint64_t base_us_ = 0;
  bool advancing_ = false;
  std::optional<Stop> last_stop_;
};

}  // namespace vn::sim
