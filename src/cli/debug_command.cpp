#include "cli/debug_command.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_cable.h"
#include "cli/cli_options.h"
#include "cli/terminal_text.h"
#include "compiler/compiler.h"
#include "debugger/compile_copy.h"
#include "debugger/debug_driver.h"
#include "debugger/debug_view.h"
#include "debugger/debugger.h"
#include "link/download.h"
#include "link/link.h"
#include "link/link_setup.h"
#include "core/file_io.h"
#include "sim/running_module.h"

namespace vn::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The IDE's timer intervals.
constexpr long kBreakTickMs = 500;
constexpr long kPollTickMs = 50;

struct DebugOptions : CableOptions {
  long wait_ms = 5000;
  std::string file;
  std::vector<int> breaks;  // --break: source lines compiled with the break instruction
};

// The breakpoints that did not stay on their line, on standard error, so that the user knows
// where the program will stop.
void ReportMovedBreakpoints(const compiler::Compiler& c, bool korean) {
  for (const compiler::BreakPlacement& b : c.BreakPlacements) {
    if (!b.moved()) continue;
    const std::string from = std::to_string(b.requested);
    if (b.line == 0)
      std::cerr << (korean ? from + "행의 중단점: 그 뒤로 문장이 없어 놓지 못했습니다\n"
                           : "breakpoint at line " + from + ": no statement from there on, not set\n");
    else
      std::cerr << (korean ? from + "행의 중단점을 " + std::to_string(b.line) + "행으로 옮겼습니다\n"
                           : "breakpoint at line " + from + " moved to line " + std::to_string(b.line) + "\n");
  }
}

// The download's status panel and message boxes in the terminal.
class TerminalUi final : public link::DownloadProgress {
 public:
  explicit TerminalUi(bool korean) : korean_(korean) {}
  void SetStatus(const std::string& text) override {
    if (!text.empty()) status_ = text;
  }
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& message) override {
    std::cerr << Printable(core::MessageTextOf(message, core::LanguageOf(korean_))) << "\n";
    std::cerr.flush();
  }
  const std::string& status() const { return status_; }

 private:
  bool korean_;
  std::string status_;
};

// The link to a real cable or to the running virtual module, and the time the timers wait on.
class DebugCable {
 public:
  DebugCable(const DebugOptions& o, int kind, const CableArgs& args) : cable_(o.cable, kind, args) {
    if (o.trace_wire) cable_.TraceWire();
  }

  void Open() { cable_.Open(); }
  void Close() { cable_.Shutdown(); }
  void FlushTrace() { cable_.FlushTrace(); }
  link::Link& link() { return cable_.link(); }
  // A timer interval: the virtual module's clock moves on; a real module gets real time.
  void Wait(long ms) {
    if (cable_.is_virtual())
      cable_.virtual_clock().Advance(ms * 1'000'000);
    else
      cable_.clock().SleepFor(ms * 1'000'000);
  }
  // Why the virtual program halted by itself (its end, a fault), for the terminal to say.
  std::string Halted() const {
    const sim::RunningModule& module = cable_.module();
    if (!cable_.is_virtual() || !module.running() || !module.last_stop()) return "";
    const sim::Stop& s = *module.last_stop();
    if (s.reason == sim::StopReason::kFault) return "the program stopped with a fault: " + s.fault.message;
    if (s.reason == sim::StopReason::kEnd) return "the program has reached its end";
    if (s.reason == sim::StopReason::kWaitingForInput) return "the program waits for serial input";
    return "";
  }

 private:
  CliCable cable_;
};

constexpr char kHelp[] =
    "commands: break, step, over, out, reset, vars, set NAME VALUE, where, continue, run-to LINE, erase, quit";

// One debugging session: the IDE's timers played by waiting on the cable's clock, the
// debugger's results shown as lines of text.
class Session final : private debugger::DebugView {
 public:
  // `source_bytes`: the program as read, compiled again by run-to.
  Session(compiler::Compiler& c, DebugCable& cable, const DebugOptions& o, std::string source_bytes)
      : compiled_(c),
        cable_(cable),
        dbg_(c, cable.link()),
        ui_(o.lang == "ko"),
        korean_(o.lang == "ko"),
        wait_ms_(o.wait_ms),
        file_(o.file),
        source_(std::move(source_bytes)),
        breaks_(o.breaks) {}

  // Run: the download, then watching as the main window does.
  bool Start() {
    if (!driver_.Start()) return false;
    std::cout << "downloaded, " << ui_.status() << "\n";
    Watch();
    return true;
  }

