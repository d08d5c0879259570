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


void ShowMessages(const std::vector<link::LinkMessage>& messages, core::Language language) {
  for (const auto& m : messages) std::cerr << Printable(core::MessageTextOf(m, language)) << "\n";
}

int Identify(const CableOptions& o) {
  const auto* device = FindDeviceOrSay(o.device);
  if (device == nullptr) return kExitUsage;
  const auto args =
      ParseCableArgs(o.cable, o.fault, o.port, !o.fault.empty(), "--virtual-fault needs a virtual cable");
  if (!args) return kExitUsage;

  // Real devices, or the virtual module behind both virtual cables (only the chosen one is used).
  CliCable cable(o.cable, device->kind, *args);
  if (o.trace_wire) cable.TraceWire();
  link::Link& lnk = cable.link();
  const core::Language language = core::LanguageOf(o.lang == "ko");
  ShowMessages(link::OpenLink(lnk), language);
  lnk.LinkIdle();
  const link::Identification id = link::IdentifyModule(lnk, core::SeriesOfKind(device->kind));
  cable.Shutdown();
  if (id.result != 0) {
    std::cerr << Printable(core::MessageTextOf(id.message, language)) << "\n";
    return kExitNoModule;
  }
  std::cout << (id.series == 1 ? "VN" : "VNM") << " series\n"
            << core::MessageTextOf(link::FirmwareLine(id), language) << "\n";
  if (id.series == 2) std::cout << core::MessageTextOf(link::MathFirmwareLine(id), language) << "\n";
  return kExitAnswered;
}

}  // namespace

void AddLinkCommands(CLI::App& app) {
  auto options = std::make_shared<CableOptions>();
  auto* identify = app.add_subcommand("identify", "identify the module attached to the cable");
  AddCableOptions(*identify, *options);
  identify->callback([options] {
    const int status = Identify(*options);
    std::cout.flush();
    std::cerr.flush();
    std::exit(status);
  });
}

}  // namespace vn::cli
