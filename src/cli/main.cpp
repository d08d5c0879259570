// vnstudio-cli: the compiler (and later the link and the virtual module) for scripts and CI.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/cli_cable.h"
#include "cli/debug_command.h"
#include "cli/flash_commands.h"
#include "cli/link_commands.h"
#include "cli/monitor_command.h"
#include "cli/run_command.h"
#include "cli/terminal_text.h"
#include "compiler/compiler.h"
#include "link/object_file.h"
#include "platform/codepage.h"
#include "core/file_io.h"

namespace {

using vn::compiler::Compiler;

constexpr int kExitOk = 0;
constexpr int kExitCompileError = 1;
constexpr int kExitUsage = 2;

struct CompileOptions {
  std::string device = "KF";
  std::string lang = "en";
  bool json = false;
  std::string output;
  std::string file;
};

std::string LowerHex(const vn::core::CodeImage& code, long end) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(static_cast<size_t>(end) * 2);
  for (long a = 0; a < end; ++a) {
    out.push_back(digits[code.Get(a) >> 4]);
    out.push_back(digits[code.Get(a) & 15]);
  }
  return out;
}

nlohmann::ordered_json Report(const Compiler& c, vn::platform::CodePage& cp, bool ok) {
  auto utf8 = [&cp](const vn::core::AnsiText& t) { return cp.Cp949ToUtf8(vn::core::EncodeAnsi(t)); };
  nlohmann::ordered_json j;
  j["ok"] = ok;
  j["device"] = c.Device.DeviceSeries;
  j["device_kind"] = c.Device.DeviceKind;
  j["code_size"] = c.CodeAddr;
  const long end = c.CodeAddr < vn::core::CodeImage::kLastAddr + 1 ? c.CodeAddr : vn::core::CodeImage::kLastAddr + 1;
  j["code"] = LowerHex(c.Code, end);
  auto& labels = j["labels"] = nlohmann::ordered_json::array();
  for (const auto& l : c.Labels) labels.push_back({{"name", utf8(l.LabelName)}, {"addr", l.LabelAddr}});
  auto& vars = j["variables"] = nlohmann::ordered_json::array();
  for (const auto& v : c.Vars)
    vars.push_back({{"name", utf8(v.VarName)}, {"type", v.VarType}, {"addr", v.VarAddr}, {"dim", v.VarDim}});
  auto& consts = j["constants"] = nlohmann::ordered_json::array();
  for (const auto& k : c.Consts)
    consts.push_back({{"name", utf8(k.ConstName)}, {"text", utf8(k.ConstText)}, {"elem_size", k.ConstArrKind},
                      {"addr", k.ConstArrAddr}});
  j["var_bytes_used"] = c.VarBytesUsed;
  auto& map = j["line_map"] = nlohmann::ordered_json::array();
  for (long a = 0; a <= c.CodeAddr && a <= vn::core::CodeImage::kLastAddr; ++a)
    if (c.Code.LineOf(a) != 1) map.push_back({a, c.Code.LineOf(a)});
  if (!ok) {
    nlohmann::ordered_json err;
    err["line"] = c.Outcome.line > 0 ? nlohmann::ordered_json(c.Outcome.line) : nlohmann::ordered_json(nullptr);
    err["en"] = c.Outcome.message.en;
    err["ko"] = c.Outcome.message.ko;
    j["error"] = err;
  }
  return j;
}

