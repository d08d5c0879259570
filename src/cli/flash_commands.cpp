#include "cli/flash_commands.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_cable.h"
#include "compiler/compiler.h"
#include "link/download.h"
#include "link/flash.h"
#include "link/link.h"
#include "link/link_setup.h"
#include "link/object_file.h"
#include "platform/atomic_file.h"
#include "sim/running_module.h"

namespace vn::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

enum class Action { kDownload, kVerify, kReadFlash, kErase };

struct FlashOptions {
  std::string cable;  // empty: as the settings file says
  std::string port;
  std::string device = "KF";
  std::string fault;
  std::string flash_file;  // the virtual module's flash, kept between runs
  std::string lang = "en";
  std::string file;
  std::string output;  // read-flash: binary dump instead of the rows
};

// ---- The terminal as the IDE's status bar and message boxes -----------------------------------

class TerminalProgress final : public link::DownloadProgress {
 public:
  explicit TerminalProgress(bool korean) : korean_(korean), tty_(isatty(STDERR_FILENO) == 1) {}
  ~TerminalProgress() override { ClearBar(); }

  void SetStatus(const std::string& text) override {
    status_ = text;
    Draw();
  }
  void SetProgress(long value, long max) override {
    const int percent = max > 0 ? static_cast<int>(std::clamp(value, 0L, max) * 100 / max) : 0;
    if (percent == percent_) return;  // the terminal is redrawn only when the bar moves
    percent_ = percent;
    Draw();
  }
  void ShowMessage(const compiler::Msg& text, const std::string& title, int /*style*/) override {
    ClearBar();
    // The success notes ("Verify OK !") are the command's output; the rest are errors.
    std::ostream& out = title == link::kTitleMessage ? std::cout : std::cerr;
    out << (korean_ ? text.ko : text.en) << "\n";
    out.flush();
  }
  const std::string& status() const { return status_; }
  // Takes the bar off the terminal's last line.
  void ClearBar() {
    if (!drawn_) return;
    std::cerr << "\r\033[K";
    std::cerr.flush();
    drawn_ = false;
  }

 private:
  void Draw() {
    if (!tty_) return;
    if (status_.empty()) {  // an empty panel: nothing is going on
      ClearBar();
      return;
    }
    constexpr int kWidth = 30;
    const int filled = percent_ * kWidth / 100;
    std::cerr << "\r" << status_ << " [" << std::string(static_cast<size_t>(filled), '#')
              << std::string(static_cast<size_t>(kWidth - filled), '.') << "] " << percent_ << "%\033[K";
    std::cerr.flush();
    drawn_ = true;
  }

  bool korean_;
  bool tty_;
  bool drawn_ = false;
  std::string status_;
  int percent_ = 0;
};

// ---- The cable -------------------------------------------------------------------------------

// The link, and the virtual module's flash kept in a file between runs where asked to.
class Cable {
 public:
  Cable(const FlashOptions& o, int kind, const CableArgs& args)
      : flash_file_(IsVirtualCable(o.cable) ? o.flash_file : std::string()),
        cable_(o.cable, kind, args, [this](sim::RunningModule& module) { LoadFlash(module); }) {}

  void Open() { cable_.Open(); }
  // Closes the cable and keeps the virtual module's flash where it was asked to.
  void Close() {
    cable_.Shutdown();
    if (!flash_file_.empty()) SaveFlash();
  }

  link::Link& link() { return cable_.link(); }

 private:
  void LoadFlash(sim::RunningModule& module) {
    if (flash_file_.empty()) return;
    std::ifstream in(flash_file_, std::ios::binary);
    if (!in) return;  // a blank module the first time
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (size_t a = 0; a < bytes.size() && a < static_cast<size_t>(sim::Module::kFlashSize); ++a)
      module.ProgramFlash(static_cast<long>(a), static_cast<std::uint8_t>(bytes[a]));
  }
  void SaveFlash() {
    std::string bytes;
    for (long a = 0; a < sim::Module::kFlashSize; ++a) bytes.push_back(static_cast<char>(cable_.module().FlashByte(a)));
    if (!platform::ReplaceFile(flash_file_, bytes)) std::cerr << "vnstudio-cli: cannot write " << flash_file_ << "\n";
  }

  std::string flash_file_;  // empty: nothing kept
  CliCable cable_;
};

// ---- The program -----------------------------------------------------------------------------

bool IsObjectFile(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".obj";
}

