#include "link/identify.h"

#include "link/commands.h"
#include "platform/usb.h"

namespace vn::link {

namespace {

using core::MessageCode;

Identification Fail(MessageCode code) {
  Identification id;
  id.message = {code};
  return id;
}

// The identification of the selected series; `ask_main_firmware` adds the VNM module's &H56.
Identification Identify(Link& link, core::Series series, bool ask_main_firmware) {
  link.UseSeries(series);
  const int kind = core::KindOfSeries(series);
  if (link.UseUsb != 0) {
    link.usb().ResetDevice();
    if (link.UsbQueryCable() != kUsbCableAnswer) return Fail(MessageCode::kNoUsbCable);
    const int family = link.UsbQueryFamily();
    const bool vn_attached = family != -1 && (family & 1) != 0;
    if (family == -1 || vn_attached != (kind == 1)) return Fail(MessageCode::kFamilyMismatch);
  }

  Identification id;
  if (kind == 1) {
    if (link.SpeedCheckOnce() == -1) return Fail(MessageCode::kModuleNotFound);
    if (link.LinkSendByte(CmdIdentifyVn) == -1) return Fail(MessageCode::kModuleNotFound);
    const int r1 = link.LinkRecvByte();
    if (r1 == -1) return Fail(MessageCode::kModuleNotFound);
    if (link.LinkRecvByte() == -1) return Fail(MessageCode::kNotVnSeries);
    for (int k = 3; k <= 7; ++k) link.LinkRecvByte();
    id.firmware = r1;
  } else {
    if (link.NibbleSendByte(CmdIdentifyVnm) == -1) return Fail(MessageCode::kModuleNotFound);
    const int r = link.NibbleRecvByte();
    if (r == -1) return Fail(MessageCode::kModuleNotFound);
    if (r == 0) return Fail(MessageCode::kNoPower);
    id.math_firmware = r;
    // The main processor's version, as the about box asks for it.
    if (ask_main_firmware && link.NibbleSendByte(CmdIdentifyVn) != -1) id.firmware = link.NibbleRecvByte();
  }
  id.result = 0;
  id.series = kind;
  return id;
}

}  // namespace

Identification IdentifyModule(Link& link, core::Series series) { return Identify(link, series, true); }

Identification IdentifyForDownload(Link& link, core::Series series) { return Identify(link, series, false); }

core::Message FirmwareLine(const Identification& id) {
  if (id.firmware < 0) return {MessageCode::kFirmwareNotFound};
  return {id.series == 2 ? MessageCode::kMainFirmware : MessageCode::kFirmwareVersion, {id.firmware, 0, 0}};
}

core::Message MathFirmwareLine(const Identification& id) {
  if (id.math_firmware < 0) return {MessageCode::kFirmwareNotFound};
  return {MessageCode::kMathFirmware, {id.math_firmware, 0, 0}};
}

}  // namespace vn::link
