#include "cli/cli_cable.h"

#include <cstdlib>
#include <iostream>
#include <vector>

#include "cables/cable_table.h"
#include "cli/terminal_text.h"
#include "link/link_setup.h"
#include "platform/bit_timing.h"
#include "core/settings_store.h"

namespace vn::cli {
namespace {

std::vector<std::string> CableNameList() {
  std::vector<std::string> names;
  for (const cables::CableRow& row : cables::CableTable()) names.emplace_back(row.name);
  return names;
}

}  // namespace

void AddCableOptions(CLI::App& command, CableOptions& options) {
  command
      .add_option("--cable", options.cable,
                  "usb, revb, dummy, or the virtual module by virtual (USB), virtual-revb, virtual-dummy "
                  "(default: the settings file)")
      ->check(CLI::IsMember(CableNameList()));
  command.add_option("--port", options.port, "parallel port address (888, 0x378, &H378)");
  command.add_option("--device", options.device, "device code: KD KF LF LG ND NG WD WF ZQ1 ZQ2")->capture_default_str();
  command.add_option("--virtual-fault", options.fault,
                     "with a virtual cable: unplugged, no-power, other-family, bad-flash:ADDR, cut:N");
  command.add_option("--lang", options.lang, "message language")
      ->check(CLI::IsMember({"en", "ko"}))
      ->capture_default_str();
  command.add_flag("--trace-wire", options.trace_wire,
                   "print every byte exchanged with the module on standard error: '>' sent, '<' received, and "
                   "for USB 'usb>' / 'usb<' the half-byte pairs on the cable");
}

const compiler::DeviceCodeInfo* FindDeviceOrSay(const std::string& code) {
  const auto* device = compiler::FindDeviceCode(code);
  if (device == nullptr)
    std::cerr << "vnstudio-cli: unknown device '" << Printable(code) << "' (KD KF LF LG ND NG WD WF ZQ1 ZQ2)\n";
  return device;
}

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

bool IsVirtualCable(const std::string& cable) {
  const cables::CableRow* row = cables::FindCable(cable);
  return row != nullptr && row->is_virtual;
}

std::optional<CableArgs> ParseCableArgs(const std::string& cable, const std::string& fault_text,
                                        const std::string& port_text, bool virtual_only,
                                        const char* virtual_only_message) {
  CableArgs args;
  if (!fault_text.empty()) {
    args.fault = sim::ParseFault(fault_text);
    if (!args.fault) {
      std::cerr << "vnstudio-cli: unknown fault '" << Printable(fault_text)
                << "' (unplugged no-power other-family bad-flash:ADDR cut:N)\n";
      return std::nullopt;
    }
  }
  if (virtual_only && !IsVirtualCable(cable)) {
    std::cerr << "vnstudio-cli: " << virtual_only_message << "\n";
    return std::nullopt;
  }
  if (!port_text.empty()) {
    args.port = ParsePort(port_text);
    if (!args.port) {
      std::cerr << "vnstudio-cli: bad port address '" << Printable(port_text) << "'\n";
      return std::nullopt;
    }
  }
  return args;
}

CliCable::CliCable(const std::string& cable, int kind, const CableArgs& args,
                   const std::function<void(sim::RunningModule&)>& prepare)
    : virtual_(IsVirtualCable(cable)) {
  using FK = sim::FaultSetting::Kind;
  const auto& fault = args.fault;
  cables::CableRequest request;
  request.series = core::SeriesOfKind(kind);
  if (fault && fault->kind == FK::kOtherFamily) request.module_kind = 3 - kind;
  request.port = args.port;
  request.prepare = prepare;
  // No --cable: the real devices, with the cable the settings file names.
  cable_ = cable.empty() ? std::make_unique<cables::AssembledCable>(cables::CableTable()[0], request)
                         : cables::MakeCable(cable, request);
  if (cables::VirtualWires* wires = cable_->wires(); wires != nullptr && fault) {
    for (sim::ModuleWire* wire : {static_cast<sim::ModuleWire*>(&wires->port), static_cast<sim::ModuleWire*>(&wires->usb)}) {
      if (fault->kind == FK::kUnplugged) wire->faults().unplugged = true;
      if (fault->kind == FK::kNoPower) wire->faults().no_power = true;
      if (fault->kind == FK::kCut) wire->faults().cut_after = fault->value;
    }
  }
  if (cable_->module() == nullptr) {
    // Nothing is behind a real cable; what looks at the module finds an empty one.
    idle_module_ = std::make_unique<sim::RunningModule>(sim::ModuleConfig{}, cable_->virtual_clock());
  } else if (fault && fault->kind == FK::kBadFlash) {
    cable_->module()->bad_flash_addr = fault->value;
  }
  link::Link& l = cable_->link();
  l.OsPlatform = platform::QueryOsPlatform();
  core::IniFile ini(core::SettingsDirectory() / core::kSettingsFileName);
  // A settings file that is there but cannot be read (a folder, a device, far too large) reads
  // as an empty one, as in the IDE; the user is told, since the cable is set up without it.
  if (const core::FileError e = ini.ReadError(); !e.ok())
    std::cerr << "vnstudio-cli: cannot read " << Printable(e.Message()) << " (the defaults are used)\n";
  link::LoadLinkSettings(l, ini);
  // The command line's cable and port in place of the settings file's.
  if (!cable.empty()) cable_->Select();
  else if (args.port) l.Ioadr = *args.port;
  l.UseSeries(core::SeriesOfKind(kind));
}

CliCable::~CliCable() {
  // The cable goes first: its link refers to the trace.
  cable_.reset();
  trace_.reset();
}

void CliCable::Open() {
  for (const auto& m : link::OpenLink(cable_->link())) std::cerr << Printable(core::MessageTextOf(m, core::Language::kEnglish)) << "\n";
}

void CliCable::Shutdown() {
  link::LinkShutdown(cable_->link());
  FlushTrace();
}

void CliCable::TraceWire() {
  trace_ = std::make_unique<link::WireTraceWriter>(std::cerr);
  cable_->link().SetWireObserver(trace_.get());
}

void CliCable::FlushTrace() {
  if (trace_) trace_->Flush();
}

sim::RunningModule& CliCable::module() { return cable_->module() != nullptr ? *cable_->module() : *idle_module_; }
const sim::RunningModule& CliCable::module() const {
  return cable_->module() != nullptr ? *cable_->module() : *idle_module_;
}
platform::Clock& CliCable::clock() { return cable_->clock(); }

}  // namespace vn::cli
