// The USB driver over libftdi (platform::FtdiUsb) against the stand-in library: the open by
// description across the product ids, the time-outs, the latency timer, the reset, reads that
// poll until their time-out, the waiting count, and whole downloads into the virtual module,
// through short reads and a chip that goes away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ftdi_standin.h"
#include "link/download.h"
#include "link/identify.h"
#include "link/link.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/ftdi_usb.h"
#include "sim/module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace vn::testing {
namespace {

constexpr std::int64_t kMs = 1'000'000;

// The chip of the download cable, wired to the virtual module's USB end.
class ModuleChip final : public StandinChip {
 public:
  explicit ModuleChip(sim::VirtualUsbCable& cable) : cable_(cable) {
    description = link::kUsbCableDescription;
    cable_.OpenByDescription(link::kUsbCableDescription);
  }
  // At most this many bytes per read, as a chip does that sends what it has so far.
  int max_per_read = 1 << 20;
  // The chip goes away after this many writes (the cable pulled out mid-transfer).
  long vanish_after_writes = -1;
  long writes = 0;
  bool gone = false;

  int Write(const std::uint8_t* data, int size) override {
    if (gone || (vanish_after_writes >= 0 && writes >= vanish_after_writes)) {
      gone = true;
      return -4;  // LIBUSB_ERROR_NO_DEVICE
    }
    ++writes;
    return cable_.Write(data, static_cast<std::size_t>(size)) == platform::UsbLibrary::kOk ? size : -1;
  }
  int Read(std::uint8_t* data, int size) override {
    if (gone) return -4;
    std::uint32_t waiting = 0;
    if (cable_.GetQueueStatus(waiting) != platform::UsbLibrary::kOk) return -1;
    const auto n =
        std::min<std::size_t>({waiting, static_cast<std::size_t>(size), static_cast<std::size_t>(max_per_read)});
    if (n == 0) return 0;
    std::size_t got = 0;
    if (cable_.Read(data, n, got) != platform::UsbLibrary::kOk) return -1;
    return static_cast<int>(got);
  }
  int Reset() override { return gone ? -4 : cable_.ResetDevice(); }

 private:
  sim::VirtualUsbCable& cable_;
};

struct NoInterrupts final : platform::InterruptControl {
  void Disable() override {}
  void Enable() override {}
};

struct Quiet final : link::DownloadProgress {
  void SetStatus(const std::string&) override {}
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& m) override {
    shown.push_back(core::MessageTextOf(m, core::Language::kEnglish));
  }
  std::vector<std::string> shown;
};

// The real driver on the stand-in bus, the virtual module behind it.
struct Rig {
  explicit Rig(int kind, int product = 0x6001)
      : module({kind, 41, 7}),
        port(module, clock, sim::VirtualParallelPort::Cable::kRevB),
        cable(module, clock),
        chip(cable),
        // The bus is emptied before the driver creates its context on it.
        ftdi((TheStandinBus().Clear(), clock)),
        lnk({port, ftdi, irq, clock}) {
    chip.product = product;
    TheStandinBus().chips = {&chip};
    lnk.UseSeries(core::SeriesOfKind(kind));
    lnk.UseUsb = -1;
  }
  platform::VirtualClock clock;
  NoInterrupts irq;
  sim::Module module;
  sim::VirtualParallelPort port;
  sim::VirtualUsbCable cable;
  ModuleChip chip;
  platform::FtdiUsb ftdi;
  link::Link lnk;
};

core::CodeImage Pattern(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 11 + 3) % 256));
  return code;
}

std::vector<std::string> Opens(const std::vector<std::string>& calls) {
  std::vector<std::string> out;
  for (const auto& c : calls)
    if (c.rfind("open_desc", 0) == 0 || c.rfind("latency", 0) == 0) out.push_back(c);
  return out;
}

