// Reading the module's flash back, Verify and the about box's firmware query against the
// virtual module.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli_run.h"
#include "compiler/compiler.h"
#include "core/messages.h"
#include "link/download.h"
#include "link/flash.h"
#include "link/identify.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

struct Shown {
  core::Msg text;
  std::string title;
  int style;
};

struct RecordingProgress final : link::DownloadProgress {
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetProgress(long v, long m) override {
    value = v;
    max = m;
    if (v > peak) peak = v;
  }
  void ShowMessage(const core::Message& m) override {
    const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
    messages.push_back({{en.text, core::MessageTextOf(m, core::Language::kKorean)}, en.title, en.style});
  }
  std::vector<std::string> statuses;
  std::vector<Shown> messages;
  long value = -1, max = -1, peak = -1;
};

core::CodeImage PatternImage(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  return code;
}

// Puts the program into the module's flash directly, as an earlier download left it.
void Preload(sim::Module& m, const core::CodeImage& code, long n) {
  for (long a = 0; a <= n; ++a) m.ProgramFlash(a, code.Get(a));
}

std::vector<int> DecodeUsb(const std::vector<std::uint8_t>& written) {
  std::vector<int> bytes;
  for (size_t i = 0; i + 1 < written.size(); i += 2) bytes.push_back(written[i] + 16 * written[i + 1]);
  return bytes;
}

// A firmware line as the about box shows it.
std::string English(const core::Message& line) { return core::MessageTextOf(line, core::Language::kEnglish); }

TEST(FlashReadBack, ReadsTheProgramOnEveryCable) {
  struct Case {
    Wire wire;
    int kind;
    long n;
  };
  const Case cases[] = {
      {Wire::kUsb, 1, 33000}, {Wire::kRevB, 1, 700}, {Wire::kDummy, 1, 200},
      {Wire::kUsb, 2, 40000}, {Wire::kRevB, 2, 33000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " kind " + std::to_string(c.kind));
    VirtualLink v(c.wire, c.kind);
    const auto code = PatternImage(c.n);
    Preload(v.module, code, c.n);
    link::FlashImage flash;
    flash.Set(c.n, 0x77);  // past the program: not read
    RecordingProgress ui;
    ASSERT_EQ(link::ReadFlashMemory(v.link, true, c.n, core::SeriesOfKind(c.kind), flash, ui), 0);
    long wrong = 0;
    for (long a = 0; a < c.n; ++a) wrong += flash.Get(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(flash.Get(c.n), 0x77);
    // The dummy cable's timing is found first: this link has not downloaded anything.
    std::vector<std::string> statuses = {"Now Reading...", ""};
    if (c.wire == Wire::kDummy) statuses.insert(statuses.begin(), "Cable Speed Check : Step  9...");
    EXPECT_EQ(ui.statuses, statuses);
    EXPECT_EQ(ui.max, c.n / 2);
    EXPECT_EQ(ui.peak, (c.n - 1) / 2);
    EXPECT_EQ(ui.value, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(v.module.ProgramLength(), 0);  // nothing was written
    // The VN module's whole last page was taken too: nothing waits for the next exchange.
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
}

TEST(FlashReadBack, CommandBytes) {
  struct Case {
    int kind;
    long n;
    std::vector<int> sent;
    long reads;  // USB reads: the program's bytes a block at a time, then the rest of the pages
  };
  const Case cases[] = {
      {1, 256, {0x78, 2}, 2 + 2},  // pages: 256 bytes ask for two; the second page is read and dropped
      {1, 255, {0x78, 1}, 2 + 1},  // the one byte left of the page
      {1, 300, {0x78, 2}, 3 + 2},  // 212 bytes left
      {2, 256, {0x78, 0, 1}, 2},
      {2, 40000, {0x78, 0x40, 0x9C}, 313},
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kUsb, c.kind);
    link::FlashImage flash;
    RecordingProgress ui;
    ASSERT_EQ(link::FlashReadBack(v.link, c.n, core::SeriesOfKind(c.kind), flash, ui), 0);
    EXPECT_EQ(DecodeUsb(v.usb.written()), c.sent) << c.kind << " " << c.n;
    EXPECT_EQ(v.usb.read_calls(), c.reads) << c.kind << " " << c.n;
    EXPECT_EQ(v.Uncollected(), std::vector<int>{}) << c.kind << " " << c.n;
  }
}

// A read-back leaves the USB cable's receive path empty: the next exchange that does not reset
// the device (the about box's firmware query, a debugger command) gets its own answer and not
// the rest of the module's last page.
TEST(FlashReadBack, TheNextQueryGetsItsOwnAnswer) {
  struct Case {
    Wire wire;
    int kind;
    long n;
  };
  const Case cases[] = {
      {Wire::kUsb, 1, 300}, {Wire::kUsb, 1, 256}, {Wire::kUsb, 1, 1}, {Wire::kUsb, 1, 33000}, {Wire::kUsb, 2, 300},
      {Wire::kRevB, 1, 300}, {Wire::kRevB, 2, 300}, {Wire::kDummy, 1, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
    VirtualLink v(c.wire, c.kind, {c.kind, 41, 7});
    const auto code = PatternImage(c.n);
    Preload(v.module, code, c.n);
    link::FlashImage flash;
    RecordingProgress ui;
    ASSERT_EQ(link::FlashReadBack(v.link, c.n, core::SeriesOfKind(c.kind), flash, ui), 0);
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});

    const auto lines = link::FirmwareQuery(v.link, true, core::SeriesOfKind(c.kind));
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(English(lines->fw), c.kind == 1 ? "F/W Version is 41" : "Main F/W is 41");
    EXPECT_EQ(lines->fw2 ? English(*lines->fw2) : "none", c.kind == 1 ? "none" : "Math Chip F/W is 7");
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});

    // And the identification after it, which resets the USB device first, finds nothing to
    // throw away.
    const auto id = link::IdentifyModule(v.link, v.series);
    EXPECT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
    EXPECT_EQ(id.firmware, 41);
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
}

