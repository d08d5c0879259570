// The instruction set's tables against the interpreter that runs the byte code: a byte the
// tables name is taken as what they say it is, and no other byte is.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "isa/isa.h"
#include "sim/interpreter.h"

namespace vn::sim {
namespace {

// The header, then `program` at the first instruction, then `fill` bytes so that nothing
// runs off the end of the code before it has been decoded.
std::vector<std::uint8_t> Code(const std::vector<std::uint8_t>& program, std::uint8_t fill) {
  std::vector<std::uint8_t> code(isa::kHeaderSize + program.size() + 16, fill);
  for (long a = 0; a < isa::kHeaderSize; ++a) code[static_cast<size_t>(a)] = isa::kHeaderFill;
  for (size_t k = 0; k < program.size(); ++k) code[isa::kProgramStart + k] = program[k];
  return code;
}

const char* SeriesName(Series s) { return s == Series::kVn ? "VN" : "VNM"; }

TEST(InstructionSet, TheOpcodeTableNamesEveryInstructionAndNothingElse) {
  for (Series series : {Series::kVn, Series::kVnm}) {
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      Interpreter vm(series, Code({byte}, isa::kEndOfList));
      const Stop s = vm.StepInto();
      const bool unknown = s.reason == StopReason::kFault && s.fault.kind == FaultKind::kUnknownOpcode;
      EXPECT_EQ(unknown, isa::FindOpcode(byte) == nullptr)
          << SeriesName(series) << " byte " << b << " (" << isa::OpcodeName(byte) << "): " << s.fault.message;
    }
  }
}

TEST(InstructionSet, EveryDescriptorIsAnOperandAndNoOtherByteBelowTheFunctions) {
  // An assignment to a BYTE variable whose value is the operand under test. The bytes after
  // it are all the constant 0, which serves as an address, an index or an operand alike.
  for (Series series : {Series::kVn, Series::kVnm}) {
    const bool vn = series == Series::kVn;
    for (int b = 0; b < isa::kFirstFunction; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      std::vector<std::uint8_t> program = {isa::Opcode::kAssign, isa::kByteVar, isa::kVnRamBase};
      if (!vn) program.push_back(0);
      program.push_back(byte);
      Interpreter vm(series, Code(program, isa::kConst0));
      const Stop s = vm.StepInto();
      const bool unknown = s.reason == StopReason::kFault && s.fault.kind == FaultKind::kUnknownOperand;
      EXPECT_EQ(unknown, !isa::IsDescriptor(byte)) << SeriesName(series) << " byte " << b << ": " << s.fault.message;
    }
  }
}

TEST(InstructionSet, StepOverAndOutTreatTheCallsOfEachSeriesAsCalls) {
  // A call to a subroutine that sets a variable and returns: stepping over the call runs it.
  struct Case {
    Series series;
    std::vector<std::uint8_t> call;  // the call instruction, which reaches the subroutine at 40
    bool is_call;
  };
  const std::uint8_t sub = 40;
  const Case cases[] = {
      {Series::kVn, {isa::Opcode::kGosub, sub, 0}, true},
      {Series::kVnm, {isa::Opcode::kGosub, sub, 0}, true},
      // ON 0 GOSUB with one label: a call on the VNM series only.
      {Series::kVnm, {isa::Opcode::kOnGosubVnm, isa::kConst0, 1, sub, 0}, true},
      {Series::kVnm, {isa::Opcode::kGoto, sub, 0}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isa::IsCall(c.call[0], c.series == Series::kVnm), c.is_call) << isa::OpcodeName(c.call[0]);
    std::vector<std::uint8_t> program(sub - isa::kProgramStart + 8, isa::Opcode::kCls);
    std::copy(c.call.begin(), c.call.end(), program.begin());
    const size_t at = sub - isa::kProgramStart;
    program[at] = isa::Opcode::kReturn;
    Interpreter vm(c.series, Code(program, isa::Opcode::kCls));
    const Stop s = vm.StepOver(1000);
    ASSERT_EQ(s.reason, StopReason::kStep) << s.fault.message;
    // Over a call the module stops after it, back at the caller; elsewhere after one instruction.
    const std::uint32_t after_call = isa::kProgramStart + static_cast<std::uint32_t>(c.call.size());
    EXPECT_EQ(s.pc, c.is_call ? after_call : std::uint32_t{sub}) << SeriesName(c.series) << " " << isa::OpcodeName(c.call[0]);
  }
}

}  // namespace
}  // namespace vn::sim
