// Helpers shared by the compiler tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compiler.h"

namespace vn::compiler::testing {

using Bytes = std::vector<int>;

// A compiler with the device preset as the device menu would set it ("KF", "WF", ...).
inline std::unique_ptr<Compiler> MakeCompiler(const std::string& device = "KF") {
  auto c = std::make_unique<Compiler>();
  ApplyDeviceCode(c->Device, *FindDeviceCode(device));
  return c;
}

// Joins lines with CR LF, as the editor writes them.
inline std::string Source(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// Compiles the lines for a device; the compiler keeps its tables for inspection.
inline std::unique_ptr<Compiler> Compile(const std::string& device, const std::vector<std::string>& lines) {
  auto c = MakeCompiler(device);
  c->CompileSource(Source(lines));
  return c;
}

// Code bytes of addresses from..to-1.
inline Bytes CodeBytes(const Compiler& c, long from, long to) {
  Bytes out;
  for (long a = from; a < to; ++a) out.push_back(c.Code.Get(a));
  return out;
}

// The program's own bytes: from address 24 up to the end-of-program jump (excluded).
inline Bytes ProgramBytes(const Compiler& c) { return CodeBytes(c, 24, c.CodeAddr - 3); }

}  // namespace vn::compiler::testing
