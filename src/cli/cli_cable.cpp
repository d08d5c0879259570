#include "cli/cli_cable.h"

#include <cstdlib>
#include <iostream>

#include "cli/terminal_text.h"
#include "link/link_setup.h"
#include "platform/bit_timing.h"
#include "platform/ftdi_usb.h"
#include "platform/parallel_port.h"
#include "core/settings_store.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::cli {
namespace {

// Stands in for the interrupt calls where no real bit train runs.
class NoInterruptControl final : public platform::InterruptControl {
 public:
  void Disable() override {}
  void Enable() override {}
};

}  // namespace

void AddCableOptions(CLI::App& command, CableOptions& options) {
  command
      .add_option("--cable", options.cable,
                  "usb, revb, dummy, or the virtual module by virtual (USB), virtual-revb, virtual-dummy "
                  "(default: the settings file)")
      ->check(CLI::IsMember({"usb", "revb", "dummy", "virtual", "virtual-revb", "virtual-dummy"}));
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

bool IsVirtualCable(const std::string& cable) { return cable.rfind("virtual", 0) == 0; }

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

struct CliCable::Devices {
  platform::SteadyClock steady;
  platform::VirtualClock virtual_clock;
  platform::SystemParallelPort system_port;
  platform::RealtimeInterruptControl realtime;
  NoInterruptControl no_interrupts;
  std::unique_ptr<platform::FtdiUsb> ftdi;
  std::unique_ptr<sim::VirtualParallelPort> virtual_port;
  std::unique_ptr<sim::VirtualUsbCable> virtual_usb;
};

CliCable::CliCable(const std::string& cable, int kind, const CableArgs& args,
                   const std::function<void(sim::RunningModule&)>& prepare)
    : virtual_(IsVirtualCable(cable)), devices_(std::make_unique<Devices>()) {
  Devices& d = *devices_;
  using FK = sim::FaultSetting::Kind;
  const auto& fault = args.fault;
  sim::ModuleConfig config;
  config.kind = fault && fault->kind == FK::kOtherFamily ? 3 - kind : kind;
  module_ = std::make_unique<sim::RunningModule>(config, d.virtual_clock);
  if (prepare) prepare(*module_);
  const int base = args.port.value_or(link::kDefaultIoadr);
  d.virtual_port = std::make_unique<sim::VirtualParallelPort>(
      *module_, d.virtual_clock,
      cable == "virtual-dummy" ? sim::VirtualParallelPort::Cable::kDummy : sim::VirtualParallelPort::Cable::kRevB,
      base);
  d.virtual_usb = std::make_unique<sim::VirtualUsbCable>(*module_, d.virtual_clock);
  if (fault) {
    for (sim::ModuleWire* wire :
         {static_cast<sim::ModuleWire*>(d.virtual_port.get()), static_cast<sim::ModuleWire*>(d.virtual_usb.get())}) {
      if (fault->kind == FK::kUnplugged) wire->faults().unplugged = true;
      if (fault->kind == FK::kNoPower) wire->faults().no_power = true;
      if (fault->kind == FK::kCut) wire->faults().cut_after = fault->value;
    }
    if (fault->kind == FK::kBadFlash) module_->bad_flash_addr = fault->value;
  }
  // libftdi starts libusb when it is created: only for the real cable.
  if (!virtual_) d.ftdi = std::make_unique<platform::FtdiUsb>(d.steady);
  const link::LinkDevices devices =
      virtual_ ? link::LinkDevices{*d.virtual_port, *d.virtual_usb, d.no_interrupts, d.virtual_clock}
               : link::LinkDevices{d.system_port, *d.ftdi, d.realtime, d.steady};
  link_ = std::make_unique<link::Link>(devices);
  link::Link& l = *link_;
  l.OsPlatform = platform::QueryOsPlatform();
  core::IniFile ini(core::SettingsDirectory() / core::kSettingsFileName);
  // A settings file that is there but cannot be read (a folder, a device, far too large) reads
  // as an empty one, as in the IDE; the user is told, since the cable is set up without it.
  if (const core::FileError e = ini.ReadError(); !e.ok())
    std::cerr << "vnstudio-cli: cannot read " << Printable(e.Message()) << " (the defaults are used)\n";
  link::LoadLinkSettings(l, ini);
  if (cable == "usb" || cable == "virtual") {
    l.UseUsb = -1;
  } else if (cable == "revb" || cable == "virtual-revb") {
    l.UseUsb = 0;
    l.CableMode = link::kCableRevB;
  } else if (cable == "dummy" || cable == "virtual-dummy") {
    l.UseUsb = 0;
    l.CableMode = 0;
  }
  if (virtual_) l.Ioadr = base;
  if (args.port) l.Ioadr = *args.port;
  l.DeviceKind = kind;
}

CliCable::~CliCable() {
  // The link goes first: it refers to the devices, the module and the trace.
  link_.reset();
  trace_.reset();
  devices_.reset();
}

void CliCable::Open() {
  for (const auto& m : link::OpenLink(*link_)) std::cerr << Printable(core::MessageTextOf(m, core::Language::kEnglish)) << "\n";
}

void CliCable::Shutdown() {
  link::LinkShutdown(*link_);
  FlushTrace();
}

void CliCable::TraceWire() {
  trace_ = std::make_unique<link::WireTraceWriter>(std::cerr);
  link_->SetWireObserver(trace_.get());
}

void CliCable::FlushTrace() {
  if (trace_) trace_->Flush();
}

platform::VirtualClock& CliCable::virtual_clock() { return devices_->virtual_clock; }
platform::SteadyClock& CliCable::steady_clock() { return devices_->steady; }

}  // namespace vn::cli
