#include "cli/run_command.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_cable.h"
#include "cli/cli_options.h"
#include "cli/run_inputs.h"
#include "cli/serial_run.h"
#include "cli/terminal_text.h"
#include "compiler/compiler.h"
#include "isa/isa.h"
#include "link/object_file.h"
#include "core/file_io.h"
#include "serial/virtual_serial_line.h"
#include "sim/interpreter.h"
#include "sim/board.h"

namespace vn::cli {

namespace {

constexpr int kExitEnded = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFault = 3;
constexpr int kExitLimit = 4;

constexpr long kLastCodeAddr = 64000;

struct RunOptions {
  std::string file;
  std::string device = "KF";
  std::uint64_t max_steps = 10'000'000;
  bool max_steps_given = false;
  std::optional<std::uint64_t> max_time_ms;
  std::vector<std::string> inputs;
  bool trace = false;
  std::string lang = "en";
  bool serial_pty = false;
};

bool EndsWith(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    const char a = s[s.size() - tail.size() + i];
    const char b = tail[i];
    if (std::tolower(static_cast<unsigned char>(a)) != b) return false;
  }
  return true;
}

// Printable text for bytes: ASCII as it is, the rest escaped.
std::string Escape(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\\') out += "\\\\";
    else if (c == '"') out += "\\\"";
    else if (c >= 32 && c < 127) out.push_back(static_cast<char>(c));
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", v);
  return buf;
}

std::string EventText(const sim::IoEvent& e, const sim::Board& io) {
  using K = sim::IoEventKind;
  std::ostringstream s;
  switch (e.kind) {
    case K::kPortLevel: s << "port " << e.port << " = " << e.value; break;
    case K::kPortInput: s << "port " << e.port << " input"; break;
    case K::kBlockOut: s << "byteout block " << e.port << " = " << Hex(static_cast<std::uint32_t>(e.value)); break;
    case K::kPwm: s << "pwm port " << e.port << " duty " << e.value << " (" << e.extra << ")"; break;
    case K::kPwmOff: s << "pwmoff port " << e.port; break;
    case K::kPulse: s << "pulse port " << e.port << " x" << e.value; break;
    case K::kPulseOut: s << "pulseout port " << e.port << " width " << e.value; break;
    case K::kFreqOut: s << "freqout port " << e.port << " " << e.value; break;
    case K::kStepOut: s << "stepout port " << e.port << " width " << e.value << " length " << e.extra; break;
    case K::kShiftOut:
      s << "shiftout clock " << e.port << " data " << e.extra << " value " << Hex(static_cast<std::uint32_t>(e.value)) << " "
        << e.text;
      break;
    case K::kDacOut: s << "dacout port " << e.port << " " << e.value << " " << e.extra; break;
    case K::kNote: {
      s << "note port " << e.port << " code " << e.value << " length " << e.extra;
      if (!io.sound().notes().empty()) {
        const auto& n = io.sound().notes().back();
        char buf[64];
        std::snprintf(buf, sizeof buf, " (%.0f Hz, %.0f ms)", n.frequency_hz, static_cast<double>(n.duration_us) / 1000.0);
        s << buf;
      }
      break;
    }
    case K::kDisplayText: s << "display row " << e.port << " col " << e.value << " \"" << Escape(e.text) << "\""; break;
    case K::kDisplayClear: s << "display cleared"; break;
    case K::kDisplayCursor: s << "cursor " << (e.value != 0 ? "on" : "off"); break;
    case K::kSerialOut:
      if (e.port < 0) s << "serial rs232 \"" << Escape(e.text) << "\"";
      else s << "serial port " << e.port << " \"" << Escape(e.text) << "\"";
      break;
    case K::kBusOut: s << "bus \"" << Escape(e.text) << "\""; break;
    case K::kEepromWrite: s << "eeprom " << e.port << " = " << e.value; break;
    case K::kSetting: s << "set " << e.text << " " << e.value; break;
  }
  return s.str();
}

std::string TimeText(std::uint64_t us) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%10.3f ms", static_cast<double>(us) / 1000.0);
  return buf;
}

struct Program {
  std::unique_ptr<compiler::Compiler> compiler;  // null for an object file
  std::vector<std::uint8_t> code;
  sim::Series series = sim::Series::kVn;
};

