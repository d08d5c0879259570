// The link layer against the virtual module over a wire that drops, corrupts and delays bytes:
// an identification and a download over the virtual USB cable or the REV. B cable.
//
// Input: a header of kHeaderSize bytes, then the code image's bytes (repeated to its length).
//   [0] flags: bit 0 cable (0 USB, 1 REV. B); bit 1 series (0 VN, 1 VNM); bit 2 faults on
//       (else a clean wire with small delays only, where both operations must succeed);
//       bit 3 a module of the other series; bit 4 no identification; bit 5 no download;
//       bit 6 a code length near the end of the image
//   [1] which wire faults are set (bit k for fault k below)
//   [2..15] positions (16 bits each) of: dropped PC byte, corrupted PC byte, dropped module
//       byte, corrupted module byte, stalled PC byte, stalled module byte, cut after
//   [16] corruption mask, [17] stall step
//   [18] drop rate, [19] corruption rate, [20] delay rate (per 65536 accesses or bytes)
//   [21] longest delay (REV. B: microseconds per access; USB: reads a byte is held back)
//   [22] REV. B module reaction (us), [23] its reply delay (10 us), [24] its time-out (ms)
//   [25] USB transfer latency (10 us)
//   [26..29] seed of the random faults
//   [30..31] code length
// The result of each operation must be 0 or -1 with one message exactly on failure, and
// everything must end within a bound of virtual time: a hang shows as that bound passed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/code_image.h"
#include "link/download.h"
#include "link/identify.h"
#include "link/link.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "sim/module.h"
#include "sim/virtual_port.h"
#include "sim/virtual_usb.h"
#include "core/message_table.h"
#include "fuzz_support.h"

using vn::core::CodeImage;

namespace {

constexpr std::size_t kHeaderSize = 32;
// No operation may take longer than this on the virtual clock. A failing REV. B poll takes
// about 1.5 s plus the injected delays (at most 1.5 million x 255 us); a download of the
// largest image about a minute.
constexpr std::int64_t kVirtualLimitNs = 3600LL * 1'000'000'000;
// Nor make more port accesses or USB transfers than this.
constexpr long kAccessLimit = 50'000'000;
// Random faults of each kind per input: each may cost a failing poll (1.5 million accesses).
constexpr int kFaultsPerKind = 8;

using vn::fuzz::Check;

// What both faulty cables do to the bytes on their wire: lose one, flip a bit of one, hold one
// back, each with a probability per 65536 accesses or bytes and a few times per input at most
// (a wire has a few bad moments, not a constant noise: a status line that glitches all the time
// would answer every poll of a dead module). Every access counts against the bounds.
class Wire {
 public:
  Wire(std::uint64_t seed, vn::platform::VirtualClock& c) : clock(c), rng_(seed) {}
  void Spend() {
    Check(clock.NowNs() <= kVirtualLimitNs, "the operation ends within the virtual time bound",
          static_cast<long>(clock.NowNs() / 1'000'000));
    ++accesses_;
    Check(accesses_ <= kAccessLimit, "the operation ends within the access bound", accesses_);
  }
  bool Dropped() { return Chance(drop, drops_left_); }
  std::uint8_t Mangled(std::uint8_t b) { return Chance(corrupt, corruptions_left_) ? static_cast<std::uint8_t>(b ^ (1u << Below(8))) : b; }
  // How late: 0, or 1 to the longest delay.
  int Lateness() { return Chance(delay, delays_left_) ? 1 + Below(longest) : 0; }

  vn::platform::VirtualClock& clock;
  int drop = 0, corrupt = 0, delay = 0, longest = 0;

 private:
  bool Chance(int rate, int& left) {
    if (left <= 0 || rate <= 0 || static_cast<int>(rng_() & 0xFFFF) >= rate) return false;
    --left;
    return true;
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }

