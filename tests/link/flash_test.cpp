// Reading the module's flash back, Verify and the about box's firmware query against the
// virtual module.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "link/download.h"
#include "link/flash.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

struct Shown {
  compiler::Msg text;
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
  void ShowMessage(const compiler::Msg& text, const std::string& title, int style) override {
    messages.push_back({text, title, style});
  }
  std::vector<std::string> statuses;
  std::vector<Shown> messages;
  long value = -1, max = -1, peak = -1;
};

compiler::CodeImage PatternImage(long n) {
  compiler::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  return code;
}

// Puts the program into the module's flash directly, as an earlier download left it.
void Preload(sim::Module& m, const compiler::CodeImage& code, long n) {
  for (long a = 0; a <= n; ++a) m.ProgramFlash(a, code.Get(a));
}

std::vector<int> DecodeUsb(const std::vector<std::uint8_t>& written) {
  std::vector<int> bytes;
  for (size_t i = 0; i + 1 < written.size(); i += 2) bytes.push_back(written[i] + 16 * written[i + 1]);
  return bytes;
}

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
    ASSERT_EQ(link::ReadFlashMemory(v.link, -1, c.n, c.kind, flash, ui), 0);
    long wrong = 0;
    for (long a = 0; a < c.n; ++a) wrong += flash.Get(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(flash.Get(c.n), 0x77);
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Now Reading...", ""}));
    EXPECT_EQ(ui.max, c.n / 2);
    EXPECT_EQ(ui.peak, (c.n - 1) / 2);
    EXPECT_EQ(ui.value, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(v.module.ProgramLength(), 0);  // nothing was written
  }
}

TEST(FlashReadBack, CommandBytes) {
  struct Case {
    int kind;
    long n;
    std::vector<int> sent;
  };
  const Case cases[] = {
      {1, 256, {0x78, 2}},  // pages: 256 bytes ask for two
      {1, 255, {0x78, 1}},
      {2, 256, {0x78, 0, 1}},
      {2, 40000, {0x78, 0x40, 0x9C}},
  };
  for (const auto& c : cases) {
    VirtualLink v(Wire::kUsb, c.kind);
    link::FlashImage flash;
    RecordingProgress ui;
    ASSERT_EQ(link::FlashReadBack(v.link, c.n, c.kind, flash, ui), 0);
    EXPECT_EQ(DecodeUsb(v.usb.written()), c.sent) << c.kind << " " << c.n;
    EXPECT_EQ(v.usb.read_calls(), (c.n + 127) / 128);
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
      EXPECT_EQ(link::FlashReadBack(v.link, 500, kind, flash, ui), -1);
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
  ASSERT_EQ(link::FlashReadBack(v.link, 1000, 1, flash, read), 0);
  for (long a = 0; a < 1000; ++a) ASSERT_EQ(flash.Get(a), code.Get(a)) << a;
  // The rest of the last page the module sent is given up; the next exchange still works.
  RecordingProgress again;
  EXPECT_EQ(link::DownloadVn(v.link, code, 1000, again), 0);
}

TEST(Verify, ComparesTheFlashWithTheImage) {
  struct Case {
    const char* name;
    Wire wire;
    int kind;
    int compiled_ok;
    long bad_flash;
    const char* text;
    const char* title;
    int style;
    int result;
  };
  const Case cases[] = {
      {"ok usb", Wire::kUsb, 2, -1, -1, "Verify OK !", "VARNOLIC Studio Message", 64, 0},
      {"ok revb", Wire::kRevB, 2, -1, -1, "Verify OK !", "VARNOLIC Studio Message", 64, 0},
      {"mismatch", Wire::kRevB, 2, -1, 200, "Verify Error at C8  PC : 91  VARNOLIC : 90", "VARNOLIC Studio ERROR !", 64, -1},
      {"mismatch above 32000", Wire::kUsb, 2, -1, 32001, "Verify Error at 7D01  PC : F2  VARNOLIC : F3",
       "VARNOLIC Studio ERROR !", 64, -1},
      {"vn", Wire::kUsb, 1, -1, -1, "Can not use this menu at VN serise", "VNstudio", 0, -1},
      {"no compile", Wire::kUsb, 2, 0, -1, "No compile infomation ! Try Run !", "VNstudio", 0, -1},
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
    EXPECT_EQ(link::VerifyCommand(v.link, c.compiled_ok, code, n, c.kind, flash, ui), c.result);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.en, c.text);
    EXPECT_EQ(ui.messages[0].title, c.title);
    EXPECT_EQ(ui.messages[0].style, c.style);
    const bool read = c.compiled_ok != 0 && c.kind == 2;
    EXPECT_EQ(v.module.commands().size(), read ? 1u : 0u);
    if (read) {
      EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Now Reading...", ""}));
      EXPECT_EQ(ui.value, 0);
    }
  }
}

TEST(Verify, SmallValuesInHexadecimalWithoutPadding) {
  VirtualLink v(Wire::kUsb, 2);
  compiler::CodeImage code;
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
  compiler::CodeImage code;
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
  EXPECT_EQ(link::ReadFlashMemory(v.link, 0, 100, 1, flash, ui), -1);
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
    const auto lines = link::FirmwareQuery(v.link, -1, c.kind);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(lines->fw, c.fw);
    if (c.fw2 == nullptr) {
      EXPECT_FALSE(lines->fw2.has_value());
    } else {
      ASSERT_TRUE(lines->fw2.has_value());
      EXPECT_EQ(*lines->fw2, c.fw2);
    }
  }
}

TEST(FirmwareQuery, NothingBeforeACompile) {
  VirtualLink v(Wire::kUsb, 2);
  EXPECT_FALSE(link::FirmwareQuery(v.link, 0, 2).has_value());
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

}  // namespace
}  // namespace vn::testing
