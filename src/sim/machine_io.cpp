#include "sim/machine_io.h"

#include <algorithm>
#include <cstdint>

#include "isa/isa.h"

namespace vn::sim {

// ---- Display --------------------------------------------------------------------------------------

Display::Display(int rows, int cols) : rows_(std::max(1, rows)), cols_(std::max(1, cols)) { Clear(); }

void Display::Clear() {
  cells_.assign(static_cast<size_t>(rows_), std::string(static_cast<size_t>(cols_), ' '));
  row_ = 0;
  col_ = 0;
}

void Display::Locate(int col, int row) {
  col_ = std::clamp(col, 0, cols_ - 1);
  row_ = std::clamp(row, 0, rows_ - 1);
}

void Display::Put(std::uint8_t ch) {
  cells_[static_cast<size_t>(row_)][static_cast<size_t>(col_)] = static_cast<char>(ch);
  if (++col_ < cols_) return;
  col_ = 0;
  row_ = (row_ + 1) % rows_;
}

std::string Display::Line(int row) const {
  if (row < 0 || row >= rows_) return {};
  std::string s = cells_[static_cast<size_t>(row)];
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string Display::Text() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    if (r > 0) out += '\n';
    out += Line(r);
  }
  return out;
}

// ---- Events ---------------------------------------------------------------------------------------

const char* IoEventKindName(IoEventKind kind) {
  switch (kind) {
    case IoEventKind::kPortLevel: return "port";
    case IoEventKind::kPortInput: return "input";
    case IoEventKind::kBlockOut: return "byteout";
    case IoEventKind::kPwm: return "pwm";
    case IoEventKind::kPwmOff: return "pwmoff";
    case IoEventKind::kPulse: return "pulse";
    case IoEventKind::kPulseOut: return "pulseout";
    case IoEventKind::kFreqOut: return "freqout";
    case IoEventKind::kStepOut: return "stepout";
    case IoEventKind::kShiftOut: return "shiftout";
    case IoEventKind::kDacOut: return "dacout";
    case IoEventKind::kNote: return "note";
    case IoEventKind::kDisplayText: return "display";
    case IoEventKind::kDisplayClear: return "cls";
    case IoEventKind::kDisplayCursor: return "cursor";
    case IoEventKind::kSerialOut: return "serial";
    case IoEventKind::kBusOut: return "bus";
    case IoEventKind::kEepromWrite: return "eeprom";
    case IoEventKind::kSetting: return "set";
  }
  return "?";
}

MachineIo::MachineIo(int display_rows, int display_cols)
    : display_(display_rows, display_cols), eeprom_(static_cast<size_t>(kEepromSize), 0xFF) {
  in_level_.fill(1);
}

void MachineIo::Emit(IoEvent event) {
  event.time_us = now_us;
  if (events_.size() < kMaxEvents) {
    events_.push_back(event);
  } else {
    ++events_dropped_;
  }
  if (listener_) listener_(event);
}

void MachineIo::Record(IoEventKind kind, int port, long value, long extra, std::string text) {
  IoEvent e;
  e.kind = kind;
  e.port = port;
  e.value = value;
  e.extra = extra;
  e.text = std::move(text);
  Emit(std::move(e));
}

// ---- Ports ----------------------------------------------------------------------------------------

namespace {
bool ValidPort(int port) { return port >= 0 && port < MachineIo::kPorts; }
}  // namespace

int MachineIo::Level(int port) const {
  if (!ValidPort(port)) return 0;
  return is_output_[static_cast<size_t>(port)] ? out_level_[static_cast<size_t>(port)] : in_level_[static_cast<size_t>(port)];
}

int MachineIo::OutputLevel(int port) const { return ValidPort(port) ? out_level_[static_cast<size_t>(port)] : 0; }
bool MachineIo::IsOutput(int port) const { return ValidPort(port) && is_output_[static_cast<size_t>(port)]; }
int MachineIo::InputLevel(int port) const { return ValidPort(port) ? in_level_[static_cast<size_t>(port)] : 0; }

