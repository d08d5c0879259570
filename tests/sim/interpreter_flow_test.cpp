// Control flow: loops in the shapes of both series, subroutines, ON ... GOTO / GOSUB, IF with
// AND / OR, the event handlers on a virtual clock, RESET, and the faults that stop a program.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "interpreter_test_support.h"

namespace vn::sim::testing {
namespace {

struct FlowCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  const char* var;
  long expected;  // the variable's value at the end (INTEGER read as a word)
};

const FlowCase kFlow[] = {
    {"VN FOR sums 1 to 10", "KF", {"DIM I AS BYTE, S AS INTEGER", "FOR I = 1 TO 10", "S = S + I", "NEXT"}, "S", 55},
    {"VN FOR over the whole BYTE range ends", "KF", {"DIM I AS BYTE, N AS INTEGER", "FOR I = 0 TO 255", "N = N + 1", "NEXT I"}, "N", 256},
    {"VN FOR with the start above the limit skips the body", "KF",
     {"DIM I AS BYTE, N AS BYTE", "FOR I = 5 TO 1", "N = N + 1", "NEXT"}, "N", 0},
    {"VN loop variable after the loop", "KF", {"DIM I AS BYTE", "FOR I = 1 TO 3", "NEXT"}, "I", 4},
    {"VNM FOR sums 1 to 10", "WF", {"DIM I AS BYTE, S AS INTEGER", "FOR I = 1 TO 10", "S = S + I", "NEXT"}, "S", 55},
    {"VNM FOR with STEP 3", "WF", {"DIM I AS BYTE, S AS INTEGER", "FOR I = 1 TO 10 STEP 3", "S = S + I", "NEXT"}, "S", 22},
    {"VNM FOR counting down", "WF", {"DIM I AS INTEGER, S AS INTEGER, D AS INTEGER", "FOR I = 10 TO 1 STEP -2", "D = I / 2", "S = S * 10 + D", "NEXT"},
     "S", 54321},
    {"VNM FOR runs the body once before the first test", "WF",
     {"DIM I AS BYTE, N AS BYTE", "FOR I = 5 TO 1", "N = N + 1", "NEXT"}, "N", 1},
    {"VNM FOR up to 255 on a BYTE ends", "WF", {"DIM I AS BYTE, N AS INTEGER", "FOR I = 250 TO 255", "N = N + 1", "NEXT"}, "N", 6},
    {"nested FOR loops", "KF",
     {"DIM I AS BYTE, J AS BYTE, N AS BYTE", "FOR I = 1 TO 4", "FOR J = I TO 4", "N = N + 1", "NEXT J", "NEXT I"}, "N", 10},
    {"nested GOSUBs return in order", "KF",
     {"DIM A AS INTEGER", "GOSUB ONE", "A = A * 10 + 9", "GOTO FIN", "ONE:", "A = A * 10 + 1", "GOSUB TWO",
      "A = A * 10 + 3", "RETURN", "TWO:", "A = A * 10 + 2", "RETURN", "FIN:"},
     "A", 1239},
    {"ON GOTO takes the label of the value, from 0", "KF",
     {"DIM K AS BYTE, R AS BYTE", "K = 2", "ON K GOTO L0, L1, L2", "R = 99", "GOTO FIN", "L0: R = 10", "GOTO FIN",
      "L1: R = 11", "GOTO FIN", "L2: R = 12", "FIN:"},
     "R", 12},
    {"ON GOTO beyond the labels goes on", "KF",
     {"DIM K AS BYTE, R AS BYTE", "K = 3", "ON K GOTO L0, L1", "R = 99", "GOTO FIN", "L0: R = 10", "GOTO FIN", "L1: R = 11",
      "FIN:"},
     "R", 99},
    {"ON GOSUB returns after the list", "WF",
     {"DIM K AS BYTE, R AS BYTE", "K = 1", "ON K GOSUB S0, S1", "R = R + 100", "GOTO FIN", "S0: R = 10", "RETURN",
      "S1: R = 11", "RETURN", "FIN:"},
     "R", 111},
    {"IF block takes THEN", "KF",
     {"DIM A AS BYTE, R AS BYTE", "A = 5", "IF A > 4 THEN", "R = 1", "ELSEIF A > 2 THEN", "R = 2", "ELSE", "R = 3", "END IF"},
     "R", 1},
    {"IF block takes ELSEIF", "KF",
     {"DIM A AS BYTE, R AS BYTE", "A = 3", "IF A > 4 THEN", "R = 1", "ELSEIF A > 2 THEN", "R = 2", "ELSE", "R = 3", "END IF"},
     "R", 2},
    {"IF block takes ELSE", "KF",
     {"DIM A AS BYTE, R AS BYTE", "A = 1", "IF A > 4 THEN", "R = 1", "ELSEIF A > 2 THEN", "R = 2", "ELSE", "R = 3", "END IF"},
     "R", 3},
    {"single-line IF with ELSE", "KF", {"DIM A AS BYTE, R AS BYTE", "A = 7", "IF A <> 7 THEN R = 1 ELSE R = 2"}, "R", 2},
    {"AND of two comparisons", "KF",
     {"DIM A AS BYTE, B AS BYTE, R AS BYTE", "A = 1", "B = 2", "IF A = 1 AND B = 2 THEN R = 1"}, "R", 1},
    {"OR of two comparisons", "KF",
     {"DIM A AS BYTE, B AS BYTE, R AS BYTE", "A = 0", "B = 2", "IF A = 1 OR B = 2 THEN R = 1"}, "R", 1},
    {"connectives from left to right: (true OR x) AND false", "KF",
     {"DIM A AS BYTE, B AS BYTE, C AS BYTE, R AS BYTE", "A = 1", "IF A = 1 OR B = 1 AND C = 1 THEN R = 1"}, "R", 0},
    {"comparisons of every kind", "KF",
     {"DIM A AS BYTE, R AS BYTE", "A = 5", "IF A < 6 THEN R = R + 1", "IF A <= 5 THEN R = R + 2", "IF A >= 5 THEN R = R + 4",
      "IF A > 4 THEN R = R + 8", "IF A <> 4 THEN R = R + 16", "IF A = 5 THEN R = R + 32", "IF A < 5 THEN R = R + 64"},
     "R", 63},
    {"INTEGER compares unsigned", "KF", {"DIM I AS INTEGER, R AS BYTE", "I = -1", "IF I > 1000 THEN R = 1"}, "R", 1},
    {"LONG compares signed", "WF", {"DIM L AS LONG, R AS BYTE", "L = -1", "IF L < 0 THEN R = 1"}, "R", 1},
    {"string comparison", "WF",
     {"DIM S AS STRING * 8, R AS BYTE", "S = \"ABC\"", "IF S = \"ABC\" THEN R = R + 1", "IF S < \"ABD\" THEN R = R + 2"}, "R", 3},
    {"a function in a condition", "KF", {"DIM R AS BYTE", "IF IN(3) = 1 THEN R = 1"}, "R", 1},
};

class Flow : public ::testing::TestWithParam<FlowCase> {};

TEST_P(Flow, EndsWithTheExpectedValue) {
  const FlowCase& k = GetParam();
  SCOPED_TRACE(k.what);
  const Machine m = RunToEnd(k.device, k.lines);
  EXPECT_EQ(m.Var(k.var), k.expected);
}

INSTANTIATE_TEST_SUITE_P(Programs, Flow, ::testing::ValuesIn(kFlow));

TEST(Flow, BreakStopsOnTheNextInstructionAndRunsOn) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "A = 1", "BREAK", "A = 2", "BREAK", "A = 3"});
  Stop s = m.vm->Run(100);
  ASSERT_EQ(s.reason, StopReason::kBreakStatement);
  EXPECT_EQ(m.Byte("A"), 1);
  EXPECT_EQ(m.Line(s.pc), 4);  // the statement after the BREAK
  s = m.vm->Run(100);
  ASSERT_EQ(s.reason, StopReason::kBreakStatement);
  EXPECT_EQ(m.Byte("A"), 2);
  EXPECT_EQ(m.Line(s.pc), 6);
  s = m.vm->Run(100);
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("A"), 3);
  EXPECT_EQ(m.Line(s.pc), 7);  // the end jump: one past the last line
}

