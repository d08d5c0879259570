// The variable listing: one line per scalar variable and per array element, built from the
// compiler's variable table and the PC-side copy of the module's RAM, and written beside the
// source as the ".var" file that the check-variable window shows.
#pragma once

#include <string>
#include <vector>

#include "compiler/compiler.h"

namespace vn::debugger {

// Blank lines after the last variable, so that a window scrolled to the end still shows rows.
inline constexpr int kVarListingTrailer = 101;

// The listing's bytes (code page 949, CR LF) and where each line begins.
struct VarListing {
  std::string bytes;
  // offsets[n]: 1-based byte position of variable line n (n from 1); offsets[0] is unused and
  // offsets[count + 1] is where the blank lines begin. 32 bits, so that a listing of any length
  // can be scrolled through.
  std::vector<long> offsets;
  int line_count_plus1 = 1;  // VarLineCountPlus1
};

// The RAM index of a variable in RamImage: VarAddr - 160 on the VN series (AddrWidth 1),
// VarAddr on the VNM series.
int RamIndex(int var_addr, int addr_width);

// The label and value of one line ("CNT" holding 26: " CNT         :  26   1AH").
// `element` is -1 for a scalar.
std::string ListingLine(const compiler::VarEntry& var, int element, int addr_width, const std::vector<int>& ram);

// The whole listing, blank lines included.
VarListing BuildVarListing(const std::vector<compiler::VarEntry>& vars, int addr_width, const std::vector<int>& ram);

}  // namespace vn::debugger
