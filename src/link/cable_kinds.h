// The kinds of cable the link drives, one row each: which values of the settings (UseUsb,
// CableMode) select it and how it is built from the link's devices and parallel lines. The link
// builds one cable per row and drives the one the settings select; choosing a cable by its kind
// writes the row's settings. A new kind of cable is its class and its row here.
#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include "link/cable.h"

namespace vn::link {

struct LinkDevices;
class ParallelLines;

struct CableKindRow {
  CableKind kind;
  // The UseUsb value written to choose the kind; any non-zero UseUsb selects the row that
  // writes a non-zero one, whatever CableMode says.
  int use_usb;
  // With UseUsb 0: the CableMode value written to choose the kind, and that selects it.
  int cable_mode;
  // With UseUsb 0: the row also takes every CableMode value no other row names (the settings
  // file may hold any number there).
  bool takes_other_modes;
  // The cable over the link's devices and lines, which outlive it.
  std::unique_ptr<Cable> (*make)(LinkDevices& devices, ParallelLines& lines);

  // Whether these settings name this row itself (not as the row for every other mode).
  bool Names(int use_usb_setting, int cable_mode_setting) const {
    if (use_usb != 0 || use_usb_setting != 0) return (use_usb != 0) == (use_usb_setting != 0);
    return cable_mode == cable_mode_setting;
  }
  // Writes the settings that select this row (CableMode stays as it is for a USB row).
  void Apply(int& use_usb_setting, int& cable_mode_setting) const {
    use_usb_setting = use_usb;
    if (use_usb == 0) cable_mode_setting = cable_mode;
  }
};

std::span<const CableKindRow> CableKinds();

// The row of `kind`; null for a kind the table does not have.
const CableKindRow* FindCableKind(CableKind kind);

// The index in CableKinds() of the row the settings select.
std::size_t SelectedCableKind(int use_usb_setting, int cable_mode_setting);

}  // namespace vn::link