// Reads and, for a source file, compiles. Returns the exit status on failure.
std::optional<int> LoadProgram(const RunOptions& o, Program& p) {
  const auto* device = FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  if (EndsWith(o.file, ".obj")) {
    link::ObjectFileRead obj = link::LoadObjectFile(o.file);
    if (obj.problem == link::ObjectFileProblem::kUnreadable) {
      std::cerr << "vnstudio-cli: cannot read " << Printable(obj.error.Message()) << "\n";
      return kExitUsage;
    }
    if (obj.problem == link::ObjectFileProblem::kSignature) {
      std::cerr << "vnstudio-cli: " << Printable(o.file) << " is not an object file (no VN2000 signature)\n";
      return kExitUsage;
    }
    // The interpreter runs programs that end by the last code address.
    if (obj.problem != link::ObjectFileProblem::kNone || obj.code_addr > kLastCodeAddr) {
      std::cerr << "vnstudio-cli: " << Printable(o.file) << " is cut short or too large (code length " << obj.code_addr << ")\n";
      return kExitUsage;
    }
    p.code = std::move(obj.code);
    p.series = device->kind == 1 ? sim::Series::kVn : sim::Series::kVnm;
    return std::nullopt;
  }
  const core::FileRead source = core::ReadFile(o.file, core::FileKind::kSource);
  if (!source.ok()) {
    std::cerr << "vnstudio-cli: cannot read " << Printable(source.error.Message()) << "\n";
    return kExitUsage;
  }
  p.compiler = std::make_unique<compiler::Compiler>();
  compiler::Compiler& c = *p.compiler;
  compiler::ApplyDeviceCode(c.Device, *device);
  c.UseKorean = o.lang == "ko";
  c.SourcePath = o.file;
  if (c.CompileSource(source.bytes) != 0) {
    std::cerr << CompileErrorLine(o.file, c.Outcome.line, c.OutcomeText());
    return kExitCompileError;
  }
  for (long a = 0; a < c.CodeAddr; ++a) p.code.push_back(c.Code.Get(a));
  p.series = c.Device.DeviceKind == 1 ? sim::Series::kVn : sim::Series::kVnm;
  return std::nullopt;
}

