// A Link wired to the virtual module through one of the three virtual cables.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "cables/cable_factory.h"
#include "link/download.h"

namespace vn::testing {

using Wire = link::CableKind;

inline const char* WireName(Wire w) { return w == Wire::kUsb ? "usb" : w == Wire::kRevB ? "revb" : "dummy"; }

// Counts the interrupt calls so that every path can be checked to re-enable them.
struct CountingInterrupts final : platform::InterruptControl {
  int disables = 0, enables = 0;
  void Disable() override { ++disables; }
  void Enable() override { ++enables; }
};

// Sets the link up for the cable and series and opens the cable, as the IDE's start-up does.
inline void Connect(link::Link& link, Wire w, int kind) {
  link.UseSeries(core::SeriesOfKind(kind));
  cables::SelectCable(link, w);
  if (w == Wire::kUsb) link.UsbOpenDevice();
  else link.PortOpen(), link.LinkIdle();
}

// The virtual module behind one virtual cable, its link set up and opened.
struct VirtualLink {
  explicit VirtualLink(Wire w, int kind = 1, sim::ModuleConfig config = {})
      : wire(w), series(core::SeriesOfKind(kind)), module((config.kind = kind, config)),
        wires(module, clock, w, link::kDefaultIoadr, &irq), port(wires.port), usb(wires.usb), link(wires.Devices()) {
    Connect(link, w, kind);
    link.BitDelay = 900;
  }
  sim::WireFaults& faults() { return wires.wire(wire).faults(); }
  // The module's reply items the PC has not collected; empty after every healthy exchange.
  std::vector<int> Uncollected() { return wires.wire(wire).Uncollected(); }
  int Send(int b) { return link.FamilySendByte(b); }  // the byte operations of the module's series
  int Recv() { return link.FamilyRecvByte(); }

  Wire wire;
  core::Series series;  // the series the link speaks to the module
  platform::VirtualClock clock;
  CountingInterrupts irq;
  sim::Module module;
  cables::VirtualWires wires;
  sim::VirtualParallelPort& port;
  sim::VirtualUsbCable& usb;
  link::Link link;
};

// The panel texts, the progress bar and the message boxes (both languages) of a download,
// read-back or verify.
struct RecordingProgress final : link::DownloadProgress {
  struct Shown { std::string en, ko, title; int style; };
  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void SetProgress(long v, long m) override { value = v, max = m, peak = std::max(peak, v), past_max += v > m; }
  void ShowMessage(const core::Message& m) override {
    const core::RenderedMessage en = core::Render(m, core::Language::kEnglish);
    messages.push_back({en.text, core::MessageTextOf(m, core::Language::kKorean), en.title, en.style});
  }
  std::string First() const { return messages.empty() ? "" : messages[0].en; }
  std::vector<std::string> statuses;
  std::vector<Shown> messages;
  long value = -1, max = -1, peak = -1;
  int past_max = 0;
};

// Program bytes 24..n - 1 in a pattern that differs from one address to the next, so a byte
// sent to the wrong address shows. The byte at n, just past the code, is not zero either: an
// exchange that sums or compares one byte too many gets a different result.
inline core::CodeImage PatternImage(long n) {
  core::CodeImage code;
  for (long a = 24; a < n; ++a) code.Set(a, static_cast<std::uint8_t>((a * 7 + a / 251) % 251));
  code.Set(n, 0xA5);
  return code;
}

// Puts the program into the module's flash directly, as an earlier download left it.
inline void Preload(sim::Module& m, const core::CodeImage& code, long n) {
  for (long a = 0; a <= n; ++a) m.ProgramFlash(a, code.Get(a));
}

// The PC's bytes on the USB cable (low half first), without the cable's own two queries.
inline std::vector<int> DecodeUsb(const std::vector<std::uint8_t>& written) {
  std::vector<int> bytes;
  for (size_t i = 0; i + 1 < written.size(); i += 2)
    if (written[i] != 0x10 && written[i] != 0x20) bytes.push_back(written[i] + 16 * written[i + 1]);
  return bytes;
}

// How many addresses in [from, to) the image and the flash (or the read-back) disagree on.
template <typename Flash>
long Differs(const Flash& flash, const core::CodeImage& code, long from, long to) {
  long wrong = 0;
  for (long a = from; a < to; ++a)
    if constexpr (requires { flash.FlashByte(a); }) wrong += flash.FlashByte(a) != code.Get(a);
    else wrong += flash.Get(a) != code.Get(a);
  return wrong;
}

}  // namespace vn::testing
