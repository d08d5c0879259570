#include "ftdi_standin.h"

#include <ftdi.h>

#include <cstdio>
#include <cstring>

namespace vn::testing {

namespace {

// The context the caller sees, and the chip it has opened.
struct StandinContext {
  ftdi_context ctx;  // first: the caller's pointer is this one's
  StandinChip* chip = nullptr;
};

StandinContext* Of(ftdi_context* ftdi) { return reinterpret_cast<StandinContext*>(ftdi); }

std::string Hex4(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(v) & 0xFFFF);
  return text;
}

}  // namespace

// libftdi's answer when the chip has gone: the USB device is no longer there.
constexpr int kDeviceUnavailable = -666;

long StandinBus::Count(const std::string& prefix) const {
  long n = 0;
  for (const auto& c : calls) n += c.rfind(prefix, 0) == 0;
  return n;
}

StandinBus& TheStandinBus() {
  static StandinBus bus;
  return bus;
}

}  // namespace vn::testing

using vn::testing::TheStandinBus;

struct ftdi_context* ftdi_new(void) {
  auto* c = new vn::testing::StandinContext{};
  c->ctx.usb_read_timeout = 5000;  // libftdi's defaults
  c->ctx.usb_write_timeout = 5000;
  ++TheStandinBus().contexts;
  return &c->ctx;
}

void ftdi_free(struct ftdi_context* ftdi) {
  if (ftdi == nullptr) return;
  TheStandinBus().calls.push_back("free");
  --TheStandinBus().contexts;
  delete vn::testing::Of(ftdi);
}

int ftdi_usb_open_desc(struct ftdi_context* ftdi, int vendor, int product, const char* description,
                       const char* serial) {
  auto& bus = TheStandinBus();
  bus.calls.push_back("open_desc " + vn::testing::Hex4(vendor) + " " + vn::testing::Hex4(product) + " " +
                      (description != nullptr ? description : "(any)") + (serial != nullptr ? " serial" : ""));
  for (vn::testing::StandinChip* chip : bus.chips) {
    if (chip->vendor != vendor || chip->product != product) continue;
    if (description != nullptr && chip->description != description) continue;
    vn::testing::Of(ftdi)->chip = chip;
    return 0;
  }
  return -3;  // "usb device not found"
}

int ftdi_usb_close(struct ftdi_context* ftdi) {
  TheStandinBus().calls.push_back("close");
  vn::testing::Of(ftdi)->chip = nullptr;
  return 0;
}

int ftdi_usb_reset(struct ftdi_context* ftdi) {
  TheStandinBus().calls.push_back("reset");
  auto* chip = vn::testing::Of(ftdi)->chip;
  if (chip == nullptr) return -2;
  return chip->Reset() < 0 ? -1 : 0;
}

int ftdi_tcioflush(struct ftdi_context* ftdi) {
  TheStandinBus().calls.push_back("flush");
  return vn::testing::Of(ftdi)->chip == nullptr ? -2 : 0;
}

int ftdi_set_latency_timer(struct ftdi_context* ftdi, unsigned char latency) {
  TheStandinBus().calls.push_back("latency " + std::to_string(latency));
  if (vn::testing::Of(ftdi)->chip == nullptr) return -3;
  return latency < 1 ? -1 : 0;  // 1..255 ms
}

int ftdi_write_data(struct ftdi_context* ftdi, const unsigned char* buf, int size) {
  auto& bus = TheStandinBus();
  bus.calls.push_back("write " + std::to_string(size));
  bus.write_timeout = ftdi->usb_write_timeout;
  auto* chip = vn::testing::Of(ftdi)->chip;
  if (chip == nullptr) return vn::testing::kDeviceUnavailable;
  const int n = chip->Write(buf, size);
  return n < 0 ? vn::testing::kDeviceUnavailable : n;
}

int ftdi_read_data(struct ftdi_context* ftdi, unsigned char* buf, int size) {
  auto& bus = TheStandinBus();
  bus.calls.push_back("read " + std::to_string(size));
  bus.read_timeout = ftdi->usb_read_timeout;
  auto* chip = vn::testing::Of(ftdi)->chip;
  if (chip == nullptr) return vn::testing::kDeviceUnavailable;
  const int n = chip->Read(buf, size);
  return n < 0 ? vn::testing::kDeviceUnavailable : n;
}
