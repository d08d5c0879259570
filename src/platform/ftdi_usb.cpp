#include "platform/ftdi_usb.h"

#include <ftdi.h>

#include <cstring>

#include "platform/clock.h"

namespace vn::platform {

namespace {

constexpr int kFtdiVendor = 0x0403;
// FTDI's default product ids of the chips a cable of this kind is built on.
constexpr int kFtdiProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
// libftdi returns at once with what the chip has; a wait is built from short naps.
constexpr std::int64_t kReadPollNs = 1'000'000;
// The chip holds back a reply shorter than its buffer until its latency timer runs out: 16 ms
// by default, which every echo block and status read of a download would wait. 1 ms is the
// least the chip and libftdi take.
constexpr unsigned char kLatencyTimerMs = 1;
// The most one drain takes in: two wire bytes for every flash address, so that a chip that
// never stops delivering cannot hold the PC in it.
constexpr std::size_t kDrainLimit = 2 * 65536;

}  // namespace

FtdiUsb::FtdiUsb(Clock& clock) : clock_(clock) { ctx_ = ftdi_new(); }

FtdiUsb::~FtdiUsb() {
  Close();
  if (ctx_ != nullptr) ftdi_free(ctx_);
}

int FtdiUsb::OpenByDescription(const char* description) {
  if (ctx_ == nullptr) return kDeviceNotFound;
  if (open_) Close();
  for (int product : kFtdiProducts) {
    if (ftdi_usb_open_desc(ctx_, kFtdiVendor, product, description, nullptr) == 0) {
      open_ = true;
      pending_.clear();
      // A chip that keeps its default latency still works, only slower: not a failed open.
      ftdi_set_latency_timer(ctx_, kLatencyTimerMs);
      return kOk;
    }
  }
  return kDeviceNotFound;
}

int FtdiUsb::SetTimeouts(unsigned read_ms, unsigned write_ms) {
  if (!open_) return kInvalidHandle;
  read_timeout_ms_ = read_ms;
  ctx_->usb_read_timeout = static_cast<int>(read_ms);
  ctx_->usb_write_timeout = static_cast<int>(write_ms);
  return kOk;
}

int FtdiUsb::Close() {
  if (!open_) return kInvalidHandle;
  ftdi_usb_close(ctx_);
  open_ = false;
  pending_.clear();
  return kOk;
}

int FtdiUsb::ResetDevice() {
  if (!open_) return kInvalidHandle;
  pending_.clear();
  if (ftdi_usb_reset(ctx_) < 0) return kIoError;
  if (ftdi_tcioflush(ctx_) < 0) return kIoError;
  return kOk;
}

int FtdiUsb::Write(const std::uint8_t* data, std::size_t length) {
  if (!open_) return kInvalidHandle;
  std::size_t sent = 0;
  while (sent < length) {
    const int n = ftdi_write_data(ctx_, data + sent, static_cast<int>(length - sent));
    if (n <= 0) return kIoError;  // the write time-out ends in an error, not in 0 bytes
    sent += static_cast<std::size_t>(n);
  }
  return kOk;
}

bool FtdiUsb::Drain(bool until_empty) {
  unsigned char buf[512];
  for (std::size_t taken = 0; taken < kDrainLimit;) {
    const int n = ftdi_read_data(ctx_, buf, sizeof buf);
    if (n < 0) return false;
    if (n == 0) return true;
    pending_.insert(pending_.end(), buf, buf + n);
    taken += static_cast<std::size_t>(n);
    if (!until_empty && static_cast<std::size_t>(n) < sizeof buf) return true;
  }
  return true;
}

int FtdiUsb::Read(std::uint8_t* data, std::size_t length, std::size_t& received) {
  received = 0;
  if (!open_) return kInvalidHandle;
  const std::int64_t deadline = clock_.NowNs() + static_cast<std::int64_t>(read_timeout_ms_) * 1'000'000;
  for (;;) {
    while (received < length && !pending_.empty()) {
      data[received++] = pending_.front();
      pending_.pop_front();
    }
    if (received == length) return kOk;
    if (!Drain(false)) return kIoError;
    if (!pending_.empty()) continue;
    if (clock_.NowNs() >= deadline) return kOk;  // a time-out is not an error of the library
    clock_.SleepFor(kReadPollNs);
  }
}

int FtdiUsb::GetQueueStatus(std::uint32_t& waiting) {
  waiting = 0;
  if (!open_) return kInvalidHandle;
  // A read can bring less than the chip holds (it hands over what has reached the PC so far):
  // the count is of everything there, so the chip is read until it has nothing more.
  if (!Drain(true)) return kIoError;
  waiting = static_cast<std::uint32_t>(pending_.size());
  return kOk;
}

}  // namespace vn::platform
