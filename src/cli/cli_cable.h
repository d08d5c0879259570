// What the link commands of vnstudio-cli share: reading --device, --cable, --port and
// --virtual-fault, and the link to a real cable or to the virtual module behind the virtual
// cables.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "cables/cable_factory.h"
#include "compiler/compiler.h"
#include "link/link.h"
#include "link/wire_trace.h"
#include "platform/clock.h"
#include "sim/running_module.h"
#include "sim/wire.h"

namespace vn::cli {

// The device table's entry for --device; null after saying so on standard error.
const compiler::DeviceCodeInfo* FindDeviceOrSay(const std::string& code);

// A port address as decimal, 0x.. or &H.. text.
std::optional<int> ParsePort(std::string text);

// The options of every command that talks to a module.
struct CableOptions {
  std::string cable;  // empty: as the settings file says
  std::string port;
  std::string device = "KF";
  std::string fault;
  std::string lang = "en";
  bool trace_wire = false;
};

// Adds --cable, --port, --device, --virtual-fault, --lang and --trace-wire to `command`,
// read into `options`.
void AddCableOptions(CLI::App& command, CableOptions& options);

// True for the cable table's virtual rows ("virtual", "virtual-revb", "virtual-dummy").
bool IsVirtualCable(const std::string& cable);

// --virtual-fault and --port read; nullopt after saying what is wrong on standard error.
// `virtual_only` (options that only a virtual cable can take were given) with a cable that is
// not virtual is refused with `virtual_only_message`.
struct CableArgs {
  std::optional<sim::FaultSetting> fault;
  std::optional<int> port;
};
std::optional<CableArgs> ParseCableArgs(const std::string& cable, const std::string& fault_text,
                                        const std::string& port_text, bool virtual_only,
                                        const char* virtual_only_message);

// The link, with the cable that --cable names put in place of the settings file's one (the
// file is not written), and the devices it drives. A virtual cable attaches the virtual
// module; the fault, if any, is set on its wires and flash.
class CliCable {
 public:
  // `prepare` sees the virtual module before any fault is set on it (e.g. to fill its flash).
  CliCable(const std::string& cable, int kind, const CableArgs& args,
           const std::function<void(sim::RunningModule&)>& prepare = {});
  ~CliCable();
  CliCable(const CliCable&) = delete;
  CliCable& operator=(const CliCable&) = delete;

  // Opens the cable; the start-up messages go to standard error.
  void Open();
  // Shuts the cable and writes what the trace still holds.
  void Shutdown();
  // From now on every byte exchanged with the module is traced on standard error.
  void TraceWire();
  // Writes the trace's open lines (after a debugger command, before its answer is waited on).
  void FlushTrace();

  link::Link& link() { return cable_->link(); }
  bool is_virtual() const { return virtual_; }
  sim::RunningModule& module();
  const sim::RunningModule& module() const;
  platform::VirtualClock& virtual_clock() { return cable_->virtual_clock(); }
  // The clock the cable's link runs on: the virtual module's, or the PC's.
  platform::Clock& clock();

 private:
  bool virtual_;
  std::unique_ptr<cables::AssembledCable> cable_;
  std::unique_ptr<sim::RunningModule> idle_module_;  // a real cable's stand-in, never talked to
  std::unique_ptr<link::WireTraceWriter> trace_;
};

}  // namespace vn::cli
