#include "ftdi_standin.h"

#include <ftdi.h>

#include <cstdio>

namespace vn::testing {
namespace {

// The context the caller sees (first, so the caller's pointer is this one's) and its chip.
struct Context { ftdi_context ctx; StandinChip* chip = nullptr; };

StandinChip*& ChipOf(ftdi_context* ftdi) { return reinterpret_cast<Context*>(ftdi)->chip; }
// Logs the call; the chip, or null when none is open.
StandinChip* Call(ftdi_context* ftdi, const std::string& what) { return TheStandinBus().calls.push_back(what), ChipOf(ftdi); }
// libftdi's answer when the chip has gone: the USB device is no longer there.
int Bytes(int n) { return n < 0 ? -666 : n; }

}  // namespace

StandinBus& TheStandinBus() { static StandinBus bus; return bus; }

}  // namespace vn::testing

using namespace vn::testing;

struct ftdi_context* ftdi_new(void) {
  auto* c = new Context{};
  c->ctx.usb_read_timeout = c->ctx.usb_write_timeout = 5000;  // libftdi's defaults
  return ++TheStandinBus().contexts, &c->ctx;
}
void ftdi_free(struct ftdi_context* ftdi) { Call(ftdi, "free"), --TheStandinBus().contexts, delete reinterpret_cast<Context*>(ftdi); }
int ftdi_usb_open_desc(struct ftdi_context* ftdi, int vendor, int product, const char* description, const char*) {
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x %04x ", vendor & 0xFFFF, product & 0xFFFF);
  Call(ftdi, std::string("open_desc ") + ids + (description != nullptr ? description : "(any)"));
  for (StandinChip* chip : TheStandinBus().chips)
    if (chip->vendor == vendor && chip->product == product && (description == nullptr || chip->description == description))
      return ChipOf(ftdi) = chip, 0;
  return -3;  // "usb device not found"
}

int ftdi_usb_close(struct ftdi_context* ftdi) { return Call(ftdi, "close"), ChipOf(ftdi) = nullptr, 0; }
int ftdi_usb_reset(struct ftdi_context* ftdi) { StandinChip* chip = Call(ftdi, "reset"); return chip == nullptr ? -2 : chip->Reset() < 0 ? -1 : 0; }
int ftdi_tcioflush(struct ftdi_context* ftdi) { return Call(ftdi, "flush") == nullptr ? -2 : 0; }
int ftdi_set_latency_timer(struct ftdi_context* ftdi, unsigned char latency) { return Call(ftdi, "latency " + std::to_string(latency)) == nullptr ? -3 : latency < 1 ? -1 : 0; }
int ftdi_write_data(struct ftdi_context* ftdi, const unsigned char* buf, int size) {
  StandinChip* chip = (TheStandinBus().write_timeout = ftdi->usb_write_timeout, Call(ftdi, "write " + std::to_string(size)));
  return Bytes(chip == nullptr ? -1 : chip->Write(buf, size));
}
int ftdi_read_data(struct ftdi_context* ftdi, unsigned char* buf, int size) {
  StandinChip* chip = (TheStandinBus().read_timeout = ftdi->usb_read_timeout, Call(ftdi, "read " + std::to_string(size)));
  return Bytes(chip == nullptr ? -1 : chip->Read(buf, size));
}
