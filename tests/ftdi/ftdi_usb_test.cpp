// The USB driver over libftdi (platform::FtdiUsb) against the stand-in library and the virtual module.
#include <gtest/gtest.h>

#include <algorithm>

#include "ftdi_standin.h"
#include "link/download.h"
#include "platform/bit_timing.h"
#include "platform/ftdi_usb.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::testing {
namespace {
using Usb = platform::UsbLibrary;
constexpr std::int64_t kMs = 1'000'000;

// The chip of the download cable, wired to the virtual module's USB end.
struct ModuleChip final : StandinChip {
  explicit ModuleChip(sim::VirtualUsbCable& c) : cable(c) { description = link::kUsbCableDescription, cable.OpenByDescription(link::kUsbCableDescription); }
  int Write(const std::uint8_t* data, int size) override {  // -4: LIBUSB_ERROR_NO_DEVICE
    return gone || writes++ == vanish_after_writes ? (gone = true, -4) : cable.Write(data, std::size_t(size)) == Usb::kOk ? size : -1;
  }
  int Read(std::uint8_t* data, int size) override {
    std::uint32_t waiting = 0; std::size_t got = 0;
    if (gone || cable.GetQueueStatus(waiting) != Usb::kOk) return -4;
    const std::size_t n = std::min({static_cast<int>(waiting), size, max_per_read});
    return n == 0 ? 0 : cable.Read(data, n, got) == Usb::kOk ? static_cast<int>(got) : -1;
  }
  int Reset() override { return gone ? -4 : cable.ResetDevice(); }
  sim::VirtualUsbCable& cable;
  int max_per_read = 1 << 20;                 // a chip that hands over what it has so far
  long vanish_after_writes = -1, writes = 0;  // the cable pulled out mid-transfer: gone
  bool gone = false;
};

struct NoInterrupts final : platform::InterruptControl { void Disable() override {} void Enable() override {} };

struct Shown final : link::DownloadProgress {  // the texts of the message boxes
  void SetStatus(const std::string&) override {}
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& m) override { texts.push_back(core::MessageTextOf(m, core::Language::kEnglish)); }
  std::vector<std::string> texts;
};

// The real driver on the stand-in bus (emptied before the driver's context is made), the module behind it.
struct Rig {
  explicit Rig(int kind, int product = 0x6001)
      : module({kind, 41, 7}), port(module, clock, sim::VirtualParallelPort::Cable::kRevB), cable(module, clock),
        chip(cable), ftdi((TheStandinBus() = StandinBus{}, clock)), lnk({port, ftdi, irq, clock}) {
    chip.product = product, TheStandinBus().chips = {&chip};
    lnk.UseSeries(core::SeriesOfKind(kind)), lnk.UseUsb = -1;
  }
  platform::VirtualClock clock; NoInterrupts irq;
  sim::Module module;
  sim::VirtualParallelPort port;  // the link's parallel end, not used
  sim::VirtualUsbCable cable; ModuleChip chip;
  platform::FtdiUsb ftdi; link::Link lnk;
};

TEST(FtdiUsb, OpensByDescriptionSetsTimeoutsReadsInPartsAndResets) {
  std::vector<std::string> tried;
  for (const char* id : {"6001", "6010", "6011", "6014", "6015"}) tried.push_back("open_desc 0403 " + std::string(id) + " VARNOLIC Download Cable");
  for (int product : {0x6001, 0x6015}) {
    Rig r(1, product);
    EXPECT_EQ(r.lnk.UsbOpenDevice(), Usb::kOk);
    auto want = product == 0x6001 ? std::vector<std::string>{tried[0]} : tried;
    EXPECT_EQ(TheStandinBus().calls, (want.push_back("latency 1"), want));
    // Opened again (Port Setup): closed first, and the latency set again.
    TheStandinBus().calls.clear();
    EXPECT_EQ((std::tuple{r.ftdi.OpenByDescription(link::kUsbCableDescription), TheStandinBus().calls.front() + TheStandinBus().calls.back()}),
              std::tuple(Usb::kOk, std::string("closelatency 1")));
  }
  // A chip on another product id is not the cable; every call is refused, none reaches the bus.
  Rig r(1, 0x6002);
  EXPECT_EQ(r.ftdi.OpenByDescription(link::kUsbCableDescription), Usb::kDeviceNotFound);
  std::uint8_t two[2] = {6, 5}; std::size_t got = 9; std::uint32_t waiting = 9;
  EXPECT_EQ(std::vector({r.ftdi.SetTimeouts(1000, 1000), r.ftdi.Write(two, 2), r.ftdi.Read(two, 2, got),
                         r.ftdi.GetQueueStatus(waiting), r.ftdi.ResetDevice(), r.ftdi.Close()}),
            std::vector<int>(6, Usb::kInvalidHandle));
  EXPECT_EQ(got + waiting, 0u);
  EXPECT_EQ(TheStandinBus().calls, tried);
  // Open: the time-outs, reads in parts, the waiting count and the reset.
  Rig u(1);
  ASSERT_EQ(u.lnk.UsbOpenDevice(), Usb::kOk);
  got = 9;
  // Nothing asked, nothing comes: the read polls in short naps until the time-out and is no error.
  const std::int64_t t0 = u.clock.NowNs();
  EXPECT_EQ((std::tuple{u.ftdi.Read(two, 2, got), got}), std::tuple(Usb::kOk, std::size_t{0}));
  EXPECT_EQ((u.clock.NowNs() - t0) / (2 * kMs), link::kUsbTimeoutMs / 2);
  EXPECT_EQ(std::tuple(TheStandinBus().Count("read") >= 500, TheStandinBus().read_timeout), std::tuple(true, int(link::kUsbTimeoutMs)));
  ASSERT_EQ(u.ftdi.SetTimeouts(20, 30), Usb::kOk);
  const std::int64_t t1 = u.clock.NowNs();
  EXPECT_EQ((std::tuple{u.ftdi.Read(two, 2, got), (u.clock.NowNs() - t1) / (4 * kMs)}), std::tuple(Usb::kOk, std::int64_t{5}));
  u.chip.max_per_read = 3;  // the chip hands the reply over three bytes at a time
  ASSERT_EQ(u.lnk.UsbSendByte(0x56), 0);
  EXPECT_EQ((std::tuple{TheStandinBus().read_timeout, TheStandinBus().write_timeout, u.ftdi.GetQueueStatus(waiting), waiting}),
            std::tuple(20, 30, Usb::kOk, 14u));  // seven bytes, two halves each
  EXPECT_EQ((std::vector{u.lnk.UsbRecvByte(), u.lnk.UsbRecvByte()}), (std::vector{41, 20}));
  TheStandinBus().calls.clear();
  EXPECT_EQ((std::tuple{u.ftdi.ResetDevice(), TheStandinBus().calls}), std::tuple(Usb::kOk, std::vector<std::string>{"reset", "flush"}));
  EXPECT_EQ((std::tuple{u.ftdi.GetQueueStatus(waiting), waiting}), std::tuple(Usb::kOk, std::uint32_t{0}));
  u.chip.gone = true;
  EXPECT_EQ((std::vector{u.ftdi.ResetDevice(), u.ftdi.Close(), u.ftdi.Close(), int(TheStandinBus().Count("close"))}),
            (std::vector{Usb::kIoError, Usb::kOk, Usb::kInvalidHandle, 1}));
}

