// Reading the module's flash back, Verify and the about box's firmware query against the
// virtual module.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/flash.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

// The VN module is asked for whole pages (one more than the full pages the program fills) and
// sends all of them; the read-back takes exactly the rest of the last page, no receive waiting
// out its time-out for a byte that never comes.
TEST(FlashReadBack, CommandBytesWholePagesAndAFailureThatKeepsWhatWasRead) {
  const struct { int kind; long n; std::vector<int> sent; } cases[] = {
      {1, 255, {0x78, 1}}, {1, 256, {0x78, 2}}, {1, 512, {0x78, 3}}, {2, 256, {0x78, 0, 1}}, {2, 40000, {0x78, 0x40, 0x9C}}};
  for (const auto& c : cases) {
    for (Wire w : {Wire::kUsb, Wire::kRevB}) {
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
      VirtualLink v(w, c.kind);
      link::FlashImage flash;
      RecordingProgress ui;
      const auto start = v.clock.NowNs();
      ASSERT_EQ(link::FlashReadBack(v.link, c.n, core::SeriesOfKind(c.kind), flash, ui), 0);
      EXPECT_EQ(std::tuple(DecodeUsb(v.usb.written()), v.Uncollected()), std::tuple(w == Wire::kUsb ? c.sent : std::vector<int>{}, std::vector<int>{}));
      EXPECT_LT(v.clock.NowNs() - start, c.kind == 1 ? 900'000'000 : 1LL << 62);
    }
  }
  // A failure keeps what was read and says so once.
  for (int kind : {1, 2}) {
    VirtualLink v(kind == 1 ? Wire::kUsb : Wire::kRevB, kind);
    const auto code = PatternImage(500);
    Preload(v.module, code, 500);
    v.faults().cut_after = 300;
    link::FlashImage flash;
    for (long a = 0; a < 500; ++a) flash.Set(a, 0xEE);
    RecordingProgress ui;
    EXPECT_EQ(link::FlashReadBack(v.link, 500, core::SeriesOfKind(kind), flash, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].en + "|" + ui.messages[0].title + "|" + ui.statuses.back(),
              "VARNOLIC module not found ! Check cable or power|VARNOLIC Studio ERROR !|");
    EXPECT_EQ(std::vector<int>({flash.Get(299), flash.Get(300), flash.Get(499), int(ui.value)}), (std::vector<int>{code.Get(299), 0xEE, 0xEE, 0}));
  }
  // A speed check that fails is the link's failure, before anything is read.
  VirtualLink v(Wire::kDummy, 1);
  std::tie(v.link.BitDelay, v.faults().no_power) = std::tuple(0L, true);
  link::FlashImage flash;
  RecordingProgress ui;
  EXPECT_EQ(link::ReadFlashMemory(v.link, true, 300, core::Series::kVn, flash, ui), -1);
  EXPECT_EQ(ui.messages.size() == 1 ? ui.messages[0].ko : "", "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!");
  EXPECT_EQ(ui.statuses.front() + "|" + ui.statuses.back() + std::to_string(std::count(ui.statuses.begin(), ui.statuses.end(), "Now Reading...") + v.link.SpeedChecked),
            "Cable Speed Check : Step  9...|0");
}