TEST(Flow, StepLimitStopsAnEndlessLoopAndResumes) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "TOP: A = A + 1", "GOTO TOP"});
  Stop s = m.vm->Run(20);
  EXPECT_EQ(s.reason, StopReason::kStepLimit);
  EXPECT_EQ(s.steps, 20u);
  EXPECT_EQ(m.Byte("A"), 10);
  s = m.vm->Run(20);
  EXPECT_EQ(m.Byte("A"), 20);
}

TEST(Flow, BreakRequestStopsBeforeTheNextInstruction) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "TOP: A = A + 1", "GOTO TOP"});
  m.vm->Run(7);
  m.vm->RequestBreak();
  const Stop s = m.vm->Run(100);
  EXPECT_EQ(s.reason, StopReason::kBreakRequest);
  EXPECT_EQ(s.steps, 0u);
  EXPECT_EQ(m.Line(s.pc), 3);  // the GOTO is next
  EXPECT_EQ(m.vm->Run(1).reason, StopReason::kStepLimit);  // the request is used up
}

TEST(Flow, DelayAdvancesTheVirtualClockOnly) {
  Machine m = Boot("KF", {"DELAY 250", "DELAY 750"});
  const Stop s = m.vm->Run(100);
  EXPECT_EQ(s.reason, StopReason::kEnd);
  EXPECT_EQ(m.vm->now_us(), 1000000u + 3 * 10);  // two delays and three instructions of 10 us
}

