#include "cables/cable_table.h"

#include <array>

namespace vn::cables {

namespace {

using link::CableKind;

// Adding a kind of cable: its class in link/ and its row here.
constexpr std::array<CableRow, 6> kCables = {{
    {"usb", CableKind::kUsb, false},
    {"revb", CableKind::kRevB, false},
    {"dummy", CableKind::kDummy, false},
    {"virtual", CableKind::kUsb, true},
    {"virtual-revb", CableKind::kRevB, true},
    {"virtual-dummy", CableKind::kDummy, true},
}};

constexpr std::string_view kVnmEnding = "-vnm";

}  // namespace

std::span<const CableRow> CableTable() { return kCables; }

const CableRow* FindCable(std::string_view name) {
  for (const CableRow& row : kCables)
    if (name == row.name) return &row;
  return nullptr;
}

std::string CableNames(std::string_view separator) {
  std::string names;
  for (const CableRow& row : kCables) {
    if (!names.empty()) names += separator;
    names += row.name;
  }
  return names;
}

std::optional<NamedCable> ParseNamedCable(std::string_view name) {
  NamedCable named;
  if (name.ends_with(kVnmEnding)) {
    named.series = core::Series::kVnm;
    name.remove_suffix(kVnmEnding.size());
  }
  named.row = FindCable(name);
  if (named.row == nullptr) return std::nullopt;
  // Only the virtual module's series can be chosen; a real module is what it is.
  if (named.series == core::Series::kVnm && !named.row->is_virtual) return std::nullopt;
  return named;
}

std::string NamedCableNames(std::string_view separator) {
  std::string names;
  for (const CableRow& row : kCables) {
    if (!names.empty()) names += separator;
    names += row.name;
  }
  for (const CableRow& row : kCables) {
    if (!row.is_virtual) continue;
    names += separator;
    names += row.name;
    names += kVnmEnding;
  }
  return names;
}

}  // namespace vn::cables
