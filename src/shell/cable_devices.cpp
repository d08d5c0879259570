#include "shell/cable_devices.h"

#include "link/link_setup.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/ftdi_usb.h"
#include "platform/parallel_port.h"
#include "platform/settings_store.h"
#include "platform/usb.h"
#include "sim/module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::shell {

namespace {

class NoInterruptControl final : public platform::InterruptControl {
 public:
  void Disable() override {}
  void Enable() override {}
};

// The USB library is only started when the USB cable is used: starting libusb costs start-up
// time and is pointless for the parallel cables.
class LazyFtdiUsb final : public platform::UsbLibrary {
 public:
  explicit LazyFtdiUsb(platform::Clock& clock) : clock_(clock) {}
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

}  // namespace

std::optional<CableChoice> ParseCableName(std::string_view name) {
  CableChoice c;
  if (name.starts_with("virtual")) {
    c.is_virtual = true;
    name.remove_prefix(7);
    if (name.ends_with("-vnm")) {
      c.module_kind = 2;
      name.remove_suffix(4);
    }
    if (name.empty()) return c;
    if (!name.starts_with("-")) return std::nullopt;
    name.remove_prefix(1);
  }
  if (name == "usb") c.cable = CableChoice::Cable::kUsb;
  else if (name == "revb") c.cable = CableChoice::Cable::kRevB;
  else if (name == "dummy") c.cable = CableChoice::Cable::kDummy;
  else return std::nullopt;
  return c;
}

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
          cl.error = "--cable needs a cable: " + std::string(kCableNames);
          return cl;
        }
        value = args[++i];
      } else {
        value = a.substr(8);
      }
      cl.cable = ParseCableName(value);
      if (!cl.cable) {
        cl.error = "unknown cable '" + value + "' (" + kCableNames + ")";
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
      sim::ModuleConfig config;
      config.kind = choice->module_kind;
      module = std::make_unique<sim::Module>(config);
      virtual_port = std::make_unique<sim::VirtualParallelPort>(
          *module, virtual_clock,
          choice->cable == CableChoice::Cable::kDummy ? sim::VirtualParallelPort::Cable::kDummy
                                                      : sim::VirtualParallelPort::Cable::kRevB);
      virtual_usb = std::make_unique<sim::VirtualUsbCable>(*module, virtual_clock);
    } else {
      system_port = std::make_unique<platform::SystemParallelPort>();
      usb = std::make_unique<LazyFtdiUsb>(steady);
      realtime = std::make_unique<platform::RealtimeInterruptControl>();
    }
  }
  link::LinkDevices Devices() {
    if (module) return {*virtual_port, *virtual_usb, no_interrupts, virtual_clock};
    return {*system_port, *usb, *realtime, steady};
  }

  platform::SteadyClock steady;
  platform::VirtualClock virtual_clock;
  NoInterruptControl no_interrupts;
  std::unique_ptr<sim::Module> module;
  std::unique_ptr<sim::VirtualParallelPort> virtual_port;
  std::unique_ptr<sim::VirtualUsbCable> virtual_usb;
  std::unique_ptr<platform::SystemParallelPort> system_port;
  std::unique_ptr<LazyFtdiUsb> usb;
  std::unique_ptr<platform::RealtimeInterruptControl> realtime;
};

CableDevices::CableDevices(std::optional<CableChoice> choice)
    : choice_(choice), impl_(std::make_unique<Impl>(choice)), link_(std::make_unique<link::Link>(impl_->Devices())) {}

CableDevices::~CableDevices() {
  // The link goes first: it refers to the devices.
  link_.reset();
  impl_.reset();
}

sim::Module* CableDevices::module() { return impl_->module.get(); }
sim::VirtualUsbCable* CableDevices::virtual_usb() { return impl_->virtual_usb.get(); }

std::vector<link::LinkMessage> CableDevices::Start(const platform::IniFile& ini) {
  link::Link& lnk = *link_;
  const int os_platform = choice_ && choice_->is_virtual ? platform::kOsPlatformDummyCapable : platform::QueryOsPlatform();
  // The steps of link::LinkStartup, with the command line's cable put in before the open.
  lnk.OsPlatform = os_platform;
  lnk.SpeedChecked = 0;
  if (os_platform == platform::kOsPlatformDummyCapable) lnk.interrupts().Enable();
  link::LoadLinkSettings(lnk, ini);
  if (choice_) {
    lnk.UseUsb = choice_->cable == CableChoice::Cable::kUsb ? -1 : 0;
    if (choice_->cable != CableChoice::Cable::kUsb)
      lnk.CableMode = choice_->cable == CableChoice::Cable::kRevB ? link::kCableRevB : 0;
    if (choice_->is_virtual) lnk.Ioadr = link::kDefaultIoadr;
    // A platform without the dummy cable cannot be talked into it.
    if (os_platform == platform::kOsPlatformRevBOnly) lnk.CableMode = link::kCableRevB;
  }
  return link::OpenLink(lnk);
}

}  // namespace vn::shell
