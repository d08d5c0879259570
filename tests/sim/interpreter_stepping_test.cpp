// The debugger's stepping rules: after every stop the program counter is the address of the
// next instruction, and the line map turns it into the line the debug window highlights.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interpreter_test_support.h"

namespace vn::sim::testing {
namespace {

const std::vector<std::string> kLoopAndIf = {
    "DIM I AS BYTE, S AS BYTE",  // 1
    "FOR I = 1 TO 2",            // 2
    "  S = S + I",               // 3
    "NEXT",                      // 4
    "IF S = 3 THEN",             // 5
    "  S = 10",                  // 6
    "ELSE",                      // 7
    "  S = 20",                  // 8
    "END IF",                    // 9
    "S = S + 1",                 // 10
};

struct StepCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  int first_line;
  std::vector<int> lines_after_each_step;
};

const StepCase kSteps[] = {
    // VN: the FOR sets the variable, the test follows on the same line, NEXT counts and goes
    // back to the test, which leaves the loop for the IF.
    {"FOR loop and IF block on the VN series", "KF", kLoopAndIf, 2, {2, 3, 4, 2, 3, 4, 2, 5, 6, 7, 10, 11}},
    // VNM: the FOR goes straight into the body; NEXT jumps to the test, which counts.
    {"FOR loop and IF block on the VNM series", "WF", kLoopAndIf, 2, {3, 4, 2, 3, 4, 2, 5, 6, 7, 10, 11}},
    {"the false branch of an IF block", "KF",
     {"DIM A AS BYTE", "IF A = 1 THEN", "A = 2", "ELSEIF A = 0 THEN", "A = 3", "ELSE", "A = 4", "END IF", "A = A + 1"}, 2,
     {4, 5, 6, 9, 10}},
    {"single-line IF", "KF", {"DIM A AS BYTE", "IF A = 0 THEN A = 5", "A = A + 1"}, 2, {2, 3, 4}},
};

class Stepping : public ::testing::TestWithParam<StepCase> {};

TEST_P(Stepping, StepIntoReportsEachNextLine) {
  const StepCase& k = GetParam();
  SCOPED_TRACE(k.what);
  Machine m = Boot(k.device, k.lines);
  EXPECT_EQ(m.Line(), k.first_line);
  std::vector<int> seen;
  for (size_t i = 0; i < k.lines_after_each_step.size(); ++i) {
    const Stop s = m.vm->StepInto();
    ASSERT_TRUE(s.reason == StopReason::kStep || s.reason == StopReason::kEnd) << StopReasonName(s.reason);
    EXPECT_EQ(s.pc, m.vm->pc());
    seen.push_back(m.Line(s.pc));
  }
  EXPECT_EQ(seen, k.lines_after_each_step);
  EXPECT_EQ(m.vm->StepInto().reason, StopReason::kEnd);
}

INSTANTIATE_TEST_SUITE_P(Programs, Stepping, ::testing::ValuesIn(kSteps));

TEST(Stepping, LoopAndIfLeaveTheExpectedValues) {
  Machine m = Boot("KF", kLoopAndIf);
  while (m.vm->StepInto().reason == StopReason::kStep) {
  }
  EXPECT_EQ(m.Byte("I"), 3);
  EXPECT_EQ(m.Byte("S"), 11);
}

const std::vector<std::string> kNested = {
    "DIM A AS BYTE, B AS BYTE, C AS BYTE",  // 1
    "A = 1",                                 // 2
    "GOSUB ADD2",                            // 3
    "B = A",                                 // 4
    "GOTO DONE",                             // 5
    "ADD2:",                                 // 6
    "  A = A + 1",                           // 7
    "  GOSUB ADD1",                          // 8
    "  A = A + 1",                           // 9
    "  RETURN",                              // 10
    "ADD1:",                                 // 11
    "  C = C + 1",                           // 12
    "  RETURN",                              // 13
    "DONE:",                                 // 14
    "C = C + 10",                            // 15
};

class Series2 : public ::testing::TestWithParam<const char*> {};

TEST_P(Series2, StepOverRunsTheWholeCall) {
  Machine m = Boot(GetParam(), kNested);
  ASSERT_EQ(m.vm->StepOver(1000).reason, StopReason::kStep);  // A = 1: one instruction
  ASSERT_EQ(m.Line(), 3);
  const Stop s = m.vm->StepOver(1000);
  EXPECT_EQ(s.reason, StopReason::kStep);
  EXPECT_EQ(m.Line(s.pc), 4);
  EXPECT_EQ(s.steps, 7u);  // GOSUB, A = A + 1, GOSUB, C = C + 1, RETURN, A = A + 1, RETURN
  EXPECT_EQ(m.Byte("A"), 3);
  EXPECT_EQ(m.Byte("C"), 1);
  EXPECT_EQ(m.vm->call_depth(), 0);
}

TEST_P(Series2, StepOutOfANestedSubroutine) {
  Machine m = Boot(GetParam(), kNested);
  m.vm->StepInto();  // A = 1
  m.vm->StepInto();  // GOSUB ADD2
  EXPECT_EQ(m.Line(), 7);
  m.vm->StepInto();  // A = A + 1
  EXPECT_EQ(m.Line(), 8);
  m.vm->StepInto();  // GOSUB ADD1
  EXPECT_EQ(m.Line(), 12);
  EXPECT_EQ(m.vm->call_depth(), 2);

  Stop s = m.vm->StepOut(1000);  // back in ADD2, after its GOSUB
  EXPECT_EQ(s.reason, StopReason::kStep);
  EXPECT_EQ(m.Line(s.pc), 9);
  EXPECT_EQ(m.vm->call_depth(), 1);
  EXPECT_EQ(m.Byte("C"), 1);
  EXPECT_EQ(m.Byte("A"), 2);

  s = m.vm->StepOut(1000);  // back in the main program
  EXPECT_EQ(m.Line(s.pc), 4);
  EXPECT_EQ(m.vm->call_depth(), 0);
  EXPECT_EQ(m.Byte("A"), 3);

  s = m.vm->StepOut(1000);  // nothing to return from: it runs to the end
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("C"), 11);
}

