#include "link/usb_cable.h"

#include <algorithm>
#include <vector>

#include "link/wire_trace.h"
#include "platform/usb.h"

namespace vn::link {

namespace {
bool IsByte(int b) { return b >= 0 && b <= 255; }
}  // namespace

int UsbCable::Open() {
  const int status = usb_.OpenByDescription(kUsbCableDescription);
  usb_.SetTimeouts(kUsbTimeoutMs, kUsbTimeoutMs);
  open_ = true;
  return status;
}

void UsbCable::Close() {
  usb_.Close();
  open_ = false;
}

int UsbCable::Write(const std::uint8_t* data, std::size_t length) {
  const int status = usb_.Write(data, length);
  if (observer_ != nullptr) observer_->OnCable(WireDirection::kSent, data, length);
  return status;
}

int UsbCable::Read(std::uint8_t* data, std::size_t length, std::size_t& received) {
  const int status = usb_.Read(data, length, received);
  if (observer_ != nullptr && status == platform::UsbLibrary::kOk)
    observer_->OnCable(WireDirection::kReceived, data, received);
  return status;
}

int UsbCable::SendByte(int b, core::Series /*series*/) {
  if (!IsByte(b)) return -1;
  const std::uint8_t pair[2] = {static_cast<std::uint8_t>(b % 16), static_cast<std::uint8_t>(b / 16)};
  return Write(pair, 2) == platform::UsbLibrary::kOk ? 0 : -1;
}

int UsbCable::RecvByte(core::Series /*series*/) {
  std::uint8_t pair[2] = {0, 0};
  std::size_t received = 0;
  if (Read(pair, 2, received) != platform::UsbLibrary::kOk) return -1;
  // A read that ran into the time-out is a failure, not a byte of zeros; and a half that is
  // not 0..15 was not sent in the wire encoding.
  if (received < 2 || pair[0] > 15 || pair[1] > 15) return -1;
  return 16 * pair[1] + pair[0];
}

int UsbCable::Query(std::uint8_t first) {
  const std::uint8_t query[2] = {first, 0x20};
  if (Write(query, 2) != platform::UsbLibrary::kOk) return -1;
  std::uint8_t answer[2] = {0, 0};
  std::size_t received = 0;
  if (Read(answer, 2, received) != platform::UsbLibrary::kOk || received < 2) return -1;
  return 16 * answer[1] + answer[0];
}

int UsbCable::SendBlock(const std::uint8_t* bytes, std::size_t count) {
  std::vector<std::uint8_t> wire;
  wire.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    wire.push_back(static_cast<std::uint8_t>(bytes[i] % 16));
    wire.push_back(static_cast<std::uint8_t>(bytes[i] / 16));
  }
  const int status = usb_.Write(wire.data(), wire.size());
  if (observer_ != nullptr) {
    for (std::size_t i = 0; i < count; ++i)
      observer_->OnByte(WireDirection::kSent, bytes[i], status == platform::UsbLibrary::kOk);
    observer_->OnCable(WireDirection::kSent, wire.data(), wire.size());
  }
  return status == platform::UsbLibrary::kOk ? 0 : -1;
}

int UsbCable::ReadBlock(std::uint8_t* wire, std::size_t length, std::size_t& received) {
  const int status = Read(wire, length, received);
  if (observer_ == nullptr) return status;
  // What the reader of the block makes of it: whole pairs in the wire encoding, up to the
  // first that is not; anything short of the block is a receive that got nothing.
  const std::size_t got = status == platform::UsbLibrary::kOk ? received : 0;
  std::size_t k = 0;
  for (; 2 * k + 1 < got; ++k) {
    const std::uint8_t low = wire[2 * k], high = wire[2 * k + 1];
    if (low > 15 || high > 15) break;
    observer_->OnByte(WireDirection::kReceived, 16 * high + low, true);
  }
  if (k < length / 2) observer_->OnByte(WireDirection::kReceived, -1, false);
  return status;
}

void UsbCable::DiscardWaiting() {
  std::uint8_t drop[512];
  for (long dropped = 0; dropped < kUsbDrainLimit;) {
    std::uint32_t waiting = 0;
    if (usb_.GetQueueStatus(waiting) != platform::UsbLibrary::kOk || waiting == 0) return;
    // Only what is there: asking for more would wait out the read time-out.
    const std::size_t want =
        std::min<std::size_t>({waiting, sizeof drop, static_cast<std::size_t>(kUsbDrainLimit - dropped)});
    std::size_t got = 0;
    if (Read(drop, want, got) != platform::UsbLibrary::kOk || got == 0) return;
    dropped += static_cast<long>(got);
  }
}

long UsbCable::Waiting() {
  std::uint32_t waiting = 0;
  if (usb_.GetQueueStatus(waiting) != platform::UsbLibrary::kOk) return -1;
  return static_cast<long>(waiting);
}

}  // namespace vn::link
