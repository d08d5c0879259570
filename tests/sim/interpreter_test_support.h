// Shared by the interpreter tests: compile real BASIC lines and run them in the interpreter.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "sim/interpreter.h"
#include "../compiler/compile_helpers.h"

namespace vn::sim::testing {

// A compiled program loaded into an interpreter, with the compiler's tables kept for the names
// of variables and the line map.
struct Machine {
  std::unique_ptr<compiler::Compiler> c;
  std::unique_ptr<Interpreter> vm;

  // The source line the debugger would show for a stop at `pc`.
  int Line(std::uint32_t pc) const { return c->Code.LineOf(static_cast<long>(pc)); }
  int Line() const { return Line(vm->pc()); }

  long Addr(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return v.VarAddr;
    ADD_FAILURE() << "no variable " << name;
    return -1;
  }
  // A scalar by its declared type: BYTE, INTEGER (unsigned) or LONG.
  long Var(const std::string& name) const {
    for (const auto& v : c->Vars) {
      if (core::EncodeAnsi(v.VarName) != name) continue;
      if (v.VarType == compiler::kIntegerVar) return Word(name);
      if (v.VarType == compiler::kLongVar) return Long(name);
      return Byte(name);
    }
    ADD_FAILURE() << "no variable " << name;
    return -1;
  }
  int Byte(const std::string& name, int offset = 0) const {
    const long a = Addr(name);
    return a < 0 ? -1 : vm->RamByte(a + offset);
  }
  // INTEGER (unsigned 16), LONG (signed 32).
  long Word(const std::string& name, int offset = 0) const { return Byte(name, offset) | Byte(name, offset + 1) << 8; }
  long Long(const std::string& name, int offset = 0) const {
    std::uint32_t u = 0;
    for (int k = 3; k >= 0; --k) u = u << 8 | static_cast<std::uint32_t>(Byte(name, offset + k));
    return static_cast<std::int32_t>(u);
  }
  float Single(const std::string& name, int offset = 0) const {
    std::uint32_t u = static_cast<std::uint32_t>(Long(name, offset));
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
  }
  std::string String(const std::string& name) const {
    const long a = Addr(name);
    std::string s;
    for (int k = 0; k < vm->RamByte(a); ++k) {
      const int ch = vm->RamByte(a + 1 + k);
      if (ch <= 0) break;
      s.push_back(static_cast<char>(ch));
    }
    return s;
  }
};

// The code bytes of a successful compile, 0 .. CodeAddr - 1.
inline std::vector<std::uint8_t> CodeOf(const compiler::Compiler& c) {
  std::vector<std::uint8_t> code;
  for (long a = 0; a < c.CodeAddr; ++a) code.push_back(c.Code.Get(a));
  return code;
}

inline Machine Boot(const std::string& device, const std::vector<std::string>& lines, InterpreterOptions options = {}) {
  Machine m;
  m.c = compiler::testing::Compile(device, lines);
  EXPECT_EQ(m.c->Outcome.result, 0) << "compile failed at line " << m.c->Outcome.line << ": " << m.c->Outcome.message.en;
  const Series series = m.c->Device.DeviceKind == 1 ? Series::kVn : Series::kVnm;
  m.vm = std::make_unique<Interpreter>(series, CodeOf(*m.c), options);
  return m;
}

// A source file of the project (examples/...), compiled for `device` unless it names its own.
inline Machine BootFile(const std::string& device, const std::string& relative_path, InterpreterOptions options = {}) {
  Machine m;
  m.c = compiler::testing::MakeCompiler(device);
  std::ifstream in(std::string(VN_SOURCE_DIR) + "/" + relative_path, std::ios::binary);
  EXPECT_TRUE(in.good()) << relative_path;
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(m.c->CompileSource(bytes), 0) << relative_path << ":" << m.c->Outcome.line << ": " << m.c->Outcome.message.en;
  const Series series = m.c->Device.DeviceKind == 1 ? Series::kVn : Series::kVnm;
  m.vm = std::make_unique<Interpreter>(series, CodeOf(*m.c), options);
  return m;
}

// A program that should run to its end within a million instructions.
inline Machine RunToEnd(const std::string& device, const std::vector<std::string>& lines) {
  Machine m = Boot(device, lines);
  const Stop s = m.vm->Run(1000000);
  EXPECT_EQ(s.reason, StopReason::kEnd) << StopReasonName(s.reason) << " " << s.fault.message;
  return m;
}

}  // namespace vn::sim::testing
