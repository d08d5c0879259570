#include "link/link.h"

#include <algorithm>
#include <vector>

#include "link/wire_trace.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/usb.h"

namespace vn::link {

namespace {

constexpr int kStatusHandshake = 0x08;  // REV. B: the module's handshake line
constexpr int kStatusAckLine = 0x40;    // dummy cable: the module's line
constexpr int kRevBLow = 0xC0;          // phase bit 4 clear: low half / acknowledge
constexpr int kRevBHigh = 0xD0;         // phase bit 4 set: high half / rest
// A pulse counted past this no longer fits the 16-bit count the threshold is worked out in.
constexpr int kLongestPulse = 32767;

bool IsByte(int b) { return b >= 0 && b <= 255; }

}  // namespace

std::string SignedText(long value) { return value < 0 ? std::to_string(value) : " " + std::to_string(value); }

Link::Link(LinkDevices devices) : devices_(devices) {}

// ---- Port access ----------------------------------------------------------------------------

void Link::PortWrite(int port, int value) { devices_.port.Write(port, static_cast<std::uint8_t>(value & 0xFF)); }

int Link::PortRead(int port) { return devices_.port.Read(port); }

void Link::LinkIdle() {
  if (UseUsb != 0) return;
  PortWrite(Ioadr, DeviceKind == 2 ? 0xFF : 0xDF);
  PortWrite(Ioadr + 2, 4);
}

bool Link::PortOpen() { return devices_.port.Open(Ioadr); }
void Link::PortClose() { devices_.port.Close(); }
bool Link::PortIsOpen() const { return devices_.port.IsOpen(); }

int Link::UsbOpenDevice() {
  const int status = devices_.usb.OpenByDescription(kUsbCableDescription);
  devices_.usb.SetTimeouts(kUsbTimeoutMs, kUsbTimeoutMs);
  UsbOpen = -1;
  return status;
}

void Link::UsbCloseDevice() {
  devices_.usb.Close();
  UsbOpen = 0;
}

// ---- Parallel-cable bit transfer ---------------------------------------------------------------

void Link::DelayUnit() {
  if (BitDelay < 0) return;
  const long count = BitDelay > 32767 ? 32767 : BitDelay;
  devices_.clock.SpinFor((count + 1) * kDelayUnitNsPerCount);
}

void Link::SendPulseLong() {
  PortWrite(Ioadr, 0);
  for (int i = 0; i < 4; ++i) DelayUnit();
  PortWrite(Ioadr, 1);
  DelayUnit();
}

void Link::SendPulseShort() {
  PortWrite(Ioadr, 0);
  DelayUnit();
  PortWrite(Ioadr, 1);
  DelayUnit();
}

int Link::ReadAckLine() { return (PortRead(Ioadr + 1) & kStatusAckLine) != 0 ? 1 : 0; }

int Link::WaitAck(int level) {
  for (long round = 0; round < kAckRounds; ++round)
    for (long poll = 0; poll < kAckPolls; ++poll)
      if (ReadAckLine() == level) return 0;
  return -1;
}

int Link::WaitAckLow() { return WaitAck(0); }
int Link::WaitAckHigh() { return WaitAck(1); }

int Link::MeasureLowPulse() {
  long polls = 0;
  while (ReadAckLine() != 0)
    if (++polls >= kPulsePolls) return -1;
  long low = 0;
  for (long poll = 0; poll < kPulsePolls; ++poll) {
    if (ReadAckLine() == 1) return low > kLongestPulse ? -1 : static_cast<int>(low);
    ++low;
  }
  return -1;
}

bool Link::PollHandshake(int level, long rounds, long polls) {
  const int want = level != 0 ? kStatusHandshake : 0;
  for (long round = 0; round < rounds; ++round)
    for (long poll = 0; poll < polls; ++poll)
      if ((PortRead(Ioadr + 1) & kStatusHandshake) == want) return true;
  return false;
}

int Link::RevBSend(int b) {
  if (!IsByte(b)) return -1;
  const int f = FamilyBit();
  PortWrite(Ioadr, kRevBLow + f + b % 16);
  if (!PollHandshake(0, 3001, 501)) {
    PortWrite(Ioadr, kRevBHigh + f);
    return -1;
  }
  PortWrite(Ioadr, kRevBHigh + f + ((b / 16) & 15));
  if (!PollHandshake(1, 3001, 1001)) return -1;
  return 0;
}

int Link::RevBRecv() {
  const int f = FamilyBit();
  if (!PollHandshake(0, 3001, 101)) return -1;
  const int low = ((PortRead(Ioadr + 1) ^ 0x8F) >> 4) & 15;
  PortWrite(Ioadr, kRevBLow + f);
  if (!PollHandshake(1, 1001, 101)) {
    PortWrite(Ioadr, kRevBHigh + f);
    return -1;
  }
  const int high = ((PortRead(Ioadr + 1) ^ 0x8F) >> 4) & 15;
  PortWrite(Ioadr, kRevBHigh + f);
  return low + 16 * high;
}

int Link::DummySend(int b) {
  if (!IsByte(b)) return -1;
  PortWrite(Ioadr, 0);  // request
  if (WaitAckLow() != 0) {
    PortWrite(Ioadr, 1);
    return -1;
  }
  PortWrite(Ioadr, 1);
  if (WaitAckHigh() != 0) return -1;
  devices_.interrupts.Disable();
  SendPulseLong();  // start pattern: the module measures its two pulse lengths
  SendPulseShort();
  for (int bit = 0; bit < 8; ++bit) {
    if ((b >> bit) & 1)
      SendPulseShort();
    else
      SendPulseLong();
  }
  devices_.interrupts.Enable();
  if (WaitAckLow() != 0) {
    PortWrite(Ioadr, 1);
    return -1;
  }
  PortWrite(Ioadr, 0);
  if (WaitAckHigh() != 0) {
    PortWrite(Ioadr, 1);
    return -1;
  }
  PortWrite(Ioadr, 1);
  DelayUnit();
  return 0;
}

int Link::DummyRecv() {
  if (WaitAckLow() != 0) return -1;  // the module's request
  devices_.interrupts.Disable();
  PortWrite(Ioadr, 0);
  if (WaitAckHigh() != 0) {
    PortWrite(Ioadr, 1);
    devices_.interrupts.Enable();
    return -1;
  }
  PortWrite(Ioadr, 1);
  const int t1 = MeasureLowPulse();  // the module's long start pulse
  if (t1 < 0) {
    devices_.interrupts.Enable();
    return -1;
  }
  const int t2 = MeasureLowPulse();  // and its short one
  if (t2 < 0) {
    devices_.interrupts.Enable();
    return -1;
  }
  const int threshold = t2 + (t1 - t2) / 2;
  int result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result >>= 1;
    const int t = MeasureLowPulse();
    // A pulse that never ended is no bit at all, not a short one.
    if (t < 0) {
      devices_.interrupts.Enable();
      return -1;
    }
    if (t < threshold) result |= 0x80;
  }
  PortWrite(Ioadr, 0);
  if (WaitAckLow() != 0) {
    devices_.interrupts.Enable();
    PortWrite(Ioadr, 1);
    return -1;
  }
  PortWrite(Ioadr, 1);
  const int ack = WaitAckHigh();
  devices_.interrupts.Enable();
  return ack != 0 ? -1 : result;
}

