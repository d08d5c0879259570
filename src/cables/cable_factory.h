// Building a working cable from a row of the cable table: the devices it drives (the PC's
// parallel port and USB library, or the virtual module's ends of the cables) and the link over
// them, set to drive the row's kind of cable. The command line, the IDE, the tests and the
// benchmarks all assemble their cables here.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "cables/cable_table.h"
#include "link/link.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "sim/module.h"
#include "sim/running_module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::platform {
class SystemParallelPort;
}

namespace vn::cables {

// Stands in for the interrupt calls where no real bit train runs.
class NoInterruptControl final : public platform::InterruptControl {
 public:
  void Disable() override {}
  void Enable() override {}
};

// Puts the link onto the cable of `kind` (the settings the link selects its cable by).
void SelectCable(link::Link& link, link::CableKind kind);

// The PC's own devices. The USB library is only started when the USB cable is first used:
// starting libusb costs start-up time and is pointless for the parallel cables.
class RealDevices {
 public:
  RealDevices();
  ~RealDevices();
  RealDevices(const RealDevices&) = delete;
  RealDevices& operator=(const RealDevices&) = delete;
  link::LinkDevices Devices();
  platform::SteadyClock& clock() { return steady_; }

 private:
  class LazyUsb;
  platform::SteadyClock steady_;
  std::unique_ptr<platform::SystemParallelPort> port_;
  std::unique_ptr<LazyUsb> usb_;
  platform::RealtimeInterruptControl realtime_;
};

// The virtual module's end of both cables, on a module the caller holds; the parallel end
// speaks the protocol of `parallel` (REV. B for the USB cable's rows, whose parallel end is not
// used unless the settings move the link to it). The link's interrupt calls go to
// `interrupts` when given (a test counting them), else nowhere: no real bit train runs.
class VirtualWires {
 public:
  VirtualWires(sim::Module& module, platform::VirtualClock& clock, link::CableKind parallel,
               int base = link::kDefaultIoadr, platform::InterruptControl* interrupts = nullptr);
  link::LinkDevices Devices() {
    return {port, usb, interrupts_ != nullptr ? *interrupts_ : no_interrupts, clock_};
  }
  // The end of the cable of `kind`.
  sim::ModuleWire& wire(link::CableKind kind);

  sim::VirtualParallelPort port;
  sim::VirtualUsbCable usb;
  NoInterruptControl no_interrupts;

 private:
  platform::VirtualClock& clock_;
  platform::InterruptControl* interrupts_;
};

// What a row of the table builds, and the link over it.
struct CableRequest {
  core::Series series = core::Series::kVn;  // the series the link speaks
  sim::ModuleConfig module;                 // the virtual module (its kind follows `series`
                                            // unless `module_kind` is set)
  std::optional<int> module_kind;           // a module of another series than the link's
  std::optional<int> port;                  // the parallel port's base; the default otherwise
  // Sees the virtual module before anything else does (e.g. to fill its flash).
  std::function<void(sim::RunningModule&)> prepare;
};

class AssembledCable {
 public:
  AssembledCable(const CableRow& row, const CableRequest& request);
  ~AssembledCable();
  AssembledCable(const AssembledCable&) = delete;
  AssembledCable& operator=(const AssembledCable&) = delete;

  const CableRow& row() const { return row_; }
  link::Link& link() { return *link_; }
  // The virtual module and its cable ends; null on a real cable.
  sim::RunningModule* module() { return module_.get(); }
  VirtualWires* wires() { return wires_.get(); }
  platform::VirtualClock& virtual_clock() { return virtual_clock_; }
  platform::Clock& clock();

  // Applies the settings' cable after they were read into the link: the row's kind, and on a
  // virtual row the virtual port's base.
  void Select();

 private:
  const CableRow& row_;
  std::optional<int> port_;
  platform::VirtualClock virtual_clock_;
  std::unique_ptr<sim::RunningModule> module_;
  std::unique_ptr<VirtualWires> wires_;
  std::unique_ptr<RealDevices> real_;
  std::unique_ptr<link::Link> link_;
};

// The cable named `name` for `request`; null for a name the table does not have.
std::unique_ptr<AssembledCable> MakeCable(std::string_view name, const CableRequest& request);

}  // namespace vn::cables
