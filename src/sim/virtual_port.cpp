#include "sim/virtual_port.h"

#include <algorithm>

namespace vn::sim {

namespace {

constexpr std::uint8_t kPhaseBit = 0x10;   // REV. B: PC's phase line
constexpr std::uint8_t kFamilyBit = 0x20;  // REV. B: PC's family select

}  // namespace

VirtualParallelPort::VirtualParallelPort(Module& module, platform::VirtualClock& clock, Cable cable, int base)
    : ModuleWire(module), clock_(clock), cable_(cable), base_(base) {}

bool VirtualParallelPort::Open(int base) {
  open_ = base == base_;
  return open_;
}

bool VirtualParallelPort::Selected() const {
  if (cable_ == Cable::kDummy) return true;
  const bool vnm_selected = (data_ & kFamilyBit) != 0;
  return vnm_selected == (module().kind() != 1);
}

std::uint8_t VirtualParallelPort::status() const {
  const auto& f = faults();
  if (f.unplugged || f.no_power || (f.cut_after >= 0 && sent() >= f.cut_after)) return FloatingStatus();
  if (cable_ == Cable::kRevB) return static_cast<std::uint8_t>(((nibble_ ^ 8) << 4) | (line_ << 3) | 0x07);
  return static_cast<std::uint8_t>(0x3F | (line_ << 6));
}

void VirtualParallelPort::At(std::int64_t time, std::function<void(std::int64_t)> fn) {
  events_.push(Event{time, seq_++, std::move(fn)});
}

void VirtualParallelPort::RunUntil(std::int64_t now) {
  while (!events_.empty() && events_.top().time <= now) {
    Event e = events_.top();
    events_.pop();
    e.fn(e.time);
  }
}

bool VirtualParallelPort::Offering() const {
  switch (state_) {
    case State::kPresenting:
    case State::kSentHigh:
    case State::kTxAcked:
    case State::kTurnaround:
    case State::kTxTrain:
    case State::kTxEndWait:
    case State::kTxEndAck:
      return true;
    default:
      return false;
  }
}

void VirtualParallelPort::GiveUpOffered() {
  if (Offering()) module().GivenUp(out_byte_);
}

std::vector<int> VirtualParallelPort::Uncollected() const {
  std::vector<int> items = module().given_up();
  if (Offering()) items.push_back(out_byte_);
  const auto pending = module().PendingOutput();
  items.insert(items.end(), pending.begin(), pending.end());
  return items;
}

void VirtualParallelPort::Enter(State s, std::int64_t now) {
  state_ = s;
  ++epoch_;
  if (s == State::kIdle || s == State::kPresenting) return;
  At(now + timing_.timeout_ns, [this, e = epoch_](std::int64_t t) {
    if (e != epoch_ || frozen_) return;
    GiveUpOffered();
    state_ = State::kIdle;
    ++epoch_;
    line_ = 1;
    nibble_ = 0;
    ready_at_ = t;
  });
}

void VirtualParallelPort::LinesLater(std::int64_t now, int level, int nibble) {
  At(now + timing_.reaction_ns, [this, level, nibble](std::int64_t) {
    line_ = level;
    if (nibble >= 0) nibble_ = nibble;
  });
}

void VirtualParallelPort::MaybeStartSend(std::int64_t now) {
  if (Dead()) return LoseOutput();
  if (state_ != State::kIdle || now < ready_at_ || !module().HasOutput()) return;
  if (cable_ == Cable::kRevB) {
    // Only while the PC rests its phase line and has this module's family selected.
    if ((data_ & kPhaseBit) == 0 || !Selected()) return;
  } else if ((data_ & 1) == 0) {
    return;
  }
  const auto item = TakeOutput();
  if (!item) return;
  out_byte_ = *item;
  if (StallHere(false, 0)) return;
  Enter(State::kPresenting, now);
  if (cable_ == Cable::kRevB) {
    const int byte = out_byte_ == Module::kAnnounce ? Module::kStopAnnounce : out_byte_;
    LinesLater(now, 0, byte & 15);
  } else {
    LinesLater(now, 0);
  }
}

void VirtualParallelPort::Write(int port, std::uint8_t value) {
  clock_.Advance(timing_.access_ns);
  const std::int64_t now = clock_.NowNs();
  RunUntil(now);
  const int reg = port - base_;
  if (!open_ || reg < 0 || reg > 2) return;
  if (recording_) writes_.push_back({now, reg, value});
  if (reg == 2) control_ = value;
  if (reg != 0) return;
  const std::uint8_t old = data_;
  data_ = value;
  if (!Dead()) {
    if (cable_ == Cable::kRevB) {
      if (Selected() && ((old ^ value) & kPhaseBit) != 0) OnRevBPhase((value & kPhaseBit) != 0, now);
    } else if (((old ^ value) & 1) != 0) {
      OnDummyEdge((value & 1) != 0, now);
    }
  }
  MaybeStartSend(now);
}

std::uint8_t VirtualParallelPort::Read(int port) {
  clock_.Advance(timing_.access_ns);
  const std::int64_t now = clock_.NowNs();
  RunUntil(now);
  MaybeStartSend(now);
  ++reads_;
  const int reg = port - base_;
  if (!open_ || reg < 0 || reg > 2) return 0xFF;
  if (reg == 0) return data_;
  if (reg == 2) return control_;
  return status();
}

// ---- REV. B: a nibble per handshake ---------------------------------------------------------------

void VirtualParallelPort::OnRevBPhase(bool phase_high, std::int64_t now) {
  switch (state_) {
    case State::kIdle:
      if (phase_high) return;
      low_half_ = data_ & 15;
      if (StallHere(true, 0)) return;
      Enter(State::kGotLow, now);
      LinesLater(now, 0);
      return;
    case State::kGotLow: {
      if (!phase_high) return;
      const int byte = low_half_ | ((data_ & 15) << 4);
      if (StallHere(true, 1)) return;
      Enter(State::kIdle, now);
      LinesLater(now, 1);
      ready_at_ = now + timing_.reaction_ns + timing_.reply_delay_ns;
      Deliver(static_cast<std::uint8_t>(byte), now);
      return;
    }
    case State::kPresenting: {
      if (phase_high) return;
      if ((data_ & 15) != 0) {
        // Not an acknowledgement but the first half of a command (no command byte has a low
        // half of 0): the PC has moved on, so the offered byte is given up and the half taken.
        GiveUpOffered();
        module().DropOutput();
        low_half_ = data_ & 15;
        Enter(State::kGotLow, now);
        LinesLater(now, 0);
        return;
      }
      if (StallHere(false, 1)) return;
      const int byte = out_byte_ == Module::kAnnounce ? Module::kStopAnnounce : out_byte_;
      Enter(State::kSentHigh, now);
      LinesLater(now, 1, (byte >> 4) & 15);
      return;
    }
    case State::kSentHigh:
      if (!phase_high) return;
      if (out_byte_ != Module::kAnnounce) CountSent();
      Taken(now);
      Enter(State::kIdle, now);
      ready_at_ = now + timing_.reply_delay_ns;
      return;
    default:
      return;
  }
}

// ---- Dummy cable: pulse lengths ---------------------------------------------------------------------

void VirtualParallelPort::OnDummyEdge(bool high, std::int64_t now) {
  switch (state_) {
    case State::kIdle:
      if (high) return;
      if (StallHere(true, 0)) return;
      Enter(State::kReqAcked, now);
      LinesLater(now, 0);
      return;
    case State::kReqAcked:
      if (!high) return;
      if (StallHere(true, 1)) return;
      Enter(State::kRxTrain, now);
      LinesLater(now, 1);
      pulses_.clear();
      fall_ns_ = -1;
      return;
    case State::kRxTrain: {
      if (!high) {
        fall_ns_ = now;
        return;
      }
      if (fall_ns_ < 0) return;
      pulses_.push_back(now - fall_ns_);
      fall_ns_ = -1;
      if (pulses_.size() < 10) return;
      // The firmware counts its samples of the low line; the two start pulses set the limit
      // between a long (0) and a short (1) bit.
      std::int64_t ticks[10];
      for (int i = 0; i < 10; ++i) ticks[i] = pulses_[static_cast<size_t>(i)] / timing_.sample_ns;
      const std::int64_t threshold = (ticks[0] + ticks[1]) / 2;
      int byte = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (ticks[2 + bit] < threshold) byte |= 1 << bit;
      pc_pulses_ns_ = pulses_;
      module().SetPulseTiming(static_cast<int>(std::min<std::int64_t>(ticks[1], 255)),
                              static_cast<int>(std::min<std::int64_t>(ticks[0], 255)));
      rx_byte_ = byte;
      if (StallHere(true, 2)) return;
      Enter(State::kRxEndAck, now);
      LinesLater(now, 0);
      return;
    }
    case State::kRxEndAck:
      if (high) return;
      if (StallHere(true, 3)) return;
      Enter(State::kRxEndRelease, now);
      LinesLater(now, 1);
      return;
    case State::kRxEndRelease:
      if (!high) return;
      Enter(State::kIdle, now);
      ready_at_ = now + timing_.reaction_ns + timing_.reply_delay_ns;
      Deliver(static_cast<std::uint8_t>(rx_byte_), now);
      return;
    case State::kPresenting:
      if (high) return;
      if (StallHere(false, 1)) return;
      Enter(State::kTxAcked, now);
      LinesLater(now, 1);
      return;
    case State::kTxAcked:
      if (!high) return;
      if (out_byte_ == Module::kAnnounce) {
        // The stop announcement is the handshake alone.
        Enter(State::kIdle, now);
        ready_at_ = now + timing_.reply_delay_ns;
        return;
      }
      Enter(State::kTurnaround, now);
      At(now + timing_.unit_ns, [this, e = epoch_](std::int64_t t) {
        if (e == epoch_ && !frozen_) StartTrain(t);
      });
      return;
    case State::kTurnaround:
      if (high) return;
      // The PC's own train begins: it took the request for the acknowledgement of a byte it
      // wants to send, so the offered byte is given up and the PC's byte measured.
      GiveUpOffered();
      module().DropOutput();
      Enter(State::kRxTrain, now);
      pulses_.clear();
      fall_ns_ = now;
      return;
    case State::kTxEndWait:
      if (high) return;
      if (StallHere(false, 3)) return;
      Enter(State::kTxEndAck, now);
      LinesLater(now, 0);
      return;
    case State::kTxEndAck:
      if (!high) return;
      CountSent();
      Taken(now);
      Enter(State::kIdle, now);
      LinesLater(now, 1);
      ready_at_ = now + timing_.reaction_ns + timing_.reply_delay_ns;
      return;
    default:
      return;
  }
}

void VirtualParallelPort::StartTrain(std::int64_t now) {
  if (StallHere(false, 2)) return;
  Enter(State::kTxTrain, now);
  std::vector<int> units = {4, 1};
  for (int bit = 0; bit < 8; ++bit) units.push_back(((out_byte_ >> bit) & 1) != 0 ? 1 : 4);
  std::int64_t t = now;
  const std::uint64_t e = epoch_;
  for (size_t i = 0; i < units.size(); ++i) {
    At(t, [this, e](std::int64_t) {
      if (e == epoch_ && !frozen_) line_ = 0;
    });
    t += units[i] * timing_.unit_ns;
    // The PC answers the end of the last pulse at once: from that edge on the module listens.
    const bool last = i + 1 == units.size();
    At(t, [this, e, last](std::int64_t when) {
      if (e != epoch_ || frozen_) return;
      line_ = 1;
      if (last) Enter(State::kTxEndWait, when);
    });
    t += timing_.unit_ns;
  }
}

}  // namespace vn::sim
