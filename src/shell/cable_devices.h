// The cable the IDE talks through: the real devices, or the virtual module behind virtual
// cables, and the cable chosen on the command line in place of the settings file's.
//
// The link is built once, over stand-ins that pass every call on to the devices in use, so
// that Port Setup can move the link between the real cables and the virtual module while the
// program runs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"
#include "link/link.h"
#include "link/wire_trace.h"

namespace vn::core {
class IniFile;
}  // namespace vn::core
namespace vn::sim {
class Board;
class Module;
class VirtualUsbCable;
}

namespace vn::shell {

struct CableChoice {
  using Cable = link::CableKind;
  Cable cable = Cable::kUsb;
  bool is_virtual = false;
  int module_kind = 1;  // the virtual module's series: 1 VN, 2 VNM
  bool operator==(const CableChoice&) const = default;
};

// A name of the cable table (cables/cable_table.h), a virtual one with "-vnm" for a VNM-series
// module. nullopt for anything else.
std::optional<CableChoice> ParseCableName(std::string_view name);
// Every name ParseCableName takes, for the help text and messages.
std::string CableNames();

// What the command line asks for: vnstudio [--cable C] [FILE.bas]
struct CommandLine {
  std::optional<CableChoice> cable;
  std::string file;
  bool help = false;
  std::string error;  // not empty: the command line is wrong
};
CommandLine ParseCommandLine(const std::vector<std::string>& args);
inline constexpr char kUsage[] = "usage: vnstudio [--cable CABLE] [FILE.bas]";

// "PrintPort"/"VirtualModule": "-1" when Port Setup chose the virtual module (over its USB
// cable), " 0" otherwise.
inline constexpr char kVirtualModuleKey[] = "VirtualModule";

// Owns the devices and the link over them.
class CableDevices {
 public:
  // No choice: the real devices, the cable as the settings file says (the virtual module
  // when "VirtualModule" is set). A virtual choice puts the virtual module of its series
  // behind both virtual cables, to begin with (see FollowSeries).
  explicit CableDevices(std::optional<CableChoice> choice);
  ~CableDevices();
  CableDevices(const CableDevices&) = delete;
  CableDevices& operator=(const CableDevices&) = delete;

  link::Link& link() { return *link_; }
  // The virtual module in use and its USB cable, or null with the real devices.
  sim::Module* module();
  sim::VirtualUsbCable* virtual_usb();
  // The running program's peripherals, or null (real devices, or nothing loaded yet).
  sim::Board* board();

  // Start-up: the platform family, the speed check cleared, the settings read, the chosen
  // cable put in place of the settings file's one (the file is not written), the cable
  // opened. Returns the messages to show.
  std::vector<link::LinkMessage> Start(const core::IniFile& ini);

  // True while the virtual module is the cable.
  bool IsVirtual() const;
  // True when the command line chose the cable for this run.
  bool cable_from_command_line() const { return choice_.has_value(); }
  // Moves the link onto the virtual module (over its USB cable) or onto the real devices.
  // The caller releases the cable in use before and opens the new one after.
  void SetVirtual(bool on);
  // The virtual module takes the series of the program about to go into it: the link is
  // moved to a module of `kind` (each series keeps its own module and flash). Whether Port
  // Setup or the command line chose it; the command line's "-vnm" only sets the first series.
  void FollowSeries(int kind);
  // Lets the virtual module's program run on by `ns` of real time. Nothing with the real
  // devices.
  void AdvanceVirtualTime(std::int64_t ns);
  // One line on the virtual module: its series and what its program does ("" with the real
  // devices).
  std::string VirtualModuleStatus();

  // Appends every byte the link exchanges from now on to the file at `path`, as the command
  // line's --trace-wire prints it; an empty path stops the trace. The trace before is ended
  // either way (its last lines written). The file's failure to open, if it fails.
  core::FileError TraceWireToFile(const std::string& path);
  // The file the trace goes to; empty while there is none.
  std::string wire_trace_file() const;
  // Writes the trace's open lines (after a command, so the file shows all of it).
  void FlushWireTrace();
  // The failed write that ended the trace's writing, if one failed.
  core::FileError wire_trace_error() const;

 private:
  struct Impl;
  std::unique_ptr<link::WireTraceFile> trace_;
  std::optional<CableChoice> choice_;
  std::unique_ptr<Impl> impl_;
  std::unique_ptr<link::Link> link_;
};

}  // namespace vn::shell
