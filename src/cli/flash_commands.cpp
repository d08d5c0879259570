#include "cli/flash_commands.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_cable.h"
#include "cli/terminal_text.h"
#include "compiler/compiler.h"
#include "link/download.h"
#include "link/flash.h"
#include "link/link.h"
#include "link/link_setup.h"
#include "link/object_file.h"
#include "core/file_io.h"
#include "sim/running_module.h"

namespace vn::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

enum class Action { kDownload, kVerify, kReadFlash, kErase };

struct FlashOptions : CableOptions {
  std::string flash_file;  // the virtual module's flash, kept between runs
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
  void ShowMessage(const core::Message& message) override {
    ClearBar();
    // The success note ("Verify OK !") is the command's output; the rest are errors.
    std::ostream& out = message.code == core::MessageCode::kVerifyOk ? std::cout : std::cerr;
    out << Printable(core::MessageTextOf(message, core::LanguageOf(korean_))) << "\n";
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

// The virtual module's flash kept in a file between runs. The file is locked from before it is
// read to after it is saved, so that two commands downloading into one file follow one another
// and neither loses its program. Only what changed the flash (download, erase) saves it; a file
// that is not a flash image is refused rather than cut to one.
class KeptFlash {
 public:
  // Locks and reads the file ("" keeps nothing). False after saying why on standard error.
  bool Open(const std::string& path) {
    path_ = path;
    if (path_.empty()) return true;
    if (const core::FileError e = lock_.Lock(path_); !e.ok()) {
      std::cerr << "vnstudio-cli: cannot read " << Printable(e.Message()) << "\n";
      return false;
    }
    core::FileRead read = core::ReadFile(path_, core::FileKind::kFlashImage);
    if (!read.ok()) {
      if (read.error.problem == core::FileProblem::kSystem && read.error.os_error == ENOENT) return true;  // a blank module the first time
      if (read.error.problem == core::FileProblem::kTooLarge) return NotAnImage(read.error.size);
      std::cerr << "vnstudio-cli: cannot read " << Printable(read.error.Message()) << "\n";
      return false;
    }
    if (read.bytes.size() != static_cast<size_t>(sim::Module::kFlashSize)) return NotAnImage(read.bytes.size());
    bytes_ = std::move(read.bytes);
    return true;
  }

  // Puts the file's bytes into the module's flash and remembers what it then held.
  void Fill(sim::RunningModule& module) {
    if (path_.empty()) return;
    for (size_t a = 0; a < bytes_.size(); ++a) module.ProgramFlash(static_cast<long>(a), static_cast<std::uint8_t>(bytes_[a]));
    bytes_ = Image(module);
  }

  // Saves the flash when it changed. False after saying why on standard error.
  bool Save(const sim::RunningModule& module, const std::string& program_file) {
    if (path_.empty()) return true;
    const std::string now = Image(module);
    if (now == bytes_) return true;
    core::ReplaceOptions options;
    options.inputs = {program_file};
    if (const core::FileError e = core::ReplaceFile(path_, now, options); !e.ok()) {
      std::cerr << "vnstudio-cli: cannot write " << Printable(e.Message()) << "\n";
      return false;
    }
    bytes_ = now;
    return true;
  }

  const std::string& path() const { return path_; }

 private:
  bool NotAnImage(std::uint64_t size) const {
    std::cerr << "vnstudio-cli: " << Printable(path_) << ": Not a flash image (" << size << " bytes, not " << sim::Module::kFlashSize
              << ")\n";
    return false;
  }
  static std::string Image(const sim::RunningModule& module) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(sim::Module::kFlashSize));
    for (long a = 0; a < sim::Module::kFlashSize; ++a) bytes.push_back(static_cast<char>(module.FlashByte(a)));
    return bytes;
  }

  std::string path_;         // empty: nothing kept
  core::FileLock lock_;  // held while path_ is in use
  std::string bytes_;        // the flash as read, then as last saved
};