TEST(Flow, TimeLimitStopsOnTheVirtualClock) {
  Machine m = Boot("KF", {"DIM A AS BYTE", "TOP: A = A + 1", "DELAY 100", "GOTO TOP"});
  const Stop s = m.vm->Run(Interpreter::kNoLimit, 1000000);
  EXPECT_EQ(s.reason, StopReason::kTimeLimit);
  EXPECT_EQ(m.Byte("A"), 10);
}

TEST(Flow, ResetStatementRestartsTheProgram) {
  // EEPROM survives the restart: it counts the runs (erased bytes read 255).
  Machine m = RunToEnd("KF", {"DIM A AS BYTE", "A = EEREAD(0) + 1", "EEWRITE 0, A", "IF A < 3 THEN RESET"});
  EXPECT_EQ(m.vm->io().eeprom().Byte(0), 3);
  EXPECT_EQ(m.Byte("A"), 3);
}

TEST(Flow, VnInterruptHandlerRunsOnAnEdgeOfItsPort) {
  Machine m = Boot("KF", {"DIM N AS BYTE, M AS BYTE", "ON INT(3)=0 GOSUB HIT", "IDLE: M = M + 1", "IF M < 200 THEN GOTO IDLE",
                          "GOTO FIN", "HIT: N = N + 1", "RETURN", "FIN:"});
  // Edges while the program runs: 3 goes low (handler), high (nothing), low again (handler).
  auto& io = m.vm->io();
  io.Schedule(500, [](Board& x) { x.ports().SetInput(3, 0); });
  io.Schedule(1500, [](Board& x) { x.ports().SetInput(3, 1); });
  io.Schedule(2500, [](Board& x) { x.ports().SetInput(3, 0); });
  ASSERT_EQ(m.vm->Run(100000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("N"), 2);
  EXPECT_EQ(m.Byte("M"), 200);
  EXPECT_EQ(m.vm->call_depth(), 0);
}

TEST(Flow, VnmInterruptLineAndItsSwitch) {
  Machine m = Boot("WF", {"DIM N AS BYTE, M AS BYTE", "ON INT(1) GOSUB HIT", "IDLE: M = M + 1", "IF M = 100 THEN SET ONINT OFF",
                          "IF M < 200 THEN GOTO IDLE", "GOTO FIN", "HIT: N = N + 1", "RETURN", "FIN:"});
  auto& io = m.vm->io();
  io.Schedule(300, [](Board& x) { x.sensors().TriggerInterrupt(1); });
  io.Schedule(600, [](Board& x) { x.sensors().TriggerInterrupt(0); });  // no handler on line 0
  io.Schedule(9000, [](Board& x) { x.sensors().TriggerInterrupt(1); }); // after SET ONINT OFF
  ASSERT_EQ(m.vm->Run(100000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("N"), 1);
}

TEST(Flow, TimerHandlerWhileTheProgramIdles) {
  // ON TIMER(1): every second; the main program idles on a jump to itself.
  Machine m = Boot("WF", {"DIM N AS BYTE", "ON TIMER(1) GOSUB TICK", "IDLE: GOTO IDLE", "TICK: N = N + 1", "RETURN"});
  const Stop s = m.vm->Run(100000, 3500000);
  EXPECT_EQ(s.reason, StopReason::kTimeLimit);
  EXPECT_EQ(m.Byte("N"), 3);
  EXPECT_LT(s.steps, 100u);  // idling costs no instructions
}

TEST(Flow, TimerZeroIsHalfASecondAndTheSwitchStopsIt) {
  Machine m = Boot("WF", {"DIM N AS BYTE", "ON TIMER(0) GOSUB TICK", "IDLE: GOTO IDLE", "TICK: N = N + 1",
                          "IF N = 4 THEN SET ONTIMER OFF", "RETURN"});
  const Stop s = m.vm->Run(100000, 10000000);
  EXPECT_EQ(s.reason, StopReason::kEnd);  // nothing can wake the program any more
  EXPECT_EQ(m.Byte("N"), 4);
  EXPECT_GE(m.vm->now_us(), 2000000u);
  EXPECT_LT(m.vm->now_us(), 2100000u);
}

TEST(Flow, ReceiveHandlerTakesEveryByte) {
  Machine m = Boot("WF", {"DIM N AS BYTE, B(4) AS BYTE, C AS BYTE", "SET RS232 9600", "ON RECV GOSUB RX", "IDLE: GOTO IDLE",
                          "RX: GET C", "B(N) = C", "N = N + 1", "RETURN"});
  m.vm->io().Schedule(1000, [](Board& x) { x.serial().PushInput("XYZ"); });
  ASSERT_EQ(m.vm->Run(100000).reason, StopReason::kEnd);
  EXPECT_EQ(m.Byte("N"), 3);
  EXPECT_EQ(m.Byte("B", 0), 'X');
  EXPECT_EQ(m.Byte("B", 1), 'Y');
  EXPECT_EQ(m.Byte("B", 2), 'Z');
}

// ---- Faults ---------------------------------------------------------------------------------------

struct FaultCase {
  const char* what;
  const char* device;
  std::vector<std::string> lines;
  FaultKind kind;
  int line;  // source line of the failing instruction
};

const FaultCase kFaults[] = {
    {"endless recursion", "KF", {"DIM A AS BYTE", "DEEP: A = A + 1", "GOSUB DEEP"}, FaultKind::kCallStackOverflow, 3},
    {"RETURN without GOSUB", "KF", {"DIM A AS BYTE", "A = 1", "RETURN"}, FaultKind::kReturnWithoutGosub, 3},
    {"division by zero", "KF", {"DIM A AS BYTE, B AS BYTE", "A = 5 / B"}, FaultKind::kDivisionByZero, 2},
    {"MOD by zero", "WF", {"DIM A AS LONG, B AS LONG", "A = 5", "A = A MOD B"}, FaultKind::kDivisionByZero, 3},
    {"array index beyond the RAM", "WF", {"DIM T(4) AS LONG, I AS INTEGER", "I = 9000", "T(I) = 1"}, FaultKind::kRamAddress, 3},
    {"port held in a variable beyond the ports", "KF", {"DIM P AS BYTE", "P = 70", "HIGH P"}, FaultKind::kPortNumber, 3},
    {"EEPROM address beyond the EEPROM", "WF", {"DIM L AS LONG", "L = 70000", "EEWRITE L, 1"}, FaultKind::kEepromAddress, 3},
};

class Faults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Faults, StopWithAReportOnTheFailingLine) {
  const FaultCase& k = GetParam();
  SCOPED_TRACE(k.what);
  Machine m = Boot(k.device, k.lines);
  const Stop s = m.vm->Run(100000);
  ASSERT_EQ(s.reason, StopReason::kFault);
  EXPECT_EQ(s.fault.kind, k.kind) << s.fault.message;
  EXPECT_FALSE(s.fault.message.empty());
  EXPECT_EQ(m.Line(s.fault.pc), k.line);
  EXPECT_EQ(s.pc, s.fault.pc);  // stopped on the failing instruction
  // It stays stopped until it is reset.
  EXPECT_EQ(m.vm->Run(10).reason, StopReason::kFault);
  EXPECT_EQ(m.vm->StepInto().reason, StopReason::kFault);
  m.vm->Reset();
  EXPECT_FALSE(m.vm->faulted());
  EXPECT_EQ(m.vm->pc(), Interpreter::kProgramStart);
}

INSTANTIATE_TEST_SUITE_P(Programs, Faults, ::testing::ValuesIn(kFaults));

// Hand-made code that no compile produces.
struct RawCase {
  const char* what;
  std::vector<std::uint8_t> program;  // from address 24
  FaultKind kind;
  std::uint32_t fault_pc;
};

const RawCase kRaw[] = {
    {"unknown opcode", {0xBB}, FaultKind::kUnknownOpcode, 24},
    {"an operand byte where an instruction starts", {0x15}, FaultKind::kUnknownOpcode, 24},
    {"jump beyond the code", {0x88, 0x00, 0x10}, FaultKind::kJumpTarget, 24},
    {"GOSUB beyond the code", {0x89, 0xFF, 0xFF}, FaultKind::kJumpTarget, 24},
    {"instruction cut off by the end of the code", {0x91, 0x15}, FaultKind::kCodeAddress, 24},
    {"running off the end of the code", {0x93}, FaultKind::kCodeAddress, 25},
    {"unknown operand", {0x91, 0x15, 0xA0, 0x05, 0x00}, FaultKind::kUnknownOperand, 24},
    {"store into a constant", {0x91, 0x11, 0x11, 0x00}, FaultKind::kBadTarget, 24},
    {"unknown expression operator", {0x91, 0x15, 0xA0, 0x11, 0x2B, 0x11, 0x17, 0x00}, FaultKind::kBadOperator, 24},
    {"unknown function", {0x91, 0x15, 0xA0, 0xD6, 0x00}, FaultKind::kUnknownFunction, 24},
    {"jump into the header", {0x88, 0x02, 0x00}, FaultKind::kUnknownOpcode, 2},
    {"operands nested without end",
     {0x91, 0x15, 0xA0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0,
      0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0xD0, 0x11, 0x00},
     FaultKind::kOperandTooDeep, 24},
};

class RawFaults : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawFaults, StopTheModuleInsteadOfTheHost) {
  const RawCase& k = GetParam();
  SCOPED_TRACE(k.what);
  // The header, then the program (built in place: GCC 12 misreads an insert here).
  std::vector<std::uint8_t> code(24 + k.program.size(), 32);
  std::copy(k.program.begin(), k.program.end(), code.begin() + 24);
  Interpreter vm(Series::kVn, code);
  const Stop s = vm.Run(1000);
  ASSERT_EQ(s.reason, StopReason::kFault);
  EXPECT_EQ(s.fault.kind, k.kind) << s.fault.message;
  EXPECT_EQ(s.fault.pc, k.fault_pc) << s.fault.message;
}

