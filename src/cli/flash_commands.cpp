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

#include "compiler/compiler.h"
#include "link/download.h"
#include "link/flash.h"
#include "link/link.h"
#include "link/link_setup.h"
#include "link/object_file.h"
#include "platform/atomic_file.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/ftdi_usb.h"
#include "platform/parallel_port.h"
#include "platform/settings_store.h"
#include "sim/running_module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"
#include "sim/wire.h"

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

std::optional<int> ParsePort(std::string text) {
  int base = 10;
  if (text.size() > 2 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0 ||
                          (text[0] == '&' && (text[1] == 'H' || text[1] == 'h')))) {
    text = text.substr(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, base);
  if (end == nullptr || *end != '\0' || v < 0 || v > 0xFFFD) return std::nullopt;
  return static_cast<int>(v);
}

class NoInterruptControl final : public platform::InterruptControl {
 public:
  void Disable() override {}
  void Enable() override {}
};

// The link to a real cable or to the virtual module, and everything it drives.
class Cable {
 public:
  Cable(const FlashOptions& o, int kind, std::optional<sim::FaultSetting> fault, std::optional<int> port)
      : virtual_(o.cable.rfind("virtual", 0) == 0), flash_file_(o.flash_file) {
    using FK = sim::FaultSetting::Kind;
    sim::ModuleConfig config;
    config.kind = fault && fault->kind == FK::kOtherFamily ? 3 - kind : kind;
    module_ = std::make_unique<sim::RunningModule>(config, vclock_);
    if (virtual_ && !flash_file_.empty()) LoadFlash();
    const int base = port.value_or(link::kDefaultIoadr);
    vport_ = std::make_unique<sim::VirtualParallelPort>(
        *module_, vclock_,
        o.cable == "virtual-dummy" ? sim::VirtualParallelPort::Cable::kDummy : sim::VirtualParallelPort::Cable::kRevB,
        base);
    vusb_ = std::make_unique<sim::VirtualUsbCable>(*module_, vclock_);
    if (fault) {
      for (sim::ModuleWire* wire : {static_cast<sim::ModuleWire*>(vport_.get()), static_cast<sim::ModuleWire*>(vusb_.get())}) {
        if (fault->kind == FK::kUnplugged) wire->faults().unplugged = true;
        if (fault->kind == FK::kNoPower) wire->faults().no_power = true;
        if (fault->kind == FK::kCut) wire->faults().cut_after = fault->value;
      }
      if (fault->kind == FK::kBadFlash) module_->bad_flash_addr = fault->value;
    }
    // libftdi starts libusb when it is created: only for the real cable.
    if (!virtual_) ftdi_ = std::make_unique<platform::FtdiUsb>(steady_);
    const link::LinkDevices devices = virtual_ ? link::LinkDevices{*vport_, *vusb_, no_interrupts_, vclock_}
                                               : link::LinkDevices{system_port_, *ftdi_, realtime_, steady_};
    link_ = std::make_unique<link::Link>(devices);
    link::Link& l = *link_;
    l.OsPlatform = platform::QueryOsPlatform();
    platform::IniFile ini(platform::SettingsDirectory() / platform::kSettingsFileName);
    link::LoadLinkSettings(l, ini);
    if (o.cable == "usb" || o.cable == "virtual") {
      l.UseUsb = -1;
    } else if (o.cable == "revb" || o.cable == "virtual-revb") {
      l.UseUsb = 0;
      l.CableMode = link::kCableRevB;
    } else if (o.cable == "dummy" || o.cable == "virtual-dummy") {
      l.UseUsb = 0;
      l.CableMode = 0;
    }
    if (virtual_) l.Ioadr = base;
    if (port) l.Ioadr = *port;
    l.DeviceKind = kind;
  }

  // Opens the cable; the start-up messages go to standard error.
  void Open() {
    for (const auto& m : link::OpenLink(*link_)) std::cerr << m.text << "\n";
  }
  // Closes the cable and keeps the virtual module's flash where it was asked to.
  void Close() {
    link::LinkShutdown(*link_);
    if (virtual_ && !flash_file_.empty()) SaveFlash();
  }

  link::Link& link() { return *link_; }

 private:
  void LoadFlash() {
    std::ifstream in(flash_file_, std::ios::binary);
    if (!in) return;  // a blank module the first time
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (size_t a = 0; a < bytes.size() && a < static_cast<size_t>(sim::Module::kFlashSize); ++a)
      module_->ProgramFlash(static_cast<long>(a), static_cast<std::uint8_t>(bytes[a]));
  }
  void SaveFlash() {
    std::string bytes;
    for (long a = 0; a < sim::Module::kFlashSize; ++a) bytes.push_back(static_cast<char>(module_->FlashByte(a)));
    if (!platform::ReplaceFile(flash_file_, bytes)) std::cerr << "vnstudio-cli: cannot write " << flash_file_ << "\n";
  }

  bool virtual_;
  std::string flash_file_;
  platform::SteadyClock steady_;
  platform::VirtualClock vclock_;
  platform::SystemParallelPort system_port_;
  platform::RealtimeInterruptControl realtime_;
  NoInterruptControl no_interrupts_;
  std::unique_ptr<platform::FtdiUsb> ftdi_;
  std::unique_ptr<sim::RunningModule> module_;
  std::unique_ptr<sim::VirtualParallelPort> vport_;
  std::unique_ptr<sim::VirtualUsbCable> vusb_;
  std::unique_ptr<link::Link> link_;
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
  const auto* device = compiler::FindDeviceCode(o.device);
  if (device == nullptr) {
    std::cerr << "vnstudio-cli: unknown device '" << o.device << "' (KD KF LF LG ND NG WD WF ZQ1 ZQ2)\n";
    return kExitUsage;
  }
  const bool is_virtual = o.cable.rfind("virtual", 0) == 0;
  std::optional<sim::FaultSetting> fault;
  if (!o.fault.empty()) {
    fault = sim::ParseFault(o.fault);
    if (!fault) {
      std::cerr << "vnstudio-cli: unknown fault '" << o.fault
                << "' (unplugged no-power other-family bad-flash:ADDR cut:N)\n";
      return kExitUsage;
    }
  }
  if ((fault || !o.flash_file.empty()) && !is_virtual) {
    std::cerr << "vnstudio-cli: --virtual-fault and --virtual-flash need a virtual cable\n";
    return kExitUsage;
  }
  std::optional<int> port;
  if (!o.port.empty()) {
    port = ParsePort(o.port);
    if (!port) {
      std::cerr << "vnstudio-cli: bad port address '" << o.port << "'\n";
      return kExitUsage;
    }
  }

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

  Cable cable(o, kind, fault, port);
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
