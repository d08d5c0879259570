#include "link/wire_trace.h"

namespace vn::link {

namespace {

void AppendHex(std::string& line, int byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  line += ' ';
  line += kDigits[(byte >> 4) & 15];
  line += kDigits[byte & 15];
}

}  // namespace

void WireTraceWriter::Turn(WireDirection direction) {
  if (direction == direction_) return;
  Flush();
  direction_ = direction;
}

void WireTraceWriter::EndProtocolLine() {
  if (protocol_count_ == 0) return;
  out_ << (direction_ == WireDirection::kSent ? ">" : "<") << protocol_line_ << '\n';
  protocol_line_.clear();
  protocol_count_ = 0;
}

void WireTraceWriter::EndCableLine() {
  if (cable_count_ == 0) return;
  out_ << (direction_ == WireDirection::kSent ? "usb>" : "usb<") << cable_line_ << '\n';
  cable_line_.clear();
  cable_count_ = 0;
}

void WireTraceWriter::Flush() {
  if (direction_ == WireDirection::kSent) {
    EndProtocolLine();
    EndCableLine();
  } else {
    EndCableLine();
    EndProtocolLine();
  }
  out_.flush();
}

void WireTraceWriter::OnByte(WireDirection direction, int byte, bool ok) {
  Turn(direction);
  if (byte < 0 || byte > 255) {
    protocol_line_ += " --";
  } else {
    AppendHex(protocol_line_, byte);
    if (!ok) protocol_line_ += '!';
  }
  if (++protocol_count_ == kBytesPerLine) EndProtocolLine();
}

void WireTraceWriter::OnCable(WireDirection direction, const std::uint8_t* bytes, std::size_t count) {
  Turn(direction);
  for (std::size_t i = 0; i < count; ++i) {
    AppendHex(cable_line_, bytes[i]);
    if (++cable_count_ == kCableBytesPerLine) EndCableLine();
  }
}

core::FileError WireTraceFile::Open(const std::string& path) {
  error_ = {};
  return file_.Open(path);
}

void WireTraceFile::OnByte(WireDirection direction, int byte, bool ok) {
  writer_.OnByte(direction, byte, ok);
  Drain();
}

void WireTraceFile::OnCable(WireDirection direction, const std::uint8_t* bytes, std::size_t count) {
  writer_.OnCable(direction, bytes, count);
  Drain();
}

void WireTraceFile::Flush() {
  writer_.Flush();
  Drain();
}

void WireTraceFile::Drain() {
  std::string lines = text_.str();
  if (lines.empty()) return;
  text_.str({});
  if (!error_.ok() || !file_.is_open()) return;
  error_ = file_.Append(lines);
}

}  // namespace vn::link