int Run(const RunOptions& o) {
  Program p;
  if (const auto status = LoadProgram(o, p)) return *status;
  auto line_of = [&p](std::uint32_t pc) -> std::string {
    if (!p.compiler) return "";
    return " (line " + std::to_string(p.compiler->Code.LineOf(static_cast<long>(pc))) + ")";
  };

  sim::Interpreter vm(p.series, p.code);
  sim::Board& io = vm.io();
  for (const auto& text : o.inputs) {
    InputRead read = ReadInput(text);
    const std::string named = "vnstudio-cli: --input '" + Printable(text) + "': ";
    if (!read.error.empty()) {
      std::cerr << named << Printable(read.error) << "\n";
      return kExitUsage;
    }
    if (!read.item.at_ms) {
      if (!read.item.apply(io)) {
        std::cerr << named << "more than the " << sim::Serial::kMaxInput << " bytes the serial input holds\n";
        return kExitUsage;
      }
      continue;
    }
    // Later, the program may not have taken the bytes before: the input then says so and is lost.
    io.Schedule(*read.item.at_ms * 1000, [apply = std::move(read.item.apply), named](sim::Board& m) {
      if (!apply(m)) std::cerr << named << "lost: the serial input already holds its " << sim::Serial::kMaxInput << " bytes\n";
    });
  }
  const std::uint64_t until = o.max_time_ms ? *o.max_time_ms * 1000 : sim::Interpreter::kNoLimit;
  bool displayed = false;
  io.SetListener([&io, &displayed, until](const sim::IoEvent& e) {
    // The notes of a PLAY cut by the time limit are logged when they start: those after the
    // limit have not sounded by the time the run stops.
    if (e.time_us > until) return;
    if (e.kind == sim::IoEventKind::kDisplayText || e.kind == sim::IoEventKind::kDisplayClear) displayed = true;
    std::cout << TimeText(e.time_us) << "  " << EventText(e, io) << "\n";
  });
  if (o.trace) {
    vm.SetTraceHook([&vm, &line_of](std::uint32_t pc) {
      const auto& code = vm.code();
      const std::uint8_t op = pc < code.size() ? code[pc] : 0;
      std::cout << TimeText(vm.now_us()) << "  trace " << Hex(pc) << line_of(pc) << " " << isa::OpcodeName(op) << "\n";
    });
  }

  // The line's path comes first, on a line of its own, so that a script can open it before the
  // program says anything on it.
  std::unique_ptr<serial::VirtualSerialLine> line;
  if (o.serial_pty) {
    std::string error;
    line = serial::VirtualSerialLine::Open(&error);
    if (!line) {
      std::cerr << "vnstudio-cli: cannot open a pseudo-terminal for the serial line: " << Printable(error) << "\n";
      return kExitUsage;
    }
    std::cout << "serial line: " << line->path() << std::endl;
  }
  std::cout << "running " << Printable(o.file) << " on the " << (p.series == sim::Series::kVn ? "VN" : "VNM")
            << " series (" << p.code.size() << " code bytes)\n";
  int by_signal = 0;
  sim::Stop s;
  if (line) {
    // Serial programs mostly run for ever: only a step limit asked for ends them by count.
    const WallClockEnd end = RunOnWallClock(vm, *line, o.max_steps_given ? o.max_steps : sim::Interpreter::kNoLimit, until,
                                            [] { std::cout.flush(); });
    s = end.stop;
    by_signal = end.signal;
  } else {
    s = vm.Run(o.max_steps, until);
  }

  const std::string why = by_signal == SIGINT ? "SIGINT" : by_signal == SIGTERM ? "SIGTERM" : sim::StopReasonName(s.reason);
  std::cout << "stopped: " << why << " at " << Hex(s.pc) << line_of(s.pc) << " after "
            << vm.total_steps() << " steps, " << TimeText(vm.now_us()).substr(TimeText(vm.now_us()).find_first_not_of(' '))
            << "\n";
  if (s.reason == sim::StopReason::kFault) std::cout << "fault: " << s.fault.message << line_of(s.fault.pc) << "\n";
  if (displayed) {
    const auto& d = io.display();
    std::cout << "display:\n";
    for (int r = 0; r < d.rows(); ++r) {
      std::string row = d.Line(r);
      row.resize(static_cast<size_t>(d.cols()), ' ');
      std::cout << "  |" << Escape(row) << "|\n";
    }
  }
  std::cout.flush();
  if (by_signal != 0) return kExitEnded;
  switch (s.reason) {
    case sim::StopReason::kEnd:
    case sim::StopReason::kBreakStatement: return kExitEnded;
    case sim::StopReason::kFault: return kExitFault;
    default: return kExitLimit;
  }
}

}  // namespace

void AddRunCommand(CLI::App& app) {
  auto options = std::make_shared<RunOptions>();
  auto* run = app.add_subcommand("run", "run a program in the virtual module");
  run->add_option("FILE", options->file, "source (.bas) or object (.obj) file")->required();
  run->add_option("--device", options->device, "device code: KD KF LF LG ND NG WD WF ZQ1 ZQ2 (an object file's device)")
      ->capture_default_str();
  WholeNumberIn<std::uint64_t>(
      run->add_option("--max-steps", options->max_steps, "stop after this many instructions")->capture_default_str(), 0,
      kMaxSteps);
  WholeNumberIn<std::uint64_t>(
      run->add_option("--max-time", options->max_time_ms,
                      "stop when the virtual clock reaches this many milliseconds (a wait is cut there)"),
      0, kMaxTimeMs);
  run->add_option("--input", options->inputs, InputHelp());
  run->add_flag("--trace", options->trace, "print every instruction before it runs");
  run->add_option("--lang", options->lang, "message language")->check(CLI::IsMember({"en", "ko"}))->capture_default_str();
  run->add_flag("--serial-pty", options->serial_pty,
                "give the module's serial line as a pseudo-terminal (its path is printed first) and run on the wall "
                "clock until the program ends, --max-time, --max-steps if given, or SIGINT/SIGTERM (exit status 0)");
  run->callback([options, run] {
    options->max_steps_given = run->count("--max-steps") > 0;
    const int status = Run(*options);
    std::cout.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