  // False at quit.
  bool Execute(const std::string& line) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    if (cmd.empty()) return true;
    if (cmd == "quit" || cmd == "exit") return false;
    if (Waiting()) Poll();
    if (cmd == "break") {
      if (stopped_ && !Waiting()) {
        std::cout << "already stopped\n";
        PrintStop(driver_.CurrentStop());
        return true;
      }
      driver_.Break();
      Poll();
    } else if (cmd == "step" || cmd == "over" || cmd == "out" || cmd == "reset") {
      Step(cmd);
    } else if (cmd == "continue") {
      if (stopped_) Leave(false);
      if (!stopped_) Watch();
    } else if (cmd == "run-to") {
      std::string arg, rest;
      in >> arg >> rest;
      const std::optional<int> target = LineNumber(arg);
      if (!target || !rest.empty()) {
        std::cerr << "usage: run-to LINE (a source line from 1 on)\n";
        return true;
      }
      RunTo(*target);
    } else if (cmd == "erase") {
      if (!stopped_) {
        std::cout << "erase leaves the debugger: type break first\n";
        return true;
      }
      Leave(true);
    } else if (cmd == "where") {
      if (stopped_ && !Waiting())
        PrintStop(driver_.CurrentStop());
      else
        PrintRunning();
    } else if (cmd == "vars") {
      Vars();
    } else if (cmd == "set") {
      std::string name, value;
      in >> name;
      std::getline(in, value);
      Set(name, value);
    } else {
      std::cerr << "unknown command '" << Printable(cmd) << "'; " << kHelp << "\n";
    }
    return true;
  }

  // The end of the session: a module still stopped is let go.
  void Finish() {
    if (stopped_) Leave(false);
  }

  bool link_failed() const { return link_failed_; }

 private:
  bool Waiting() const { return dbg_.ReturnStatusEnabled || dbg_.ReturnStatusUsbEnabled; }

  // ---- The driver's view ----------------------------------------------------------------------
  void ShowMessage(const debugger::DebugMessage& m) override {
    if (m.code == core::MessageCode::kModuleNotFound) link_failed_ = true;
    std::cerr << Printable(core::MessageTextOf(m, core::LanguageOf(korean_))) << "\n";
    std::cerr.flush();
  }
  void OpenDebugWindow(debugger::DebugDriver&) override { stopped_ = true; }
  void CloseDebugWindow() override { stopped_ = false; }
  void VariableWritten() override { std::cout << "ok\n"; }
  void ShowStop(const debugger::ShownStop& stop) override {
    // A stop read while a step still waits for its own report is not the step's.
    if (!Waiting()) PrintStop(stop);
  }
  void RunTransfer(const std::function<void(link::DownloadProgress&)>& transfer) override { transfer(ui_); }

  // tmrBreak until the module reports a stop, for at most the waiting time. A virtual program
  // that has ended, faulted or waits for serial input (which the terminal cannot send) will
  // report no stop however long it is given: the watch ends there instead of moving the clock
  // on to the end of the waiting time.
  void Watch() {
    for (long t = 0; t < wait_ms_; t += kBreakTickMs) {
      cable_.Wait(kBreakTickMs);
      driver_.BreakTimerTick();
      if (stopped_) return;
      if (!cable_.Halted().empty()) break;
    }
    PrintRunning();
  }

  // The debug window's polling timer until the stop report, for at most the waiting time.
  void Poll() {
    for (long t = 0; Waiting() && t < wait_ms_; t += kPollTickMs) {
      cable_.Wait(kPollTickMs);
      driver_.PollTick();
    }
    if (Waiting()) std::cout << "no stop report from the module yet (type where to look again, break to stop it)\n";
  }

  void Step(const std::string& cmd) {
    if (!stopped_) {
      std::cout << "the program is running: type break first\n";
      return;
    }
    if (cmd != "step" && !dbg_.VnmCommandsEnabled()) {
      std::cout << cmd << " is offered on the VNM series only\n";
      return;
    }
    if (Waiting()) return;  // Poll has said so
    if (cmd == "step")
      driver_.StepInto();
    else if (cmd == "over")
      driver_.StepOver();
    else if (cmd == "out")
      driver_.StepOut();
    else
      driver_.Reset();
    Poll();
  }

  // A whole number from 1 up, nothing else.
  static std::optional<int> LineNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const int n = std::stoi(text);
    if (n < 1) return std::nullopt;
    return n;
  }

  // The session's breakpoints plus one at `line` are compiled in and downloaded again (a module
  // at a stop is let go first: the download replaces the program under it), then the program
  // is watched as after Run. The extra breakpoint is not kept for the next run-to.
  void RunTo(int line) {
    if (stopped_) Leave(false);
    std::vector<int> breaks = breaks_;
    breaks.push_back(line);
    if (debugger::CompileWithCopy(compiled_, source_, breaks) != 0) {
      std::cerr << CompileErrorLine(file_, compiled_.Outcome.line, compiled_.OutcomeText());
      return;
    }
    ReportMovedBreakpoints(compiled_, korean_);
    cable_.link().LinkIdle();
    Start();
  }

  void Leave(bool erase) {
    if (erase)
      driver_.EraseFlash();
    else
      driver_.Exit();
    if (erase) std::cout << "the program is erased; the module runs the empty program\n";
  }

  void Vars() {
    if (!stopped_) {
      if (!dbg_.VnmCommandsEnabled()) {
        std::cout << "the program is running: type break first\n";
        return;
      }
      driver_.CheckVariable();
    }
    const std::vector<std::string> rows = driver_.VariableRows();
    for (const auto& l : rows) std::cout << Printable(l) << "\n";
    if (rows.empty()) std::cout << "(no variables)\n";
  }

  void Set(const std::string& name, const std::string& value) {
    if (!dbg_.VnmCommandsEnabled()) {
      std::cout << "set is offered on the VNM series only\n";
      return;
    }
    // A variable is written at a stop, where the program is not changing it at the same time and
    // vars shows what was written; a step still on its way counts as running.
    if (!stopped_ || Waiting()) {
      std::cout << "the program is running: type break first, then set\n";
      return;
    }
    if (name.empty() || value.find_first_not_of(" \t") == std::string::npos) {
      std::cerr << "usage: set NAME VALUE\n";
      return;
    }
    driver_.ModifyVariable(name, value);
  }

  void PrintStop(const debugger::ShownStop& stop) {
    std::cout << "line " << stop.line << ": " << Printable(stop.text) << "\n"
              << stop.pc << "  " << stop.object_code << "\n";
    std::cout.flush();
  }

  void PrintRunning() {
    if (Waiting()) {
      std::cout << "waiting for the module's stop report\n";
      return;
    }
    std::cout << "running";
    const std::string why = cable_.Halted();
    if (!why.empty()) std::cout << " (" << why << ")";
    std::cout << "\n";
    std::cout.flush();
  }

  compiler::Compiler& compiled_;
  DebugCable& cable_;
  debugger::Debugger dbg_;
  debugger::DebugDriver driver_{dbg_, *this};
  TerminalUi ui_;
  bool korean_;
  long wait_ms_;
  bool stopped_ = false;  // the debug window is open
  bool link_failed_ = false;
  std::string file_;
  std::string source_;
  std::vector<int> breaks_;  // --break
};