TEST(FlashReadBack, AFailureKeepsWhatWasReadAndSaysSoOnce) {
  for (Wire w : {Wire::kUsb, Wire::kRevB}) {
    for (int kind : {1, 2}) {
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind);
      const auto code = PatternImage(500);
      Preload(v.module, code, 500);
      v.faults().cut_after = 300;
      link::FlashImage flash;
      for (long a = 0; a < 500; ++a) flash.Set(a, 0xEE);
      RecordingProgress ui;
      EXPECT_EQ(link::FlashReadBack(v.link, 500, core::SeriesOfKind(kind), flash, ui), -1);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text.en, "VARNOLIC module not found ! Check cable or power");
      EXPECT_EQ(ui.messages[0].title, "VARNOLIC Studio ERROR !");
      EXPECT_EQ(ui.messages[0].style, 64);
      EXPECT_EQ(ui.statuses.back(), "");
      EXPECT_EQ(ui.value, 0);
      EXPECT_EQ(flash.Get(299), code.Get(299));
      EXPECT_EQ(flash.Get(300), 0xEE);
      EXPECT_EQ(flash.Get(499), 0xEE);
    }
  }
}

TEST(FlashReadBack, AfterADownloadTheFlashReadsAsTheCode) {
  VirtualLink v(Wire::kRevB, 1);
  const auto code = PatternImage(1000);
  RecordingProgress down, read;
  ASSERT_EQ(link::DownloadVn(v.link, code, 1000, down), 0);
  link::FlashImage flash;
  ASSERT_EQ(link::FlashReadBack(v.link, 1000, core::Series::kVn, flash, read), 0);
  for (long a = 0; a < 1000; ++a) ASSERT_EQ(flash.Get(a), code.Get(a)) << a;
  // The rest of the last page the module sent was taken and dropped; the next exchange works.
  EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  RecordingProgress again;
  EXPECT_EQ(link::DownloadVn(v.link, code, 1000, again), 0);
  EXPECT_EQ(v.Uncollected(), std::vector<int>{});
}

