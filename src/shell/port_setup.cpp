#include "shell/port_setup.h"

#include "core/messages.h"
#include "core/settings_store.h"
#include "shell/cable_devices.h"

namespace vn::shell {

const char* PortSetupModel::CableCaption(int option) {
  if (option == kOptVirtual) return kVirtualCaption;
  if (option >= 0 && option < kOptVirtual) return link::PortSetupForm::kCableCaptions[static_cast<size_t>(option)];
  return "";
}

void PortSetupModel::Load() {
  closed_ = cancelled_ = false;
  trace_messages_.clear();
  trace_path_ = devices_.wire_trace_file();
  trace_on_ = !trace_path_.empty();
  dialog_.Load();
  cable_ = dialog_.cable();
  if (devices_.IsVirtual()) ClickCable(kOptVirtual);
}

bool PortSetupModel::cable_enabled(int option) const {
  if (option == kOptVirtual) return true;
  return option >= 0 && option < kOptVirtual && dialog_.cable_enabled(option);
}

void PortSetupModel::ClickCable(int option) {
  if (!cable_enabled(option)) return;
  cable_ = option;
  // The virtual module is reached over its USB cable: no port address to choose.
  dialog_.ClickCable(option == kOptVirtual ? kOptUsb : option);
}

std::vector<link::LinkMessage> PortSetupModel::Ok() {
  const bool want_virtual = cable_ == kOptVirtual;
  if (want_virtual != devices_.IsVirtual()) {
    // The cable in use is released on its own devices before the link moves.
    link::LinkShutdown(link_);
    link_.UsbOpen = 0;
    devices_.SetVirtual(want_virtual);
  }
  closed_ = true;
  std::vector<link::LinkMessage> messages = dialog_.Ok();
  ApplyWireTrace();
  return messages;
}

void PortSetupModel::ApplyWireTrace() {
  trace_messages_.clear();
  const std::string path = trace_on_ ? trace_path_ : std::string();
  // The trace in use goes on as it is when nothing about it changed.
  if (path == devices_.wire_trace_file()) return;
  if (const core::FileError e = devices_.TraceWireToFile(path); !e.ok())
    trace_messages_.push_back(core::Message(core::MessageCode::kWireTraceError, {0, 0, 0}, e.Message()));
}

void PortSetupModel::Cancel() {
  dialog_.Cancel();
  closed_ = cancelled_ = true;
}

std::vector<link::LinkMessage> PortSetupCommand(link::Link& link, CableDevices& devices, core::IniFile& ini,
                                                const std::function<void(PortSetupModel&)>& show_modal) {
  PortSetupModel model(link, devices);
  model.Load();
  show_modal(model);
  if (!model.closed()) model.Cancel();
  if (model.cancelled() && devices.cable_from_command_line()) return {};
  link::WriteLinkSettings(link, ini);
  ini.WriteString("PrintPort", kVirtualModuleKey, link::SignedText(devices.IsVirtual() ? -1 : 0));
  std::vector<link::LinkMessage> messages = model.messages();
  messages.insert(messages.end(), model.trace_messages().begin(), model.trace_messages().end());
  return messages;
}

}  // namespace vn::shell
