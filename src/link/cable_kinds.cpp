#include "link/cable_kinds.h"

#include <array>

#include "link/dummy_cable.h"
#include "link/link.h"
#include "link/parallel_lines.h"
#include "link/revb_cable.h"
#include "link/usb_cable.h"

namespace vn::link {

namespace {

// Adding a kind of cable: its class in link/, its row here (and its names in cables/cable_table.cpp
// where users choose it by name).
const std::array<CableKindRow, 3> kKinds = {{
    {CableKind::kUsb, -1, 0, false,
     [](LinkDevices& devices, ParallelLines&) -> std::unique_ptr<Cable> {
       return std::make_unique<UsbCable>(devices.usb);
     }},
    {CableKind::kRevB, 0, kCableRevB, false,
     [](LinkDevices&, ParallelLines& lines) -> std::unique_ptr<Cable> { return std::make_unique<RevBCable>(lines); }},
    {CableKind::kDummy, 0, 0, true,
     [](LinkDevices&, ParallelLines& lines) -> std::unique_ptr<Cable> { return std::make_unique<DummyCable>(lines); }},
}};

}  // namespace

std::span<const CableKindRow> CableKinds() { return kKinds; }

const CableKindRow* FindCableKind(CableKind kind) {
  for (const CableKindRow& row : kKinds)
    if (row.kind == kind) return &row;
  return nullptr;
}

std::size_t SelectedCableKind(int use_usb_setting, int cable_mode_setting) {
  for (std::size_t i = 0; i < kKinds.size(); ++i)
    if (kKinds[i].Names(use_usb_setting, cable_mode_setting)) return i;
  for (std::size_t i = 0; i < kKinds.size(); ++i)
    if (use_usb_setting == 0 && kKinds[i].use_usb == 0 && kKinds[i].takes_other_modes) return i;
  // Unreachable while the table has a parallel row that takes the other modes.
  return kKinds.size() - 1;
}

}  // namespace vn::link
