// The module's end of a cable, shared by the virtual USB cable and the virtual parallel port:
// the faults a test can set on the wire and the byte counts they are keyed to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/module.h"

namespace vn::sim {

struct WireFaults {
  bool unplugged = false;  // nothing answers, not even the USB cable's queries
  bool no_power = false;   // the cable answers, the module does not
  long cut_after = -1;     // the link goes dead once the module has sent this many bytes
  // Positions count from 0, per direction: the PC's bytes to the module, the module's to the PC.
  long drop_from_pc = -1;     // the module never gets this byte of the PC's
  long corrupt_from_pc = -1;  // this byte of the PC's arrives with `corrupt_mask` flipped
  long drop_to_pc = -1;       // the module skips this byte of its own
  long corrupt_to_pc = -1;    // this byte of the module's leaves with `corrupt_mask` flipped
  std::uint8_t corrupt_mask = 0x01;
  // A handshake that never comes: while the PC's byte `stall_from_pc` (or the module's byte
  // `stall_to_pc`) is on the wire, the module freezes before its handshake step `stall_step`
  // (0 = its first acknowledgement of the byte, 1 = the second, ...) and never moves again.
  long stall_from_pc = -1;
  long stall_to_pc = -1;
  int stall_step = 0;
};

// A fault as the command line names it: "unplugged", "no-power", "cut:N" (wire faults),
// "other-family" and "bad-flash:ADDR" (the module's); the caller applies it. nullopt when the
// text is none of these.
struct FaultSetting {
  enum class Kind { kUnplugged, kNoPower, kOtherFamily, kBadFlash, kCut };
  Kind kind;
  long value = 0;
};
std::optional<FaultSetting> ParseFault(const std::string& text);

class ModuleWire {
 public:
  explicit ModuleWire(Module& module) : module_(module) {}
  virtual ~ModuleWire() = default;

  WireFaults& faults() { return faults_; }
  const WireFaults& faults() const { return faults_; }
  Module& module() { return module_; }
  const Module& module() const { return module_; }
  long sent() const { return sent_; }          // module bytes the PC has taken
  long received() const { return received_; }  // PC bytes that reached the wire's far end
  // The module's reply items the PC has not collected (Module::UncollectedReply), and on a
  // cable that buffers them, the bytes that still wait there for the PC. Empty after every
  // healthy exchange that read its whole reply.
  virtual std::vector<int> Uncollected() const { return module_.UncollectedReply(); }

 protected:
  // Nothing on the module's side answers any more.
  bool Dead() const {
    return faults_.unplugged || faults_.no_power || frozen_ ||
           (faults_.cut_after >= 0 && sent_ >= faults_.cut_after);
  }
  // A byte from the PC has fully arrived, at `now_ns` on the wire's clock.
  void Deliver(std::uint8_t byte, std::int64_t now_ns);
  // The module's next item for the wire with the to-PC faults applied (a dropped byte is
  // skipped); nullopt when it has nothing to send.
  std::optional<int> TakeOutput();
  // The module's byte reached the PC.
  void CountSent() { ++sent_; }
  // The PC took the module's item (a byte or the stop announcement) at `now_ns`.
  void Taken(std::int64_t now_ns) { module_.NoteTaken(now_ns); }
  // The wire is dead: what the module sends now reaches nobody and is lost, so a later
  // cable does not find the rest of an old reply in front of its own.
  void LoseOutput() {
    if (module_.HasOutput()) module_.DropOutput();
  }
  // True (and the module frozen) when the handshake step `step` of the byte now on the wire
  // is the one that never comes.
  bool StallHere(bool from_pc, int step);

  bool frozen_ = false;

 private:
  Module& module_;
  WireFaults faults_;
  long sent_ = 0;
  long received_ = 0;
  long out_index_ = 0;  // module bytes taken from its queue, dropped ones included
};

}  // namespace vn::sim