int Link::CableSpeedCheck() {
  if (CableMode == kCableRevB || UseUsb != 0) return 0;
  // Nine steps, BitDelay 900 to 4900. A failed check leaves BitDelay at the last value tried,
  // not one step beyond it.
  int step = 9;
  BitDelay = 900;
  for (;;) {
    Status("Cable Speed Check : Step " + SignedText(step) + "...");
    --step;
    if (LinkSendByte(0x56) != -1 && LinkRecvByte() != -1) {
      int r[8] = {};
      bool complete = true;
      // Every byte of the reply must come: a missing one would be taken for a value.
      for (int k = 2; k <= 7 && complete; ++k) {
        r[k] = LinkRecvByte();
        complete = r[k] != -1;
      }
      if (complete && r[2] + 10 <= r[3]) return 0;
    }
    if (BitDelay + 500 > 5000) break;
    BitDelay += 500;
  }
  Status("");
  return -1;
}

int Link::SpeedCheckOnce() {
  if (SpeedChecked != 0) return 0;
  if (CableSpeedCheck() == -1) return -1;
  SpeedChecked = -1;
  return 0;
}

// ---- Byte layer ------------------------------------------------------------------------------

int Link::LinkSendByte(int b) {
  if (UseUsb != 0) return UsbSendByte(b);
  if (CableMode == kCableRevB) return RevBSendByte(b);
  return DummySendByte(b);
}

int Link::LinkRecvByte() {
  if (UseUsb != 0) return UsbRecvByte();
  if (CableMode == kCableRevB) return RevBRecvByte();
  return DummyRecvByte();
}

int Link::RevBSendByte(int b) { return Sent(b, RevBSend(b)); }
int Link::RevBRecvByte() { return Received(RevBRecv()); }
int Link::DummySendByte(int b) { return Sent(b, DummySend(b)); }
int Link::DummyRecvByte() { return Received(DummyRecv()); }
int Link::UsbSendByte(int b) { return Sent(b, UsbSend(b)); }
int Link::UsbRecvByte() { return Received(UsbRecv()); }