void MachineIo::SetInput(int port, int level) {
  if (!ValidPort(port)) return;
  const std::uint8_t v = level != 0 ? 1 : 0;
  auto& cur = in_level_[static_cast<size_t>(port)];
  if (cur == v) return;
  cur = v;
  if (edges_.size() < kMaxEdges) edges_.emplace_back(port, v);
  attention = true;
}

void MachineIo::DriveLevel(int port, int level) {
  if (!ValidPort(port)) return;
  const auto p = static_cast<size_t>(port);
  const std::uint8_t v = level != 0 ? 1 : 0;
  if (is_output_[p] && out_level_[p] == v) return;
  is_output_[p] = true;
  out_level_[p] = v;
  Record(IoEventKind::kPortLevel, port, v);
}

void MachineIo::Toggle(int port) {
  if (!ValidPort(port)) return;
  DriveLevel(port, out_level_[static_cast<size_t>(port)] ? 0 : 1);
}

void MachineIo::BlockOut(int block, std::uint8_t value) {
  if (block < 0 || block >= kBlocks) return;
  for (int bit = 0; bit < 8; ++bit) {
    const int port = block * 8 + bit;
    if (!ValidPort(port)) continue;
    is_output_[static_cast<size_t>(port)] = true;
    out_level_[static_cast<size_t>(port)] = (value >> bit) & 1;
  }
  Record(IoEventKind::kBlockOut, block, value);
}

int MachineIo::BlockIn(int block) const {
  int v = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (Level(block * 8 + bit) != 0) v |= 1 << bit;
  return v;
}

// ---- Other inputs -------------------------------------------------------------------------------

void MachineIo::SetAdc(int channel, int value) {
  if (ValidPort(channel)) adc_[static_cast<size_t>(channel)] = value;
}
int MachineIo::Adc(int channel) const { return ValidPort(channel) ? adc_[static_cast<size_t>(channel)] : 0; }
void MachineIo::SetAdKey(int channel, int key) {
  if (ValidPort(channel)) adkey_[static_cast<size_t>(channel)] = key;
}
int MachineIo::AdKey(int channel) const { return ValidPort(channel) ? adkey_[static_cast<size_t>(channel)] : 0; }
void MachineIo::SetKeypad(int block, int key) {
  if (block >= 0 && block < 256) keypad_[static_cast<size_t>(block)] = key;
}
int MachineIo::Keypad(int block) const { return block >= 0 && block < 256 ? keypad_[static_cast<size_t>(block)] : 0; }
void MachineIo::SetCounter(int counter, long value) {
  if (counter == 0 || counter == 1) counters_[static_cast<size_t>(counter)] = value;
}
long MachineIo::Counter(int counter) const {
  return counter == 0 || counter == 1 ? counters_[static_cast<size_t>(counter)] : 0;
}
void MachineIo::SetCapture(int port, long value) {
  if (ValidPort(port)) capture_[static_cast<size_t>(port)] = value;
}
long MachineIo::Capture(int port) const { return ValidPort(port) ? capture_[static_cast<size_t>(port)] : 0; }

void MachineIo::TriggerInterrupt(int line) {
  if (line != 0 && line != 1) return;
  ++int_requests_[static_cast<size_t>(line)];
  attention = true;
}

bool MachineIo::PushSerialInput(std::string_view bytes) {
  if (serial_in_.size() + bytes.size() > kMaxSerialInput) return false;
  for (char c : bytes) serial_in_.push_back(static_cast<std::uint8_t>(c));
  attention = true;
  return true;
}

std::vector<std::pair<int, int>> MachineIo::TakeEdges() {
  std::vector<std::pair<int, int>> out;
  out.swap(edges_);
  return out;
}