// Compiles FILE.bas or reads FILE.obj into `c`. The exit status, or nullopt when `c` holds
// the program (CompiledOK set).
std::optional<int> LoadProgram(compiler::Compiler& c, const FlashOptions& o, TerminalProgress& ui) {
  if (IsObjectFile(o.file)) {
    if (link::ReadObjectFile(o.file, c.Code, c.CodeAddr, ui) != 0) return kExitFailed;
    c.CompiledOK = -1;
    return std::nullopt;
  }
  std::ifstream in(o.file, std::ios::binary);
  if (!in) {
    std::cerr << "vnstudio-cli: cannot read " << o.file << "\n";
    return kExitUsage;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  c.SourcePath = o.file;
  if (c.CompileSource(bytes) != 0) {
    std::cerr << o.file << ":";
    if (c.Outcome.line > 0) std::cerr << c.Outcome.line << ":";
    std::cerr << " error: " << c.OutcomeText() << "\n";
    return kExitFailed;
  }
  return std::nullopt;
}

int Run(Action action, const FlashOptions& o) {
  const auto* device = FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  const auto args = ParseCableArgs(o.cable, o.fault, o.port, !o.fault.empty() || !o.flash_file.empty(),
                                   "--virtual-fault and --virtual-flash need a virtual cable");
  if (!args) return kExitUsage;

  const bool korean = o.lang == "ko";
  auto compiled = std::make_unique<compiler::Compiler>();
  compiler::Compiler& c = *compiled;
  compiler::ApplyDeviceCode(c.Device, *device);
  c.UseKorean = korean ? -1 : 0;
  TerminalProgress ui(korean);
  if (action != Action::kErase) {
    if (const auto status = LoadProgram(c, o, ui)) return *status;
  }
  // CONST DEVICE in the source has the last word on the series.
  const int kind = c.Device.DeviceKind;

  Cable cable(o, kind, *args);
  cable.Open();
  link::Link& lnk = cable.link();
  int result = -1;
  switch (action) {
    case Action::kDownload:
      lnk.LinkIdle();
      result = link::Download(lnk, c.Code, c.CodeAddr, kind, ui);
      break;
    case Action::kErase:
      result = link::ClearFlashMemory(lnk, c.Code, c.CodeAddr, kind, ui);
      break;
    case Action::kVerify: {
      link::FlashImage flash;
      result = link::VerifyCommand(lnk, -1, c.Code, c.CodeAddr, kind, flash, ui);
      break;
    }
    case Action::kReadFlash: {
      link::FlashImage flash;
      result = link::ReadFlashMemory(lnk, -1, c.CodeAddr, kind, flash, ui);
      if (result == 0) {
        if (o.output.empty()) {
          for (const auto& row : link::FlashRows(flash, c.CodeAddr)) std::cout << row << "\n";
        } else {
          std::string dump;
          for (long a = 0; a < c.CodeAddr; ++a) dump.push_back(static_cast<char>(flash.Get(a)));
          if (!platform::ReplaceFile(o.output, dump)) {
            std::cerr << "vnstudio-cli: cannot write " << o.output << "\n";
            result = -1;
          }
        }
      }
      break;
    }
  }
  cable.Close();
  ui.ClearBar();
  // The panel's last text ("Code Size : ... Byte") is what a download leaves to read.
  if (result == 0 && (action == Action::kDownload || action == Action::kErase)) std::cout << ui.status() << "\n";
  return result == 0 ? kExitOk : kExitFailed;
}

}  // namespace

void AddFlashCommands(CLI::App& app) {
  struct Command {
    const char* name;
    const char* help;
    Action action;
  };
  const Command commands[] = {
      {"download", "compile (or read the object file) and download the program into the module", Action::kDownload},
      {"verify", "compare the module's flash with the program (VNM series)", Action::kVerify},
      {"read-flash", "read the program's length of the module's flash back", Action::kReadFlash},
      {"erase", "replace the module's program by the smallest one (Clear Flash Memory)", Action::kErase},
  };
  for (const auto& cmd : commands) {
    auto options = std::make_shared<FlashOptions>();
    auto* sub = app.add_subcommand(cmd.name, cmd.help);
    sub->add_option("--cable", options->cable,
                    "usb, revb, dummy, or the virtual module by virtual (USB), virtual-revb, virtual-dummy "
                    "(default: the settings file)")
        ->check(CLI::IsMember({"usb", "revb", "dummy", "virtual", "virtual-revb", "virtual-dummy"}));
    sub->add_option("--port", options->port, "parallel port address (888, 0x378, &H378)");
    sub->add_option("--device", options->device, "device code: KD KF LF LG ND NG WD WF ZQ1 ZQ2")->capture_default_str();
    sub->add_option("--virtual-fault", options->fault,
                    "with a virtual cable: unplugged, no-power, other-family, bad-flash:ADDR, cut:N");
    sub->add_option("--virtual-flash", options->flash_file,
                    "with a virtual cable: file that keeps the virtual module's flash between runs");
    sub->add_option("--lang", options->lang, "message language")->check(CLI::IsMember({"en", "ko"}))->capture_default_str();
    if (cmd.action != Action::kErase) sub->add_option("FILE", options->file, "FILE.bas or FILE.obj")->required();
    if (cmd.action == Action::kReadFlash) sub->add_option("-o", options->output, "write the bytes read to this file");
    const Action action = cmd.action;
    sub->callback([options, action] {
      const int status = Run(action, *options);
      std::cout.flush();
      std::cerr.flush();
      std::exit(status);
    });
  }
}

}  // namespace vn::cli
