// The virtual parallel port with a cable and the virtual module at its far end. Its data,
// status and control registers carry the REV. B nibble handshake or the dummy cable's pulse
// trains, as the cable attached says. Everything runs on the virtual clock: every port access
// takes `access_ns`, the PC's busy-waits move the clock, and the module reacts after
// `reaction_ns` and measures and makes its pulses in virtual time, so a test runs the real
// protocol code fast and always the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

#include "platform/clock.h"
#include "platform/parallel_port.h"
#include "sim/wire.h"

namespace vn::sim {

class VirtualParallelPort final : public platform::ParallelPort, public ModuleWire {
 public:
  enum class Cable { kRevB, kDummy };

  struct Timing {
    std::int64_t access_ns = 1000;        // one port access, at the speed of the ISA bus
    std::int64_t reaction_ns = 3000;      // the module's answer to a line change
    std::int64_t sample_ns = 2000;        // dummy cable: the module's sampling period
    std::int64_t unit_ns = 20000;         // dummy cable: the module's own pulse unit
    std::int64_t timeout_ns = 20'000'000;  // the module gives up a transfer the PC left
    // The firmware's time between finishing one transfer and offering its next byte; long
    // enough for the PC to see the last handshake of the transfer before the lines change.
    std::int64_t reply_delay_ns = 50'000;
  };

  // One write of the PC, at the virtual time it happened.
  struct WriteRecord {
    std::int64_t time_ns;
    int reg;  // 0 data, 1 status, 2 control
    std::uint8_t value;
    bool operator==(const WriteRecord&) const = default;
  };

  VirtualParallelPort(Module& module, platform::VirtualClock& clock, Cable cable, int base = 0x378);

  bool Open(int base) override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  void Write(int port, std::uint8_t value) override;
  std::uint8_t Read(int port) override;

  Timing& timing() { return timing_; }
  Cable cable() const { return cable_; }
  std::uint8_t data() const { return data_; }
  std::uint8_t control() const { return control_; }
  // The status register as the PC would read it now (without taking an access's time).
  std::uint8_t status() const;

  // Every write of the PC is kept while recording is on.
  void set_recording(bool on) { recording_ = on; }
  const std::vector<WriteRecord>& writes() const { return writes_; }
  void clear_writes() { writes_.clear(); }
  long reads() const { return reads_; }
  // The lengths of the PC's last ten low pulses as the module measured them, in ns.
  const std::vector<std::int64_t>& last_pc_pulses() const { return pc_pulses_ns_; }
  // What the module has not had collected, the item on its way over the lines included.
  std::vector<int> Uncollected() const override;

 private:
  enum class State {
    kIdle,
    // PC to module
    kGotLow,       // REV. B: low half taken, waiting for the high half
    kReqAcked,     // dummy: request acknowledged, waiting for the PC to let go
    kRxTrain,      // dummy: measuring the PC's ten pulses
    kRxEndAck,     // dummy: end acknowledged, waiting for the PC's answer
    kRxEndRelease, // dummy: released, waiting for the PC to let go
    // module to PC
    kPresenting,   // REV. B: low half on the lines / dummy: request on the line
    kSentHigh,     // REV. B: high half on the lines, waiting for the PC's rest level
    kTxAcked,      // dummy: the PC saw the request, waiting for it to let go
    kTurnaround,   // dummy: short pause before the train, the PC may still start its own
    kTxTrain,      // dummy: sending the pulses
    kTxEndWait,    // dummy: train done, waiting for the PC's end request
    kTxEndAck,     // dummy: end acknowledged, waiting for the PC to let go
  };

  struct Event {
    std::int64_t time;
    std::uint64_t seq;
    std::function<void(std::int64_t)> fn;
    bool operator>(const Event& o) const { return time != o.time ? time > o.time : seq > o.seq; }
  };

  void At(std::int64_t time, std::function<void(std::int64_t)> fn);
  void RunUntil(std::int64_t now);
  // Changes state; pending line changes and time-outs of the old state are void afterwards.
  void Enter(State s, std::int64_t now);
  // Sets the module's lines after its reaction time, unless the state changes before.
  void LinesLater(std::int64_t now, int level, int nibble = -1);
  void MaybeStartSend(std::int64_t now);
  bool Selected() const;
  std::uint8_t FloatingStatus() const { return 0x7F; }

  void OnRevBPhase(bool phase_high, std::int64_t now);
  void OnDummyEdge(bool high, std::int64_t now);
  void StartTrain(std::int64_t now);
  // The module's item is on its way to the PC (offered, or part-way through its handshake).
  bool Offering() const;
  // The PC moved on (or went silent) while an item was on its way: it is lost.
  void GiveUpOffered();

  platform::VirtualClock& clock_;
  Cable cable_;
  int base_;
  Timing timing_;
  bool open_ = false;

  std::uint8_t data_ = 0xFF;
  std::uint8_t control_ = 0;
  int line_ = 1;    // REV. B: handshake (status bit 3); dummy: the module's line (bit 6)
  int nibble_ = 0;  // REV. B: the half the module presents on status bits 4-7

  State state_ = State::kIdle;
  std::uint64_t epoch_ = 0;
  std::uint64_t seq_ = 0;
  std::priority_queue<Event, std::vector<Event>, std::greater<Event>> events_;

  int low_half_ = 0;
  int rx_byte_ = 0;
  std::int64_t ready_at_ = 0;  // the module offers its next byte from this time on
  int out_byte_ = 0;  // the byte (or announcement) on its way to the PC
  std::int64_t fall_ns_ = 0;
  std::vector<std::int64_t> pulses_;  // PC's pulse lengths of the byte being received
  std::vector<std::int64_t> pc_pulses_ns_;

  bool recording_ = false;
  std::vector<WriteRecord> writes_;
  long reads_ = 0;
};

}  // namespace vn::sim