  std::mt19937_64 rng_;
  long accesses_ = 0;
  int drops_left_ = kFaultsPerKind, corruptions_left_ = kFaultsPerKind, delays_left_ = 4 * kFaultsPerKind;
};

// The REV. B cable with glitches: a status read may come back with a bit flipped, a write of
// the PC may be lost, and any access may be late.
class FaultyPort final : public vn::platform::ParallelPort {
 public:
  FaultyPort(vn::sim::VirtualParallelPort& inner, Wire& wire) : inner_(inner), wire_(wire) {}
  bool Open(int base) override { return inner_.Open(base); }
  void Close() override { inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  void Write(int port, std::uint8_t value) override {
    wire_.clock.Advance(1000LL * wire_.Lateness());
    if (!wire_.Dropped()) inner_.Write(port, value);
    wire_.Spend();
  }
  std::uint8_t Read(int port) override {
    wire_.clock.Advance(1000LL * wire_.Lateness());
    const std::uint8_t v = wire_.Mangled(inner_.Read(port));
    wire_.Spend();
    return v;
  }

 private:
  vn::sim::VirtualParallelPort& inner_;
  Wire& wire_;
};

// The USB cable with a lossy line: a byte on the wire may be lost or changed either way, and a
// byte from the module may arrive some reads late (after the read that wanted it timed out).
class FaultyUsb final : public vn::platform::UsbLibrary {
 public:
  FaultyUsb(vn::sim::VirtualUsbCable& inner, Wire& wire) : inner_(inner), wire_(wire) {}
  int OpenByDescription(const char* d) override {
    held_.clear();
    return inner_.OpenByDescription(d);
  }
  int SetTimeouts(unsigned read_ms, unsigned write_ms) override {
    read_ms_ = read_ms;
    return inner_.SetTimeouts(read_ms, write_ms);
  }
  int Close() override { return inner_.Close(); }
  int ResetDevice() override {
    held_.clear();
    return inner_.ResetDevice();
  }
  int Write(const std::uint8_t* data, std::size_t length) override {
    wire_.Spend();
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < length; ++i)
      if (!wire_.Dropped()) out.push_back(wire_.Mangled(data[i]));
    return inner_.Write(out.data(), out.size());
  }
  int Read(std::uint8_t* data, std::size_t length, std::size_t& received) override {
    wire_.Spend();
    received = 0;
    Collect();
    ++reads_;
    while (received < length && !held_.empty() && held_.front().first <= reads_) {
      data[received++] = held_.front().second;
      held_.pop_front();
    }
    if (received < length) wire_.clock.Advance(static_cast<std::int64_t>(read_ms_) * 1'000'000);
    return kOk;
  }
  int GetQueueStatus(std::uint32_t& waiting) override {
    wire_.Spend();
    Collect();
    waiting = static_cast<std::uint32_t>(std::count_if(held_.begin(), held_.end(), [this](const auto& h) { return h.first <= reads_ + 1; }));
    return kOk;
  }

 private:
  // Takes what the cable has into the line, with the line's faults.
  void Collect() {
    std::uint32_t waiting = 0;
    if (inner_.GetQueueStatus(waiting) != kOk || waiting == 0) return;
    std::vector<std::uint8_t> bytes(waiting);
    std::size_t got = 0;
    inner_.Read(bytes.data(), bytes.size(), got);
    long due = held_.empty() ? reads_ + 1 : held_.back().first;
    for (std::size_t i = 0; i < got; ++i) {
      if (wire_.Dropped()) continue;
      const std::uint8_t b = wire_.Mangled(bytes[i]);
      due += wire_.Lateness();  // a late byte holds back the ones behind it: the line keeps their order
      held_.emplace_back(due, b);
    }
  }

  vn::sim::VirtualUsbCable& inner_;
  Wire& wire_;
  unsigned read_ms_ = 1000;
  std::deque<std::pair<long, std::uint8_t>> held_;  // each byte with the first read that may take it
  long reads_ = 0;
};

struct CountingInterrupts final : vn::platform::InterruptControl {
  void Disable() override { ++disables; }
  void Enable() override { ++enables; }
  int disables = 0, enables = 0;
};

struct Progress final : vn::link::DownloadProgress {
  void SetStatus(const std::string&) override {}
  void SetProgress(long value, long max) override { Check(value >= 0 && value <= max, "the progress bar stays within its range", value); }
  void ShowMessage(const vn::core::Message& message) override {
    const vn::core::RenderedMessage en = vn::core::Render(message, vn::core::Language::kEnglish);
    const vn::core::RenderedMessage ko = vn::core::Render(message, vn::core::Language::kKorean);
    Check(!en.text.empty() && !ko.text.empty() && !en.title.empty(), "a message has its texts and title");
    ++messages;
  }
  int messages = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t h[kHeaderSize] = {};
  for (std::size_t i = 0; i < kHeaderSize && i < size; ++i) h[i] = data[i];
  const std::uint8_t* image_bytes = size > kHeaderSize ? data + kHeaderSize : nullptr;
  const std::size_t image_size = size > kHeaderSize ? size - kHeaderSize : 0;
  auto u16 = [&h](std::size_t at) { return static_cast<long>(h[at] + 256 * h[at + 1]); };

  const bool revb = (h[0] & 1) != 0;
  const int kind = (h[0] & 2) != 0 ? 2 : 1;
  const bool faulty = (h[0] & 4) != 0;
  const bool other_family = faulty && (h[0] & 8) != 0;
  const bool identify = (h[0] & 16) == 0;
  const bool download = (h[0] & 32) == 0;

  // The code image; lengths near the end of the image (and past it) come up rarely otherwise.
  long code_addr = u16(30) % 4097;
  if ((h[0] & 64) != 0) code_addr = CodeImage::kLastAddr - 2 + u16(30) % 6;
  auto code = std::make_unique<CodeImage>();
  if (image_size > 0)
    for (long a = 0; a <= CodeImage::kLastAddr && a <= code_addr; ++a)
      code->Set(a, image_bytes[static_cast<std::size_t>(a) % image_size]);

