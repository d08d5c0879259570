// Shared by the virtual module's tests: real BASIC compiled and run in the interpreter, the
// variables read back by their declared types, inputs in the command line's KEY:TARGET=VALUE form
// and a module's replies taken byte by byte as the PC takes them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compiler.h"
#include "sim/interpreter.h"
#include "sim/module.h"
#include "../compiler/compile_helpers.h"

namespace vn::sim::testing {

// `text` cut at each `sep`.
inline std::vector<std::string> Split(std::string_view text, char sep) {
  std::vector<std::string> out;
  for (size_t at = 0, end = 0; !text.empty() && at <= text.size(); at = end + 1) {
    end = std::min(text.find(sep, at), text.size());
    out.emplace_back(text.substr(at, end - at));
  }
  return out;
}

// The code bytes of a successful compile, 0 .. CodeAddr - 1.
inline std::vector<std::uint8_t> CodeOf(const compiler::Compiler& c) {
  std::vector<std::uint8_t> code;
  for (long a = 0; a < c.CodeAddr; ++a) code.push_back(c.Code.Get(a));
  return code;
}

// A compiled program loaded into an interpreter; the compiler's tables give the variables' names
// and types and the line map.
struct Machine {
  std::unique_ptr<compiler::Compiler> c;
  std::unique_ptr<Interpreter> vm;

  int Line(std::uint32_t pc) const { return c->Code.LineOf(static_cast<long>(pc)); }
  int Line() const { return Line(vm->pc()); }
  const compiler::VarEntry* Find(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return &v;
    ADD_FAILURE() << "no variable " << name;
    return nullptr;
  }
  long Addr(const std::string& name) const { return Find(name) ? Find(name)->VarAddr : -1; }
  int Byte(const std::string& name, int offset = 0) const { return Addr(name) < 0 ? -1 : vm->RamByte(Addr(name) + offset); }
  // Low byte first, as the module keeps them.
  long Long(const std::string& name, int size = 4) const {
    std::uint32_t u = 0;
    for (int k = size - 1; k >= 0; --k) u = u << 8 | static_cast<std::uint32_t>(Byte(name, k));
    return size == 4 ? static_cast<std::int32_t>(u) : static_cast<long>(u);
  }
  float Single(const std::string& name) const { return std::bit_cast<float>(static_cast<std::uint32_t>(Long(name))); }
  std::string String(const std::string& name) const {
    const long a = Addr(name);
    std::string s;
    for (int k = 0; k < vm->RamByte(a) && vm->RamByte(a + 1 + k) > 0; ++k) s.push_back(static_cast<char>(vm->RamByte(a + 1 + k)));
    return s;
  }
  // A scalar by its declared type (BYTE, unsigned INTEGER, LONG); arrays read as their first byte.
  long Var(const std::string& name) const {
    const compiler::VarEntry* v = Find(name);
    return v == nullptr ? -1 : v->VarType == compiler::kIntegerVar ? Long(name, 2) : v->VarType == compiler::kLongVar ? Long(name) : Byte(name);
  }
};

inline Machine Load(std::unique_ptr<compiler::Compiler> c, InterpreterOptions options = {}) {
  Machine m{std::move(c), nullptr};
  m.vm = std::make_unique<Interpreter>(m.c->Device.DeviceKind == 1 ? Series::kVn : Series::kVnm, CodeOf(*m.c), options);
  return m;
}

inline Machine Boot(const std::string& device, const std::vector<std::string>& lines, InterpreterOptions options = {}) {
  auto c = compiler::testing::Compile(device, lines);
  EXPECT_EQ(c->Outcome.result, 0) << "compile failed at line " << c->Outcome.line << ": " << c->Outcome.message.en;
  return Load(std::move(c), options);
}

// A source file of the project (examples/...), compiled for `device` unless it names its own.
inline Machine BootFile(const std::string& device, const std::string& relative_path) {
  auto c = compiler::testing::MakeCompiler(device);
  std::ifstream in(std::string(VN_SOURCE_DIR) + "/" + relative_path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(c->CompileSource(bytes), 0) << relative_path << ":" << c->Outcome.line << ": " << c->Outcome.message.en;
  return Load(std::move(c));
}

// Everything the module has to say, as the PC reads it.
inline std::vector<int> Drain(Module& m) {
  std::vector<int> out;
  for (; m.HasOutput(); m.PopOutput()) out.push_back(m.PeekOutput());
  return out;
}

// Sends the bytes one by one, `at_ns` apart on the module's clock when given, taking whatever the
// module answers before the next.
inline std::vector<int> Exchange(Module& m, const std::vector<int>& in, std::int64_t at_ns = -1) {
  std::vector<int> out;
  for (int b : in) {
    at_ns < 0 ? m.Receive(static_cast<std::uint8_t>(b)) : m.Receive(static_cast<std::uint8_t>(b), at_ns);
    const auto reply = Drain(m);
    out.insert(out.end(), reply.begin(), reply.end());
  }
  return out;
}

}  // namespace vn::sim::testing
