// Identification of the attached module, through the library and through vnstudio-cli.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "link/identify.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

TEST(Identify, EachSeriesOnEachCable) {
  for (int kind : {1, 2}) {
    for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
      if (kind == 2 && w == Wire::kDummy) continue;
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind, {kind, 41, 7});
      const auto id = link::IdentifyModule(v.link, v.series);
      ASSERT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
      EXPECT_EQ(id.series, kind);
      EXPECT_EQ(id.firmware, 41);
      EXPECT_EQ(link::FirmwareLine(id),
                (core::Message{kind == 1 ? core::MessageCode::kFirmwareVersion : core::MessageCode::kMainFirmware,
                               {41, 0, 0}}));
      EXPECT_EQ(core::MessageTextOf(link::FirmwareLine(id), core::Language::kEnglish),
                kind == 1 ? "F/W Version is 41" : "Main F/W is 41");
      if (kind == 2) {
        EXPECT_EQ(link::MathFirmwareLine(id), (core::Message{core::MessageCode::kMathFirmware, {7, 0, 0}}));
        EXPECT_EQ(core::MessageTextOf(link::MathFirmwareLine(id), core::Language::kEnglish), "Math Chip F/W is 7");
      }
      EXPECT_EQ(v.usb.resets(), w == Wire::kUsb ? 1 : 0);
      // The speed check ran (VN) and is marked passed.
      EXPECT_EQ(v.link.SpeedChecked, kind == 1 ? -1 : 0);
      // All of every reply was read (VN: seven bytes; VNM: one for &H67, one for &H56).
      EXPECT_EQ(v.Uncollected(), std::vector<int>{});
      // (On the dummy cable the speed check's &H56 comes first.)
      std::vector<std::uint8_t> asked = {0x67, 0x56};
      if (kind == 1) asked = {0x56};
      if (w == Wire::kDummy) asked.insert(asked.begin(), 0x56);
      EXPECT_EQ(v.module.commands(), asked);
    }
  }
}

constexpr char kNoUsbCableText[] = "Can't find USB cable";
constexpr char kFamilyMismatchText[] = "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!";
constexpr char kNotVnSeriesText[] = "Not Vn serise. Check VARNOLIC MODEL number!";
constexpr char kModuleNotFoundText[] = "VARNOLIC module not found ! Check cable or power";

TEST(Identify, FailuresGiveTheMessageOfTheirCase) {
  struct Case {
    Wire wire;
    int kind;
    const char* fault;
    const char* message;
  };
  const Case cases[] = {
      {Wire::kUsb, 1, "unplugged", kNoUsbCableText},
      {Wire::kUsb, 1, "no-power", kFamilyMismatchText},
      {Wire::kUsb, 2, "no-power", kModuleNotFoundText},
      {Wire::kUsb, 1, "other-family", kFamilyMismatchText},
      {Wire::kUsb, 2, "other-family", kFamilyMismatchText},
      {Wire::kUsb, 1, "cut:1", kNotVnSeriesText},
      {Wire::kRevB, 1, "cut:1", kNotVnSeriesText},
      {Wire::kRevB, 1, "unplugged", kModuleNotFoundText},
      {Wire::kRevB, 2, "other-family", kModuleNotFoundText},
      {Wire::kDummy, 1, "no-power", kModuleNotFoundText},
      {Wire::kDummy, 1, "cut:1", kModuleNotFoundText},  // the speed check wants all seven
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " " + c.fault);
    const std::string fault = c.fault;
    const int module_kind = fault == "other-family" ? 3 - c.kind : c.kind;
    VirtualLink v(c.wire, module_kind);
    v.series = core::SeriesOfKind(c.kind);
    if (fault == "unplugged") v.faults().unplugged = true;
    if (fault == "no-power") v.faults().no_power = true;
    if (fault == "cut:1") v.faults().cut_after = 1;
    const auto id = link::IdentifyModule(v.link, v.series);
    EXPECT_EQ(id.result, -1);
    const core::RenderedMessage shown = core::Render(id.message, core::Language::kEnglish);
    EXPECT_EQ(shown.text, c.message);
    EXPECT_EQ(shown.style, 64);
    // Only the module-not-found box has the upper-case title.
    EXPECT_EQ(shown.title, std::string(c.message) == kModuleNotFoundText ? "VARNOLIC Studio ERROR !"
                                                                         : "VARNOLIC Studio Error !");
    EXPECT_EQ(v.irq.disables, v.irq.enables);
  }
}

