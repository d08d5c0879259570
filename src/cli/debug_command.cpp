#include "cli/debug_command.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <iterator>
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
};

// The download's status panel and message boxes in the terminal.
class TerminalUi final : public link::DownloadProgress {
 public:
  explicit TerminalUi(bool korean) : korean_(korean) {}
  void SetStatus(const std::string& text) override {
    if (!text.empty()) status_ = text;
  }
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Msg& text, const std::string&, int) override {
    std::cerr << Printable(korean_ ? text.ko : text.en) << "\n";
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
    "commands: break, step, over, out, reset, vars, set NAME VALUE, where, continue, erase, quit";

// One debugging session: the IDE's timers played by waiting on the cable's clock.
class Session {
 public:
  Session(compiler::Compiler& c, DebugCable& cable, const DebugOptions& o)
      : c_(c), cable_(cable), dbg_(c, cable.link()), ui_(o.lang == "ko"), korean_(o.lang == "ko"), wait_ms_(o.wait_ms) {}

  // Run: the download, then watching as the main window does.
  bool Start() {
    if (link::RunDownload(cable_.link(), c_.Code, c_.CodeAddr, c_.Device.DeviceKind, ui_) != 0) return false;
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
        PrintStop();
        return true;
      }
      Apply(dbg_.Break());
      Poll();
    } else if (cmd == "step" || cmd == "over" || cmd == "out" || cmd == "reset") {
      Step(cmd);
    } else if (cmd == "continue") {
      if (stopped_) Leave(false);
      if (!stopped_) Watch();
    } else if (cmd == "erase") {
      if (!stopped_) {
        std::cout << "erase leaves the debugger: type break first\n";
        return true;
      }
      Leave(true);
    } else if (cmd == "where") {
      if (stopped_ && !Waiting())
        PrintStop();
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

  void Show(const std::vector<debugger::DebugMessage>& messages) {
    for (const auto& m : messages) {
      if (m == debugger::LinkFailure()) link_failed_ = true;
      std::cerr << Printable(m.In(korean_)) << "\n";
    }
    std::cerr.flush();
  }

  // Does what the IDE would do with a Display; true when it showed a stop.
  bool Apply(const debugger::Display& d) {
    Show(d.messages);
    if (d.open_debug_window) {
      stopped_ = true;
      Show(dbg_.Load().messages);
      Show(dbg_.Activate().messages);
    }
    if (d.close_debug_window) {
      Show(dbg_.Close(ui_).messages);
      stopped_ = false;
    }
    if (d.stopped && !Waiting()) {
      PrintStop();
      return true;
    }
    return false;
  }

  // tmrBreak until the module reports a stop, for at most the waiting time. A virtual program
  // that has ended, faulted or waits for serial input (which the terminal cannot send) will
  // report no stop however long it is given: the watch ends there instead of moving the clock
  // on to the end of the waiting time.
  void Watch() {
    for (long t = 0; t < wait_ms_; t += kBreakTickMs) {
      cable_.Wait(kBreakTickMs);
      const debugger::Display d = dbg_.BreakTimerTick();
      Apply(d);
      if (d.open_debug_window) return;
      if (!cable_.Halted().empty()) break;
    }
    PrintRunning();
  }

  // The debug window's polling timer until the stop report, for at most the waiting time.
  void Poll() {
    for (long t = 0; Waiting() && t < wait_ms_; t += kPollTickMs) {
      cable_.Wait(kPollTickMs);
      Apply(dbg_.ReturnStatusUsbEnabled ? dbg_.ReturnStatusUsbTick() : dbg_.ReturnStatusTick());
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
    debugger::Display d = cmd == "step"   ? dbg_.StepInto()
                          : cmd == "over" ? dbg_.StepOver()
                          : cmd == "out"  ? dbg_.StepOut()
                                          : dbg_.Reset();
    Apply(d);
    Poll();
  }

  void Leave(bool erase) {
    Apply(erase ? dbg_.EraseFlash() : dbg_.Exit());
    if (erase) std::cout << "the program is erased; the module runs the empty program\n";
  }

  void Vars() {
    if (!stopped_) {
      if (!dbg_.VnmCommandsEnabled()) {
        std::cout << "the program is running: type break first\n";
        return;
      }
      Show(dbg_.CheckVariable().messages);
    }
    const int count = dbg_.listing().line_count_plus1 - 1;
    const debugger::Rows rows = dbg_.VariableLines(1, count);
    Show(rows.error);
    for (const auto& l : rows.lines) std::cout << Printable(l) << "\n";
    if (count == 0) std::cout << "(no variables)\n";
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
    const debugger::Display d = dbg_.ModifyVariable(name, value);
    Show(d.messages);
    if (d.close_modify_dialog) std::cout << "ok\n";
  }

  void PrintStop() {
    const debugger::Rows row = dbg_.SourceLines(dbg_.CurSrcLine, 1);
    Show(row.error);
    const std::string text = row.lines.empty() ? "" : row.lines[0];
    std::cout << "line " << dbg_.CurSrcLine << ": " << Printable(text) << "\n"
              << dbg_.StatusPc() << "  " << dbg_.StatusObjectCode() << "\n";
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

  compiler::Compiler& c_;
  DebugCable& cable_;
  debugger::Debugger dbg_;
  TerminalUi ui_;
  bool korean_;
  long wait_ms_;
  bool stopped_ = false;  // the debug window is open
  bool link_failed_ = false;
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
  c.UseKorean = o.lang == "ko" ? -1 : 0;
  const core::FileRead source = core::ReadFile(o.file, core::FileKind::kSource);
  if (!source.ok()) {
    std::cerr << "vnstudio-cli: cannot read " << Printable(source.error.Message()) << "\n";
    return kExitUsage;
  }
  c.SourcePath = o.file;
  if (debugger::CompileWithCopy(c, source.bytes) != 0) {
    std::cerr << CompileErrorLine(o.file, c.Outcome.line, c.OutcomeText());
    // The compile copy beside the source that could not be written is a file error.
    return c.Outcome.open_error ? kExitUsage : kExitFailed;
  }

  DebugCable cable(o, c.Device.DeviceKind, *args);
  cable.Open();
  cable.link().LinkIdle();
  Session session(c, cable, o);
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
  debug->add_option("FILE.bas", options->file, "source file")->required();
  debug->callback([options] {
    const int status = Debug(*options);
    std::cout.flush();
    std::cerr.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
