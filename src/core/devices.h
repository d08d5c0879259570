// The module types a program can be written for: one row per device code, shared by CONST
// DEVICE and the command line's --device (through the compiler) and by the IDE's device menu.
#pragma once

#include <array>
#include <string_view>

namespace vn::core {

// The two families of modules; each speaks its own protocol on the wire and runs its own byte
// code. The values are those of the device table's `kind`, the settings and the object files.
enum class Series { kVn = 1, kVnm = 2 };

// The series of a `kind` number (1 VN, 2 VNM); anything else is read as VN, as the link always has.
constexpr Series SeriesOfKind(int kind) { return kind == 2 ? Series::kVnm : Series::kVn; }
constexpr int KindOfSeries(Series series) { return static_cast<int>(series); }

struct DeviceInfo {
  const char* code;        // what CONST DEVICE and --device accept
  const char* series;      // the series CONST DEVICE sets: "KX", "LX", "NX" or "WX"
  int first_addr;          // first free variable address
  int limit;               // exclusive upper limit of variable memory
  int addr_width;          // bytes of a variable address in the code
  int kind;                // 1 = VN series, 2 = VNM series
  const char* menu_item;   // the device code whose menu item CONST DEVICE checks
  // The device menu's own item for this code (object name), "" for the codes that only
  // CONST DEVICE knows (ZQ1, ZQ2).
  const char* menu_object;
  // The series the device menu sets when the item is chosen. It differs from `series` for LF
  // and LG: the menu has always put those in the KX series, CONST DEVICE in the LX series, and
  // programs and settings depend on both, so each keeps its own value here. The menu sets only
  // the series and the kind; the memory layout follows at the next compile.
  const char* menu_series;

  bool has_menu_item() const { return menu_object[0] != '\0'; }
};

inline constexpr std::array<DeviceInfo, 10> kDevices = {{
    {"KD", "KX", 160, 256, 1, 1, "KD", "mnuVNKD", "KX"},
    {"KF", "KX", 160, 256, 1, 1, "KF", "mnuVNKF", "KX"},
    {"ZQ1", "KX", 160, 256, 1, 1, "KD", "", ""},
    {"LF", "LX", 160, 256, 1, 1, "LF", "mnuVNLF", "KX"},
    {"LG", "LX", 160, 256, 1, 1, "LG", "mnuVNLG", "KX"},
    {"ND", "NX", 160, 240, 1, 1, "ND", "mnuVNND", "NX"},
    {"NG", "NX", 160, 240, 1, 1, "NG", "mnuVNNG", "NX"},
    {"ZQ2", "NX", 160, 240, 1, 1, "ND", "", ""},
    {"WD", "WX", 0, 32767, 2, 2, "WD", "mnuVNMWD", "WX"},
    {"WF", "WX", 0, 32767, 2, 2, "WF", "mnuVNMWF", "WX"},
}};

// The row of `code` ("KD", "KF", "ZQ1", "LF", "LG", "ND", "NG", "ZQ2", "WD", "WF"), or null.
constexpr const DeviceInfo* FindDeviceCode(std::string_view code) {
  for (const DeviceInfo& info : kDevices)
    if (code == info.code) return &info;
  return nullptr;
}

}  // namespace vn::core
