// Downloads into the virtual module on every cable: the bytes on the wire, the module's flash
// afterwards, the panel texts, the progress bar and the one message each failure ends with.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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
    if (v > m) ++past_max;
  }
  void ShowMessage(const core::Message& m) override {
    const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
    messages.push_back({{en.text, core::MessageTextOf(m, core::Language::kKorean)}, en.title, en.style});
  }
  std::vector<std::string> statuses;
  std::vector<Shown> messages;
  long value = -1, max = -1, peak = -1;
  int past_max = 0;
};

// Program bytes 24..n - 1 in a pattern that differs from one address to the next, so a byte
// sent to the wrong address shows; the header is the compiler's (32).
core::CodeImage PatternImage(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  return code;
}

// The PC's bytes on the USB cable, without the cable's own queries.
std::vector<int> DecodeUsb(const std::vector<std::uint8_t>& written) {
  std::vector<int> bytes;
  for (size_t i = 0; i + 1 < written.size(); i += 2) {
    if (written[i] == 0x10 || written[i] == 0x20) continue;
    bytes.push_back(written[i] + 16 * written[i + 1]);
  }
  return bytes;
}

int Download(VirtualLink& v, const core::CodeImage& code, long n, int kind, RecordingProgress& ui) {
  return kind == 1 ? link::DownloadVn(v.link, code, n, ui) : link::DownloadVnm(v.link, code, n, ui);
}

