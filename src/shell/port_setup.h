// Port Setup ("PC Interface Setup...", PortSetupDialog) without its window: the link's dialog
// logic with a fourth cable of ours, the virtual module, and the command that writes the
// settings when the dialog closes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/link_setup.h"

namespace vn::core {
class IniFile;
}  // namespace vn::core

namespace vn::shell {

class CableDevices;

class PortSetupModel {
 public:
  static constexpr int kOptUsb = link::PortSetupForm::kOptUsb;
  static constexpr int kOptDummy = link::PortSetupForm::kOptDummy;
  static constexpr int kOptRevB = link::PortSetupForm::kOptRevB;
  static constexpr int kOptVirtual = 3;
  static constexpr int kOptions = 4;
  static constexpr const char* kVirtualCaption = "Virtual module (no hardware)";
  static constexpr const char* kCaption = "PC Interface Setup";

  PortSetupModel(link::Link& link, CableDevices& devices) : link_(link), devices_(devices), dialog_(link) {}

  // The caption of each cable option, in the dialog's order.
  static const char* CableCaption(int option);

  // Selects the address and the cable from the link's settings; the virtual module when it is
  // the cable in use.
  void Load();
  // A click on a cable option; one that is disabled cannot be clicked. The address list is
  // enabled for the two parallel cables only.
  void ClickCable(int option);
  void SelectAddress(int index) { dialog_.SelectAddress(index); }
  // Applies the choice and closes: the cable in use is released when the choice moves the
  // link between the real devices and the virtual module, then the chosen cable is opened.
  // Returns the messages to show.
  std::vector<link::LinkMessage> Ok();
  void Cancel();

  // The wire trace to a file, applied by Ok: on with a file, off otherwise. Load shows the
  // trace in use.
  void SetWireTrace(bool on, const std::string& path) {
    trace_on_ = on;
    trace_path_ = path;
  }
  bool wire_trace() const { return trace_on_; }
  const std::string& wire_trace_file() const { return trace_path_; }
  // Why the trace could not be started at Ok, to show after the dialog's own messages.
  const std::vector<link::LinkMessage>& trace_messages() const { return trace_messages_; }

  int cable() const { return cable_; }
  bool cable_enabled(int option) const;
  int address_index() const { return dialog_.address_index(); }
  bool address_enabled() const { return dialog_.address_enabled(); }
  bool closed() const { return closed_; }
  bool cancelled() const { return cancelled_; }
  const std::vector<link::LinkMessage>& messages() const { return dialog_.messages(); }

 private:
  void ApplyWireTrace();

  link::Link& link_;
  CableDevices& devices_;
  link::PortSetupForm dialog_;
  int cable_ = kOptDummy;
  bool closed_ = false;
  bool cancelled_ = false;
  bool trace_on_ = false;
  std::string trace_path_;
  std::vector<link::LinkMessage> trace_messages_;
};

// The Port Setup command: shows the dialog (`show_modal` returns once it is closed), then
// writes "PrintPort"/"Ioadr", "CableMode", "UseUsb", "AccessSpeed"/"CommSpeed" and
// "PrintPort"/"VirtualModule" with the values current at that moment, whichever button closed
// it; except that a Cancel in a run whose cable the command line chose writes nothing (the
// command line's cable is for that run only). Returns the messages to show.
std::vector<link::LinkMessage> PortSetupCommand(link::Link& link, CableDevices& devices, core::IniFile& ini,
                                                const std::function<void(PortSetupModel&)>& show_modal);

}  // namespace vn::shell
