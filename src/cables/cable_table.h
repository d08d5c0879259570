// The cables a user can name (the command line's --cable, the IDE's --cable) and what each one
// is: which of the link's cables it drives, and whether the virtual module is behind it. One
// row per name; the front ends take their option checks, help texts and messages from here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/devices.h"
#include "link/cable.h"

namespace vn::cables {

struct CableRow {
  const char* name;
  link::CableKind kind;
  bool is_virtual;  // the virtual module, through its end of this kind of cable
};

std::span<const CableRow> CableTable();

// The row named `name`; null for a name the table does not have.
const CableRow* FindCable(std::string_view name);

// The names, in the table's order, joined by `separator`.
std::string CableNames(std::string_view separator = ", ");

// A cable name with the IDE's "-vnm" ending on a virtual one: the virtual module of the VNM
// series ("virtual-vnm", "virtual-revb-vnm", ...). nullopt for anything else.
struct NamedCable {
  const CableRow* row = nullptr;
  core::Series series = core::Series::kVn;  // the virtual module's series
  bool operator==(const NamedCable&) const = default;
};
std::optional<NamedCable> ParseNamedCable(std::string_view name);
// Every name ParseNamedCable takes: the table's names in order, then the "-vnm" form of each
// virtual one.
std::string NamedCableNames(std::string_view separator = ", ");

}  // namespace vn::cables
