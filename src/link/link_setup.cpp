#include "link/link_setup.h"

#include "platform/bit_timing.h"
#include "platform/parallel_port.h"
#include "core/settings_store.h"

namespace vn::link {

namespace {

constexpr char kPrintPort[] = "PrintPort";
constexpr char kAccessSpeed[] = "AccessSpeed";
constexpr int kLastBase = 0xFFFF - 2;  // the control register must still be a port

}  // namespace

// An address that is none of the three LPT bases was refused (no ppdev device serves it, and
// direct port I/O is not tried there); anything else is the port driver's failure.
LinkMessage PortFailureMessage(int ioadr) {
  if (!platform::IsStandardParallelBase(ioadr))
    return {core::MessageCode::kPortRefused, {static_cast<unsigned>(ioadr), 0, 0}};
  return {core::MessageCode::kInitPort};
}

void LoadLinkSettings(Link& link, const core::IniFile& ini) {
  const long ioadr = ini.GetInt(kPrintPort, "Ioadr", kDefaultIoadr);
  link.Ioadr = ioadr >= 0 && ioadr <= kLastBase ? static_cast<int>(ioadr) : kDefaultIoadr;
  link.CableMode = static_cast<int>(ini.GetInt(kPrintPort, "CableMode", 0));
  link.UseUsb = ini.GetInt(kPrintPort, "UseUsb", 0) != 0 ? -1 : 0;
  if (link.OsPlatform == platform::kOsPlatformRevBOnly) link.CableMode = kCableRevB;
}

bool WriteLinkSettings(const Link& link, core::IniFile& ini) {
  bool ok = ini.WriteString(kPrintPort, "Ioadr", SignedText(link.Ioadr));
  ok = ini.WriteString(kPrintPort, "CableMode", SignedText(link.CableMode)) && ok;
  ok = ini.WriteString(kPrintPort, "UseUsb", SignedText(link.UseUsb)) && ok;
  ok = ini.WriteString(kAccessSpeed, "CommSpeed", SignedText(link.CommSpeed)) && ok;
  return ok;
}

std::vector<LinkMessage> OpenLink(Link& link) {
  std::vector<LinkMessage> messages;
  if (link.UseUsb == 0) {
    if (!link.PortOpen()) messages.push_back(PortFailureMessage(link.Ioadr));
    link.LinkIdle();
    link.UsbOpen = 0;
  } else {
    if (link.UsbOpenDevice() != 0) messages.push_back({core::MessageCode::kNoUsbCableOnPort});
  }
  return messages;
}

std::vector<LinkMessage> LinkStartup(Link& link, const core::IniFile& ini, int os_platform) {
  link.OsPlatform = os_platform;
  link.SpeedChecked = 0;
  if (os_platform == platform::kOsPlatformDummyCapable) link.interrupts().Enable();
  LoadLinkSettings(link, ini);
  return OpenLink(link);
}

void LinkShutdown(Link& link) {
  if (link.PortIsOpen()) link.PortClose();
  if (link.UsbOpen != 0) link.UsbCloseDevice();
}

// ---- Port Setup ---------------------------------------------------------------------------------

void PortSetupForm::Load() {
  closed_ = false;
  messages_.clear();
  address_ = link_.Ioadr == 0x378 ? 0 : link_.Ioadr == 0x278 ? 1 : 2;
  cable_enabled_ = {true, true, true};
  const int option = link_.UseUsb != 0 ? kOptUsb : link_.CableMode == kCableRevB ? kOptRevB : kOptDummy;
  // Selecting an option from code runs its click handler too, so the address list starts
  // enabled exactly when a parallel cable is selected.
  ClickCable(option);
  if (link_.OsPlatform == platform::kOsPlatformRevBOnly) cable_enabled_[kOptDummy] = false;
}

void PortSetupForm::ClickCable(int option) {
  if (option < 0 || option > 2 || !cable_enabled_[static_cast<size_t>(option)]) return;
  cable_ = option;
  address_enabled_ = option != kOptUsb;
}

void PortSetupForm::SelectAddress(int index) {
  if (address_enabled_ && index >= 0 && index <= 2) address_ = index;
}

std::vector<LinkMessage> PortSetupForm::Ok() {
  std::vector<LinkMessage> messages;
  link_.CableMode = cable_ == kOptRevB ? kCableRevB : 0;
  if (cable_ == kOptUsb) {
    if (link_.UsbOpen == 0) {
      link_.UseUsb = -1;
      link_.UsbOpenDevice();
    }
  } else {
    if (link_.UsbOpen != 0) link_.UsbCloseDevice();
    link_.UseUsb = 0;
  }
  const int old_base = link_.Ioadr;
  link_.Ioadr = address_ == 0 ? 0x378 : address_ == 1 ? 0x278 : 0x3BC;
  // The port is opened here too, not only at start-up: otherwise a parallel cable chosen in
  // this dialog, or a new address, would only work after the program is restarted.
  if (link_.UseUsb == 0) {
    if (!link_.PortIsOpen() || link_.Ioadr != old_base) {
      if (!link_.PortOpen()) messages.push_back(PortFailureMessage(link_.Ioadr));
    }
    if (link_.PortIsOpen()) link_.LinkIdle();
  } else if (link_.PortIsOpen()) {
    link_.PortClose();
  }
  closed_ = true;
  messages_ = messages;
  return messages;
}

std::vector<LinkMessage> PortSetupCommand(Link& link, core::IniFile& ini,
                                          const std::function<void(PortSetupForm&)>& show_modal) {
  PortSetupForm dialog(link);
  dialog.Load();
  show_modal(dialog);
  WriteLinkSettings(link, ini);
  return dialog.messages();
}

}  // namespace vn::link
