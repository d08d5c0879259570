// The command set: the byte that opens each exchange with the module, and the exchanges whose
// form belongs to the link rather than to the procedure using them.
#pragma once

#include <cstdint>
#include <vector>

#include "isa/isa.h"
#include "link/link.h"

namespace vn::link {

// The PC's side of the command set, under the names the link's procedures use.
enum Command : int {
  CmdIdentifyVn = isa::WireCommand::kIdentifyVn,
  CmdIdentifyVnm = isa::WireCommand::kIdentifyVnm,
  CmdLoadCode = isa::WireCommand::kLoadCode,
  CmdReadFlash = isa::WireCommand::kReadFlash,
  CmdBreak = isa::WireCommand::kBreak,
  CmdCheckVariables = isa::WireCommand::kCheckVariables,
  CmdStepInto = isa::WireCommand::kStepInto,
  CmdStepOut = isa::WireCommand::kStepOut,
  CmdModifyVariable = isa::WireCommand::kModifyVariable,
  CmdReset = isa::WireCommand::kReset,
  CmdLeaveDebugVnm = isa::WireCommand::kLeaveDebugVnm,
};

inline constexpr int kStatusMarker = isa::wire::kStatusMarker;
inline constexpr int kStopAnnounceVnm = isa::wire::kStopAnnounceVnm;
inline constexpr int kVnStatusRamBytes = isa::kVnStatusRamBytes;

// The module's stop status as the status reply carries it.
struct StopStatus {
  long ModulePc = 0;              // never negative
  std::vector<int> RamImage;      // one byte value per element, from index 0
};

// Reads the status reply of the series `series` after the marker's turn has come: the marker &HA5, the program
// counter (low byte first) and the RAM bytes: 96 on the VN series (all by LinkRecvByte); on
// the VNM series (nibble operations) the PC first answers the marker with `var_bytes_used`
// (low byte, then high byte) and then reads that many. 0, or -1 when no status reply came or
// any byte of it failed; `count_send_failed` is set when sending the count failed (the
// debugger then shows the link-failure message). RamImage holds what arrived.
int ReadStatusReply(Link& link, core::Series series, int var_bytes_used, StopStatus& status, bool* count_send_failed = nullptr);

// &HE4 with the RAM address (low, high), the count (1, 2 or 4) and the value's bytes, least
// significant first, all by NibbleSendByte. 0 or -1 (at the first failed byte).
int SendModifyVariable(Link& link, int ram_address, int count, std::uint32_t value);

// A 16-bit length or address as two bytes, n Mod 256 then (n \ 256) And 255, by `family` byte
// sends when true (FamilySendByte), else by NibbleSendByte. 0 or -1.
int SendWord(Link& link, long n, bool family);

}  // namespace vn::link
