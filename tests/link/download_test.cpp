// Identification and downloads into the virtual module: the bytes on the wire, the flash, the panel
// texts, the progress bar, the one message each failure ends with, and the wire trace's text.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "link/flash.h"
#include "link/identify.h"
#include "link/wire_trace.h"
#include "virtual_link.h"

namespace vn::testing {
namespace {

constexpr char kModuleNotFound[] = "VARNOLIC module not found ! Check cable or power";
constexpr char kFamilyMismatch[] = "Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!";
constexpr char kNotVnSeries[] = "Not Vn serise. Check VARNOLIC MODEL number!";
constexpr char kCaps[] = "VARNOLIC Studio ERROR !";
constexpr char kMixed[] = "VARNOLIC Studio Error !";

int Download(VirtualLink& v, const core::CodeImage& code, long n, int kind, RecordingProgress& ui) {
  return kind == 1 ? link::DownloadVn(v.link, code, n, ui) : link::DownloadVnm(v.link, code, n, ui);
}

// Each byte through the link: ">86 " sent, "<32 " received, "!" failed, "2c " a cable write of two.
struct Recorder final : link::WireObserver {
  std::string seen;
  void OnByte(link::WireDirection d, int b, bool ok) override {
    seen += (d == link::WireDirection::kSent ? ">" : "<") + std::to_string(b) + (ok ? " " : "! ");
  }
  void OnCable(link::WireDirection, const std::uint8_t*, std::size_t n) override { seen += std::to_string(n) + "c "; }
};

// Identification, download and read-back on each cable, each exchange after the link spoke the
// other series: every exchange is given its series and speaks it (on the REV. B cable a module of
// the other series would not answer a single byte).
TEST(RoundTrip, IdentifyDownloadAndReadBack) {
  const struct { Wire wire; int kind; long n; } cases[] = {
      {Wire::kUsb, 1, 33000}, {Wire::kDummy, 1, 300}, {Wire::kRevB, 1, 700}, {Wire::kUsb, 2, 40000}, {Wire::kRevB, 2, 40000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " kind " + std::to_string(c.kind));
    VirtualLink v(c.wire, c.kind, {c.kind, 41, 7});
    v.link.BitDelay = 0;  // as a new process starts: the dummy cable's timing is not known yet
    const auto after_other = [&v, &c] {
      EXPECT_EQ(std::tuple(v.link.series(), v.Uncollected(), v.irq.disables), std::tuple(v.series, std::vector<int>{}, v.irq.enables));
      v.link.UseSeries(core::SeriesOfKind(3 - c.kind));
    };
    after_other();
    const auto id = link::IdentifyModule(v.link, v.series);
    ASSERT_EQ(id.result, 0) << core::MessageTextOf(id.message, core::Language::kEnglish);
    EXPECT_EQ(core::MessageTextOf(link::FirmwareLine(id), core::Language::kEnglish) + "|" +
                  core::MessageTextOf(link::MathFirmwareLine(id), core::Language::kEnglish),
              c.kind == 1 ? "F/W Version is 41|Firmware Not Found !" : "Main F/W is 41|Math Chip F/W is 7");
    EXPECT_EQ(std::vector({id.series, v.usb.resets(), v.link.SpeedChecked}),
              std::vector({c.kind, c.wire == Wire::kUsb ? 1 : 0, c.kind == 1 ? -1 : 0}));
    // Every byte of every reply was read (VN: seven; VNM: one each for &H67, &H56); the dummy's speed check comes first.
    std::vector<std::uint8_t> asked = c.kind == 1 ? std::vector<std::uint8_t>{0x56} : std::vector<std::uint8_t>{0x67, 0x56};
    EXPECT_EQ(v.module.commands(), c.wire == Wire::kDummy ? (asked.insert(asked.begin(), 0x56), asked) : asked);
    after_other();
    v.module.pc = 900;  // somewhere in an older program
    const auto code = PatternImage(c.n);
    RecordingProgress ui;
    ASSERT_EQ(link::RunDownload(v.link, code, c.n, v.series, ui), 0) << ui.First();
    // The VN module takes n + 1 bytes, the VNM module n; nothing beyond.
    const long sent = c.kind == 1 ? c.n + 1 : c.n;
    EXPECT_EQ(Differs(v.module, code, 0, sent), 0);
    EXPECT_EQ(std::vector<long>({v.module.FlashByte(sent), v.module.ProgramLength(), long{v.module.pc}, v.module.in_debug()}),
              (std::vector<long>{0xFF, c.n, 24, 0}));
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Downloading..", c.kind == 1 ? "Now Verify.." : "Verify Check Sum", link::CodeSizeText(c.n)}));
    EXPECT_EQ(std::vector<long>({ui.max, ui.peak, ui.value, ui.past_max, long(ui.messages.size())}), (std::vector<long>{c.n / 2, c.n / 2, 0, 0, 0}));
    after_other();
    link::FlashImage flash;
    flash.Set(c.n, 0x77);  // past the program: not read
    RecordingProgress back;
    ASSERT_EQ(link::ReadFlashMemory(v.link, true, c.n, v.series, flash, back), 0) << back.First();
    EXPECT_EQ(back.statuses, (std::vector<std::string>{"Now Reading...", ""}));
    EXPECT_EQ(std::vector<long>({Differs(flash, code, 0, c.n), flash.Get(c.n), back.max, back.peak, back.value, long(back.messages.size())}),
              (std::vector<long>{0, 0x77, c.n / 2, (c.n - 1) / 2, 0, 0}));
    EXPECT_EQ(std::tuple(v.link.series(), v.link.BitDelay, v.Uncollected()), std::tuple(v.series, c.wire == Wire::kDummy ? 900L : 0L, std::vector<int>{}));
  }
}

TEST(Identify, FailuresGiveTheMessageOfTheirCase) {
  const struct { Wire wire; bool other_family; const char* message; } cases[] = {
      {Wire::kUsb, true, kFamilyMismatch}, {Wire::kRevB, false, kModuleNotFound}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    VirtualLink v(c.wire, c.other_family ? 2 : 1);
    v.series = core::SeriesOfKind(1);
    v.faults().unplugged = !c.other_family;
    const auto id = link::IdentifyModule(v.link, v.series);
    EXPECT_EQ(std::tuple(id.result, core::Render(id.message, core::Language::kEnglish), v.irq.disables),
              std::tuple(-1, core::RenderedMessage{c.message, c.other_family ? kMixed : kCaps, 64}, v.irq.enables));
  }
}

TEST(Download, BytesOnTheWireAndTheUsbBlocks) {
  std::vector<size_t> vnm40000(313, 256);
  vnm40000.back() = 128;
  // USB write sizes after the length field
  const struct { int kind; long n; std::vector<size_t> blocks; } cases[] = {
      {1, 127, {256}}, {1, 255, {256, 256}}, {1, 256, {256, 256, 2}}, {2, 255, {256, 254}},
      {2, 256, {256, 256}}, {2, 40000, vnm40000}};
  for (const auto& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " n " + std::to_string(c.n));
    VirtualLink v(Wire::kUsb, c.kind);
    const auto code = PatternImage(c.n);
    RecordingProgress ui;
    ASSERT_EQ(Download(v, code, c.n, c.kind, ui), 0);
    // The download asks the VNM module only whether it is there (&H67), never its firmware.
    std::vector<int> expect = {c.kind == 1 ? 0x56 : 0x67, 0x34, static_cast<int>(c.n % 256), static_cast<int>(c.n / 256)};
    const long sent = c.kind == 1 ? c.n + 1 : c.n;
    for (long a = 0; a < sent; ++a) expect.push_back(code.Get(a));
    EXPECT_EQ(DecodeUsb(v.usb.written()), expect);
    // Two queries and the identification, then &H34 and the length byte by byte, then blocks.
    std::vector<size_t> sizes(6, 2);
    sizes.insert(sizes.end(), c.blocks.begin(), c.blocks.end());
    EXPECT_EQ(v.usb.write_sizes(), sizes);
    // The echo comes back a block per read, not a read per byte.
    EXPECT_EQ(std::tuple(long(v.usb.read_calls()), v.usb.resets()), std::tuple(c.kind == 1 ? 2 + 7 + (sent + 127) / 128 : 2 + 1 + 2, 1));
  }
}

TEST(Download, EachFailureShowsItsMessageOnce) {
  auto unplugged = [](VirtualLink& v) { v.faults().unplugged = true; };
  auto no_power = [](VirtualLink& v) { v.faults().no_power = true; };
  auto cut = [](long n) { return [n](VirtualLink& v) { v.faults().cut_after = n; }; };
  auto bad_flash = [](long a) { return [a](VirtualLink& v) { v.module.bad_flash_addr = a; }; };
  const char* echo_stops = "Communication ERROR at Verify! Address : 64";
  const char* sum_differs = "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : 899C";
  // ko null: the message exists in English only; sized: the final panel text is the code size.
  const struct { Wire wire; int kind; long n; std::function<void(VirtualLink&)> fault; const char *en, *ko, *title; bool sized; } cases[] = {
      {Wire::kUsb, 2, 300, unplugged, "Can't find USB cable", "USB케이블을 찾을수 없습니다.", kMixed, false},
      {Wire::kUsb, 2, 300, no_power,
       "No Power or Cable unpluged or Unmatch CONST DEVICE and VARNOLIC. Check Yout VARNOLIC model number!",
       "전원이 공급되고 있지 않거나, 케이블이 연결되어 있지않습니다. 또는 VARNOLIC과 CONST DEVICE에서 지정한 "
       "디바이스가 일치하지 않습니다.",
       kMixed, false},
      {Wire::kUsb, 1, 300, no_power, kFamilyMismatch,
       "연결되어 있는 VARNOLIC과 CONST DEVICE에서 지정한 디바이스가 일치하지 않습니다.", kMixed, false},
      {Wire::kRevB, 2, 300, no_power, kModuleNotFound,
       "VARNOLIC모듈을 찾을 수 없습니다. 전원 또는 케이블을 점검하십시요!", kCaps, false},
      {Wire::kDummy, 1, 300, no_power, kModuleNotFound, nullptr, kCaps, false},  // the speed check
      {Wire::kRevB, 1, 300, cut(1), kNotVnSeries, "VN시리즈가 아닙니다. VARNOLIC 모델을 확인하십시요!", kMixed, false},
      {Wire::kUsb, 1, 300, cut(7 + 100), echo_stops, echo_stops, kCaps, false},
      {Wire::kUsb, 1, 33000, bad_flash(32001), "Verify ERROR at Address : 7D01   PC:F2  VARNOLIC:F3", nullptr, kCaps, true},
      {Wire::kUsb, 1, 300, [](VirtualLink& v) { v.faults().corrupt_to_pc = 7 + 50; },
       "Verify ERROR at Address : 32   PC:63  VARNOLIC:62", nullptr, kCaps, true},
      {Wire::kUsb, 2, 300, bad_flash(200), sum_differs, sum_differs, kCaps, true},
      // Both sum bytes missing: -1 x 256 + -1; only the high byte missing is still no sum.
      {Wire::kUsb, 2, 300, cut(1), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : FFFFFEFF", nullptr, kCaps, true},
      {Wire::kUsb, 2, 300, cut(2), "Check Sum Unmatch !!!   PC : 899D  VARNOLIC : FFFFFF9D", nullptr, kCaps, true},
      {Wire::kRevB, 2, 300, cut(1), kModuleNotFound, nullptr, kCaps, false},  // takes no code bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(WireName(c.wire)) + " " + c.en);
    VirtualLink v(c.wire, c.kind);
    c.fault(v);
    RecordingProgress ui;
    EXPECT_EQ(Download(v, PatternImage(c.n), c.n, c.kind, ui), -1);
    ASSERT_EQ(ui.messages.size(), 1u);
    const auto& m = ui.messages[0];
    EXPECT_EQ(std::tuple(m.en, c.ko ? m.ko : "", m.title, m.style), std::tuple(c.en, c.ko ? c.ko : "", c.title, 64));
    EXPECT_EQ(std::tuple(ui.statuses.back(), ui.value, v.irq.disables),
              std::tuple(c.sized ? (c.n == 300 ? "Code Size : 12C Byte" : "Code Size : 80E8 Byte") : "", 0L, v.irq.enables));
    // An echo cut short ends the read-back: no further block is asked for.
    if (c.en == echo_stops) {
      EXPECT_EQ(v.usb.read_calls(), 2 + 7 + 1);
    }
  }
  // A module that stops taking bytes at &H34 is sent no length after it.
  VirtualLink v(Wire::kRevB, 1);
  v.faults().stall_from_pc = 1;
  Recorder r;
  v.link.SetWireObserver(&r);
  RecordingProgress ui;
  EXPECT_EQ(link::DownloadVn(v.link, PatternImage(300), 300, ui), -1);
  EXPECT_EQ(ui.First() + r.seen.substr(r.seen.rfind('>')), std::string(kModuleNotFound) + ">52! ");
}

TEST(Download, SpeedCheckOnceAndTheStatusCallbackGivenBack) {
  VirtualLink v(Wire::kDummy, 1);
  std::string outside;
  v.link.StatusText = [&outside](const std::string& t) { outside += t; };
  RecordingProgress first, second;
  ASSERT_EQ(link::DownloadVn(v.link, PatternImage(60), 60, first) + link::DownloadVn(v.link, PatternImage(60), 60, second), 0);
  v.link.StatusText("after");
  EXPECT_EQ(first.statuses.front() + "|" + second.statuses.front() + "|" + outside, "Cable Speed Check : Step  9...|Downloading..|after");
}

TEST(Download, ClearFlashMemoryKeepsTheHeaderAndComparesTwentyEightBytes) {
  for (int kind : {1, 2}) {
    VirtualLink v(kind == 1 ? Wire::kUsb : Wire::kRevB, kind);
    auto code = PatternImage(600);
    code.Set(3, 0x41);  // a header that came from an object file
    long code_addr = 600;
    RecordingProgress ui, clear;
    ASSERT_EQ(link::Download(v.link, code, code_addr, core::SeriesOfKind(kind), ui), 0);
    code.Set(27, 0x5A);  // what the image holds just past the erase program
    ASSERT_EQ(link::ClearFlashMemory(v.link, code, code_addr, core::SeriesOfKind(kind), clear), 0);
    EXPECT_EQ(std::vector<long>({code.Get(3), code.Get(24), code.Get(25), code.Get(26), code_addr, v.module.ProgramLength(), clear.peak}),
              (std::vector<long>{0x41, 0x88, 0x18, 0x00, 27, 27, 13}));
    // The VN module also gets (and echoes) address 27; the VNM module keeps the old program's byte.
    EXPECT_EQ(std::tuple(Differs(v.module, code, 0, 27), v.module.FlashByte(27), clear.statuses.back(), v.Uncollected()),
              std::tuple(0L, kind == 1 ? 0x5A : 0xBD, "Code Size : 1B Byte", std::vector<int>{}));
  }
}

TEST(WireTrace, ObserverAndWriter) {
  Recorder r;
  VirtualLink v(Wire::kUsb, 1);
  v.faults().cut_after = 1;  // the module's reply stops after its first byte
  v.link.SetWireObserver(&r);
  link::IdentifyModule(v.link, v.series);
  // &H56 sent (its two halves on the cable), the first reply byte, then an empty read and the failure.
  ASSERT_NE(r.seen.find('>'), std::string::npos);
  EXPECT_EQ(r.seen.substr(r.seen.find('>')), ">86 2c <32 0c <-1! ");
  const std::string before = r.seen;
  v.link.SetWireObserver(nullptr);
  link::IdentifyModule(v.link, v.series);
  EXPECT_EQ(r.seen, before);

  // The writer's lines of whole exchanges are read in the command line's --trace-wire rows; here,
  // the marks of failed bytes and the cable's lines of 32 bytes.
  using link::WireDirection::kReceived, link::WireDirection::kSent;
  std::ostringstream out;
  {
    link::WireTraceWriter t(out);
    const std::vector<std::uint8_t> in(33, 0x0A);
    t.OnCable(kReceived, in.data(), in.size());
    t.OnByte(kReceived, 0x29, true), t.OnByte(kReceived, -1, false), t.OnByte(kSent, 0x34, false), t.OnByte(kSent, 0x35, true);
  }  // the writer's end writes its open lines
  EXPECT_EQ(out.str(), "usb< 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A\n"
                       "usb< 0A\n< 29 --\n> 34! 35\n");
}

}  // namespace
}  // namespace vn::testing