// The link, with the virtual module's flash filled from the kept file where asked to.
class Cable {
 public:
  Cable(const FlashOptions& o, int kind, const CableArgs& args, KeptFlash& kept)
      : cable_(o.cable, kind, args, [&kept](sim::RunningModule& module) { kept.Fill(module); }) {
    if (o.trace_wire) cable_.TraceWire();
  }

  void Open() { cable_.Open(); }
  void Close() { cable_.Shutdown(); }

  link::Link& link() { return cable_.link(); }
  const sim::RunningModule& module() const { return cable_.module(); }

 private:
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
    // Missing, unreadable or malformed: a file error, after the IDE's message.
    if (link::ReadObjectFile(o.file, c.Code, c.CodeAddr, ui) != 0) return kExitUsage;
    c.CompiledOK = true;
    return std::nullopt;
  }
  const core::FileRead source = core::ReadFile(o.file, core::FileKind::kSource);
  if (!source.ok()) {
    std::cerr << "vnstudio-cli: cannot read " << Printable(source.error.Message()) << "\n";
    return kExitUsage;
  }
  c.SourcePath = o.file;
  if (c.CompileSource(source.bytes) != 0) {
    std::cerr << CompileErrorLine(o.file, c.Outcome.line, c.OutcomeText());
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
  c.UseKorean = korean;
  TerminalProgress ui(korean);
  KeptFlash kept;
  if (!kept.Open(IsVirtualCable(o.cable) ? o.flash_file : std::string())) return kExitUsage;
  if (action != Action::kErase) {
    if (const auto status = LoadProgram(c, o, ui)) return *status;
  }
  // CONST DEVICE in the source has the last word on the series.
  const core::Series series = core::SeriesOfKind(c.Device.DeviceKind);

  Cable cable(o, c.Device.DeviceKind, *args, kept);
  cable.Open();
  link::Link& lnk = cable.link();
  int result = -1;
  bool write_failed = false;  // read-flash -o: a file error
  switch (action) {
    case Action::kDownload:
      lnk.LinkIdle();
      result = link::Download(lnk, c.Code, c.CodeAddr, series, ui);
      break;
    case Action::kErase:
      result = link::ClearFlashMemory(lnk, c.Code, c.CodeAddr, series, ui);
      break;
    case Action::kVerify: {
      link::FlashImage flash;
      result = link::VerifyCommand(lnk, true, c.Code, c.CodeAddr, series, flash, ui);
      break;
    }
    case Action::kReadFlash: {
      link::FlashImage flash;
      result = link::ReadFlashMemory(lnk, true, c.CodeAddr, series, flash, ui);
      if (result == 0) {
        if (o.output.empty()) {
          for (const auto& row : link::FlashRows(flash, c.CodeAddr)) std::cout << row << "\n";
        } else {
          std::string dump;
          for (long a = 0; a < c.CodeAddr; ++a) dump.push_back(static_cast<char>(flash.Get(a)));
          // Never onto the program file the length came from, nor the kept flash.
          core::ReplaceOptions options;
          options.inputs = {o.file, kept.path()};
          if (const core::FileError e = core::ReplaceFile(o.output, dump, options); !e.ok()) {
            std::cerr << "vnstudio-cli: cannot write " << Printable(e.Message()) << "\n";
            write_failed = true;
          }
        }
      }
      break;
    }
  }
  cable.Close();
  ui.ClearBar();
  // Verify and read-flash only read the module: its flash file stays as it was.
  const bool changes_flash = action == Action::kDownload || action == Action::kErase;
  const bool saved = !changes_flash || kept.Save(cable.module(), o.file);
  // The panel's last text ("Code Size : ... Byte") is what a download leaves to read.
  if (result == 0 && saved && changes_flash) std::cout << ui.status() << "\n";
  if (write_failed) return kExitUsage;
  return result == 0 && saved ? kExitOk : kExitFailed;
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
    AddCableOptions(*sub, *options);
    sub->add_option("--virtual-flash", options->flash_file,
                    "with a virtual cable: file that keeps the virtual module's flash between runs");
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
