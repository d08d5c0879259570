#include "link/link.h"

#include "link/cable_kinds.h"
#include "link/wire_trace.h"
#include "platform/bit_timing.h"
#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "platform/usb.h"

namespace vn::link {

std::string SignedText(long value) { return value < 0 ? std::to_string(value) : " " + std::to_string(value); }

Link::Link(LinkDevices devices) : devices_(devices) {
  for (const CableKindRow& row : CableKinds()) cables_.push_back(row.make(devices_, lines_));
  // The rows build these classes for these kinds.
  usb_cable_ = static_cast<UsbCable*>(&cable(CableKind::kUsb));
  dummy_cable_ = static_cast<DummyCable*>(&cable(CableKind::kDummy));
}

void Link::SetWireObserver(WireObserver* observer) {
  observer_ = observer;
  for (const auto& c : cables_) c->SetWireObserver(observer);
}

Cable& Link::cable() { return *cables_[SelectedCableKind(UseUsb, CableMode)]; }
const Cable& Link::cable() const { return *cables_[SelectedCableKind(UseUsb, CableMode)]; }

Cable& Link::cable(CableKind kind) {
  const auto kinds = CableKinds();
  for (std::size_t i = 0; i < kinds.size(); ++i)
    if (kinds[i].kind == kind) return *cables_[i];
  // Every kind has its row: the enum and the table grow together.
  return *cables_.back();
}

// ---- Port access ----------------------------------------------------------------------------

void Link::PortWrite(int port, int value) { lines_.Write(port, value); }
int Link::PortRead(int port) { return lines_.Read(port); }
void Link::LinkIdle() { cable().Idle(series()); }
bool Link::PortOpen() { return lines_.Open() == 0; }
void Link::PortClose() { lines_.Close(); }
bool Link::PortIsOpen() const { return lines_.IsOpen(); }

int Link::UsbOpenDevice() {
  const int status = usb_cable_->Open();
  UsbOpen = -1;
  return status;
}

void Link::UsbCloseDevice() {
  usb_cable_->Close();
  UsbOpen = 0;
}

// ---- Parallel-cable bit transfer ---------------------------------------------------------------

void Link::DelayUnit() { lines_.DelayUnit(); }
void Link::SendPulseLong() { dummy_cable_->SendPulseLong(); }
void Link::SendPulseShort() { dummy_cable_->SendPulseShort(); }
int Link::ReadAckLine() { return dummy_cable_->ReadAckLine(); }
int Link::WaitAckLow() { return dummy_cable_->WaitAckLow(); }
int Link::WaitAckHigh() { return dummy_cable_->WaitAckHigh(); }
int Link::MeasureLowPulse() { return dummy_cable_->MeasureLowPulse(); }

int Link::CableSpeedCheck() {
  // Only the dummy cable's timing depends on the PC's speed.
  if (cable().kind() != CableKind::kDummy) return 0;
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

int Link::LinkSendByte(int b) { return Sent(b, cable().SendByte(b, series())); }
int Link::LinkRecvByte() { return Received(cable().RecvByte(series())); }
int Link::NibbleSendByte(int b) { return Sent(b, cable().SendNibbleByte(b, series())); }
int Link::NibbleRecvByte() { return Received(cable().RecvNibbleByte(series())); }

int Link::RevBSendByte(int b) { return Sent(b, cable(CableKind::kRevB).SendByte(b, series())); }
int Link::RevBRecvByte() { return Received(cable(CableKind::kRevB).RecvByte(series())); }
int Link::DummySendByte(int b) { return Sent(b, dummy_cable_->PulseSend(b)); }
int Link::DummyRecvByte() { return Received(dummy_cable_->PulseRecv()); }
int Link::UsbSendByte(int b) { return Sent(b, usb_cable_->SendByte(b, series())); }
int Link::UsbRecvByte() { return Received(usb_cable_->RecvByte(series())); }

int Link::Sent(int b, int result) {
  if (observer_ != nullptr) observer_->OnByte(WireDirection::kSent, b, result == 0);
  return result;
}

int Link::Received(int result) {
  if (observer_ != nullptr) observer_->OnByte(WireDirection::kReceived, result, result != -1);
  return result;
}

int Link::FamilySendByte(int b) { return series_ == core::Series::kVn ? LinkSendByte(b) : NibbleSendByte(b); }
int Link::FamilyRecvByte() { return series_ == core::Series::kVn ? LinkRecvByte() : NibbleRecvByte(); }

int Link::UsbQueryCable() { return usb_cable_->QueryCable(); }
int Link::UsbQueryFamily() { return usb_cable_->QueryFamily(); }
int Link::UsbSendBlock(const std::uint8_t* bytes, std::size_t count) { return usb_cable_->SendBlock(bytes, count); }
int Link::UsbReadBlock(std::uint8_t* wire, std::size_t length, std::size_t& received) {
  return usb_cable_->ReadBlock(wire, length, received);
}

void Link::UsbDiscardWaiting() {
  if (UseUsb == 0) return;
  usb_cable_->DiscardWaiting();
}

long Link::UsbWaiting() { return usb_cable_->Waiting(); }

}  // namespace vn::link
