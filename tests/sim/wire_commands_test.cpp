// The virtual module keeps its own table of the wire's command bytes as a check on the PC's
// (link/commands.h, from the instruction set): both must name the same bytes, and the module
// must take no byte for a command that the PC does not have.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "link/commands.h"
#include "sim/module.h"

namespace vn::sim {
namespace {

using Cmd = Module::WireCommand;

struct CommandPair {
  const char* what;
  int pc;      // the byte the PC sends
  Cmd module;  // the byte the module takes for it
};

const CommandPair kCommands[] = {
    {"identify (VN)", link::CmdIdentifyVn, Cmd::kIdentify},
    {"identify (VNM)", link::CmdIdentifyVnm, Cmd::kIdentifyMath},
    {"load code", link::CmdLoadCode, Cmd::kLoadCode},
    {"read flash", link::CmdReadFlash, Cmd::kReadFlash},
    {"break", link::CmdBreak, Cmd::kBreak},
    {"check variables", link::CmdCheckVariables, Cmd::kCheckVariables},
    {"step into", link::CmdStepInto, Cmd::kStepInto},
    {"step out", link::CmdStepOut, Cmd::kStepOut},
    {"modify variable", link::CmdModifyVariable, Cmd::kModifyVariable},
    {"reset", link::CmdReset, Cmd::kReset},
    {"leave debugging (VNM)", link::CmdLeaveDebugVnm, Cmd::kLeaveDebug},
};

TEST(WireCommands, ThePcAndTheModuleNameTheSameBytes) {
  std::set<int> bytes;
  for (const CommandPair& c : kCommands) {
    EXPECT_EQ(c.pc, static_cast<int>(c.module)) << c.what;
    EXPECT_TRUE(bytes.insert(c.pc).second) << c.what << " shares its byte with another command";
  }
}

TEST(WireCommands, ThePcAndTheModuleNameTheSameReplyBytes) {
  EXPECT_EQ(link::kStatusMarker, Module::kStatusMarker);
  EXPECT_EQ(link::kStopAnnounceVnm, Module::kStopAnnounce);
  EXPECT_EQ(link::kVnStatusRamBytes, Module::kVnStatusRamBytes);
}

TEST(WireCommands, TheModuleTakesNoOtherByteForACommand) {
  // A byte that is no command leaves the module waiting for one: the next command is
  // answered as on a fresh module, with the status marker.
  std::set<int> commands;
  for (const CommandPair& c : kCommands) commands.insert(c.pc);
  for (int kind : {1, 2}) {
    for (int b = 0; b < 256; ++b) {
      if (commands.count(b) != 0) continue;
      Module m({kind, 9, 4});
      m.Receive(static_cast<std::uint8_t>(b));
      EXPECT_FALSE(m.HasOutput()) << "kind " << kind << " byte " << b;
      m.Receive(static_cast<std::uint8_t>(link::CmdCheckVariables));
      ASSERT_TRUE(m.HasOutput()) << "kind " << kind << " byte " << b;
      EXPECT_EQ(m.PeekOutput(), Module::kStatusMarker) << "kind " << kind << " byte " << b;
    }
  }
}

}  // namespace
}  // namespace vn::sim
