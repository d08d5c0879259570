#include "link/identify.h"

#include "link/commands.h"
#include "platform/usb.h"

namespace vn::link {

namespace {

constexpr char kErrorTitle[] = "VARNOLIC Studio Error !";
constexpr char kErrorTitleCaps[] = "VARNOLIC Studio ERROR !";

Identification Fail(const LinkText& text, const char* title, int use_korean) {
  Identification id;
  id.message = {use_korean == -1 ? text.ko : text.en, title, 64};
  return id;
}

constexpr char kNoFirmware[] = "Firmware Not Found !";

// The identification of the selected series; `ask_main_firmware` adds the VNM module's &H56.
Identification Identify(Link& link, int use_korean, bool ask_main_firmware) {
  const int kind = link.DeviceKind == 1 ? 1 : 2;
  if (link.UseUsb != 0) {
    link.usb().ResetDevice();
    if (link.UsbQueryCable() != kUsbCableAnswer) return Fail(kNoUsbCable, kErrorTitle, use_korean);
    const int family = link.UsbQueryFamily();
    const bool vn_attached = family != -1 && (family & 1) != 0;
    if (family == -1 || vn_attached != (kind == 1)) return Fail(kFamilyMismatch, kErrorTitle, use_korean);
  }

  Identification id;
  if (kind == 1) {
    if (link.SpeedCheckOnce() == -1) return Fail(kModuleNotFound, kErrorTitleCaps, use_korean);
    if (link.LinkSendByte(CmdIdentifyVn) == -1) return Fail(kModuleNotFound, kErrorTitleCaps, use_korean);
    const int r1 = link.LinkRecvByte();
    if (r1 == -1) return Fail(kModuleNotFound, kErrorTitleCaps, use_korean);
    if (link.LinkRecvByte() == -1) return Fail(kNotVnSeries, kErrorTitle, use_korean);
    for (int k = 3; k <= 7; ++k) link.LinkRecvByte();
    id.firmware = r1;
  } else {
    if (link.NibbleSendByte(CmdIdentifyVnm) == -1) return Fail(kModuleNotFound, kErrorTitleCaps, use_korean);
    const int r = link.NibbleRecvByte();
    if (r == -1) return Fail(kModuleNotFound, kErrorTitleCaps, use_korean);
    if (r == 0) return Fail(kNoPower, kErrorTitle, use_korean);
    id.math_firmware = r;
    // The main processor's version, as the about box asks for it.
    if (ask_main_firmware && link.NibbleSendByte(CmdIdentifyVn) != -1) id.firmware = link.NibbleRecvByte();
  }
  id.result = 0;
  id.series = kind;
  return id;
}

}  // namespace

Identification IdentifyModule(Link& link, int use_korean) { return Identify(link, use_korean, true); }

Identification IdentifyForDownload(Link& link, int use_korean) { return Identify(link, use_korean, false); }

std::string FirmwareLine(const Identification& id) {
  if (id.firmware < 0) return kNoFirmware;
  return (id.series == 2 ? "Main F/W is " : "F/W Version is ") + std::to_string(id.firmware);
}

std::string MathFirmwareLine(const Identification& id) {
  if (id.math_firmware < 0) return kNoFirmware;
  return "Math Chip F/W is " + std::to_string(id.math_firmware);
}

}  // namespace vn::link
