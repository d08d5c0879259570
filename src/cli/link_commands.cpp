#include "cli/link_commands.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "compiler/compiler.h"
#include "link/identify.h"
#include "link/link.h"
#include "link/link_setup.h"
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

constexpr int kExitAnswered = 0;
constexpr int kExitNoModule = 1;
constexpr int kExitUsage = 2;

struct LinkOptions {
  std::string cable;  // empty: as the settings file says
  std::string port;
  std::string device = "KF";
  std::string fault;
  std::string lang = "en";
};

// A port address as decimal, 0x.. or &H.. text.
std::optional<int> ParsePort(std::string text) {
  int base = 10;
  if (text.size() > 2 && (text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0)) {
    text = text.substr(2);
    base = 16;
  } else if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    text = text.substr(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, base);
  if (end == nullptr || *end != '\0' || v < 0 || v > 0xFFFD) return std::nullopt;
  return static_cast<int>(v);
}

// Stands in for the interrupt calls where no real bit train runs.
class NoInterruptControl final : public platform::InterruptControl {
 public:
  void Disable() override {}
  void Enable() override {}
};

void ShowMessages(const std::vector<link::LinkMessage>& messages) {
  for (const auto& m : messages) std::cerr << m.text << "\n";
}

int Identify(const LinkOptions& o) {
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
    if (!is_virtual) {
      std::cerr << "vnstudio-cli: --virtual-fault needs a virtual cable\n";
      return kExitUsage;
    }
  }
  std::optional<int> port;
  if (!o.port.empty()) {
    port = ParsePort(o.port);
    if (!port) {
      std::cerr << "vnstudio-cli: bad port address '" << o.port << "'\n";
      return kExitUsage;
    }
  }

  // Real devices, or the virtual module behind both virtual cables (only the chosen one is used).
  const int kind = device->kind;
  platform::SteadyClock steady;
  platform::VirtualClock virtual_clock;
  platform::SystemParallelPort system_port;
  // libftdi starts libusb when it is created: only for the real cable.
  std::unique_ptr<platform::FtdiUsb> ftdi = is_virtual ? nullptr : std::make_unique<platform::FtdiUsb>(steady);
  platform::RealtimeInterruptControl realtime;
  NoInterruptControl no_interrupts;

  using FK = sim::FaultSetting::Kind;
  sim::ModuleConfig config;
  config.kind = fault && fault->kind == FK::kOtherFamily ? 3 - kind : kind;
  sim::RunningModule module(config, virtual_clock);
  const int virtual_base = port.value_or(link::kDefaultIoadr);
  sim::VirtualParallelPort virtual_port(module, virtual_clock,
                                        o.cable == "virtual-dummy" ? sim::VirtualParallelPort::Cable::kDummy
                                                                   : sim::VirtualParallelPort::Cable::kRevB,
                                        virtual_base);
  sim::VirtualUsbCable virtual_usb(module, virtual_clock);
  if (fault) {
    for (sim::ModuleWire* wire : {static_cast<sim::ModuleWire*>(&virtual_port), static_cast<sim::ModuleWire*>(&virtual_usb)}) {
      if (fault->kind == FK::kUnplugged) wire->faults().unplugged = true;
      if (fault->kind == FK::kNoPower) wire->faults().no_power = true;
      if (fault->kind == FK::kCut) wire->faults().cut_after = fault->value;
    }
    if (fault->kind == FK::kBadFlash) module.bad_flash_addr = fault->value;
  }

  link::LinkDevices devices =
      is_virtual ? link::LinkDevices{virtual_port, virtual_usb, no_interrupts, virtual_clock}
                 : link::LinkDevices{system_port, *ftdi, realtime, steady};
  link::Link lnk(devices);
  lnk.OsPlatform = platform::QueryOsPlatform();
  platform::IniFile ini(platform::SettingsDirectory() / platform::kSettingsFileName);
  link::LoadLinkSettings(lnk, ini);
  if (o.cable == "usb" || o.cable == "virtual") {
    lnk.UseUsb = -1;
  } else if (o.cable == "revb" || o.cable == "virtual-revb") {
    lnk.UseUsb = 0;
    lnk.CableMode = link::kCableRevB;
  } else if (o.cable == "dummy" || o.cable == "virtual-dummy") {
    lnk.UseUsb = 0;
    lnk.CableMode = 0;
  }
  if (is_virtual) lnk.Ioadr = virtual_base;
  if (port) lnk.Ioadr = *port;
  lnk.DeviceKind = kind;

  ShowMessages(link::OpenLink(lnk));
  lnk.LinkIdle();
  const link::Identification id = link::IdentifyModule(lnk, o.lang == "ko" ? -1 : 0);
  link::LinkShutdown(lnk);
  if (id.result != 0) {
    std::cerr << id.message.text << "\n";
    return kExitNoModule;
  }
  std::cout << (id.series == 1 ? "VN" : "VNM") << " series\n" << link::FirmwareLine(id) << "\n";
  if (id.series == 2) std::cout << link::MathFirmwareLine(id) << "\n";
  return kExitAnswered;
}

}  // namespace

void AddLinkCommands(CLI::App& app) {
  auto options = std::make_shared<LinkOptions>();
  auto* identify = app.add_subcommand("identify", "identify the module attached to the cable");
  identify
      ->add_option("--cable", options->cable,
                   "usb, revb, dummy, or the virtual module by virtual (USB), virtual-revb, virtual-dummy "
                   "(default: the settings file)")
      ->check(CLI::IsMember({"usb", "revb", "dummy", "virtual", "virtual-revb", "virtual-dummy"}));
  identify->add_option("--port", options->port, "parallel port address (888, 0x378, &H378)");
  identify->add_option("--device", options->device, "device code: KD KF LF LG ND NG WD WF ZQ1 ZQ2")
      ->capture_default_str();
  identify->add_option("--virtual-fault", options->fault,
                       "with a virtual cable: unplugged, no-power, other-family, bad-flash:ADDR, cut:N");
  identify->add_option("--lang", options->lang, "message language")
      ->check(CLI::IsMember({"en", "ko"}))
      ->capture_default_str();
  identify->callback([options] {
    const int status = Identify(*options);
    std::cout.flush();
    std::cerr.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
