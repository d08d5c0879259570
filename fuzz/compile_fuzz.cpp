// The compiler on arbitrary source text. The first byte picks the device and the Hangul code
// set; the rest is the source file's bytes:
//   bit 0: 0 = a VN device, 1 = a VNM device
//   bit 1: "SET HCODE KS5601" is put in front of the source (string constants in code page 949)
//   bit 2: the other device of the series (VN: KF or ND, VNM: WF or WD)
// After the compile the tables must be within their capacities and, when it succeeded, the code
// must lie inside the image with every label and every label reference in it.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "compiler/compiler.h"
#include "fuzz_support.h"

namespace {

using vn::compiler::Compiler;
using vn::core::CodeImage;
using vn::fuzz::Check;

// By the selector's bits 0 and 2.
constexpr const char* kDevices[] = {"KF", "WF", "ND", "WD"};

void CheckTables(const Compiler& c) {
  Check(c.VarCount() <= Compiler::kMaxVars, "variables within capacity", c.VarCount());
  Check(c.ConstCount() <= Compiler::kMaxConsts, "constants within capacity", c.ConstCount());
  Check(c.LabelCount() <= Compiler::kMaxLabels, "labels within capacity", c.LabelCount());
  Check(c.FixCount() <= Compiler::kMaxFixups, "label references within capacity", c.FixCount());
  Check(c.PendLen >= 0 && c.PendLen <= Compiler::kPendSize, "pending operand within its buffer", c.PendLen);
  Check(c.SaveLen >= 0 && c.SaveLen <= Compiler::kPendSize, "saved operand within its buffer", c.SaveLen);
  for (const auto& slot : c.OperandStack)
    Check(slot.len >= 0 && slot.len <= Compiler::kOperandSlotSize, "operand slot within its size", slot.len);
  // ForDepth counts the loops open (entries 0..ForDepth - 1); IfDepth is the top entry's index.
  Check(c.ForDepth >= 0 && c.ForDepth <= Compiler::kStackSize, "FOR depth within the stack", c.ForDepth);
  Check(c.IfDepth >= 0 && c.IfDepth < Compiler::kStackSize, "IF depth within the stack", c.IfDepth);
}

// At least the number of physical lines of `source`, whatever its line ends.
int LineBound(const std::string& source) {
  return 1 + static_cast<int>(std::count_if(source.begin(), source.end(), [](char ch) { return ch == '\n' || ch == '\r'; }));
}

void CheckCompiled(const Compiler& c, int line_bound) {
  Check(c.Outcome.result == 0, "a compile that returned 0 reports success", c.Outcome.result);
  // The last byte of the program (the end jump's high byte) is at CodeAddr - 1.
  Check(c.CodeAddr >= CodeImage::kHeaderSize + 3, "CodeAddr past the end jump", c.CodeAddr);
  Check(c.CodeAddr - 1 <= CodeImage::kLastAddr, "CodeAddr within the image", c.CodeAddr);
  const long end = c.CodeAddr - 3;
  Check(c.Code.Get(end) == vn::isa::Opcode::kGoto, "the program ends in a jump", end);
  Check(c.Code.Get(end + 1) + 256L * c.Code.Get(end + 2) == end, "the end jump targets itself", end);
  for (const auto& label : c.Labels)
    Check(label.LabelAddr >= CodeImage::kHeaderSize && label.LabelAddr <= end, "label inside the program",
          label.LabelAddr);
  for (const auto& fix : c.Fixups) {
    Check(fix.FixAddr >= CodeImage::kHeaderSize && fix.FixAddr + 1 < end, "label reference inside the program",
          fix.FixAddr);
    const long target = c.FindLabel(fix.FixName);
    Check(target >= 0, "every reference resolved", fix.FixAddr);
    Check(c.Code.Get(fix.FixAddr) + 256L * c.Code.Get(fix.FixAddr + 1) == target, "reference holds its label",
          fix.FixAddr);
  }
  for (const auto& v : c.Vars) {
    Check(v.VarAddr >= 0 && v.VarAddr < c.Device.VarAddrLimit, "variable inside variable memory", v.VarAddr);
    Check(v.VarDim >= 0, "array size not negative", v.VarDim);
  }
  Check(c.VarBytesUsed >= 0 && c.VarBytesUsed <= c.Device.VarAddrLimit, "variable bytes within memory",
        c.VarBytesUsed);
  // The end jump belongs to the line after the last one (the debugger shows a blank line there).
  for (long a = 0; a < c.CodeAddr; ++a)
    Check(c.Code.LineOf(a) >= 1 && c.Code.LineOf(a) <= line_bound + 1, "line map entries are source lines", a);
  for (const auto& k : c.Consts)
    if (k.ConstArrKind != 0)
      Check(k.ConstArrAddr >= CodeImage::kHeaderSize && k.ConstArrAddr + k.ConstArrLen <= end,
            "constant array inside the program", k.ConstArrAddr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t selector = data[0];
  std::string source;
  if ((selector & 2) != 0) source = "SET HCODE KS5601\r\n";
  source.append(reinterpret_cast<const char*>(data + 1), size - 1);

  // A fresh compiler for every input, so that a finding does not depend on the inputs before.
  const auto compiler = std::make_unique<Compiler>();
  Compiler& c = *compiler;
  vn::compiler::ApplyDeviceCode(c.Device, *vn::compiler::FindDeviceCode(kDevices[(selector & 1) | ((selector >> 1) & 2)]));

  const int result = c.CompileSource(source);
  Check(result == 0 || result == 1, "CompileSource returns 0 or 1", result);
  CheckTables(c);
  const int line_bound = LineBound(source);
  if (result == 0) {
    CheckCompiled(c, line_bound);
  } else {
    Check(c.Outcome.result == 1, "a failed compile reports failure", c.Outcome.result);
    Check(!c.Outcome.message.en.empty() && !c.Outcome.message.ko.empty(), "a failed compile has its message");
    Check(c.Outcome.line >= 0 && c.Outcome.line <= line_bound, "the error line is a source line", c.Outcome.line);
  }
  return 0;
}