TEST_P(Series2, StepOutOnAGosubRunsThatCall) {
  Machine m = Boot(GetParam(), kNested);
  m.vm->StepInto();
  m.vm->StepInto();
  m.vm->StepInto();
  ASSERT_EQ(m.Line(), 8);  // on GOSUB ADD1 inside ADD2
  const Stop s = m.vm->StepOut(1000);
  EXPECT_EQ(m.Line(s.pc), 9);  // the call ran to its end, not ADD2
  EXPECT_EQ(m.vm->call_depth(), 1);
}

TEST_P(Series2, StepOverElsewhereIsOneInstruction) {
  Machine m = Boot(GetParam(), kNested);
  const Stop s = m.vm->StepOver(1000);
  EXPECT_EQ(s.steps, 1u);
  EXPECT_EQ(m.Line(s.pc), 3);
}

INSTANTIATE_TEST_SUITE_P(Devices, Series2, ::testing::Values("KF", "WF"));

TEST(Stepping, StepOverAnOnGosubOnTheVnmSeries) {
  Machine m = Boot("WF", {"DIM K AS BYTE, R AS BYTE", "K = 1", "ON K GOSUB S0, S1", "R = R + 1", "GOTO FIN", "S0: R = 10",
                          "RETURN", "S1: R = 20", "RETURN", "FIN:"});
  m.vm->StepInto();
  ASSERT_EQ(m.Line(), 3);
  const Stop s = m.vm->StepOver(1000);
  EXPECT_EQ(m.Line(s.pc), 4);
  EXPECT_EQ(m.Byte("R"), 20);
}

TEST(Stepping, StepOutWithinAnEndlessSubroutineStopsAtTheLimit) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "GOSUB SPIN", "SPIN: A = A + 1", "GOTO SPIN"});
  m.vm->StepInto();
  ASSERT_EQ(m.vm->call_depth(), 1);
  const Stop s = m.vm->StepOut(500);
  EXPECT_EQ(s.reason, StopReason::kStepLimit);
  EXPECT_EQ(s.steps, 500u);
}