// A new run of the program (the command line's read-flash, or the IDE's Read Flash Memory
// before any download) has not found the dummy cable's bit timing yet: the read-back runs the
// speed check first, once.
TEST(FlashReadBack, OnTheDummyCableTheSpeedCheckRunsFirst) {
  VirtualLink v(Wire::kDummy, 1);
  v.link.BitDelay = 0;  // as a new process starts
  ASSERT_EQ(v.link.SpeedChecked, 0);
  const auto code = PatternImage(300);
  Preload(v.module, code, 300);
  link::FlashImage flash;
  RecordingProgress ui;
  ASSERT_EQ(link::ReadFlashMemory(v.link, true, 300, core::Series::kVn, flash, ui), 0)
      << (ui.messages.empty() ? "" : ui.messages[0].text.en);
  long wrong = 0;
  for (long a = 0; a < 300; ++a) wrong += flash.Get(a) != code.Get(a);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Cable Speed Check : Step  9...", "Now Reading...", ""}));
  EXPECT_EQ(v.link.SpeedChecked, -1);
  EXPECT_EQ(v.link.BitDelay, 900);
  EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  EXPECT_EQ(v.irq.disables, v.irq.enables);

  // Once is enough.
  RecordingProgress again;
  ASSERT_EQ(link::ReadFlashMemory(v.link, true, 300, core::Series::kVn, flash, again), 0);
  EXPECT_EQ(again.statuses, (std::vector<std::string>{"Now Reading...", ""}));
}