  vn::platform::VirtualClock clock;
  vn::sim::ModuleConfig config;
  config.kind = other_family ? 3 - kind : kind;
  vn::sim::Module module(config);
  vn::sim::VirtualParallelPort port(module, clock, vn::sim::VirtualParallelPort::Cable::kRevB);
  vn::sim::VirtualUsbCable usb(module, clock);
  Wire wire(h[26] | (h[27] << 8) | (h[28] << 16) | (static_cast<std::uint64_t>(h[29]) << 24), clock);
  wire.delay = h[20];
  wire.longest = h[21];
  if (faulty) {
    wire.drop = h[18];
    wire.corrupt = h[19];
    vn::sim::WireFaults& f = revb ? port.faults() : usb.faults();
    long* const positions[] = {&f.drop_from_pc,  &f.corrupt_from_pc, &f.drop_to_pc, &f.corrupt_to_pc,
                               &f.stall_from_pc, &f.stall_to_pc,     &f.cut_after};
    for (int k = 0; k < 7; ++k)
      if ((h[1] >> k) & 1) *positions[k] = u16(static_cast<std::size_t>(2 + 2 * k));
    f.no_power = (h[1] & 0x80) != 0;
    f.corrupt_mask = h[16] != 0 ? h[16] : 1;
    f.stall_step = h[17] % 4;
    auto& t = port.timing();
    t.reaction_ns = 1000LL * (1 + h[22]);
    t.reply_delay_ns = 10'000LL * (1 + h[23]);
    t.timeout_ns = 1'000'000LL * (1 + h[24]);
  } else {
    // A clean wire: the PC is late now and then, by at most 50 us an access (the module waits
    // 20 ms); the USB cable has its transfer latency but no late bytes, since a byte later than
    // the read time-out is a failure on any cable.
    wire.longest = wire.longest % 50;
    if (!revb) wire.delay = 0;
  }
  usb.transfer_latency_ns = 10'000LL * h[25];

  FaultyPort faulty_port(port, wire);
  FaultyUsb faulty_usb(usb, wire);
  CountingInterrupts irq;
  vn::link::Link link({faulty_port, faulty_usb, irq, clock});
  const vn::core::Series series = vn::core::SeriesOfKind(kind);
  link.UseSeries(series);
  if (revb) {
    link.CableMode = vn::link::kCableRevB;
    link.PortOpen();
    link.LinkIdle();
  } else {
    link.UseUsb = -1;
    link.UsbOpenDevice();
  }
  link.BitDelay = 900;

  if (identify) {
    const vn::link::Identification id = vn::link::IdentifyModule(link, series);
    Check(id.result == 0 || id.result == -1, "identification gives 0 or -1", id.result);
    if (id.result == 0) {
      Check(id.series == kind, "the series identified is the one selected", id.series);
      Check(kind == 2 || id.firmware >= 0, "a VN module reports its firmware", id.firmware);
    } else {
      const vn::core::RenderedMessage shown = vn::core::Render(id.message, vn::core::Language::kEnglish);
      Check(!shown.text.empty() && !shown.title.empty(), "a failed identification has its message");
    }
    if (!faulty) Check(id.result == 0, "a clean wire identifies the module", id.result);
    Check(link.series() == series, "identification keeps the series", kind);
  }

  if (download) {
    Progress ui;
    const long received_before = module.bytes_received();
    const int r = vn::link::Download(link, *code, code_addr, series, ui);
    Check(r == 0 || r == -1, "a download gives 0 or -1", r);
    Check(ui.messages == (r == -1 ? 1 : 0), "a failed download shows exactly one message", ui.messages);
    Check(!link.StatusText, "the status callback is given back");
    if (code_addr <= 0 || code_addr > CodeImage::kLastAddr + 1) {
      Check(r == -1, "an empty or oversized image is refused", code_addr);
      Check(module.bytes_received() == received_before, "a refused image sends nothing", code_addr);
    } else if (!faulty) {
      Check(r == 0, "a clean wire downloads the program", code_addr);
    }
    const auto& f = revb ? port.faults() : usb.faults();
    const bool corrupting = wire.corrupt > 0 || f.corrupt_from_pc >= 0 || f.corrupt_to_pc >= 0;
    if (r == 0 && !corrupting) {
      // Without a changed byte on the way, a download reported done put the program in flash.
      Check(module.ProgramLength() == code_addr, "the module holds the program's length", module.ProgramLength());
      const long last = kind == 1 ? code_addr : code_addr - 1;
      for (long a = 0; a <= last; ++a)
        Check(module.FlashByte(a) == code->Get(a), "the module's flash holds the program", a);
    }
  }
  Check(irq.disables == irq.enables, "every interrupt disable is undone", irq.disables - irq.enables);
  return 0;
}