INSTANTIATE_TEST_SUITE_P(Code, RawFaults, ::testing::ValuesIn(kRaw));

TEST(RawFaults, EveryByteAtEveryPlaceFailsCleanly) {
  // Each single-byte change of a real program either runs or stops with a stop value.
  Machine m = Boot("WF", {"DIM A AS BYTE, S AS STRING * 4, F AS SINGLE, T(3) AS INTEGER", "FOR A = 1 TO 3", "T(A) = A * 2 + 1",
                          "NEXT", "S = \"ABCDEF\"", "S = LEFT(S, 3)", "F = SQR(2.0) * A", "IF A > 2 AND F < 9.5 THEN PRINT S, F",
                          "GOSUB SUB", "SEROUT 1, 9600, 0, 0, [A, \"X\"]", "GOTO FIN", "SUB: A = A + 1", "RETURN", "FIN:"});
  const std::vector<std::uint8_t> base = CodeOf(*m.c);
  for (size_t at = 24; at < base.size(); ++at) {
    for (int b : {0x00, 0x17, 0x19, 0x80, 0x88, 0x89, 0x90, 0xC7, 0xFF}) {
      std::vector<std::uint8_t> code = base;
      code[at] = static_cast<std::uint8_t>(b);
      Interpreter vm(Series::kVnm, code);
      const Stop s = vm.Run(5000);
      ASSERT_NE(s.reason, StopReason::kTimeLimit) << at << " " << b;
      if (s.reason == StopReason::kFault) {
        EXPECT_FALSE(s.fault.message.empty()) << at << " " << b;
        EXPECT_EQ(s.pc, s.fault.pc);
      } else {
        EXPECT_LT(s.pc, code.size()) << at << " " << b;  // a stop elsewhere would have been a fault
      }
      EXPECT_LE(vm.call_depth(), vm.call_stack_capacity());
    }
  }
}

}  // namespace
}  // namespace vn::sim::testing