int Debug(const DebugOptions& o) {
  const auto* device = FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  const auto args =
      ParseCableArgs(o.cable, o.fault, o.port, !o.fault.empty(), "--virtual-fault needs a virtual cable");
  if (!args) return kExitUsage;

  auto compiled = std::make_unique<compiler::Compiler>();
  compiler::Compiler& c = *compiled;
  compiler::ApplyDeviceCode(c.Device, *device);
  c.UseKorean = o.lang == "ko";
  const core::FileRead source = core::ReadFile(o.file, core::FileKind::kSource);
  if (!source.ok()) {
    std::cerr << "vnstudio-cli: cannot read " << Printable(source.error.Message()) << "\n";
    return kExitUsage;
  }
  c.SourcePath = o.file;
  if (debugger::CompileWithCopy(c, source.bytes, o.breaks) != 0) {
    std::cerr << CompileErrorLine(o.file, c.Outcome.line, c.OutcomeText());
    // The compile copy beside the source that could not be written is a file error.
    return c.Outcome.open_error ? kExitUsage : kExitFailed;
  }

  ReportMovedBreakpoints(c, c.UseKorean);
  DebugCable cable(o, c.Device.DeviceKind, *args);
  cable.Open();
  cable.link().LinkIdle();
  Session session(c, cable, o, source.bytes);
  if (!session.Start()) {
    cable.Close();
    return kExitFailed;
  }
  cable.FlushTrace();
  const bool prompt = isatty(STDIN_FILENO) == 1;
  std::string line;
  for (;;) {
    if (prompt) {
      std::cout << "(vn) ";
      std::cout.flush();
    }
    if (!std::getline(std::cin, line)) break;
    const bool more = session.Execute(line);
    cable.FlushTrace();
    if (!more) break;
  }
  session.Finish();
  cable.Close();
  return session.link_failed() ? kExitFailed : kExitOk;
}

}  // namespace

void AddDebugCommand(CLI::App& app) {
  auto options = std::make_shared<DebugOptions>();
  auto* debug = app.add_subcommand(
      "debug",
      "compile, download and debug a program; commands come from standard input, one a line: " + std::string(kHelp));
  AddCableOptions(*debug, *options);
  WholeNumberIn<long>(debug
                          ->add_option("--wait", options->wait_ms,
                                       "how long continue and the steps wait for a stop report, in ms")
                          ->capture_default_str(),
                      0, kMaxWaitMs);
  WholeNumberIn<int>(debug->add_option("--break", options->breaks,
                                       "stop at the first statement of this source line (repeatable)"),
                     1, std::numeric_limits<int>::max());
  debug->add_option("FILE.bas", options->file, "source file")->required();
  debug->callback([options] {
    const int status = Debug(*options);
    std::cout.flush();
    std::cerr.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