// A reply cut off on the wire is lost with the wire: the next cable's identification gets its
// own answer, not the rest of the old one.
TEST(Identify, ACutReplyDoesNotReachTheNextCable) {
  for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
    for (long cut : {1, 3, 6}) {
      SCOPED_TRACE(std::string(WireName(w)) + " cut after " + std::to_string(cut));
      VirtualLink v(w, 1, {1, 41, 7});
      // The dummy cable's speed check takes seven bytes before the identification's.
      v.faults().cut_after = w == Wire::kDummy ? 7 + cut : cut;
      // Only the second byte decides (cut:1 fails); the rest of the reply is read and ignored.
      EXPECT_EQ(link::IdentifyModule(v.link, v.series).result, cut == 1 ? -1 : 0);
      NextCable next(v);
      const auto id = link::IdentifyModule(next.link, v.series);
      EXPECT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
      EXPECT_EQ(id.firmware, 41);
    }
  }
}

// The download's opening asks a VNM module only whether it is there (&H67); the firmware
// version is the identify command's and the about box's.
TEST(Identify, ForADownloadTheVnmModuleIsNotAskedItsFirmware) {
  for (Wire w : {Wire::kUsb, Wire::kRevB}) {
    SCOPED_TRACE(WireName(w));
    VirtualLink v(w, 2, {2, 41, 7});
    const auto id = link::IdentifyForDownload(v.link, v.series);
    ASSERT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
    EXPECT_EQ(id.series, 2);
    EXPECT_EQ(id.firmware, -1);
    EXPECT_EQ(id.math_firmware, 7);
    EXPECT_EQ(v.module.commands(), std::vector<std::uint8_t>{0x67});
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
}

TEST(Identify, KoreanTexts) {
  VirtualLink v(Wire::kUsb, 1);
  v.faults().unplugged = true;
  EXPECT_EQ(core::MessageTextOf(link::IdentifyModule(v.link, v.series).message, core::Language::kKorean),
            "USB케이블을 찾을수 없습니다.");
}

// ---- vnstudio-cli identify ---------------------------------------------------------------------

CliRun Cli(const std::string& args) {
  const std::string home = (std::filesystem::temp_directory_path() / "vn-identify-test").string();
  return RunShell("XDG_CONFIG_HOME=" + home + " " + VN_CLI_PATH + " identify " + args + " 2>&1");
}

TEST(IdentifyCli, ReportsTheModuleOrWhyNone) {
  struct Case {
    const char* args;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {"--cable virtual", 0, "VN series\nF/W Version is 32\n"},
      {"--cable virtual-revb --device WF", 0, "VNM series\nMain F/W is 32\nMath Chip F/W is 17\n"},
      {"--cable virtual-dummy --device LG --port 0x278", 0, "VN series\nF/W Version is 32\n"},
      {"--cable virtual --virtual-fault unplugged",
       1, "Can't find VARNOLIC USB CABLE on USB Port\nCan't find USB cable\n"},
      {"--cable virtual-revb --virtual-fault no-power", 1, "VARNOLIC module not found ! Check cable or power\n"},
      {"--cable virtual --device WD --virtual-fault other-family", 1,
       "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!\n"},
      {"--cable virtual-revb --virtual-fault cut:1", 1, "Not Vn serise. Check VARNOLIC MODEL number!\n"},
      // A bad flash cell does not stop the identification.
      {"--cable virtual --virtual-fault bad-flash:100", 0, "VN series\nF/W Version is 32\n"},
      {"--cable virtual --virtual-fault melted", 2, nullptr},
      {"--cable revb --virtual-fault no-power", 2, nullptr},
      {"--cable virtual --device XY", 2, nullptr},
      {"--cable virtual-revb --port 0x10000", 2, nullptr},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
    if (c.out != nullptr) {
      EXPECT_EQ(r.out, c.out) << c.args;
    }
  }
}

}  // namespace
}  // namespace vn::testing
