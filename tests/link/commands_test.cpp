// The command exchanges, end to end through a cable to the virtual module and back.
#include <gtest/gtest.h>

#include "link/commands.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

TEST(Commands, StatusReplyOnBreakAndStepsAndNoneForOtherBytes) {
  for (int kind : {1, 2}) {
    for (int cmd : {link::CmdBreak, link::CmdStepInto, link::CmdStepOut, link::CmdCheckVariables}) {
      SCOPED_TRACE("kind " + std::to_string(kind) + " cmd " + std::to_string(cmd));
      VirtualLink v(kind == 1 ? Wire::kDummy : Wire::kUsb, kind);
      v.module.pc = 0x8123;  // bit 15 set: still a positive counter
      for (size_t a = 0; a < v.module.ram.size(); ++a) v.module.ram[a] = static_cast<std::uint8_t>(a ^ 0x5A);
      ASSERT_EQ(v.Send(cmd), 0);
      v.clock.Advance(cmd == link::CmdBreak ? 2'000'000'000 : 0);  // read at once or at a timer's tick
      link::StopStatus st;
      ASSERT_EQ(link::ReadStatusReply(v.link, v.series, 5, st), 0);
      std::vector<int> want;
      for (int k = 0; k < (kind == 1 ? 96 : 5); ++k) want.push_back(((kind == 1 ? 160 : 0) + k) ^ 0x5A);
      EXPECT_EQ(std::tuple(st.RamImage, st.ModulePc, v.module.in_debug()), std::tuple(want, 0x8123, cmd != link::CmdCheckVariables));
    }
  }
  // VNM without variables: the marker received, then the count 0, 0 sent as &HE0/&HF0 pairs.
  VirtualLink v(Wire::kRevB, 2);
  ASSERT_EQ(v.Send(link::CmdBreak), 0);
  v.port.set_recording(true);
  link::StopStatus st;
  ASSERT_EQ(link::ReadStatusReply(v.link, v.series, 0, st), 0);
  EXPECT_EQ(std::tuple(st.RamImage.size(), st.ModulePc), std::tuple(std::size_t{0}, 24));
  std::vector<int> data;
  for (const auto& w : v.port.writes()) data.push_back(w.value);
  EXPECT_EQ(data, (std::vector<int>{0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0, 0xE0, 0xF0}));
  // Any other first byte is not a status reply.
  VirtualLink usb(Wire::kUsb, 1);
  ASSERT_EQ(usb.Send(link::CmdIdentifyVn), 0);
  EXPECT_EQ(link::ReadStatusReply(usb.link, usb.series, 0, st), -1);
}

}  // namespace
}  // namespace vn::testing
