// Helpers shared by the compiler tests: compiling a few lines, and rows of exact bytes or exact messages.
#pragma once

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
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

// The lines of a table row's source: "DIM A AS BYTE|A = 1" is two lines.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out(1);
  for (char ch : text) {
    if (ch == '|') out.emplace_back();
    else out.back().push_back(ch);
  }
  return out;
}

inline std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

inline Bytes CodeBytes(const Compiler& c, long from, long to) {
  Bytes out;
  for (long a = from; a < to; ++a) out.push_back(c.Code.Get(a));
  return out;
}

// The program's own bytes: from address 24 up to the end-of-program jump (excluded).
inline Bytes ProgramBytes(const Compiler& c) { return CodeBytes(c, 24, c.CodeAddr - 3); }

// Compiles a table row's source, which must compile.
inline std::unique_ptr<Compiler> Ok(const char* device, const std::string& source) {
  auto c = Compile(device, Lines(source));
  EXPECT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  return c;
}

struct ByteRow {
  const char* device;
  std::string source;  // lines separated by '|'
  Bytes bytes;         // the program's bytes
  std::vector<std::pair<long, int>> lines = {};  // code addresses and the source lines they map to
};

inline void ExpectRow(const ByteRow& r) {
  SCOPED_TRACE(std::string(r.device) + ": " + r.source);
  auto c = Compile(r.device, Lines(r.source));
  ASSERT_EQ(c->Outcome.result, 0) << c->Outcome.message.en;
  EXPECT_EQ(ProgramBytes(*c), r.bytes);
  for (auto [addr, line] : r.lines) EXPECT_EQ(c->Code.LineOf(addr), line) << addr;
}

// A message. Without a Korean text the row checks only that the pair has one of its own (the
// Korean texts of the other rows of its table are spelled out); English() gives the messages the
// program shows in English in both languages.
struct Text {
  const char* en;
  const char* ko = nullptr;
};

inline Text English(const char* en) { return {en, en}; }

struct ErrorRow {
  const char* device;
  std::string source;  // lines separated by '|'
  Text text;
  int line = 0;  // the line reported; 0: the last line
};

inline void ExpectRow(const ErrorRow& r) {
  SCOPED_TRACE(std::string(r.device) + ": " + r.source.substr(0, 80));
  const auto lines = Lines(r.source);
  auto c = Compile(r.device, lines);
  EXPECT_EQ(c->Outcome.result, 1);
  EXPECT_FALSE(c->CompiledOK);
  EXPECT_EQ(c->Outcome.line, r.line != 0 ? r.line : static_cast<int>(lines.size()));
  EXPECT_EQ(c->Outcome.message.en, r.text.en);
  if (r.text.ko != nullptr) {
    EXPECT_EQ(c->Outcome.message.ko, r.text.ko);
  } else {
    EXPECT_FALSE(c->Outcome.message.ko.empty());
    EXPECT_NE(c->Outcome.message.ko, c->Outcome.message.en);
  }
}

// Messages many statements share.
inline const Text kInvalidConstant{"Invalid Constant or Command !", "정의되지 않은 상수이거나 번역할 수 없는 명령어입니다."};
inline const Text kNoDefined{"No Defined Variable or Wrong Constant !", kInvalidConstant.ko};
inline const Text kEndOfLine{"Syntax Error on End of Line !", "문법에러 : 한행의 끝에서 해석할 수 없는 문자가 발견되었습니다."};
inline const Text kDeviceVn{"Can not use this command at VN-XX device", "VN시리즈에서는 이 명령어를 사용할 수 없습니다."};
inline const Text kDeviceVnm{"Can not use this command at VNM-XX device", "VNM시리즈에서는 이 명령어를 사용할 수 없습니다."};
inline const Text kPortRange{"Out of I/O port number", "I/O포트의 사용범위가 아닙니다."};
inline const Text kByteOnly{"Use only Byte type", "바이트형 인수만 사용가능합니다."};
inline const Text kTooComplex{"Statement Too Complex ! Make Simple !",
                              "해석하기에 너무 복잡한 연산식입니다. 단순한 식 여러개로 분리해서 작성하십시요"};
inline const char* const kNoComma = "문법에러 : 쉼표를 찾을 수 없습니다.";
inline const char* const kNoParen = "문법에러 : 괄호를 찾을 수 없습니다.";
}  // namespace vn::compiler::testing
