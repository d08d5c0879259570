// The virtual module at the byte level: the firmware's replies per series, the exchanges the PC
// leaves half-way, the program running on the clock behind the debugger's commands, and the
// instruction set's tables against the interpreter.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "isa/isa.h"
#include "link/commands.h"
#include "platform/clock.h"
#include "sim/running_module.h"
#include "sim/wire.h"
#include "sim_support.h"

namespace vn::sim::testing {
namespace {

constexpr std::int64_t kMs = 1'000'000;
using V = std::vector<int>;

// The module takes no byte but the PC's commands (link/commands.h) for a command: the next
// command is answered as on a fresh module.
TEST(Module, TakesThePcsCommandBytesAndNoOthers) {
  const std::set<int> commands = {link::CmdIdentifyVn, link::CmdIdentifyVnm, link::CmdLoadCode, link::CmdReadFlash,
                                  link::CmdBreak, link::CmdCheckVariables, link::CmdStepInto, link::CmdStepOut,
                                  link::CmdModifyVariable, link::CmdReset, link::CmdLeaveDebugVnm};
  for (int kind : {1, 2})
    for (int b = 0; b < 256; ++b) {
      if (commands.count(b) != 0) continue;
      Module m({kind, 9, 4});
      EXPECT_EQ(Exchange(m, {b, link::CmdCheckVariables}).at(0), Module::kStatusMarker) << "kind " << kind << " byte " << b;
    }
}

// The record of replies the PC never collected: what the module still holds, what it gave up
// when the PC moved on, what a cable threw away; nothing after an exchange read in full.
TEST(Module, RepliesNeverCollectedAreOnRecord) {
  Module m({1, 9, 4});
  m.Receive(0x56);
  m.Receive(0x12);  // a reply not taken is given up at the next byte
  EXPECT_EQ(Drain(m).at(0), 0xA5);
  m.ForgetUncollected();
  EXPECT_EQ(Exchange(m, {0x56}), (V{9, 20, 80, 1, 0, 0, 0}));
  EXPECT_EQ(m.UncollectedReply(), V{});
  m.Receive(0x56);
  m.PopOutput();  // the PC took the first byte only
  EXPECT_EQ(m.UncollectedReply(), (V{20, 80, 1, 0, 0, 0}));
  Exchange(m, {0x78, 0});  // and moved on: the rest is given up; no pages, no reply
  m.GivenUp(0x33);
  EXPECT_EQ(m.UncollectedReply(), (V{20, 80, 1, 0, 0, 0, 0x33}));
  EXPECT_EQ(m.given_up_count(), 7);
  m.ForgetUncollected();
  EXPECT_EQ(m.given_up_count(), 0);
  for (std::size_t k = 0; k < Module::kUncollectedKept + 10; ++k) m.GivenUp(static_cast<int>(k & 0xFF));
  EXPECT_EQ(m.given_up().size(), Module::kUncollectedKept);  // the first ones kept, all counted
  EXPECT_EQ(m.given_up_count(), static_cast<long>(Module::kUncollectedKept) + 10);
  EXPECT_EQ(m.given_up().back(), static_cast<int>((Module::kUncollectedKept - 1) & 0xFF));
  m.ForgetUncollected();
  m.AnnounceStop();
  m.DropOutput();
  ASSERT_EQ(m.UncollectedReply().size(), 100u);
  EXPECT_EQ(m.UncollectedReply()[1], 0xA5);
}

// An exchange the PC left half-way is given up after a tenth of a second without a byte: the
// next byte is a command again. Within the time-out it still belongs to the exchange.
TEST(Module, AnExchangeLeftHalfWayIsGivenUpAfterSilence) {
  // The module's kind, the bytes sent (byte, at ms), the reply, the program's length and RAM 0..2 afterwards.
  const std::tuple<int, std::vector<std::pair<int, std::int64_t>>, V, long, V> cases[] = {
      {1, {{0x34, 0}, {4, 0}, {0, 0}, {10, 0}, {20, 0}, {0x56, 101}}, {9, 20, 80, 1, 0, 0, 0}, 0, {0, 0, 0}},
      {1, {{0x34, 0}, {1, 0}, {0, 0}, {10, 0}, {0x56, 100}}, {10, 0x56}, 1, {0, 0, 0}},  // exactly the time-out
      {2, {{0x34, 0}, {2, 0}, {0x56, 900}}, {9}, 0, {0, 0, 0}},
      {2, {{0x12, 0}, {0x67, 600}}, {0xA5, 4}, 0, {0, 0, 0}},
      {2, {{0xE4, 0}, {1, 0}, {0, 0}, {2, 0}, {0x34, 0}, {0x9A, 2000}, {3, 2000}, {0, 2000}}, {0xA5, 24, 0, 0, 0x34, 0}, 0, {0, 0x34, 0}},
  };
  for (const auto& [kind, in, want, program_length, ram] : cases) {
    SCOPED_TRACE(::testing::PrintToString(in));
    Module m({kind, 9, 4});
    V out;
    for (const auto& [byte, at] : in) {
      const V reply = Exchange(m, {byte}, at * kMs);
      out.insert(out.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(std::make_tuple(out, m.ProgramLength(), V(m.ram.begin(), m.ram.begin() + 3)), std::make_tuple(want, program_length, ram));
  }
  // The stop report's count is waited for from when the PC takes the report, however late.
  Module m({2, 9, 4});
  m.ram[0] = 0x5A;
  EXPECT_EQ(Exchange(m, {0x56}, 0), (V{9}));
  m.AnnounceStop();
  EXPECT_EQ(Drain(m), (V{Module::kAnnounce, 0xA5}));
  m.NoteTaken(5000 * kMs);
  EXPECT_EQ(Exchange(m, {1, 0}, 5050 * kMs), (V{24, 0, 0x5A}));
  // A download given up half-way leaves no program, even where one was; the next whole one is taken.
  EXPECT_EQ(Exchange(m, {0x34, 2, 0, 7, 8}, 6000 * kMs), (V{15, 0}));
  ASSERT_EQ(m.ProgramLength(), 2);
  Exchange(m, {0x34, 3, 0, 1}, 7000 * kMs);
  EXPECT_EQ(Exchange(m, {0x56}, 8000 * kMs), (V{9}));
  EXPECT_EQ(m.ProgramLength(), 0);
  EXPECT_EQ(Exchange(m, {0x34, 1, 0, 5}, 8001 * kMs), (V{5, 0}));
  EXPECT_EQ(m.FlashByte(0), 5);
}

TEST(Module, FaultsParsedAsTheCommandLineGivesThem) {
  EXPECT_EQ(std::make_pair(ParseFault("bad-flash:0x1F")->kind, ParseFault("bad-flash:0x1F")->value),
            std::make_pair(FaultSetting::Kind::kBadFlash, 31L));
  for (const char* refused : {"cut:", "cut:-1", "cut:3x", "bad-flash:70000"}) EXPECT_FALSE(ParseFault(refused).has_value()) << refused;
}

// A compiled program downloaded into a running module, byte by byte as the cable delivers it.
struct Rig {
  Rig(const std::string& device, const std::vector<std::string>& lines)
      : c(compiler::testing::Compile(device, lines)), module({c->Device.DeviceKind, 32, 17}, clock) {
    const long n = c->CodeAddr;
    V load = {0x34, static_cast<int>(n % 256), static_cast<int>(n / 256)};
    for (long a = 0; a < (c->Device.DeviceKind == 1 ? n + 1 : n); ++a) load.push_back(c->Code.Get(a));
    Exchange(module, load);
  }
  int Line() const { return c->Code.LineOf(module.pc); }
  int Var(const std::string& name) const {
    for (const auto& v : c->Vars)
      if (core::EncodeAnsi(v.VarName) == name) return module.ram[static_cast<size_t>(v.VarAddr)];
    return -1;
  }
  std::unique_ptr<compiler::Compiler> c;
  platform::VirtualClock clock;
  RunningModule module;
};

TEST(RunningModule, ALongStepOutRepliesWhenTheSubroutineReturns) {
  Rig r("WF", {"DIM K AS BYTE, J AS INTEGER", "BREAK", "GOSUB SLOW", "K = 5", "DONE: GOTO DONE", "SLOW:", "FOR J = 1 TO 60000",
               "NEXT", "RETURN"});
  r.clock.Advance(1 * kMs);
  Drain(r.module);
  Exchange(r.module, {0, 0});
  ASSERT_EQ(r.Line(), 3);
  EXPECT_EQ(Exchange(r.module, {0xE3}), V{});  // 180,000 instructions: no reply at once
  r.clock.Advance(100 * kMs);
  EXPECT_FALSE(r.module.HasOutput());
  r.clock.Advance(2000 * kMs);
  EXPECT_EQ(Drain(r.module).at(0), 0xA5);
  EXPECT_EQ(std::make_pair(r.Line(), r.module.running()), std::make_pair(4, false));
}

TEST(RunningModule, FaultsLateReportsAndAClockFarAhead) {
  Rig f("WF", {"DIM A AS BYTE, Z AS BYTE", "A = 1", "A = A / Z", "A = 2"});
  f.clock.Advance(1 * kMs);  // a fault halts without a report; Break finds its address
  EXPECT_FALSE(f.module.HasOutput());
  EXPECT_EQ(f.module.last_stop()->reason, StopReason::kFault);
  const V reply = Exchange(f.module, {0x12, f.c->VarBytesUsed, 0});
  EXPECT_EQ(f.c->Code.LineOf(reply[1] + 256L * reply[2]), 3);
  EXPECT_EQ(f.Var("A"), 1);
  Rig r("WF", {"DIM K AS BYTE, M AS BYTE", "AGAIN:", "K = K + 1", "IF M = 0 THEN GOTO AGAIN", "BREAK", "M = 9", "GOTO AGAIN"});
  Exchange(r.module, {0xE4, 1, 0, 1, 1});
  r.clock.Advance(1 * kMs);
  ASSERT_TRUE(r.module.HasOutput());
  // The PC starts a new exchange instead of collecting the report: &H56 is a command, not a count.
  EXPECT_EQ(Exchange(r.module, {0x56}), V{32});
  Rig far("KF", {"DIM K AS BYTE", "AGAIN:", "K = K + 1", "GOTO AGAIN"});
  far.clock.Advance(3600LL * 1000 * kMs);  // an hour costs a bounded run
  EXPECT_FALSE(far.module.HasOutput());
  EXPECT_LE(far.module.interpreter()->total_steps(), RunningModule::kMostPerCatchUp);
}

// The header, then `program` at the first instruction, then `fill` so nothing runs off the code.
std::vector<std::uint8_t> Code(const std::vector<std::uint8_t>& program, std::uint8_t fill) {
  std::vector<std::uint8_t> code(isa::kHeaderSize + program.size() + 16, fill);
  std::fill(code.begin(), code.begin() + isa::kHeaderSize, isa::kHeaderFill);
  std::copy(program.begin(), program.end(), code.begin() + isa::kProgramStart);
  return code;
}

// A byte the instruction set's tables name is taken as what they say it is, and no other byte is.
TEST(InstructionSet, TheTablesNameEveryOpcodeAndOperandTheInterpreterTakes) {
  for (Series series : {Series::kVn, Series::kVnm}) {
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      Interpreter op(series, Code({byte}, isa::kEndOfList));
      Stop s = op.StepInto();
      EXPECT_EQ(s.fault.kind == FaultKind::kUnknownOpcode, isa::FindOpcode(byte) == nullptr) << b << " " << s.fault.message;
      if (b >= isa::kFirstFunction) continue;
      // An assignment to a BYTE whose value is the operand; the bytes after it are the constant 0.
      std::vector<std::uint8_t> program = {isa::Opcode::kAssign, isa::kByteVar, isa::kVnRamBase};
      if (series == Series::kVnm) program.push_back(0);
      program.push_back(byte);
      Interpreter operand(series, Code(program, isa::kConst0));
      s = operand.StepInto();
      EXPECT_EQ(s.fault.kind == FaultKind::kUnknownOperand, !isa::IsDescriptor(byte)) << b << " " << s.fault.message;
    }
  }
  EXPECT_EQ(std::make_tuple(isa::IsCall(isa::Opcode::kGosub, false), isa::IsCall(isa::Opcode::kOnGosubVnm, true), isa::IsCall(isa::Opcode::kGoto, true)),
            std::make_tuple(true, true, false));
}

}  // namespace
}  // namespace vn::sim::testing