std::array<int, 2> MachineIo::TakeInterruptRequests() {
  const auto r = int_requests_;
  int_requests_ = {};
  return r;
}

void MachineIo::Schedule(std::uint64_t at_us, std::function<void(MachineIo&)> action) {
  scheduled_.emplace(at_us, std::move(action));
  attention = true;
}

std::uint64_t MachineIo::NextScheduled() const {
  return scheduled_.empty() ? UINT64_MAX : scheduled_.begin()->first;
}

void MachineIo::RunScheduled() {
  while (!scheduled_.empty() && scheduled_.begin()->first <= now_us) {
    auto action = std::move(scheduled_.begin()->second);
    scheduled_.erase(scheduled_.begin());
    if (action) action(*this);
  }
}

// ---- Outputs --------------------------------------------------------------------------------------

void MachineIo::PlayNote(int port, int code, int length, std::uint64_t duration_us) {
  Note n;
  n.time_us = now_us;
  n.port = port;
  n.code = code;
  n.length = length;
  // Note codes are periods: a larger code is a lower note, the code 119 is about 525 Hz.
  n.frequency_hz = code == isa::kRestNote || code == 0 ? 0.0 : 62500.0 / code;
  n.duration_us = duration_us;
  if (notes_.size() < kMaxEvents) notes_.push_back(n);
  Record(IoEventKind::kNote, port, code, length);
}

void MachineIo::SendSerial(int port, std::string_view bytes) {
  for (char c : bytes) {
    if (serial_out_.size() >= kMaxSerialOutput) {
      serial_out_truncated_ = true;
      break;
    }
    serial_out_.push_back(c);
    serial_out_ports_.emplace_back(port, static_cast<std::uint8_t>(c));
  }
  Record(IoEventKind::kSerialOut, port, static_cast<long>(bytes.size()), 0, std::string(bytes));
}

std::string MachineIo::SerialOutput(int port) const {
  std::string out;
  for (const auto& [p, b] : serial_out_ports_)
    if (p == port) out.push_back(static_cast<char>(b));
  return out;
}

void MachineIo::SendBus(std::string_view bytes) {
  if (bus_out_.size() + bytes.size() <= kMaxSerialOutput) bus_out_.append(bytes);
  Record(IoEventKind::kBusOut, 0, static_cast<long>(bytes.size()), 0, std::string(bytes));
}

int MachineIo::EepromByte(long addr) const {
  return addr >= 0 && addr < kEepromSize ? eeprom_[static_cast<size_t>(addr)] : -1;
}

bool MachineIo::SetEepromByte(long addr, std::uint8_t value) {
  if (addr < 0 || addr >= kEepromSize) return false;
  eeprom_[static_cast<size_t>(addr)] = value;
  return true;
}

bool MachineIo::WriteEeprom(long addr, std::uint8_t value) {
  if (!SetEepromByte(addr, value)) return false;
  Record(IoEventKind::kEepromWrite, static_cast<int>(addr), value);
  return true;
}

void MachineIo::DisplayWrite(std::string_view text) {
  const int row = display_.cursor_row();
  const int col = display_.cursor_col();
  for (char c : text) display_.Put(static_cast<std::uint8_t>(c));
  Record(IoEventKind::kDisplayText, row, col, 0, std::string(text));
}

void MachineIo::DisplayClear() {
  display_.Clear();
  Record(IoEventKind::kDisplayClear, 0, 0);
}

void MachineIo::DisplayLocate(int col, int row) { display_.Locate(col, row); }

void MachineIo::DisplayCursor(bool on) {
  display_.SetCursorVisible(on);
  Record(IoEventKind::kDisplayCursor, 0, on ? 1 : 0);
}

void MachineIo::DisplayInit() {
  display_.Clear();
  display_.SetCursorVisible(false);
  Record(IoEventKind::kDisplayClear, 0, 0);
}

}  // namespace vn::sim
