// A 32000-byte download and its verification over the virtual USB cable, with every USB
// transfer (one write or one read) costing a modelled round trip on the virtual clock, and
// every read whose reply ends in a short packet waiting the chip's latency timer (the argument,
// in ms: 16, the chip's default, and 1, what the driver sets after every open). The counters
// give the transfers each way and the time the cable would take; the wall time is what the PC
// side and the virtual module cost in processing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "core/code_image.h"
#include "core/message_table.h"
#include "link/download.h"
#include "link/flash.h"
#include "link/link.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "sim/module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"

namespace {

using namespace vn;

// One USB request through the host controller and the cable's chip and back: a full-speed
// frame.
constexpr std::int64_t kTransferLatencyNs = 1'000'000;
constexpr long kCodeSize = 32000;
// The chip's USB packet carries 62 bytes of data after its two status bytes; a reply that does
// not fill its last packet waits in the chip until the latency timer runs out.
constexpr std::size_t kPacketData = 62;

struct Quiet final : link::DownloadProgress {
  void SetStatus(const std::string&) override {}
  void SetProgress(long, long) override {}
  void ShowMessage(const core::Message& message) override {
    failure = core::MessageTextOf(message, core::Language::kEnglish);
  }
  std::string failure;
};

struct NoInterrupts final : platform::InterruptControl {
  void Disable() override {}
  void Enable() override {}
};

// The cable's chip between the PC and the virtual USB cable: what a read returns in a short
// packet comes only when the latency timer has run out.
class LatencyTimerUsb final : public platform::UsbLibrary {
 public:
  LatencyTimerUsb(platform::UsbLibrary& usb, platform::VirtualClock& clock) : usb_(usb), clock_(clock) {}
  std::int64_t latency_ns = 0;
  long held_reads = 0;  // reads that waited the timer

  int OpenByDescription(const char* description) override { return usb_.OpenByDescription(description); }
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override { return usb_.SetTimeouts(read_ms, write_ms); }
  int Close() override { return usb_.Close(); }
  int ResetDevice() override { return usb_.ResetDevice(); }
  int Write(const std::uint8_t* data, std::size_t length) override { return usb_.Write(data, length); }
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override {
    const int status = usb_.Read(data, length, received);
    if (received % kPacketData != 0) {
      clock_.Advance(latency_ns);
      ++held_reads;
    }
    return status;
  }
  int GetQueueStatus(std::uint32_t& waiting) override { return usb_.GetQueueStatus(waiting); }

 private:
  platform::UsbLibrary& usb_;
  platform::VirtualClock& clock_;
};

// The virtual module behind the virtual USB cable, opened as start-up opens it.
struct Bench {
  explicit Bench(int kind, std::int64_t latency_ms)
      : module({kind, 32, 17}),
        port(module, clock, sim::VirtualParallelPort::Cable::kRevB),
        usb(module, clock),
        chip(usb, clock),
        lnk({port, chip, irq, clock}) {
    chip.latency_ns = latency_ms * 1'000'000;
    lnk.UseSeries(core::SeriesOfKind(kind));
    lnk.UseUsb = -1;
    lnk.UsbOpenDevice();
    usb.transfer_latency_ns = kTransferLatencyNs;
  }
  platform::VirtualClock clock;
  NoInterrupts irq;
  sim::Module module;
  sim::VirtualParallelPort port;
  sim::VirtualUsbCable usb;
  LatencyTimerUsb chip;
  link::Link lnk;
};

core::CodeImage Program() {
  core::CodeImage code;
  for (long a = 24; a < kCodeSize; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  return code;
}

void Report(benchmark::State& state, Bench& b, std::int64_t start_ns) {
  const auto writes = static_cast<double>(b.usb.write_sizes().size());
  const auto reads = static_cast<double>(b.usb.read_calls());
  state.counters["usb_writes"] = writes;
  state.counters["usb_reads"] = reads;
  state.counters["usb_transfers"] = writes + reads;
  state.counters["latency_waits"] = static_cast<double>(b.chip.held_reads);
  state.counters["cable_ms"] = static_cast<double>(b.clock.NowNs() - start_ns) / 1e6;
}

// VN series: the code out in blocks of 128 bytes, the echo of every byte back.
void BM_DownloadVnEcho(benchmark::State& state) {
  const auto code = Program();
  for (auto _ : state) {
    Bench b(1, state.range(0));
    Quiet ui;
    const auto t0 = b.clock.NowNs();
    if (link::DownloadVn(b.lnk, code, kCodeSize, ui) != 0) state.SkipWithError(ui.failure.c_str());
    state.PauseTiming();
    Report(state, b, t0);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kCodeSize);
}

// VNM series: the code out in blocks, the 16-bit sum back, then Verify reading the flash back.
void BM_DownloadVnmAndVerify(benchmark::State& state) {
  const auto code = Program();
  for (auto _ : state) {
    Bench b(2, state.range(0));
    Quiet ui;
    link::FlashImage flash;
    const auto t0 = b.clock.NowNs();
    if (link::DownloadVnm(b.lnk, code, kCodeSize, ui) != 0 || link::VerifyFlash(b.lnk, code, kCodeSize, flash, ui) != 0 ||
        ui.failure != "Verify OK !")
      state.SkipWithError(ui.failure.c_str());
    state.PauseTiming();
    Report(state, b, t0);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kCodeSize);
}

// For scale: the same 32000 bytes sent the way single bytes go, one write each.
void BM_BytewiseSendForScale(benchmark::State& state) {
  const auto code = Program();
  for (auto _ : state) {
    Bench b(2, 0);
    const auto t0 = b.clock.NowNs();
    for (long a = 0; a < kCodeSize; ++a) b.lnk.UsbSendByte(code.Get(a));
    state.PauseTiming();
    Report(state, b, t0);
    state.ResumeTiming();
  }
}

BENCHMARK(BM_DownloadVnEcho)->ArgName("latency_ms")->Arg(16)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadVnmAndVerify)->ArgName("latency_ms")->Arg(16)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BytewiseSendForScale)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