TEST(FtdiUsb, DownloadsThroughShortReadsAndAChipThatVanishes) {
  // vanish_after: writes before the cable is pulled; the two queries and the identification pass first.
  const struct { int kind; long n; int max_per_read; long vanish_after; } cases[] = {
      {1, 700, 62, -1}, {1, 300, 5, -1}, {2, 2000, 1, -1}, {1, 3000, 1 << 20, 2}, {1, 3000, 1 << 20, 8}, {2, 3000, 1 << 20, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    Rig r(c.kind);
    ASSERT_EQ(r.lnk.UsbOpenDevice(), Usb::kOk);
    std::tie(r.chip.max_per_read, r.chip.vanish_after_writes) = std::tie(c.max_per_read, c.vanish_after);
    core::CodeImage code;
    for (long a = 24; a < c.n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 11 + 3) % 256));
    Shown ui;
    const std::int64_t t0 = r.clock.NowNs();
    const int result = c.kind == 1 ? link::DownloadVn(r.lnk, code, c.n, ui) : link::DownloadVnm(r.lnk, code, c.n, ui);
    if (c.vanish_after < 0) {
      ASSERT_EQ(result, 0) << (ui.texts.empty() ? "" : ui.texts[0]);
      long wrong = 0;  // the identification resets the chip once; the driver made one context
      for (long a = 0; a < c.n; ++a) wrong += r.module.FlashByte(a) != code.Get(a);
      EXPECT_EQ(std::vector({wrong, r.module.ProgramLength(), long{r.cable.resets()}, long{TheStandinBus().contexts}}), std::vector({0L, c.n, 1L, 1L}));
      continue;
    }
    // An error of the library ends the exchange: no read waits out its time-out for it.
    EXPECT_EQ(std::tuple(result, ui.texts.size(), r.clock.NowNs() - t0 < 3 * link::kUsbTimeoutMs * kMs), std::tuple(-1, std::size_t{1}, true));
    std::uint8_t two[2]; std::size_t got = 0; std::uint32_t waiting = 0;
    EXPECT_EQ((std::vector{r.ftdi.Read(two, 2, got), r.ftdi.GetQueueStatus(waiting)}), std::vector(2, Usb::kIoError));
  }
  // The end of the driver frees its context.
  EXPECT_EQ(std::tuple(TheStandinBus().contexts, TheStandinBus().calls.back()), std::tuple(0, std::string("free")));
}

TEST(FtdiUsb, AReadThatFillsTheBufferReadsAgain) {
  // A chip that holds 600 bytes and hands over as many as are asked.
  struct Held final : StandinChip {
    int Write(const std::uint8_t*, int size) override { return size; }
    int Read(std::uint8_t* data, int size) override {
      const int n = std::min(size, left);
      std::fill_n(data, n, std::uint8_t{7});
      left -= n;
      return n;
    }
    int Reset() override { return 0; }
    int left = 600;
  } chip;
  chip.description = link::kUsbCableDescription;
  platform::VirtualClock clock;
  platform::FtdiUsb ftdi((TheStandinBus() = StandinBus{}, clock));
  TheStandinBus().chips = {&chip};
  ASSERT_EQ(ftdi.OpenByDescription(link::kUsbCableDescription), Usb::kOk);
  TheStandinBus().calls.clear();
  std::uint8_t data[512];
  std::size_t got = 0;
  std::uint32_t waiting = 0;
  EXPECT_EQ((std::tuple{ftdi.Read(data, 512, got), got, TheStandinBus().calls}),
            std::tuple(Usb::kOk, std::size_t{512}, std::vector<std::string>{"read 512", "read 512"}));
  EXPECT_EQ((std::tuple{ftdi.GetQueueStatus(waiting), waiting, chip.left}), std::tuple(Usb::kOk, 88u, 0));
}

}  // namespace
}  // namespace vn::testing
