#include "shell/cable_devices.h"

#include <array>

#include "cables/cable_factory.h"
#include "cables/cable_table.h"
#include "link/link_setup.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "core/settings_store.h"
#include "platform/usb.h"
#include "sim/module.h"
#include "sim/running_module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::shell {

namespace {

// Stand-ins the link is built over: each passes every call on to the device in use.
class PortSwitch final : public platform::ParallelPort {
 public:
  bool Open(int base) override { return target->Open(base); }
  void Close() override { target->Close(); }
  bool IsOpen() const override { return target->IsOpen(); }
  void Write(int port, std::uint8_t value) override { target->Write(port, value); }
  std::uint8_t Read(int port) override { return target->Read(port); }
  platform::ParallelPort* target = nullptr;
};

class UsbSwitch final : public platform::UsbLibrary {
 public:
  int OpenByDescription(const char* description) override { return target->OpenByDescription(description); }
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override { return target->SetTimeouts(read_ms, write_ms); }
  int Close() override { return target->Close(); }
  int ResetDevice() override { return target->ResetDevice(); }
  int Write(const std::uint8_t* data, std::size_t length) override { return target->Write(data, length); }
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override {
    return target->Read(data, length, received);
  }
  int GetQueueStatus(std::uint32_t& waiting) override { return target->GetQueueStatus(waiting); }
  platform::UsbLibrary* target = nullptr;
};

class InterruptSwitch final : public platform::InterruptControl {
 public:
  void Disable() override { target->Disable(); }
  void Enable() override { target->Enable(); }
  platform::InterruptControl* target = nullptr;
};

class ClockSwitch final : public platform::Clock {
 public:
  std::int64_t NowNs() override { return target->NowNs(); }
  void SpinFor(std::int64_t ns) override { target->SpinFor(ns); }
  void SleepFor(std::int64_t ns) override { target->SleepFor(ns); }
  platform::Clock* target = nullptr;
};

// The virtual module of one series with both of its cables.
struct VirtualSet {
  VirtualSet(int kind, platform::VirtualClock& clock, link::CableKind parallel) {
    sim::ModuleConfig config;
    config.kind = kind;
    module = std::make_unique<sim::RunningModule>(config, clock);
    wires = std::make_unique<cables::VirtualWires>(*module, clock, parallel);
  }
  std::unique_ptr<sim::RunningModule> module;
  std::unique_ptr<cables::VirtualWires> wires;
};

}  // namespace

std::optional<CableChoice> ParseCableName(std::string_view name) {
  const auto named = cables::ParseNamedCable(name);
  if (!named) return std::nullopt;
  return CableChoice{named->row->kind, named->row->is_virtual, core::KindOfSeries(named->series)};
}

std::string CableNames() { return cables::NamedCableNames(); }

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options_done && (a == "-h" || a == "--help")) {
      cl.help = true;
    } else if (!options_done && (a == "--cable" || a.starts_with("--cable="))) {
      std::string value;
      if (a == "--cable") {
        if (i + 1 >= args.size()) {
          cl.error = "--cable needs a cable: " + CableNames();
          return cl;
        }
        value = args[++i];
      } else {
        value = a.substr(8);
      }
      cl.cable = ParseCableName(value);
      if (!cl.cable) {
        cl.error = "unknown cable '" + value + "' (" + CableNames() + ")";
        return cl;
      }
    } else if (!options_done && a == "--") {
      options_done = true;
    } else if (!options_done && a.size() > 1 && a[0] == '-') {
      cl.error = "unknown option '" + a + "'";
      return cl;
    } else if (cl.file.empty()) {
      cl.file = a;
    } else {
      cl.error = "only one file can be opened";
      return cl;
    }
  }
  return cl;
}

struct CableDevices::Impl {
  explicit Impl(const std::optional<CableChoice>& choice) {
    if (choice && choice->is_virtual) {
      // The command line's series is only where the module starts: a program of the other
      // series goes into a module of its own, as with Port Setup's virtual module.
      kind = choice->module_kind;
      kind_follows = true;
      parallel_cable = choice->cable;
      SetVirtual(true);
    } else {
      SetVirtual(false);
    }
  }

  VirtualSet& Set() {
    auto& set = sets[kind == 2 ? 1 : 0];
    if (!set) set = std::make_unique<VirtualSet>(kind, virtual_clock, parallel_cable);
    return *set;
  }

  void SetVirtual(bool on) {
    is_virtual = on;
    if (on) {
      VirtualSet& set = Set();
      Target(set.wires->Devices());
    } else {
      if (!real) real = std::make_unique<cables::RealDevices>();
      Target(real->Devices());
    }
  }

  void Target(const link::LinkDevices& devices) {
    port.target = &devices.port;
    usb.target = &devices.usb;
    interrupts.target = &devices.interrupts;
    clock.target = &devices.clock;
  }

  link::LinkDevices Devices() { return {port, usb, interrupts, clock}; }

  PortSwitch port;
  UsbSwitch usb;
  InterruptSwitch interrupts;
  ClockSwitch clock;

  std::unique_ptr<cables::RealDevices> real;

