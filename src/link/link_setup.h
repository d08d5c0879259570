// The link's life in the program: the settings in "VNSTUDIO.INI", start-up and shut-down, and
// the Port Setup dialog's logic (the window itself belongs to the IDE, which shows this model's
// state and forwards its clicks).
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "link/link.h"

namespace vn::core {
class IniFile;
}  // namespace vn::core

namespace vn::link {

// Why the port at `ioadr` could not be opened: kPortRefused (with the address) when it is none
// of the LPT bases and no ppdev device serves it, else kInitPort.
LinkMessage PortFailureMessage(int ioadr);

// Reads "PrintPort" (Ioadr, CableMode, UseUsb) into the link; on the REV. B-only platform
// family the REV. B cable is taken whatever the file says. An address that cannot be a port
// (outside 0..&HFFFD) is taken as the default &H378.
void LoadLinkSettings(Link& link, const core::IniFile& ini);

// Writes the four keys, in order: "PrintPort"/"Ioadr", "CableMode", "UseUsb" and
// "AccessSpeed"/"CommSpeed". False when the file could not be written.
bool WriteLinkSettings(const Link& link, core::IniFile& ini);

// Start-up: takes the platform family, clears the speed check, reads the settings and opens
// the selected cable. The messages are for the caller to show, in order. A parallel port that
// cannot be opened gives PortFailureMessage; a USB cable that cannot be opened kNoUsbCableOnPort.
std::vector<LinkMessage> LinkStartup(Link& link, const core::IniFile& ini, int os_platform);
// The cable-opening half of start-up, for callers that set the cable themselves.
std::vector<LinkMessage> OpenLink(Link& link);
// Shut-down: releases the cable that is open.
void LinkShutdown(Link& link);

// The Port Setup dialog without its window.
class PortSetupForm {
 public:
  static constexpr int kOptUsb = 0;
  static constexpr int kOptDummy = 1;
  static constexpr int kOptRevB = 2;
  static constexpr std::array<const char*, 3> kCableCaptions = {"USB", "Printer Port  (Dummy Cable)",
                                                                "Printer Port (REV. B cable)"};
  static constexpr std::array<const char*, 3> kAddressItems = {"LPT1-378H", "LPT2-278H", "LPT3-3BCH"};
  static constexpr const char* kCableFrame = "Cable";
  static constexpr const char* kAddressFrame = "Printer Port Address";
  static constexpr const char* kOkCaption = "Ok";
  static constexpr const char* kCancelCaption = "Cancel";

  explicit PortSetupForm(Link& link) : link_(link) {}

  // Selects the address item and the cable option from the link's settings.
  void Load();
  // A click on a cable option; one that is disabled cannot be clicked.
  void ClickCable(int option);
  // A choice in the address list; ignored while the list is disabled.
  void SelectAddress(int index);
  // Applies the choice to the link and closes. Returns the messages to show (the port could
  // not be opened for a parallel cable).
  std::vector<LinkMessage> Ok();
  void Cancel() { closed_ = true; }

  int cable() const { return cable_; }
  bool cable_enabled(int option) const { return cable_enabled_.at(static_cast<size_t>(option)); }
  int address_index() const { return address_; }
  bool address_enabled() const { return address_enabled_; }
  bool closed() const { return closed_; }
  // What the last Ok had to report.
  const std::vector<LinkMessage>& messages() const { return messages_; }

 private:
  Link& link_;
  int cable_ = kOptDummy;
  std::array<bool, 3> cable_enabled_ = {true, true, true};
  int address_ = 0;
  bool address_enabled_ = true;
  bool closed_ = false;
  std::vector<LinkMessage> messages_;
};

// The Port Setup command: shows the dialog (`show_modal` returns once it is closed) and then
// writes the four settings with the values current at that moment, whichever button closed it.
std::vector<LinkMessage> PortSetupCommand(Link& link, core::IniFile& ini,
                                          const std::function<void(PortSetupForm&)>& show_modal);

}  // namespace vn::link
