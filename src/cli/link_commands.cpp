#include "cli/link_commands.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_cable.h"
#include "cli/terminal_text.h"
#include "compiler/compiler.h"
#include "link/identify.h"
#include "link/link.h"
#include "link/link_setup.h"

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
  bool trace_wire = false;
};

void ShowMessages(const std::vector<link::LinkMessage>& messages) {
  for (const auto& m : messages) std::cerr << Printable(m.text) << "\n";
}

int Identify(const LinkOptions& o) {
  const auto* device = FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  const auto args =
      ParseCableArgs(o.cable, o.fault, o.port, !o.fault.empty(), "--virtual-fault needs a virtual cable");
  if (!args) return kExitUsage;

  // Real devices, or the virtual module behind both virtual cables (only the chosen one is used).
  CliCable cable(o.cable, device->kind, *args);
  if (o.trace_wire) cable.TraceWire();
  link::Link& lnk = cable.link();
  ShowMessages(link::OpenLink(lnk));
  lnk.LinkIdle();
  const link::Identification id = link::IdentifyModule(lnk, o.lang == "ko" ? -1 : 0);
  cable.Shutdown();
  if (id.result != 0) {
    std::cerr << Printable(id.message.text) << "\n";
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
  identify->add_flag("--trace-wire", options->trace_wire, kTraceWireHelp);
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
