// Watching the bytes a Link exchanges with the module, for users diagnosing a cable.
//
// The Link reports every byte of the protocol as the series' exchange sends or receives it, and,
// for the USB cable, the bytes the cable itself carries (each protocol byte as a pair of half
// bytes, low half first, and the cable's own queries). Nothing is reported while no observer is
// set, which is the default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "core/file_io.h"

namespace vn::link {

enum class WireDirection { kSent, kReceived };

class WireObserver {
 public:
  virtual ~WireObserver() = default;
  // A protocol byte; `ok` false for a byte the cable could not send, or for a receive that got
  // nothing (then `byte` is -1).
  virtual void OnByte(WireDirection direction, int byte, bool ok) = 0;
  // Bytes as written to or read from the USB cable.
  virtual void OnCable(WireDirection direction, const std::uint8_t* bytes, std::size_t count) = 0;
};

// The observer that writes the trace as text, one line per run of bytes in one direction:
//   "> 34 00 01"      protocol bytes sent        "< 32 07"      protocol bytes received
//   "usb> 04 03 ..."  bytes written to the USB cable   "usb< 02 03 ..."  bytes read from it
// Bytes are two hex digits; a line holds at most 16 protocol bytes or 32 cable bytes and the
// next line repeats the mark. A byte that could not be sent is followed by "!", a receive that
// got nothing is "--". In a run of sends the protocol lines come before the cable lines, in a
// run of receives after them, as each follows from the other.
class WireTraceWriter final : public WireObserver {
 public:
  explicit WireTraceWriter(std::ostream& out) : out_(out) {}
  ~WireTraceWriter() override { Flush(); }
  WireTraceWriter(const WireTraceWriter&) = delete;
  WireTraceWriter& operator=(const WireTraceWriter&) = delete;

  void OnByte(WireDirection direction, int byte, bool ok) override;
  void OnCable(WireDirection direction, const std::uint8_t* bytes, std::size_t count) override;
  // Writes the lines still open.
  void Flush();

  static constexpr std::size_t kBytesPerLine = 16;
  static constexpr std::size_t kCableBytesPerLine = 32;

 private:
  void Turn(WireDirection direction);
  void EndProtocolLine();
  void EndCableLine();

  std::ostream& out_;
  WireDirection direction_ = WireDirection::kSent;
  std::string protocol_line_;  // the bytes of the open lines, each " xx"
  std::size_t protocol_count_ = 0;
  std::string cable_line_;
  std::size_t cable_count_ = 0;
};

// The same trace appended to a file as it goes: each line is written once it is complete, the
// open ones at Flush. The first write that fails ends the writing; its error is kept.
class WireTraceFile final : public WireObserver {
 public:
  WireTraceFile() = default;
  ~WireTraceFile() override { Flush(); }
  WireTraceFile(const WireTraceFile&) = delete;
  WireTraceFile& operator=(const WireTraceFile&) = delete;

  // Opens `path` for appending (see core::AppendFile); the trace adds to what it holds.
  core::FileError Open(const std::string& path);
  void OnByte(WireDirection direction, int byte, bool ok) override;
  void OnCable(WireDirection direction, const std::uint8_t* bytes, std::size_t count) override;
  void Flush();
  const std::string& path() const { return file_.path(); }
  // The failed write, if one failed.
  const core::FileError& error() const { return error_; }

 private:
  void Drain();

  std::ostringstream text_;
  WireTraceWriter writer_{text_};
  core::AppendFile file_;
  core::FileError error_;
};

}  // namespace vn::link
