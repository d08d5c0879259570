#include "debugger/var_listing.h"

#include <cstdint>
#include <cstdio>

#include "core/text.h"
#include "isa/isa.h"

namespace vn::debugger {

namespace {

using core::AnsiText;

constexpr int kLabelWidth = 12;
constexpr int kLongArrayNameWidth = 9;

int Byte(const std::vector<int>& ram, long index) {
  if (index < 0 || index >= static_cast<long>(ram.size())) return 0;
  return ram[static_cast<size_t>(index)] & 0xFF;
}

// Bytes of one element of the type, 0 for a type that is not listed with a value.
int ElementSize(int type) {
  switch (type) {
    case isa::kByteVar:
    case isa::kByteArrayVnm:
    case isa::kByteArrayVn:
      return 1;
    case isa::kIntegerVar:
    case isa::kIntegerArray:
      return 2;
    case isa::kLongVar:
    case isa::kLongArray:
    case isa::kSingleVar:
    case isa::kSingleArray:
      return 4;
    default:
      return 0;
  }
}

std::string Hex2(int b) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02X", b & 0xFF);
  return buf;
}

std::string Label(const compiler::VarEntry& var, int element) {
  AnsiText text = var.VarName;
  if (element < 0) {
    if (static_cast<int>(text.size()) < kLabelWidth) text.resize(kLabelWidth, u' ');
    return " " + core::EncodeAnsi(text) + ": ";
  }
  const AnsiText index = core::Ansi("(" + std::to_string(element) + ")");
  if (static_cast<int>(var.VarName.size()) >= kLongArrayNameWidth)
    return " " + core::EncodeAnsi(var.VarName + index) + " : ";
  text += index;
  text.resize(kLabelWidth, u' ');
  return " " + core::EncodeAnsi(text) + ": ";
}

std::string Value(int type, long base, const std::vector<int>& ram) {
  switch (type) {
    case isa::kByteVar:
    case isa::kByteArrayVnm:
    case isa::kByteArrayVn: {
      const int v = Byte(ram, base);
      return core::Str(v) + "   " + core::Hex(static_cast<unsigned long>(v)) + "H";
    }
    case isa::kIntegerVar:
    case isa::kIntegerArray: {
      // Unsigned: the listing never shows an INTEGER negative.
      const long v = Byte(ram, base + 1) * 256L + Byte(ram, base);
      return core::Str(v) + "   " + core::Hex(static_cast<unsigned long>(v)) + "H";
    }
    case isa::kLongVar:
    case isa::kLongArray: {
      std::uint32_t u = 0;
      std::string hex;
      for (int k = 3; k >= 0; --k) {
        u = u << 8 | static_cast<std::uint32_t>(Byte(ram, base + k));
        hex += Hex2(Byte(ram, base + k));
      }
      return core::Str(static_cast<std::int32_t>(u)) + "   " + hex + "H";
    }
    case isa::kSingleVar:
    case isa::kSingleArray: {
      std::string out;
      for (int k = 3; k >= 0; --k) {
        if (k != 3) out += " ";
        out += core::Hex(static_cast<unsigned long>(Byte(ram, base + k)));
      }
      return out;
    }
    case isa::kStringVar: {
      const int n = Byte(ram, base);
      std::string out = " ";
      for (int k = 1; k <= n; ++k) {
        const int ch = Byte(ram, base + k);
        if (ch == 0) break;
        out.push_back(static_cast<char>(ch));
      }
      return out;
    }
    default:
      return "";
  }
}

}  // namespace

int RamIndex(int var_addr, int addr_width) { return addr_width == 1 ? var_addr - isa::kVnRamBase : var_addr; }

std::string ListingLine(const compiler::VarEntry& var, int element, int addr_width, const std::vector<int>& ram) {
  long base = RamIndex(var.VarAddr, addr_width);
  if (element > 0) base += static_cast<long>(element) * ElementSize(var.VarType);
  return Label(var, element) + Value(var.VarType, base, ram);
}

VarListing BuildVarListing(const std::vector<compiler::VarEntry>& vars, int addr_width, const std::vector<int>& ram) {
  VarListing out;
  out.offsets.push_back(0);
  long pos = 1;
  auto add = [&](const std::string& line) {
    out.offsets.push_back(pos);
    pos += static_cast<long>(line.size()) + 2;
    out.bytes += line;
    out.bytes += "\r\n";
  };
  for (const auto& var : vars) {
    if (var.VarDim != 0) {
      for (int j = 0; j < var.VarDim; ++j) add(ListingLine(var, j, addr_width, ram));
    } else {
      add(ListingLine(var, -1, addr_width, ram));
    }
  }
  out.line_count_plus1 = static_cast<int>(out.offsets.size());
  out.offsets.push_back(pos);
  for (int i = 0; i < kVarListingTrailer; ++i) out.bytes += " \r\n";
  return out;
}

}  // namespace vn::debugger