TEST(Download, SucceedsOnEveryCableAndLeavesTheProgramRunning) {
  struct Case {
    Wire wire;
    int kind;
    long n;
  };
  const Case cases[] = {
      {Wire::kUsb, 1, 33000},  // above 32000 on the VN series too
      {Wire::kRevB, 1, 600},
      {Wire::kDummy, 1, 300},
      {Wire::kUsb, 2, 40000},
      {Wire::kRevB, 2, 40000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
    VirtualLink v(c.wire, c.kind);
    v.module.pc = 900;  // somewhere in an older program
    const auto code = PatternImage(c.n);
    RecordingProgress ui;
    ASSERT_EQ(Download(v, code, c.n, c.kind, ui), 0) << (ui.messages.empty() ? "" : ui.messages[0].text.en);
    EXPECT_TRUE(ui.messages.empty());

    // The VN module takes n + 1 bytes, the VNM module n; nothing beyond.
    const long sent = c.kind == 1 ? c.n + 1 : c.n;
    long wrong = 0;
    for (long a = 0; a < sent; ++a) wrong += v.module.FlashByte(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(v.module.FlashByte(sent), 0xFF);
    EXPECT_EQ(v.module.ProgramLength(), c.n);
    EXPECT_EQ(v.module.pc, 24u);
    EXPECT_FALSE(v.module.in_debug());

    std::vector<std::string> tail(ui.statuses.end() - 3, ui.statuses.end());
    char size[32];
    std::snprintf(size, sizeof size, "Code Size : %lX Byte", c.n);
    EXPECT_EQ(tail, (std::vector<std::string>{"Downloading..", c.kind == 1 ? "Now Verify.." : "Verify Check Sum", size}));
    if (c.wire == Wire::kDummy) {
      EXPECT_EQ(ui.statuses.front(), "Cable Speed Check : Step  9...");
    } else {
      EXPECT_EQ(ui.statuses.size(), 3u);
    }
    EXPECT_EQ(ui.max, c.n / 2);
    EXPECT_EQ(ui.peak, c.n / 2);
    EXPECT_EQ(ui.past_max, 0);
    EXPECT_EQ(ui.value, 0);
    EXPECT_EQ(v.irq.disables, v.irq.enables);
    // Every byte the module answered with was taken: nothing is left for the next exchange.
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
}

TEST(Download, BytesOnTheWireAndTheUsbBlocks) {
  struct Case {
    int kind;
    long n;
    std::vector<size_t> blocks;  // USB write sizes after the length field
  };
  std::vector<size_t> vnm40000(312, 256);
  vnm40000.push_back(128);
  std::vector<size_t> vn32000(250, 256);
  vn32000.push_back(2);
  const Case cases[] = {
      {1, 127, {256}},
      {1, 255, {256, 256}},     // 256 bytes: two full blocks, no remainder
      {1, 256, {256, 256, 2}},  // 257 bytes: a remainder of one
      {2, 255, {256, 254}},
      {2, 256, {256, 256}},
      {2, 40000, vnm40000},
      {1, 32000, vn32000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
    VirtualLink v(Wire::kUsb, c.kind);
    const auto code = PatternImage(c.n);
    RecordingProgress ui;
    ASSERT_EQ(Download(v, code, c.n, c.kind, ui), 0);

    std::vector<int> expect = c.kind == 1 ? std::vector<int>{0x56} : std::vector<int>{0x67};
    expect.insert(expect.end(), {0x34, static_cast<int>(c.n % 256), static_cast<int>(c.n / 256)});
    const long sent = c.kind == 1 ? c.n + 1 : c.n;
    for (long a = 0; a < sent; ++a) expect.push_back(code.Get(a));
    EXPECT_EQ(DecodeUsb(v.usb.written()), expect);

    // Two queries and the identification, then &H34 and the length byte by byte, then blocks.
    const size_t singles = 6;
    const auto& sizes = v.usb.write_sizes();
    ASSERT_GE(sizes.size(), singles);
    EXPECT_EQ(std::vector<size_t>(sizes.begin(), sizes.begin() + static_cast<long>(singles)),
              std::vector<size_t>(singles, 2));
    EXPECT_EQ(std::vector<size_t>(sizes.begin() + static_cast<long>(singles), sizes.end()), c.blocks);
    // The echo comes back a block per read, not a read per byte.
    const long reads = c.kind == 1 ? 2 + 7 + (sent + 127) / 128 : 2 + 1 + 2;
    EXPECT_EQ(v.usb.read_calls(), reads);
  }
}

TEST(Download, LengthFieldOfALargeVnmProgram) {
  VirtualLink v(Wire::kRevB, 2);
  const auto code = PatternImage(40000);
  RecordingProgress ui;
  ASSERT_EQ(link::DownloadVnm(v.link, code, 40000, ui), 0);
  // The identification (&H67) and the load command; the firmware version is not asked for.
  EXPECT_EQ(v.module.commands(), (std::vector<std::uint8_t>{0x67, 0x34}));
  EXPECT_EQ(v.module.bytes_received(), 1 + 3 + 40000);
  EXPECT_EQ(v.module.ProgramLength(), 40000);  // &H40, &H9C
}

// The VNM opening on the wire: &H67 and its one-byte answer, then &H34 and the length at once;
// no &H56 exchange in between (a module that did not answer it would cost a read time-out per
// download, one that answered with more would leave bytes ahead of the checksum).
TEST(Download, TheVnmOpeningOnEachCable) {
  constexpr long kN = 300;  // &H12C
  const auto code = PatternImage(kN);
  {
    VirtualLink v(Wire::kUsb, 2);
    RecordingProgress ui;
    ASSERT_EQ(link::DownloadVnm(v.link, code, kN, ui), 0);
    const auto& w = v.usb.written();
    ASSERT_GE(w.size(), 12u);
    // Cable query, family query, &H67, &H34, &H2C, &H01; each byte as two, low half first.
    EXPECT_EQ(std::vector<int>(w.begin(), w.begin() + 12),
              (std::vector<int>{0x10, 0x20, 0x20, 0x20, 0x07, 0x06, 0x04, 0x03, 0x0C, 0x02, 0x01, 0x00}));
    EXPECT_EQ(v.usb.write_sizes(), (std::vector<size_t>{2, 2, 2, 2, 2, 2, 256, 256, 88}));
    EXPECT_EQ(v.usb.resets(), 1);
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
  {
    VirtualLink v(Wire::kRevB, 2);
    v.port.set_recording(true);
    RecordingProgress ui;
    ASSERT_EQ(link::DownloadVnm(v.link, code, kN, ui), 0);
    std::vector<int> data;
    for (const auto& r : v.port.writes())
      if (r.reg == 0) data.push_back(r.value);
    ASSERT_GE(data.size(), 12u);
    // The data register, family bit set: a byte sent is its low half with the phase bit clear
    // (&HE0 + half), then its high half with it set (&HF0 + half); a byte received is
    // acknowledged with &HE0, then &HF0. &H67, its answer, &H34, &H2C, &H01, then the first
    // code byte (&H20).
    EXPECT_EQ(std::vector<int>(data.begin(), data.begin() + 12),
              (std::vector<int>{0xE7, 0xF6, 0xE0, 0xF0, 0xE4, 0xF3, 0xEC, 0xF2, 0xE1, 0xF0, 0xE0, 0xF2}));
    EXPECT_EQ(v.Uncollected(), std::vector<int>{});
  }
}

// The identification failures' texts, English and Korean.
constexpr char kNoUsbCableEn[] = "Can't find USB cable";
constexpr char kNoUsbCableKo[] = "USB케이블을 찾을수 없습니다.";
constexpr char kNoPowerEn[] =
    "No Power or Cable unpluged or Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!";
constexpr char kNoPowerKo[] =
    "전원이 공급되고 있지 않거나, 케이블이 연결되어 있지않습니다. 또는 VARNOLIC과 CONST DEVICE에서 지정한 "
    "디바이스가 일치하지 않습니다.";
constexpr char kFamilyMismatchEn[] = "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!";
constexpr char kFamilyMismatchKo[] = "연결되어 있는 VARNOLIC과 CONST DEVICE에서 지정한 디바이스가 일치하지 않습니다.";
constexpr char kModuleNotFoundEn[] = "VARNOLIC module not found ! Check cable or power";
constexpr char kModuleNotFoundKo[] = "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!";
constexpr char kNotVnSeriesEn[] = "Not Vn serise. Check VARNOLIC MODEL number!";
constexpr char kNotVnSeriesKo[] = "VN시리즈가 아닙니다. VARNOLIC 모델을 확인하십시요!";

TEST(Download, EachFailureShowsItsMessageOnce) {
  struct Case {
    const char* name;
    Wire wire;
    int kind;
    long n;
    std::function<void(VirtualLink&)> fault;
    const char* en;
    const char* ko;  // null: the message exists in English only
    const char* title;
    const char* final_status;
  };
  auto unplugged = [](VirtualLink& v) { v.faults().unplugged = true; };
  auto no_power = [](VirtualLink& v) { v.faults().no_power = true; };
  auto cut = [](long n) { return [n](VirtualLink& v) { v.faults().cut_after = n; }; };
  auto bad_flash = [](long a) { return [a](VirtualLink& v) { v.module.bad_flash_addr = a; }; };
  const char* caps = "VARNOLIC Studio ERROR !";
  const char* mixed = "VARNOLIC Studio Error !";
  const Case cases[] = {
      {"no usb cable vn", Wire::kUsb, 1, 300, unplugged, kNoUsbCableEn, kNoUsbCableKo, mixed, ""},
      {"no usb cable vnm", Wire::kUsb, 2, 300, unplugged, kNoUsbCableEn, kNoUsbCableKo, mixed, ""},
      {"no power vnm usb", Wire::kUsb, 2, 300, no_power, kNoPowerEn, kNoPowerKo, mixed, ""},
      {"no power vn usb", Wire::kUsb, 1, 300, no_power, kFamilyMismatchEn, kFamilyMismatchKo, mixed, ""},
      {"no power vnm revb", Wire::kRevB, 2, 300, no_power, kModuleNotFoundEn, kModuleNotFoundKo, caps, ""},
      {"unplugged vn revb", Wire::kRevB, 1, 300, unplugged, kModuleNotFoundEn, kModuleNotFoundKo, caps, ""},
      {"speed check vn dummy", Wire::kDummy, 1, 300, no_power, kModuleNotFoundEn, kModuleNotFoundKo, caps, ""},
      {"not vn usb", Wire::kUsb, 1, 300, cut(1), kNotVnSeriesEn, kNotVnSeriesKo, mixed, ""},
      {"not vn revb", Wire::kRevB, 1, 300, cut(1), kNotVnSeriesEn, kNotVnSeriesKo, mixed, ""},
      {"echo stops usb", Wire::kUsb, 1, 300, cut(7 + 100), "Communication ERROR at Verify! Address : 64", nullptr, caps, ""},
      {"echo stops revb", Wire::kRevB, 1, 300, cut(7 + 100), "Communication ERROR at Verify! Address : 64", nullptr, caps, ""},
      // The dummy cable's speed check took seven bytes before the identification's seven.
      {"echo stops dummy", Wire::kDummy, 1, 150, cut(14 + 100), "Communication ERROR at Verify! Address : 64", nullptr,
       caps, ""},
      {"echo differs revb", Wire::kRevB, 1, 300, bad_flash(200), "Verify ERROR at Address : C8   PC:91  VARNOLIC:90",
       nullptr, caps, "Code Size : 12C Byte"},
      {"echo differs above 32000", Wire::kUsb, 1, 33000, bad_flash(32001),
       "Verify ERROR at Address : 7D01   PC:F2  VARNOLIC:F3", nullptr, caps, "Code Size : 80E8 Byte"},
      {"echo corrupted on the wire", Wire::kUsb, 1, 300,
       [](VirtualLink& v) { v.faults().corrupt_to_pc = 7 + 50; }, "Verify ERROR at Address : 32   PC:63  VARNOLIC:62",
       nullptr, caps, "Code Size : 12C Byte"},
      {"sum differs usb", Wire::kUsb, 2, 300, bad_flash(200), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : 899C",
       nullptr, caps, "Code Size : 12C Byte"},
      {"sum differs revb", Wire::kRevB, 2, 300, bad_flash(200), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : 899C",
       nullptr, caps, "Code Size : 12C Byte"},
      // Both sum bytes missing: -1 x 256 + -1.
      {"sum missing usb", Wire::kUsb, 2, 300, cut(1), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : FFFFFEFF",
       nullptr, caps, "Code Size : 12C Byte"},
      // On a parallel cable a dead module takes no code bytes either.
      {"load fails revb", Wire::kRevB, 2, 300, cut(1), kModuleNotFoundEn, kModuleNotFoundKo, caps, ""},
      // Only the high byte missing is still no sum.
      {"sum half missing usb", Wire::kUsb, 2, 300, cut(2), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : FFFFFF9D",
       nullptr, caps, "Code Size : 12C Byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualLink v(c.wire, c.kind);
    c.fault(v);
    const auto code = PatternImage(c.n);
    RecordingProgress ui;
    EXPECT_EQ(Download(v, code, c.n, c.kind, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.en, c.en);
    EXPECT_EQ(ui.messages[0].text.ko, c.ko != nullptr ? c.ko : c.en);
    EXPECT_EQ(ui.messages[0].title, c.title);
    EXPECT_EQ(ui.messages[0].style, 64);
    EXPECT_EQ(ui.statuses.back(), c.final_status);
    EXPECT_EQ(ui.value, 0);
    EXPECT_EQ(v.irq.disables, v.irq.enables);
  }
}

// A download whose length arrived wrong (so the module waits for thousands of bytes more than
// come) fails once; the next download over a healthy cable goes through at once: the module
// gave the old one up while the PC waited for its answer.
TEST(Download, AHalfDownloadDoesNotSpoilTheNextOne) {
  struct Case {
    Wire wire;
    int kind;
  };
  const Case cases[] = {{Wire::kUsb, 1}, {Wire::kRevB, 1}, {Wire::kDummy, 1}, {Wire::kUsb, 2}, {Wire::kRevB, 2}};
  constexpr long kN = 200;
  const auto code = PatternImage(kN);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " kind " + std::to_string(c.kind));
    // Where the length's high byte goes on this wire: just before the code bytes.
    long high_at = 0;
    {
      VirtualLink probe(c.wire, c.kind);
      RecordingProgress ui;
      ASSERT_EQ(Download(probe, code, kN, c.kind, ui), 0);
      const long received = c.wire == Wire::kUsb ? probe.usb.received() : probe.port.received();
      high_at = received - (c.kind == 1 ? kN + 1 : kN) - 1;
    }
    VirtualLink v(c.wire, c.kind);
    v.faults().corrupt_from_pc = high_at;
    v.faults().corrupt_mask = 0x10;  // 200 becomes 4296
    RecordingProgress first;
    EXPECT_EQ(Download(v, code, kN, c.kind, first), -1);
    EXPECT_EQ(first.messages.size(), 1u);

    NextCable next(v);
    RecordingProgress ui;
    const int result = c.kind == 1 ? link::DownloadVn(next.link, code, kN, ui) : link::DownloadVnm(next.link, code, kN, ui);
    ASSERT_EQ(result, 0) << (ui.messages.empty() ? "" : ui.messages[0].text.en);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(v.module.ProgramLength(), kN);
    long wrong = 0;
    for (long a = 0; a < kN; ++a) wrong += v.module.FlashByte(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
  }
}

TEST(Download, OtherFamilyOverUsb) {
  for (int kind : {1, 2}) {
    VirtualLink v(Wire::kUsb, 3 - kind);
    v.link.UseSeries(core::SeriesOfKind(kind));
    const auto code = PatternImage(100);
    RecordingProgress ui;
    EXPECT_EQ(Download(v, code, 100, kind, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.en, kFamilyMismatchEn);
    EXPECT_EQ(ui.messages[0].text.ko, kFamilyMismatchKo);
    EXPECT_EQ(v.module.bytes_received(), 0);  // the module was never addressed
    EXPECT_EQ(v.module.FlashByte(24), 0xFF);
  }
}

TEST(Download, EmptyImageFailsAlikeOnBothSeriesWithoutTraffic) {
  for (int kind : {1, 2}) {
    for (Wire w : {Wire::kUsb, Wire::kRevB, Wire::kDummy}) {
      if (kind == 2 && w == Wire::kDummy) continue;
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind);
      core::CodeImage code;
      RecordingProgress ui;
      EXPECT_EQ(link::Download(v.link, code, 0, core::SeriesOfKind(kind), ui), -1);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text.en, "No compile infomation ! Try Run !");
      EXPECT_EQ(ui.messages[0].title, "VNstudio");
      EXPECT_EQ(ui.messages[0].style, 0);
      EXPECT_EQ(v.module.bytes_received(), 0);
      EXPECT_TRUE(v.usb.written().empty());
      EXPECT_EQ(v.link.SpeedChecked, 0);
    }
  }
}

TEST(Download, SpeedCheckOnceAndTheStatusCallbackGivenBack) {
  VirtualLink v(Wire::kDummy, 1);
  std::vector<std::string> outside;
  v.link.StatusText = [&outside](const std::string& t) { outside.push_back(t); };
  const auto code = PatternImage(60);
  RecordingProgress first, second;
  ASSERT_EQ(link::DownloadVn(v.link, code, 60, first), 0);
  EXPECT_EQ(v.link.SpeedChecked, -1);
  ASSERT_EQ(link::DownloadVn(v.link, code, 60, second), 0);
  EXPECT_EQ(first.statuses.front(), "Cable Speed Check : Step  9...");
  EXPECT_EQ(second.statuses.front(), "Downloading..");
  EXPECT_TRUE(outside.empty());
  v.link.StatusText("after");
  EXPECT_EQ(outside, std::vector<std::string>{"after"});
}

TEST(Download, ClearFlashMemoryKeepsTheHeaderAndComparesTwentyEightBytes) {
  for (Wire w : {Wire::kUsb, Wire::kRevB}) {
    for (int kind : {1, 2}) {
      SCOPED_TRACE(std::string(WireName(w)) + " kind " + std::to_string(kind));
      VirtualLink v(w, kind);
      auto code = PatternImage(600);
      code.Set(3, 0x41);  // a header that came from an object file
      long code_addr = 600;
      RecordingProgress ui;
      ASSERT_EQ(link::Download(v.link, code, code_addr, core::SeriesOfKind(kind), ui), 0);

      code.Set(27, 0x5A);  // what the image holds just past the erase program
      RecordingProgress clear;
      ASSERT_EQ(link::ClearFlashMemory(v.link, code, code_addr, core::SeriesOfKind(kind), clear), 0);
      EXPECT_EQ(code_addr, 27);
      EXPECT_EQ(code.Get(3), 0x41);
      EXPECT_EQ(code.Get(24), 0x88);
      EXPECT_EQ(code.Get(25), 0x18);
      EXPECT_EQ(code.Get(26), 0x00);
      EXPECT_EQ(v.module.ProgramLength(), 27);
      for (long a = 0; a < 27; ++a) EXPECT_EQ(v.module.FlashByte(a), code.Get(a)) << a;
      // The VN module also gets (and echoes) address 27; the VNM module keeps the old program's byte.
      EXPECT_EQ(v.module.FlashByte(27), kind == 1 ? 0x5A : 0xBD);
      EXPECT_EQ(clear.statuses.back(), "Code Size : 1B Byte");
      EXPECT_EQ(clear.peak, 13);
      EXPECT_EQ(v.Uncollected(), std::vector<int>{});
    }
  }
}

// Every exchange is given its series and speaks it, whatever the link spoke before: on the
// REV. B cable a module of the other series would not answer a single byte.
TEST(Download, EachExchangeSpeaksTheSeriesItIsGiven) {
  using Exchange = std::function<bool(VirtualLink&, core::Series)>;
  const struct {
    const char* name;
    Exchange run;
  } exchanges[] = {
      {"identify", [](VirtualLink& v, core::Series s) { return link::IdentifyModule(v.link, s).result == 0; }},
      {"download",
       [](VirtualLink& v, core::Series s) {
         RecordingProgress ui;
         return link::Download(v.link, PatternImage(100), 100, s, ui) == 0 && v.module.FlashByte(30) == PatternImage(100).Get(30);
       }},
      {"run",
       [](VirtualLink& v, core::Series s) {
         RecordingProgress ui;
         return link::RunDownload(v.link, PatternImage(100), 100, s, ui) == 0 && v.module.ProgramLength() == 100;
       }},
      {"read-back",
       [](VirtualLink& v, core::Series s) {
         link::FlashImage flash;
         RecordingProgress ui;
         return link::FlashReadBack(v.link, 100, s, flash, ui) == 0 && ui.messages.empty();
       }},
      {"firmware",
       [](VirtualLink& v, core::Series s) {
         const auto lines = link::FirmwareQuery(v.link, true, s);
         return lines.has_value() && lines->fw.code != core::MessageCode::kFirmwareNotFound;
       }},
  };
  for (int kind : {1, 2}) {
    const core::Series series = core::SeriesOfKind(kind);
    const core::Series other = core::SeriesOfKind(3 - kind);
    for (const auto& e : exchanges) {
      SCOPED_TRACE(std::string(e.name) + " kind " + std::to_string(kind));
      VirtualLink v(Wire::kRevB, kind);
      v.link.UseSeries(other);
      EXPECT_TRUE(e.run(v, series));
      EXPECT_EQ(v.link.series(), series);
      EXPECT_EQ(v.Uncollected(), std::vector<int>{});
    }
  }
}

TEST(Download, FromTheCompiler) {
  compiler::Compiler c;
  ASSERT_EQ(c.CompileSource("CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n"), 0);
  VirtualLink v(Wire::kRevB, 2);
  v.link.UseSeries(core::Series::kVn);  // the compiled device decides
  v.link.PortWrite(v.link.Ioadr + 2, 0);
  RecordingProgress ui;
  ASSERT_EQ(link::RunDownload(v.link, c.Code, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), ui), 0);
  EXPECT_EQ(v.link.series(), core::Series::kVnm);
  EXPECT_EQ(v.port.control(), 4);  // the lines were put at rest for the VNM series first
  for (long a = 0; a < c.CodeAddr; ++a) EXPECT_EQ(v.module.FlashByte(a), c.Code.Get(a)) << a;
}

}  // namespace
}  // namespace vn::testing