TEST(FlashReadBack, ASpeedCheckThatFailsIsTheLinkFailure) {
  VirtualLink v(Wire::kDummy, 1);
  v.link.BitDelay = 0;
  v.faults().no_power = true;
  link::FlashImage flash;
  RecordingProgress ui;
  EXPECT_EQ(link::ReadFlashMemory(v.link, true, 300, core::Series::kVn, flash, ui), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.en, "VARNOLIC module not found ! Check cable or power");
  EXPECT_EQ(ui.messages[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(ui.statuses.front(), "Cable Speed Check : Step  9...");
  EXPECT_EQ(ui.statuses.back(), "");
  EXPECT_EQ(std::count(ui.statuses.begin(), ui.statuses.end(), "Now Reading..."), 0);
  EXPECT_EQ(v.link.SpeedChecked, 0);
  EXPECT_EQ(ui.value, 0);
}

TEST(Verify, ComparesTheFlashWithTheImage) {
  struct Case {
    const char* name;
    Wire wire;
    int kind;
    bool compiled;
    long bad_flash;
    const char* text;
    const char* title;
    int style;
    int result;
  };
  const Case cases[] = {
      {"ok usb", Wire::kUsb, 2, true, -1, "Verify OK !", "VARNOLIC Studio Message", 64, 0},
      {"ok revb", Wire::kRevB, 2, true, -1, "Verify OK !", "VARNOLIC Studio Message", 64, 0},
      {"mismatch", Wire::kRevB, 2, true, 200, "Verify Error at C8  PC : 91  VARNOLIC : 90", "VARNOLIC Studio ERROR !", 64, -1},
      {"mismatch above 32000", Wire::kUsb, 2, true, 32001, "Verify Error at 7D01  PC : F2  VARNOLIC : F3",
       "VARNOLIC Studio ERROR !", 64, -1},
      {"vn", Wire::kUsb, 1, true, -1, "Can not use this menu at VN serise", "VNstudio", 0, -1},
      {"no compile", Wire::kUsb, 2, false, -1, "No compile infomation ! Try Run !", "VNstudio", 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualLink v(c.wire, 2);
    const long n = 33000;
    const auto code = PatternImage(n);
    v.module.bad_flash_addr = c.bad_flash;
    Preload(v.module, code, n);
    link::FlashImage flash;
    RecordingProgress ui;
    EXPECT_EQ(link::VerifyCommand(v.link, c.compiled, code, n, core::SeriesOfKind(c.kind), flash, ui), c.result);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.en, c.text);
    EXPECT_EQ(ui.messages[0].title, c.title);
    EXPECT_EQ(ui.messages[0].style, c.style);
    const bool read = c.compiled && c.kind == 2;
    EXPECT_EQ(v.module.commands().size(), read ? 1u : 0u);
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
    if (read) {
      EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Now Reading...", ""}));
      EXPECT_EQ(ui.value, 0);
    }
  }
}

TEST(Verify, SmallValuesInHexadecimalWithoutPadding) {
  VirtualLink v(Wire::kUsb, 2);
  core::CodeImage code;
  code.Set(255, 10);
  Preload(v.module, code, 300);
  v.module.ProgramFlash(255, 11);
  link::FlashImage flash;
  RecordingProgress ui;
  EXPECT_EQ(link::VerifyFlash(v.link, code, 300, flash, ui), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.en, "Verify Error at FF  PC : A  VARNOLIC : B");
}

TEST(Verify, LinkFailure) {
  VirtualLink v(Wire::kRevB, 2);
  v.faults().unplugged = true;
  core::CodeImage code;
  link::FlashImage flash;
  RecordingProgress ui;
  EXPECT_EQ(link::VerifyFlash(v.link, code, 100, flash, ui), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.ko, "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!");
  EXPECT_EQ(ui.statuses.back(), "");
}

TEST(ReadFlashMemory, NothingWithoutACompile) {
  VirtualLink v(Wire::kUsb, 1);
  link::FlashImage flash;
  RecordingProgress ui;
  EXPECT_EQ(link::ReadFlashMemory(v.link, false, 100, core::Series::kVn, flash, ui), -1);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.ko, "컴파일정보가 없습니다. RUN을 클릭하면 컴파일을 수행합니다.");
  EXPECT_EQ(ui.messages[0].style, 0);
  EXPECT_TRUE(v.usb.written().empty());
}

TEST(FirmwareQuery, LinesOfTheAboutBox) {
  struct Case {
    const char* name;
    Wire wire;
    int kind;
    std::function<void(VirtualLink&)> fault;
    const char* fw;
    const char* fw2;  // null: the second line is left alone
  };
  auto none = [](VirtualLink&) {};
  auto no_power = [](VirtualLink& v) { v.faults().no_power = true; };
  auto cut = [](long n) { return [n](VirtualLink& v) { v.faults().cut_after = n; }; };
  const Case cases[] = {
      {"vn usb", Wire::kUsb, 1, none, "F/W Version is 41", nullptr},
      {"vn revb", Wire::kRevB, 1, none, "F/W Version is 41", nullptr},
      {"vn dummy", Wire::kDummy, 1, none, "F/W Version is 41", nullptr},
      // Before any download in this run: the speed check finds the timing first.
      {"vn dummy, no timing yet", Wire::kDummy, 1, [](VirtualLink& v) { v.link.BitDelay = 0; }, "F/W Version is 41",
       nullptr},
      {"vnm usb", Wire::kUsb, 2, none, "Main F/W is 41", "Math Chip F/W is 7"},
      {"vnm revb", Wire::kRevB, 2, none, "Main F/W is 41", "Math Chip F/W is 7"},
      {"vn no power", Wire::kRevB, 1, no_power, "Firmware Not Found !", nullptr},
      {"vn second byte missing", Wire::kUsb, 1, cut(1), "Firmware Not Found !", nullptr},
      // The send goes out over USB; the versions never come back.
      {"vnm usb no power", Wire::kUsb, 2, no_power, "Firmware Not Found !", "Firmware Not Found !"},
      {"vnm revb no power", Wire::kRevB, 2, no_power, "Firmware Not Found !", nullptr},
      {"vnm math chip silent", Wire::kRevB, 2, cut(1), "Main F/W is 41", "Firmware Not Found !"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualLink v(c.wire, c.kind, {c.kind, 41, 7});
    c.fault(v);
    const auto lines = link::FirmwareQuery(v.link, true, core::SeriesOfKind(c.kind));
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(English(lines->fw), c.fw);
    if (c.fw2 == nullptr) {
      EXPECT_FALSE(lines->fw2.has_value());
    } else {
      ASSERT_TRUE(lines->fw2.has_value());
      EXPECT_EQ(English(*lines->fw2), c.fw2);
    }
    if (std::string(c.fw) != "Firmware Not Found !") {
      EXPECT_EQ(v.Uncollected(), std::vector<int>{});
    }
  }
}

TEST(FirmwareQuery, NothingBeforeACompile) {
  VirtualLink v(Wire::kUsb, 2);
  EXPECT_FALSE(link::FirmwareQuery(v.link, false, core::Series::kVnm).has_value());
  EXPECT_TRUE(v.usb.written().empty());
}

TEST(FlashRows, EightBytesARowUpToTheEnd) {
  link::FlashImage flash;
  for (long a = 0; a < 27; ++a) flash.Set(a, static_cast<int>(a));
  flash.Set(32000, 0xAB);
  flash.Set(32001, 0xCD);
  EXPECT_EQ(link::FlashRows(flash, 27),
            (std::vector<std::string>{"0 : 00 01 02 03 04 05 06 07 ", "8 : 08 09 0A 0B 0C 0D 0E 0F ",
                                      "10 : 10 11 12 13 14 15 16 17 ", "18 : 18 19 1A 00 00 00 00 00 "}));
  EXPECT_EQ(link::FlashRows(flash, 32002, 4000), (std::vector<std::string>{"7D00 : AB CD 00 00 00 00 00 00 "}));
}

// ---- vnstudio-cli read-flash ---------------------------------------------------------------------

class ReadFlashCli : public CliTest {
 protected:
  ReadFlashCli() : CliTest("vn_link_read_flash_cli") {}
};

// Each run of the command line is a new process: read-flash over the dummy cable must find the
// bit timing itself, the download that loaded the module having been another process.
TEST_F(ReadFlashCli, OverTheDummyCableInAProcessOfItsOwn) {
  const std::string source = "DIM A AS BYTE\r\nDIM B AS INTEGER\r\nL: A = A + 1\r\nB = B - A\r\nGOTO L\r\n";
  const std::filesystem::path bas = Write("vn.bas", source);
  const std::string flash = " --virtual-flash " + (dir_ / "flash.bin").string();
  CliRun r = Exec("download " + bas.string() + " --cable virtual-dummy --device LG" + flash);
  ASSERT_EQ(r.status, 0) << r.err;

  // The rows the flash view would show for the compiled program.
  compiler::Compiler c;
  compiler::ApplyDeviceCode(c.Device, *compiler::FindDeviceCode("LG"));
  ASSERT_EQ(c.CompileSource(source), 0);
  link::FlashImage image;
  for (long a = 0; a < c.CodeAddr; ++a) image.Set(a, c.Code.Get(a));
  std::string rows;
  for (const auto& row : link::FlashRows(image, c.CodeAddr)) rows += row + "\n";
  ASSERT_GT(c.CodeAddr, 24);

  r = Exec("read-flash " + bas.string() + " --cable virtual-dummy --device LG" + flash);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, rows);

  // A blank module reads as erased flash, not as a failure.
  r = Exec("read-flash " + bas.string() + " --cable virtual-dummy --device LG");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 30), "0 : FF FF FF FF FF FF FF FF \n8");
}

}  // namespace
}  // namespace vn::testing
