// The cable the IDE talks through: the real devices, or the virtual module behind virtual
// cables, and the cable chosen on the command line in place of the settings file's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/link.h"

namespace vn::platform {
class IniFile;
}
namespace vn::sim {
class Module;
class VirtualUsbCable;
}

namespace vn::shell {

struct CableChoice {
  enum class Cable { kUsb, kRevB, kDummy };
  Cable cable = Cable::kUsb;
  bool is_virtual = false;
  int module_kind = 1;  // the virtual module's series: 1 VN, 2 VNM
  bool operator==(const CableChoice&) const = default;
};

// "usb", "revb", "dummy"; "virtual" (USB), "virtual-revb", "virtual-dummy", each of the
// virtual ones with "-vnm" for a VNM-series module. nullopt for anything else.
std::optional<CableChoice> ParseCableName(std::string_view name);
inline constexpr char kCableNames[] =
    "usb, revb, dummy, virtual, virtual-revb, virtual-dummy, virtual-vnm, virtual-revb-vnm, virtual-dummy-vnm";

// What the command line asks for: vnstudio [--cable C] [FILE.bas]
struct CommandLine {
  std::optional<CableChoice> cable;
  std::string file;
  bool help = false;
  std::string error;  // not empty: the command line is wrong
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);
inline constexpr char kUsage[] = "usage: vnstudio [--cable CABLE] [FILE.bas]";

// Owns the devices and the link over them.
class CableDevices {
 public:
  // No choice: the real devices, the cable as the settings file says. A virtual choice puts
  // the virtual module behind both virtual cables.
  explicit CableDevices(std::optional<CableChoice> choice);
  ~CableDevices();
  CableDevices(const CableDevices&) = delete;
  CableDevices& operator=(const CableDevices&) = delete;

  link::Link& link() { return *link_; }
  // The virtual module and its USB cable, or null with the real devices.
  sim::Module* module();
  sim::VirtualUsbCable* virtual_usb();

  // Start-up: the platform family, the speed check cleared, the settings read, the chosen
  // cable put in place of the settings file's one (the file is not written), the cable
  // opened. Returns the messages to show.
  std::vector<link::LinkMessage> Start(const platform::IniFile& ini);

 private:
  struct Impl;
  std::optional<CableChoice> choice_;
  std::unique_ptr<Impl> impl_;
  std::unique_ptr<link::Link> link_;
};

}  // namespace vn::shell