// Compiles the file; prints the error line on failure. Returns the exit status.
int Compile(Compiler& c, const CompileOptions& o) {
  const auto* device = vn::cli::FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  vn::compiler::ApplyDeviceCode(c.Device, *device);
  c.UseKorean = o.lang == "ko";
  c.SourcePath = o.file;

  const vn::core::FileRead source = vn::core::ReadFile(o.file, vn::core::FileKind::kSource);
  if (!source.ok()) {
    std::cerr << "vnstudio-cli: cannot read " << vn::cli::Printable(source.error.Message()) << "\n";
    return kExitUsage;
  }
  const bool ok = c.CompileSource(source.bytes) == 0;
  if (!ok) {
    std::cerr << vn::cli::CompileErrorLine(o.file, c.Outcome.line, c.OutcomeText());
  }
  if (o.json) {
    vn::platform::CodePage cp;
    // A byte of a name that is no text is shown as U+FFFD rather than ending the program.
    std::cout << vn::cli::PrintableJson(Report(c, cp, ok).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))
              << "\n";
  }
  if (!ok) return kExitCompileError;
  if (o.output.empty()) return kExitOk;
  // "-o" naming the source (or a link to it) would put the object code in its place.
  vn::core::ReplaceOptions keep_source;
  keep_source.inputs = {o.file};
  if (const auto e = vn::link::WriteObjectFile(o.output, c.Code, c.CodeAddr, keep_source); !e.ok()) {
    std::cerr << "vnstudio-cli: cannot write " << vn::cli::Printable(e.Message()) << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

void PrintListing(const Compiler& c) {
  vn::platform::CodePage cp;
  std::cout << "Program Code (" << c.CodeAddr << " bytes, device " << c.Device.DeviceSeries << ")\n";
  for (const auto& row : vn::compiler::CodeRows(c.Code, c.CodeAddr)) std::cout << row << "\n";
  std::cout << "\nLabel\n";
  for (int i = 0; i < c.LabelCount(); ++i) {
    const auto& l = c.Labels[static_cast<size_t>(i)];
    std::cout << vn::core::Str(i) << "  : " << vn::cli::Printable(cp.Cp949ToUtf8(vn::core::EncodeAnsi(l.LabelName)))
              << " = " << vn::core::Hex(static_cast<unsigned long>(l.LabelAddr)) << "\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl-C or a kill in the middle of writing a file leaves no temporary file behind.
  vn::core::InstallTempFileCleanup();
  CLI::App app{"VARNOLIC Studio command-line tools"};
  app.footer(
      "Exit status: 0 success; 1 a compile error, or a link operation that failed (no module, a "
      "verify difference, ...); 2 a usage or file error. run: 3 a fault in the program, 4 stopped at "
      "a limit or waiting for input; run --serial-pty: 0 also when ended by SIGINT or SIGTERM. monitor: "
      "0 ended by SIGINT or SIGTERM, 1 the port cannot be opened, 3 the port was lost. See vnstudio-cli(1).");
  app.require_subcommand(1);

  CompileOptions opts;
  auto add_compile_options = [&opts](CLI::App* cmd) {
    cmd->add_option("--device", opts.device, "device code: KD KF LF LG ND NG WD WF ZQ1 ZQ2")->capture_default_str();
    cmd->add_option("--lang", opts.lang, "message language")->check(CLI::IsMember({"en", "ko"}))->capture_default_str();
    cmd->add_option("FILE.bas", opts.file, "source file")->required();
  };
  auto* compile = app.add_subcommand("compile", "compile a BASIC source file");
  add_compile_options(compile);
  compile->add_flag("--json", opts.json, "print the compile result as JSON");
  compile->add_option("-o", opts.output, "write the object file");

  auto* list = app.add_subcommand("list", "compile and print the object code and the label list");
  add_compile_options(list);

  vn::cli::AddLinkCommands(app);
  vn::cli::AddFlashCommands(app);
  vn::cli::AddRunCommand(app);
  vn::cli::AddDebugCommand(app);
  vn::cli::AddMonitorCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help prints the help and succeeds.
    if (e.get_exit_code() == 0) return app.exit(e) == 0 ? kExitOk : kExitUsage;
    // A refused command line is one line; it quotes what was typed, so it is made printable.
    std::cerr << "vnstudio-cli: " << vn::cli::Printable(e.what()) << " (see vnstudio-cli --help)\n";
    return kExitUsage;
  }

  Compiler compiler;
  if (*compile) return Compile(compiler, opts);
  const int status = Compile(compiler, opts);
  if (status == kExitOk) PrintListing(compiler);
  return status;
}