  platform::VirtualClock virtual_clock;
  std::array<std::unique_ptr<VirtualSet>, 2> sets;
  bool is_virtual = false;
  int kind = 1;
  bool kind_follows = false;  // the series follows the program (Port Setup's virtual module)
  link::CableKind parallel_cable = link::CableKind::kRevB;
};

CableDevices::CableDevices(std::optional<CableChoice> choice)
    : choice_(choice), impl_(std::make_unique<Impl>(choice)), link_(std::make_unique<link::Link>(impl_->Devices())) {}

CableDevices::~CableDevices() {
  // The link goes first: it refers to the devices and the trace.
  link_.reset();
  trace_.reset();
  impl_.reset();
}

core::FileError CableDevices::TraceWireToFile(const std::string& path) {
  link_->SetWireObserver(nullptr);
  trace_.reset();
  if (path.empty()) return {};
  auto trace = std::make_unique<link::WireTraceFile>();
  if (core::FileError e = trace->Open(path); !e.ok()) return e;
  trace_ = std::move(trace);
  link_->SetWireObserver(trace_.get());
  return {};
}

std::string CableDevices::wire_trace_file() const { return trace_ ? trace_->path() : std::string(); }

void CableDevices::FlushWireTrace() {
  if (trace_) trace_->Flush();
}

core::FileError CableDevices::wire_trace_error() const { return trace_ ? trace_->error() : core::FileError{}; }

sim::Module* CableDevices::module() { return impl_->is_virtual ? impl_->Set().module.get() : nullptr; }
sim::VirtualUsbCable* CableDevices::virtual_usb() { return impl_->is_virtual ? &impl_->Set().wires->usb : nullptr; }

sim::Board* CableDevices::board() {
  if (!impl_->is_virtual) return nullptr;
  sim::Interpreter* interp = impl_->Set().module->interpreter();
  return interp != nullptr ? &interp->io() : nullptr;
}

bool CableDevices::IsVirtual() const { return impl_->is_virtual; }

void CableDevices::SetVirtual(bool on) {
  if (on && !impl_->is_virtual) {
    // Port Setup's virtual module: over its USB cable, of the series of the next program.
    impl_->kind_follows = true;
    impl_->parallel_cable = link::CableKind::kRevB;
  }
  impl_->SetVirtual(on);
  link_->SpeedChecked = 0;
}

void CableDevices::FollowSeries(int kind) {
  kind = kind == 2 ? 2 : 1;
  if (!impl_->is_virtual || !impl_->kind_follows || kind == impl_->kind) return;
  link::Link& lnk = *link_;
  const bool usb_open = lnk.UsbOpen != 0, port_open = lnk.PortIsOpen();
  if (usb_open) lnk.UsbCloseDevice();
  if (port_open) lnk.PortClose();
  impl_->kind = kind;
  impl_->SetVirtual(true);
  if (port_open) lnk.PortOpen();
  if (usb_open) lnk.UsbOpenDevice();
  lnk.SpeedChecked = 0;
}

void CableDevices::AdvanceVirtualTime(std::int64_t ns) {
  if (!impl_->is_virtual || ns <= 0) return;
  impl_->virtual_clock.Advance(ns);
  // The module catches up whenever it is looked at.
  (void)impl_->Set().module->HasOutput();
}

std::string CableDevices::VirtualModuleStatus() {
  if (!impl_->is_virtual) return {};
  sim::RunningModule& m = *impl_->Set().module;
  std::string text = m.kind() == 2 ? "VNM series module: " : "VN series module: ";
  if (m.ProgramLength() == 0) return text + "no program";
  if (m.in_debug()) return text + "stopped by the debugger";
  if (m.running()) {
    if (!m.last_stop()) return text + "running";
    const sim::Stop& stop = *m.last_stop();
    if (stop.reason == sim::StopReason::kFault) return text + "fault: " + stop.fault.message;
    if (stop.reason == sim::StopReason::kEnd) return text + "program ended";
    if (stop.reason == sim::StopReason::kWaitingForInput) return text + "waiting for serial input";
    return text + sim::StopReasonName(stop.reason);
  }
  return text + "stopped";
}

std::vector<link::LinkMessage> CableDevices::Start(const core::IniFile& ini) {
  link::Link& lnk = *link_;
  const bool from_settings = !choice_ && ini.GetInt("PrintPort", kVirtualModuleKey, 0) != 0;
  if (from_settings) SetVirtual(true);
  const int os_platform =
      choice_ && choice_->is_virtual ? platform::kOsPlatformDummyCapable : platform::QueryOsPlatform();
  // The steps of link::LinkStartup, with the command line's cable put in before the open.
  lnk.OsPlatform = os_platform;
  lnk.SpeedChecked = 0;
  if (os_platform == platform::kOsPlatformDummyCapable) lnk.interrupts().Enable();
  link::LoadLinkSettings(lnk, ini);
  if (from_settings) lnk.UseUsb = -1;
  if (choice_) {
    cables::SelectCable(lnk, choice_->cable);
    if (choice_->is_virtual) lnk.Ioadr = link::kDefaultIoadr;
    // A platform without the dummy cable cannot be talked into it.
    if (os_platform == platform::kOsPlatformRevBOnly) lnk.CableMode = link::kCableRevB;
  }
  return link::OpenLink(lnk);
}

}  // namespace vn::shell