TEST(FtdiUsb, OpensByDescriptionAcrossTheProductIdsAndSetsTheLatencyTimer) {
  const std::string d = " VARNOLIC Download Cable";
  struct Case {
    int product;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {0x6001, {"open_desc 0403 6001" + d, "latency 1"}},
      {0x6015,
       {"open_desc 0403 6001" + d, "open_desc 0403 6010" + d, "open_desc 0403 6011" + d, "open_desc 0403 6014" + d,
        "open_desc 0403 6015" + d, "latency 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.product);
    Rig r(1, c.product);
    EXPECT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
    EXPECT_EQ(Opens(TheStandinBus().calls), c.expected);
    // Opened again (Port Setup): closed first, and the latency set again.
    TheStandinBus().calls.clear();
    EXPECT_EQ(r.ftdi.OpenByDescription(link::kUsbCableDescription), platform::UsbLibrary::kOk);
    EXPECT_EQ(TheStandinBus().calls.front(), "close");
    EXPECT_EQ(TheStandinBus().calls.back(), "latency 1");
  }
}

TEST(FtdiUsb, ACableNotThereIsNotFoundAndEveryCallRefused) {
  struct Case {
    int vendor, product;
    std::string description;
  };
  const Case cases[] = {
      {0x0403, 0x6002, link::kUsbCableDescription},  // a product id the cable is not built on
      {0x0404, 0x6001, link::kUsbCableDescription},  // another vendor
      {0x0403, 0x6001, "VARNOLIC Download Cabl"},    // another description
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    Rig r(1);
    r.chip.vendor = c.vendor;
    r.chip.product = c.product;
    r.chip.description = c.description;
    EXPECT_EQ(r.ftdi.OpenByDescription(link::kUsbCableDescription), platform::UsbLibrary::kDeviceNotFound);
    EXPECT_EQ(TheStandinBus().Count("open_desc"), 5);
    EXPECT_EQ(TheStandinBus().Count("latency"), 0);
    const std::uint8_t two[2] = {6, 5};
    std::uint8_t in[2] = {};
    std::size_t got = 9;
    std::uint32_t waiting = 9;
    EXPECT_EQ(r.ftdi.SetTimeouts(1000, 1000), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(r.ftdi.Write(two, 2), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(r.ftdi.Read(in, 2, got), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(r.ftdi.GetQueueStatus(waiting), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(r.ftdi.ResetDevice(), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(r.ftdi.Close(), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(TheStandinBus().Count("write") + TheStandinBus().Count("read") + TheStandinBus().Count("close"), 0);
  }
}

TEST(FtdiUsb, TimeoutsGoIntoTheContextAndAReadWaitsOutItsTimeout) {
  Rig r(1);
  ASSERT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
  std::uint8_t in[2] = {0, 0};
  std::size_t got = 9;
  const std::int64_t t0 = r.clock.NowNs();
  // Nothing asked, nothing comes: the read polls until the time-out and is no error.
  EXPECT_EQ(r.ftdi.Read(in, 2, got), platform::UsbLibrary::kOk);
  EXPECT_EQ(got, 0u);
  const std::int64_t waited = r.clock.NowNs() - t0;
  EXPECT_GE(waited, static_cast<std::int64_t>(link::kUsbTimeoutMs) * kMs);
  EXPECT_LE(waited, static_cast<std::int64_t>(link::kUsbTimeoutMs + 2) * kMs);
  // It polled in short naps, not in one call.
  EXPECT_GE(TheStandinBus().Count("read"), 500);
  EXPECT_EQ(TheStandinBus().read_timeout, static_cast<int>(link::kUsbTimeoutMs));
  // A shorter time-out waits less.
  ASSERT_EQ(r.ftdi.SetTimeouts(20, 30), platform::UsbLibrary::kOk);
  const std::int64_t t1 = r.clock.NowNs();
  EXPECT_EQ(r.ftdi.Read(in, 2, got), platform::UsbLibrary::kOk);
  EXPECT_LE(r.clock.NowNs() - t1, 22 * kMs);
  EXPECT_EQ(TheStandinBus().read_timeout, 20);
  const std::uint8_t pair[2] = {6, 5};
  EXPECT_EQ(r.ftdi.Write(pair, 2), platform::UsbLibrary::kOk);
  EXPECT_EQ(TheStandinBus().write_timeout, 30);
}

TEST(FtdiUsb, TheWaitingCountReadsInPartsAndTheReset) {
  Rig r(1);
  ASSERT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
  r.chip.max_per_read = 3;  // the chip hands the reply over three bytes at a time
  ASSERT_EQ(r.lnk.UsbSendByte(0x56), 0);
  std::uint32_t waiting = 0;
  ASSERT_EQ(r.ftdi.GetQueueStatus(waiting), platform::UsbLibrary::kOk);
  EXPECT_EQ(waiting, 14u);  // seven bytes, two halves each
  EXPECT_EQ(r.lnk.UsbRecvByte(), 41);
  EXPECT_EQ(r.lnk.UsbRecvByte(), 20);
  ASSERT_EQ(r.ftdi.GetQueueStatus(waiting), platform::UsbLibrary::kOk);
  ASSERT_EQ(waiting, 10u);
  TheStandinBus().calls.clear();
  EXPECT_EQ(r.ftdi.ResetDevice(), platform::UsbLibrary::kOk);
  EXPECT_EQ(TheStandinBus().calls, (std::vector<std::string>{"reset", "flush"}));
  ASSERT_EQ(r.ftdi.GetQueueStatus(waiting), platform::UsbLibrary::kOk);
  EXPECT_EQ(waiting, 0u);
  r.chip.gone = true;
  EXPECT_EQ(r.ftdi.ResetDevice(), platform::UsbLibrary::kIoError);
}

TEST(FtdiUsb, DownloadsThroughTheRealDriverIncludingShortReads) {
  struct Case {
    int kind;
    long n;
    int max_per_read;
  };
  const Case cases[] = {{1, 700, 62}, {1, 300, 5}, {2, 2000, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " per read " + std::to_string(c.max_per_read));
    Rig r(c.kind);
    ASSERT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
    r.chip.max_per_read = c.max_per_read;
    const auto code = Pattern(c.n);
    Quiet ui;
    const int result = c.kind == 1 ? link::DownloadVn(r.lnk, code, c.n, ui) : link::DownloadVnm(r.lnk, code, c.n, ui);
    ASSERT_EQ(result, 0) << (ui.shown.empty() ? "" : ui.shown[0]);
    long wrong = 0;
    for (long a = 0; a < c.n; ++a) wrong += r.module.FlashByte(a) != code.Get(a);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(r.module.ProgramLength(), c.n);
    EXPECT_EQ(r.cable.resets(), 1);  // the identification resets the chip
  }
}

TEST(FtdiUsb, AChipThatVanishesMidDownloadFailsClearlyAndSoon) {
  for (int kind : {1, 2}) {
    for (long after : {2L, 8L}) {  // the two queries and the identification pass first
      SCOPED_TRACE("kind " + std::to_string(kind) + " after " + std::to_string(after));
      Rig r(kind);
      ASSERT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
      r.chip.vanish_after_writes = after;
      const auto code = Pattern(3000);
      Quiet ui;
      const std::int64_t t0 = r.clock.NowNs();
      const int result = kind == 1 ? link::DownloadVn(r.lnk, code, 3000, ui) : link::DownloadVnm(r.lnk, code, 3000, ui);
      EXPECT_EQ(result, -1);
      ASSERT_EQ(ui.shown.size(), 1u);
      EXPECT_FALSE(ui.shown[0].empty());
      // An error of the library ends the exchange: no read waits out its time-out for it.
      EXPECT_LT(r.clock.NowNs() - t0, 3 * static_cast<std::int64_t>(link::kUsbTimeoutMs) * kMs);
      std::uint8_t two[2];
      std::size_t got = 0;
      EXPECT_EQ(r.ftdi.Read(two, 2, got), platform::UsbLibrary::kIoError);
      std::uint32_t waiting = 0;
      EXPECT_EQ(r.ftdi.GetQueueStatus(waiting), platform::UsbLibrary::kIoError);
    }
  }
}

TEST(FtdiUsb, CloseAndTheEndOfTheDriverReleaseTheContext) {
  {
    Rig r(1);
    EXPECT_EQ(TheStandinBus().contexts, 1);
    ASSERT_EQ(r.lnk.UsbOpenDevice(), platform::UsbLibrary::kOk);
    EXPECT_EQ(r.ftdi.Close(), platform::UsbLibrary::kOk);
    EXPECT_EQ(r.ftdi.Close(), platform::UsbLibrary::kInvalidHandle);
    EXPECT_EQ(TheStandinBus().Count("close"), 1);
  }
  EXPECT_EQ(TheStandinBus().contexts, 0);
  EXPECT_EQ(TheStandinBus().calls.back(), "free");
}

}  // namespace
}  // namespace vn::testing
