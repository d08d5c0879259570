#include "cables/cable_factory.h"

#include "link/cable_kinds.h"
#include "platform/ftdi_usb.h"
#include "platform/parallel_port.h"
#include "platform/usb.h"

namespace vn::cables {

void SelectCable(link::Link& link, link::CableKind kind) {
  if (const link::CableKindRow* row = link::FindCableKind(kind)) row->Apply(link.UseUsb, link.CableMode);
}

class RealDevices::LazyUsb final : public platform::UsbLibrary {
 public:
  explicit LazyUsb(platform::Clock& clock) : clock_(clock) {}
  int OpenByDescription(const char* description) override { return usb().OpenByDescription(description); }
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override { return usb().SetTimeouts(read_ms, write_ms); }
  int Close() override { return usb().Close(); }
  int ResetDevice() override { return usb().ResetDevice(); }
  int Write(const std::uint8_t* data, std::size_t length) override { return usb().Write(data, length); }
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override {
    return usb().Read(data, length, received);
  }
  int GetQueueStatus(std::uint32_t& waiting) override { return usb().GetQueueStatus(waiting); }

 private:
  platform::UsbLibrary& usb() {
    if (!usb_) usb_ = std::make_unique<platform::FtdiUsb>(clock_);
    return *usb_;
  }
  platform::Clock& clock_;
  std::unique_ptr<platform::FtdiUsb> usb_;
};

RealDevices::RealDevices()
    : port_(std::make_unique<platform::SystemParallelPort>()), usb_(std::make_unique<LazyUsb>(steady_)) {}
RealDevices::~RealDevices() = default;

link::LinkDevices RealDevices::Devices() { return {*port_, *usb_, realtime_, steady_}; }

VirtualWires::VirtualWires(sim::Module& module, platform::VirtualClock& clock, link::CableKind parallel, int base,
                           platform::InterruptControl* interrupts)
    : port(module, clock,
           parallel == link::CableKind::kDummy ? sim::VirtualParallelPort::Cable::kDummy
                                               : sim::VirtualParallelPort::Cable::kRevB,
           base),
      usb(module, clock),
      clock_(clock),
      interrupts_(interrupts) {}

sim::ModuleWire& VirtualWires::wire(link::CableKind kind) {
  if (kind == link::CableKind::kUsb) return usb;
  return port;
}

AssembledCable::AssembledCable(const CableRow& row, const CableRequest& request) : row_(row), port_(request.port) {
  if (row.is_virtual) {
    sim::ModuleConfig config = request.module;
    config.kind = request.module_kind.value_or(core::KindOfSeries(request.series));
    module_ = std::make_unique<sim::RunningModule>(config, virtual_clock_);
    if (request.prepare) request.prepare(*module_);
    wires_ = std::make_unique<VirtualWires>(*module_, virtual_clock_, row.kind, port_.value_or(link::kDefaultIoadr));
    link_ = std::make_unique<link::Link>(wires_->Devices());
  } else {
    real_ = std::make_unique<RealDevices>();
    link_ = std::make_unique<link::Link>(real_->Devices());
  }
  link_->UseSeries(request.series);
  Select();
}

AssembledCable::~AssembledCable() {
  // The link goes first: it refers to the devices, which refer to the module.
  link_.reset();
  wires_.reset();
  real_.reset();
  module_.reset();
}

platform::Clock& AssembledCable::clock() {
  if (real_) return real_->clock();
  return virtual_clock_;
}

void AssembledCable::Select() {
  SelectCable(*link_, row_.kind);
  if (row_.is_virtual) link_->Ioadr = port_.value_or(link::kDefaultIoadr);
  else if (port_) link_->Ioadr = *port_;
}

std::unique_ptr<AssembledCable> MakeCable(std::string_view name, const CableRequest& request) {
  const CableRow* row = FindCable(name);
  if (row == nullptr) return nullptr;
  return std::make_unique<AssembledCable>(*row, request);
}

}  // namespace vn::cables