TEST(Verify, ComparesTheFlashWithTheImage) {
  const char* caps = "VARNOLIC Studio ERROR !";
  const struct { Wire wire; int kind; bool compiled; long bad_flash; const char *text, *title; int style; } cases[] = {
      {Wire::kRevB, 2, true, -1, "Verify OK !", "VARNOLIC Studio Message", 64},
      {Wire::kUsb, 2, true, 32001, "Verify Error at 7D01  PC : F2  VARNOLIC : F3", caps, 64},
      {Wire::kUsb, 1, true, -1, "Can not use this menu at VN serise", "VNstudio", 0},
      {Wire::kUsb, 2, false, -1, "No compile infomation ! Try Run !", "VNstudio", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    VirtualLink v(c.wire, 2);
    const long n = 33000;
    const auto code = PatternImage(n);
    v.module.bad_flash_addr = c.bad_flash;
    Preload(v.module, code, n);
    link::FlashImage flash;
    RecordingProgress ui;
    EXPECT_EQ(link::VerifyCommand(v.link, c.compiled, code, n, core::SeriesOfKind(c.kind), flash, ui),
              std::string(c.text) == "Verify OK !" ? 0 : -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(std::tuple(ui.messages[0].en, ui.messages[0].title, ui.messages[0].style), std::tuple(c.text, c.title, c.style));
    const bool read = c.compiled && c.kind == 2;
    EXPECT_EQ(std::tuple(v.module.commands().size() + v.Uncollected().size(), ui.statuses),
              std::tuple(read ? 1u : 0u, read ? std::vector<std::string>{"Now Reading...", ""} : std::vector<std::string>{}));
  }
  // Nothing is read without a compile.
  VirtualLink v(Wire::kUsb, 2);
  link::FlashImage flash;
  RecordingProgress none;
  EXPECT_EQ(link::ReadFlashMemory(v.link, false, 100, core::Series::kVnm, flash, none), -1);
  EXPECT_EQ(none.messages.at(0).ko, "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.");
  EXPECT_FALSE(link::FirmwareQuery(v.link, false, core::Series::kVnm).has_value());
  EXPECT_EQ(v.module.commands().size(), 0u);
}

TEST(FirmwareQuery, LinesOfTheAboutBox) {
  auto none = [](VirtualLink&) {};
  auto no_power = [](VirtualLink& v) { v.faults().no_power = true; };
  auto cut = [](VirtualLink& v) { v.faults().cut_after = 1; };
  const char* not_found = "Firmware Not Found !";
  // fw2 null: the second line is left alone.
  const struct { Wire wire; int kind; std::function<void(VirtualLink&)> fault; const char *fw, *fw2; } cases[] = {
      {Wire::kUsb, 1, none, "F/W Version is 41", nullptr}, {Wire::kUsb, 2, none, "Main F/W is 41", "Math Chip F/W is 7"},
      {Wire::kRevB, 1, no_power, not_found, nullptr}, {Wire::kUsb, 1, cut, not_found, nullptr},
      {Wire::kUsb, 2, no_power, not_found, not_found},  // the send goes out; no answer comes
      {Wire::kRevB, 2, no_power, not_found, nullptr}, {Wire::kRevB, 2, cut, "Main F/W is 41", not_found}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " " + std::to_string(&c - cases));
    VirtualLink v(c.wire, c.kind, {c.kind, 41, 7});
    c.fault(v);
    const auto lines = link::FirmwareQuery(v.link, true, core::SeriesOfKind(c.kind));
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(core::MessageTextOf(lines->fw, core::Language::kEnglish) + "|" +
                  (lines->fw2.has_value() ? core::MessageTextOf(*lines->fw2, core::Language::kEnglish) : "-"),
              std::string(c.fw) + "|" + (c.fw2 == nullptr ? "-" : c.fw2));
    EXPECT_TRUE(c.fw == not_found || v.Uncollected().empty());
  }
}

TEST(FlashRows, EightBytesARowUpToTheEnd) {
  link::FlashImage flash;
  for (long a = 0; a < 27; ++a) flash.Set(a, static_cast<int>(a));
  flash.Set(32000, 0xAB), flash.Set(32001, 0xCD);
  const auto rows = link::FlashRows(flash, 27);
  EXPECT_EQ(std::tuple(rows.size(), rows.at(2) + rows.at(3)), std::tuple(std::size_t{4}, std::string("10 : 10 11 12 13 14 15 16 17 18 : 18 19 1A 00 00 00 00 00 ")));
  EXPECT_EQ(link::FlashRows(flash, 32002, 4000), (std::vector<std::string>{"7D00 : AB CD 00 00 00 00 00 00 "}));
}

}  // namespace
}  // namespace vn::testing
