// Finding out which module is attached: the opening every download makes (the USB cable's
// queries, the cable speed check, the identification command of the selected series) and the
// firmware versions the module reports.
#pragma once

#include "link/link.h"

namespace vn::link {

struct Identification {
  int result = -1;         // 0 = a module of the selected series answered, -1 = none did
  int series = 0;          // DeviceKind of the module that answered
  int firmware = -1;       // VN: the identification's first byte; VNM: the main firmware
  int math_firmware = -1;  // VNM: the second processor's firmware (its answer to &H67)
  LinkMessage message;     // on failure: the message box to show
};

// Identifies the module of the series `series`: over USB the device is reset
// and the cable and family queries must pass; on the VN series the speed check runs first if
// it has not passed in this run (and is marked passed).
Identification IdentifyModule(Link& link, core::Series series);

// The identification a download opens with: as IdentifyModule, but a VNM module is only asked
// &H67 (is it there and ready); its main firmware version (&H56) is left to the about box and
// the identify command. A module that does not answer &H56 would cost a read time-out on every
// download, and one that answered it with more than one byte would leave those bytes ahead of
// the checksum on the USB cable. `firmware` stays -1 for a VNM module.
Identification IdentifyForDownload(Link& link, core::Series series);

// The about box's lines for an identification: "F/W Version is n" (VN), or "Main F/W is n"
// and "Math Chip F/W is n" (VNM); "Firmware Not Found !" where a number is missing. The
// front ends render them from the message table.
core::Message FirmwareLine(const Identification& id);
core::Message MathFirmwareLine(const Identification& id);

}  // namespace vn::link
