// Finding out which module is attached: the opening every download makes (the USB cable's
// queries, the cable speed check, the identification command of the selected series) and the
// firmware versions the module reports.
#pragma once

#include "link/link.h"

namespace vn::link {

// The texts of the failures, English and Korean.
struct LinkText {
  const char* en;
  const char* ko;
};
inline constexpr LinkText kNoUsbCable = {"Can't find USB cable", "USB케이블을 찾을수 없습니다."};
inline constexpr LinkText kFamilyMismatch = {
    "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!",
    "연결되어 있는 VARNOLIC과 CONST DEVICE에서 지정한 디바이스가 일치하지 않습니다."};
inline constexpr LinkText kNotVnSeries = {"Not Vn serise. Check VARNOLIC MODEL number!",
                                          "VN시리즈가 아닙니다. VARNOLIC 모델을 확인하십시요!"};
inline constexpr LinkText kNoPower = {
    "No Power or Cable unpluged or Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!",
    "전원이 공급되고 있지 않거나, 케이블이 연결되어 있지않습니다. 또는 VARNOLIC과 CONST DEVICE에서 지정한 "
    "디바이스가 일치하지 않습니다."};
inline constexpr LinkText kModuleNotFound = {"VARNOLIC module not found ! Check cable or power",
                                             "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!"};

struct Identification {
  int result = -1;         // 0 = a module of the selected series answered, -1 = none did
  int series = 0;          // DeviceKind of the module that answered
  int firmware = -1;       // VN: the identification's first byte; VNM: the main firmware
  int math_firmware = -1;  // VNM: the second processor's firmware (its answer to &H67)
  LinkMessage message;     // on failure: the message box the IDE shows
};

// Identifies the module of the series `link.DeviceKind` selects: over USB the device is reset
// and the cable and family queries must pass; on the VN series the speed check runs first if
// it has not passed in this run (and is marked passed). `use_korean` = -1 picks the Korean
// texts.
Identification IdentifyModule(Link& link, int use_korean = 0);

// The identification a download opens with: as IdentifyModule, but a VNM module is only asked
// &H67 (is it there and ready); its main firmware version (&H56) is left to the about box and
// the identify command. A module that does not answer &H56 would cost a read time-out on every
// download, and one that answered it with more than one byte would leave those bytes ahead of
// the checksum on the USB cable. `firmware` stays -1 for a VNM module.
Identification IdentifyForDownload(Link& link, int use_korean = 0);

// The about box's lines for an identification: "F/W Version is n" (VN), or "Main F/W is n"
// and "Math Chip F/W is n" (VNM); "Firmware Not Found !" where a number is missing.
std::string FirmwareLine(const Identification& id);
std::string MathFirmwareLine(const Identification& id);

}  // namespace vn::link