int Link::Sent(int b, int result) {
  if (observer_ != nullptr) observer_->OnByte(WireDirection::kSent, b, result == 0);
  return result;
}

int Link::Received(int result) {
  if (observer_ != nullptr) observer_->OnByte(WireDirection::kReceived, result, result != -1);
  return result;
}

int Link::UsbWrite(const std::uint8_t* data, std::size_t length) {
  const int status = devices_.usb.Write(data, length);
  if (observer_ != nullptr) observer_->OnCable(WireDirection::kSent, data, length);
  return status;
}

int Link::UsbRead(std::uint8_t* data, std::size_t length, std::size_t& received) {
  const int status = devices_.usb.Read(data, length, received);
  if (observer_ != nullptr && status == platform::UsbLibrary::kOk)
    observer_->OnCable(WireDirection::kReceived, data, received);
  return status;
}

int Link::NibbleSendByte(int b) { return UseUsb != 0 ? UsbSendByte(b) : RevBSendByte(b); }
int Link::NibbleRecvByte() { return UseUsb != 0 ? UsbRecvByte() : RevBRecvByte(); }

int Link::FamilySendByte(int b) { return DeviceKind == 1 ? LinkSendByte(b) : NibbleSendByte(b); }
int Link::FamilyRecvByte() { return DeviceKind == 1 ? LinkRecvByte() : NibbleRecvByte(); }

int Link::UsbSend(int b) {
  if (!IsByte(b)) return -1;
  const std::uint8_t pair[2] = {static_cast<std::uint8_t>(b % 16), static_cast<std::uint8_t>(b / 16)};
  return UsbWrite(pair, 2) == platform::UsbLibrary::kOk ? 0 : -1;
}

int Link::UsbRecv() {
  std::uint8_t pair[2] = {0, 0};
  std::size_t received = 0;
  if (UsbRead(pair, 2, received) != platform::UsbLibrary::kOk) return -1;
  // A read that ran into the time-out is a failure, not a byte of zeros; and a half that is
  // not 0..15 was not sent in the wire encoding.
  if (received < 2 || pair[0] > 15 || pair[1] > 15) return -1;
  return 16 * pair[1] + pair[0];
}

int Link::UsbQuery(std::uint8_t first) {
  const std::uint8_t query[2] = {first, 0x20};
  if (UsbWrite(query, 2) != platform::UsbLibrary::kOk) return -1;
  std::uint8_t answer[2] = {0, 0};
  std::size_t received = 0;
  if (UsbRead(answer, 2, received) != platform::UsbLibrary::kOk || received < 2) return -1;
  return 16 * answer[1] + answer[0];
}

int Link::UsbQueryCable() { return UsbQuery(0x10); }
int Link::UsbQueryFamily() { return UsbQuery(0x20); }

int Link::UsbSendBlock(const std::uint8_t* bytes, std::size_t count) {
  std::vector<std::uint8_t> wire;
  wire.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    wire.push_back(static_cast<std::uint8_t>(bytes[i] % 16));
    wire.push_back(static_cast<std::uint8_t>(bytes[i] / 16));
  }
  const int status = devices_.usb.Write(wire.data(), wire.size());
  if (observer_ != nullptr) {
    for (std::size_t i = 0; i < count; ++i)
      observer_->OnByte(WireDirection::kSent, bytes[i], status == platform::UsbLibrary::kOk);
    observer_->OnCable(WireDirection::kSent, wire.data(), wire.size());
  }
  return status == platform::UsbLibrary::kOk ? 0 : -1;
}

int Link::UsbReadBlock(std::uint8_t* wire, std::size_t length, std::size_t& received) {
  const int status = UsbRead(wire, length, received);
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

void Link::UsbDiscardWaiting() {
  if (UseUsb == 0) return;
  std::uint8_t drop[512];
  for (long dropped = 0; dropped < kUsbDrainLimit;) {
    std::uint32_t waiting = 0;
    if (devices_.usb.GetQueueStatus(waiting) != platform::UsbLibrary::kOk || waiting == 0) return;
    // Only what is there: asking for more would wait out the read time-out.
    const std::size_t want =
        std::min<std::size_t>({waiting, sizeof drop, static_cast<std::size_t>(kUsbDrainLimit - dropped)});
    std::size_t got = 0;
    if (UsbRead(drop, want, got) != platform::UsbLibrary::kOk || got == 0) return;
    dropped += static_cast<long>(got);
  }
}

long Link::UsbWaiting() {
  std::uint32_t waiting = 0;
  if (devices_.usb.GetQueueStatus(waiting) != platform::UsbLibrary::kOk) return -1;
  return static_cast<long>(waiting);
}

}  // namespace vn::link
