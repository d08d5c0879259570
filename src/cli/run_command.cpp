#include "cli/run_command.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_cable.h"
#include "compiler/compiler.h"
#include "isa/isa.h"
#include "sim/interpreter.h"
#include "sim/machine_io.h"

namespace vn::cli {

namespace {

constexpr int kExitEnded = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFault = 3;
constexpr int kExitLimit = 4;

constexpr char kObjectSignature[] = "VN2000";
constexpr long kLastCodeAddr = 64000;

struct RunOptions {
  std::string file;
  std::string device = "KF";
  std::uint64_t max_steps = 10'000'000;
  std::optional<std::uint64_t> max_time_ms;
  std::vector<std::string> inputs;
  bool trace = false;
  std::string lang = "en";
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

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
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

// The bytes of an --input text: \r \n \t \\ \0 and \xHH are escapes.
std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case '0': out.push_back('\0'); break;
      case '\\': out.push_back('\\'); break;
      case 'x': {
        if (i + 2 >= text.size()) return std::nullopt;
        const std::string hex(text.substr(i + 1, 2));
        char* end = nullptr;
        const long v = std::strtol(hex.c_str(), &end, 16);
        if (hex.size() != 2 || end == nullptr || *end != '\0') return std::nullopt;
        out.push_back(static_cast<char>(v));
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return out;
}

std::optional<long> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return v;
}

// "N=V" as two numbers.
std::optional<std::pair<long, long>> Assignment(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return std::nullopt;
  const auto a = Number(text.substr(0, eq));
  const auto b = Number(text.substr(eq + 1));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

// One --input: [@MS:]serial:TEXT | port:N=L | adc:N=V | adkey:N=K | keypad:B=K | count:N=V |
// capture:P=V | shiftin:V | int:N, or bare TEXT for the serial input.
bool ApplyInput(sim::MachineIo& io, const std::string& item) {
  std::string rest = item;
  std::optional<std::uint64_t> at_ms;
  if (!rest.empty() && rest[0] == '@') {
    const size_t colon = rest.find(':');
    if (colon == std::string::npos) return false;
    const auto ms = Number(rest.substr(1, colon - 1));
    if (!ms || *ms < 0) return false;
    at_ms = static_cast<std::uint64_t>(*ms);
    rest = rest.substr(colon + 1);
  }
  std::function<void(sim::MachineIo&)> action;
  const size_t colon = rest.find(':');
  const std::string kind = colon == std::string::npos ? "" : rest.substr(0, colon);
  const std::string arg = colon == std::string::npos ? rest : rest.substr(colon + 1);
  if (kind == "serial" || kind.empty() || (kind != "port" && kind != "adc" && kind != "adkey" && kind != "keypad" &&
                                           kind != "count" && kind != "capture" && kind != "shiftin" && kind != "int")) {
    const auto bytes = Unescape(kind == "serial" ? arg : rest);
    if (!bytes) return false;
    action = [b = *bytes](sim::MachineIo& m) { m.PushSerialInput(b); };
  } else if (kind == "shiftin" || kind == "int") {
    const auto v = Number(arg);
    if (!v) return false;
    if (kind == "shiftin") action = [v = *v](sim::MachineIo& m) { m.SetShiftIn(v); };
    else action = [v = *v](sim::MachineIo& m) { m.TriggerInterrupt(static_cast<int>(v)); };
  } else {
    const auto nv = Assignment(arg);
    if (!nv) return false;
    const int n = static_cast<int>(nv->first);
    const long v = nv->second;
    if (kind == "port") action = [n, v](sim::MachineIo& m) { m.SetInput(n, static_cast<int>(v)); };
    else if (kind == "adc") action = [n, v](sim::MachineIo& m) { m.SetAdc(n, static_cast<int>(v)); };
    else if (kind == "adkey") action = [n, v](sim::MachineIo& m) { m.SetAdKey(n, static_cast<int>(v)); };
    else if (kind == "keypad") action = [n, v](sim::MachineIo& m) { m.SetKeypad(n, static_cast<int>(v)); };
    else if (kind == "count") action = [n, v](sim::MachineIo& m) { m.SetCounter(n, v); };
    else action = [n, v](sim::MachineIo& m) { m.SetCapture(n, v); };
  }
  if (at_ms) io.Schedule(*at_ms * 1000, std::move(action));
  else action(io);
  return true;
}

std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "&H%X", v);
  return buf;
}

std::string EventText(const sim::IoEvent& e, const sim::MachineIo& io) {
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
      if (!io.notes().empty()) {
        const auto& n = io.notes().back();
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
  std::string bytes;
  if (!ReadFile(o.file, bytes)) {
    std::cerr << "vnstudio-cli: cannot read " << o.file << "\n";
    return kExitUsage;
  }
  if (EndsWith(o.file, ".obj")) {
    const size_t sig = sizeof kObjectSignature - 1;
    if (bytes.size() < sig + 2 || bytes.compare(0, sig, kObjectSignature) != 0) {
      std::cerr << "vnstudio-cli: " << o.file << " is not an object file (no VN2000 signature)\n";
      return kExitUsage;
    }
    const long n = static_cast<unsigned char>(bytes[sig]) | static_cast<unsigned char>(bytes[sig + 1]) << 8;
    if (n > kLastCodeAddr || bytes.size() < sig + 2 + static_cast<size_t>(n) + 1) {
      std::cerr << "vnstudio-cli: " << o.file << " is cut short or too large (code length " << n << ")\n";
      return kExitUsage;
    }
    p.code.assign(bytes.begin() + static_cast<std::ptrdiff_t>(sig + 2),
                  bytes.begin() + static_cast<std::ptrdiff_t>(sig + 2 + static_cast<size_t>(n) + 1));
    p.series = device->kind == 1 ? sim::Series::kVn : sim::Series::kVnm;
    return std::nullopt;
  }
  p.compiler = std::make_unique<compiler::Compiler>();
  compiler::Compiler& c = *p.compiler;
  compiler::ApplyDeviceCode(c.Device, *device);
  c.UseKorean = o.lang == "ko" ? -1 : 0;
  c.SourcePath = o.file;
  if (c.CompileSource(bytes) != 0) {
    std::cerr << o.file << ":";
    if (c.Outcome.line > 0) std::cerr << c.Outcome.line << ":";
    std::cerr << " error: " << c.OutcomeText() << "\n";
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
  sim::MachineIo& io = vm.io();
  for (const auto& item : o.inputs) {
    if (!ApplyInput(io, item)) {
      std::cerr << "vnstudio-cli: bad --input '" << item << "'\n";
      return kExitUsage;
    }
  }
  bool displayed = false;
  io.SetListener([&io, &displayed](const sim::IoEvent& e) {
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

  std::cout << "running " << o.file << " on the " << (p.series == sim::Series::kVn ? "VN" : "VNM")
            << " series (" << p.code.size() << " code bytes)\n";
  const std::uint64_t until = o.max_time_ms ? *o.max_time_ms * 1000 : sim::Interpreter::kNoLimit;
  const sim::Stop s = vm.Run(o.max_steps, until);

  std::cout << "stopped: " << sim::StopReasonName(s.reason) << " at " << Hex(s.pc) << line_of(s.pc) << " after "
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
  run->add_option("--max-steps", options->max_steps, "stop after this many instructions")->capture_default_str();
  run->add_option("--max-time", options->max_time_ms, "stop when the virtual clock reaches this many milliseconds");
  run->add_option("--input", options->inputs,
                  "[@MS:]TEXT | serial:TEXT | port:N=L | adc:N=V | adkey:N=K | keypad:B=K | count:N=V | "
                  "capture:P=V | shiftin:V | int:N (\\r \\n \\t \\0 \\xHH in TEXT; @MS applies it at that virtual time)");
  run->add_flag("--trace", options->trace, "print every instruction before it runs");
  run->add_option("--lang", options->lang, "message language")->check(CLI::IsMember({"en", "ko"}))->capture_default_str();
  run->callback([options] {
    const int status = Run(*options);
    std::cout.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