TEST(Stepping, BreakInsideASubroutineThenStepOut) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "GOSUB SUB", "A = A + 100", "GOTO FIN", "SUB: A = 1", "BREAK", "A = 2", "RETURN",
                          "FIN:"});
  Stop s = m.vm->Run(1000);
  ASSERT_EQ(s.reason, StopReason::kBreakStatement);
  EXPECT_EQ(m.Line(s.pc), 7);
  EXPECT_EQ(m.Byte("A"), 1);
  s = m.vm->StepOut(1000);
  EXPECT_EQ(m.Line(s.pc), 3);
  EXPECT_EQ(m.Byte("A"), 2);
  EXPECT_EQ(m.vm->Run(1000).reason, StopReason::kEnd);  // leaving the debugger: it runs on
  EXPECT_EQ(m.Byte("A"), 102);
}

TEST(Stepping, ADueHandlerIsEnteredAsAStep) {
  Machine m = Boot("WF", {"DIM N AS BYTE, M AS BYTE", "ON TIMER(0) GOSUB TICK", "IDLE: M = M + 1", "GOTO IDLE",
                          "TICK: N = N + 1", "RETURN"});
  m.vm->StepInto();  // ON TIMER
  ASSERT_EQ(m.Line(), 3);
  m.vm->io().now_us += 600000;  // the half second has passed
  Stop s = m.vm->StepInto();
  EXPECT_EQ(s.steps, 0u);
  EXPECT_EQ(m.Line(s.pc), 5);  // on the handler's first line, nothing run yet
  EXPECT_EQ(m.vm->call_depth(), 1);
  EXPECT_EQ(m.Byte("N"), 0);
  s = m.vm->StepOut(100);
  EXPECT_EQ(m.Line(s.pc), 3);  // back where the timer came in
  EXPECT_EQ(m.Byte("N"), 1);
  EXPECT_EQ(m.Byte("M"), 0);
}

TEST(Stepping, ModifyVariableReachesTheRunningProgram) {
  Machine m = Boot("KF", {"DIM A AS BYTE, B AS BYTE", "BREAK", "B = A * 2"});
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kBreakStatement);
  const std::uint8_t value[] = {21};
  ASSERT_TRUE(m.vm->WriteRam(m.Addr("A"), value));
  EXPECT_EQ(m.vm->Run(100).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("B"), 42);
  // A write that does not fit the RAM changes nothing.
  const std::uint8_t two[] = {1, 2};
  EXPECT_FALSE(m.vm->WriteRam(255, two));
  EXPECT_EQ(m.vm->RamByte(255), 0);
}

TEST(Stepping, RamSharedWithTheModule) {
  // The module keeps the RAM; the interpreter works on it, so a write by the module shows.
  auto c = compiler::testing::Compile("WF", {"DIM A AS INTEGER, B AS INTEGER", "BREAK", "B = A + 1"});
  std::vector<std::uint8_t> module_ram(Interpreter::kVnmRamSize, 0);
  Interpreter vm(Series::kVnm, CodeOf(*c), module_ram);
  ASSERT_EQ(vm.Run(100).reason, StopReason::kBreakStatement);
  module_ram[0] = 0x34;
  module_ram[1] = 0x12;
  ASSERT_EQ(vm.Run(100).reason, StopReason::kEnd);
  EXPECT_EQ(module_ram[2], 0x35);
  EXPECT_EQ(module_ram[3], 0x12);
}

TEST(Stepping, ResetRestartsFromTheFirstInstruction) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "A = A + 5", "BREAK", "A = A + 1"});
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kBreakStatement);
  EXPECT_EQ(m.Byte("A"), 5);
  m.vm->Reset();
  EXPECT_EQ(m.vm->pc(), Interpreter::kProgramStart);
  EXPECT_EQ(m.Line(), 2);
  EXPECT_EQ(m.Byte("A"), 0);
  ASSERT_EQ(m.vm->Run(100).reason, StopReason::kBreakStatement);
  EXPECT_EQ(m.Byte("A"), 5);
}

TEST(Stepping, SmallestProgramEndsAtOnce) {
  std::vector<std::uint8_t> code(27, 32);
  code[24] = 0x88;
  code[25] = 24;
  code[26] = 0;
  Interpreter vm(Series::kVn, code);
  const Stop s = vm.Run(1000);
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(s.pc, 24u);
  EXPECT_EQ(s.steps, 1u);
  EXPECT_EQ(vm.StepInto().reason, StopReason::kEnd);
  EXPECT_EQ(vm.pc(), 24u);
}

}  // namespace
}  // namespace vn::sim::testing
