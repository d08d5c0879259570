// The virtual module's peripherals: what a real module's hardware would do with the program's
// I/O statements, as plain objects that tests, the command line and the IDE observe and drive.
//
// The program side (the interpreter) drives outputs and reads inputs; the outside (a test, the
// command line, the IDE) sets inputs and watches the event log or a listener. Nothing here
// prints or sleeps: time is the virtual clock `now_us`, which the interpreter advances.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vn::sim {

// A character display of rows x columns cells. Bytes are stored as the program sends them
// (a Korean character is two bytes and takes two cells).
class Display {
 public:
  Display(int rows, int cols);

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  int cursor_row() const { return row_; }
  int cursor_col() const { return col_; }
  bool cursor_visible() const { return cursor_visible_; }

  void Clear();
  // Moves the cursor; positions beyond the display are clamped to its last cell.
  void Locate(int col, int row);
  // Writes one character at the cursor and advances it; past the last column the cursor
  // continues on the next row, and past the last row on the first.
  void Put(std::uint8_t ch);
  void SetCursorVisible(bool on) { cursor_visible_ = on; }

  // One row with its trailing blanks removed.
  std::string Line(int row) const;
  // All rows, each without trailing blanks, joined by '\n'.
  std::string Text() const;

 private:
  int rows_, cols_;
  int row_ = 0, col_ = 0;
  bool cursor_visible_ = false;
  std::vector<std::string> cells_;
};

enum class IoEventKind {
  kPortLevel,     // port drives `value` (0 or 1)
  kPortInput,     // port switched to input
  kBlockOut,      // BYTEOUT: block `port`, byte `value`
  kPwm,           // port, duty `value`, third argument `extra`
  kPwmOff,        // port
  kPulse,         // PULSE: port, `value` pulses
  kPulseOut,      // SERVO / PULSEOUT: port, width `value`
  kFreqOut,       // port, `value`
  kStepOut,       // port, width `value`, length `extra`
  kShiftOut,      // clock port, data port `extra`, `value` shifted, `text` "bits=N mode=M"
  kDacOut,        // port, `value`, `extra`
  kNote,          // port, note code `value` (255 rest), length code `extra`
  kDisplayText,   // `text` written at row `port`, column `value`
  kDisplayClear,  //
  kDisplayCursor, // cursor shown (`value` 1) or hidden (0)
  kSerialOut,     // `text` bytes sent on port `port` (-1: the hardware serial port)
  kBusOut,        // `text` bytes sent on the bus
  kEepromWrite,   // address `port`, byte `value`
  kSetting,       // `text` names the setting ("bus", "rs232"), `value` its code
};

struct IoEvent {
  std::uint64_t time_us = 0;
  IoEventKind kind = IoEventKind::kPortLevel;
  int port = 0;
  long value = 0;
  long extra = 0;
  std::string text;
};

const char* IoEventKindName(IoEventKind kind);

// One note of PLAY, BEEP or SOUND with what it sounds like.
struct Note {
  std::uint64_t time_us = 0;
  int port = 0;
  int code = 0;         // note code (255: a rest)
  int length = 0;       // length code
  double frequency_hz = 0;
  std::uint64_t duration_us = 0;
};

class MachineIo {
 public:
  static constexpr int kPorts = 65;           // ports 0..64
  static constexpr int kBlocks = 9;           // BYTEOUT / BYTEIN blocks of 8 ports
  static constexpr long kEepromSize = 65536;
  static constexpr size_t kMaxEvents = 100000;     // the log keeps the first ones
  static constexpr size_t kMaxSerialInput = 65536;
  static constexpr size_t kMaxSerialOutput = 1 << 20;
  static constexpr size_t kMaxEdges = 256;

  MachineIo(int display_rows = 4, int display_cols = 20);

  // ---- The virtual clock (advanced by the interpreter) ----------------------------------------
  std::uint64_t now_us = 0;

  // ---- Observation ------------------------------------------------------------------------------
  // Called for every event as it happens (after it is logged).
  void SetListener(std::function<void(const IoEvent&)> listener) { listener_ = std::move(listener); }
  const std::vector<IoEvent>& events() const { return events_; }
  size_t events_dropped() const { return events_dropped_; }
  void ClearEvents() { events_.clear(); events_dropped_ = 0; }

  const Display& display() const { return display_; }
  Display& display() { return display_; }
  const std::vector<Note>& notes() const { return notes_; }
  // Every byte sent by SEROUT and PUT, in order; per port with SerialOutput(port).
  const std::string& serial_output() const { return serial_out_; }
  std::string SerialOutput(int port) const;
  const std::string& bus_output() const { return bus_out_; }
  bool serial_output_truncated() const { return serial_out_truncated_; }

  // ---- Ports ------------------------------------------------------------------------------------
  // What the program reads with IN: the driven level of an output, the outside level of an input.
  int Level(int port) const;
  int OutputLevel(int port) const;   // the output latch (OUTSTAT)
  bool IsOutput(int port) const;
  int InputLevel(int port) const;
  // Sets the level the outside world applies to a port (inputs start at 1: pulled up; a key
  // pressed pulls its port to 0). A change is an edge for ON INT.
  void SetInput(int port, int level);

  // ---- Other inputs set from outside --------------------------------------------------------------
  void SetAdc(int channel, int value);
  int Adc(int channel) const;
  void SetAdKey(int channel, int key);         // ADKEYIN
  int AdKey(int channel) const;
  void SetKeypad(int block, int key);          // PADIN, EPADIN
  int Keypad(int block) const;
  void SetCounter(int counter, long value);    // COUNT(0), COUNT(1)
  long Counter(int counter) const;
  void SetCapture(int port, long value);       // CAPTURE
  long Capture(int port) const;
  void SetShiftIn(long value) { shift_in_ = value; }  // SHIFTIN
  long shift_in() const { return shift_in_; }
  // An interrupt request on line 0 or 1 (ON INT of the VNM series).
  void TriggerInterrupt(int line);
  // Bytes arriving on the serial input (SERIN, GET, ON RECV); false when the buffer is full.
  bool PushSerialInput(std::string_view bytes);
  const std::deque<std::uint8_t>& serial_input() const { return serial_in_; }

  // Runs `action` once the virtual clock reaches `at_us` (an input that arrives later).
  void Schedule(std::uint64_t at_us, std::function<void(MachineIo&)> action);
  // The earliest scheduled time, or UINT64_MAX.
  std::uint64_t NextScheduled() const;
  bool HasScheduled() const { return !scheduled_.empty(); }
  // Runs every action due at `now_us`.
  void RunScheduled();

  // ---- EEPROM (erased bytes read &HFF) ----------------------------------------------------------
  int EepromByte(long addr) const;   // -1 outside the EEPROM
  bool SetEepromByte(long addr, std::uint8_t value);  // from outside, no event

  // ---- The program side ---------------------------------------------------------------------------
  void DriveLevel(int port, int level);
  void Toggle(int port);
  void BlockOut(int block, std::uint8_t value);
  int BlockIn(int block) const;
  void Record(IoEventKind kind, int port, long value, long extra = 0, std::string text = {});
  void PlayNote(int port, int code, int length, std::uint64_t duration_us);
  void SendSerial(int port, std::string_view bytes);
  void SendBus(std::string_view bytes);
  bool WriteEeprom(long addr, std::uint8_t value);
  void DisplayWrite(std::string_view text);
  void DisplayClear();
  void DisplayLocate(int col, int row);
  void DisplayCursor(bool on);
  void DisplayInit();
  // Serial input as the program consumes it.
  std::deque<std::uint8_t>& serial_in() { return serial_in_; }

  // Events that the interpreter must look at (edges, interrupt requests, serial input, a new
  // schedule). It clears the flag when it has looked.
  bool attention = false;
  std::vector<std::pair<int, int>> TakeEdges();
  // Interrupt requests per line since the last call.
  std::array<int, 2> TakeInterruptRequests();

 private:
  void Emit(IoEvent event);

  Display display_;
  std::array<std::uint8_t, kPorts> out_level_{};
  std::array<bool, kPorts> is_output_{};
  std::array<std::uint8_t, kPorts> in_level_{};
  std::array<int, kPorts> adc_{};
  std::array<int, kPorts> adkey_{};
  std::array<int, 256> keypad_{};
  std::array<long, 2> counters_{};
  std::array<long, kPorts> capture_{};
  long shift_in_ = 0;
  std::array<int, 2> int_requests_{};
  std::vector<std::pair<int, int>> edges_;
  std::deque<std::uint8_t> serial_in_;
  std::string serial_out_;
  std::vector<std::pair<int, std::uint8_t>> serial_out_ports_;  // port of each byte
  bool serial_out_truncated_ = false;
  std::string bus_out_;
  std::vector<std::uint8_t> eeprom_;
  std::vector<IoEvent> events_;
  size_t events_dropped_ = 0;
  std::vector<Note> notes_;
  std::multimap<std::uint64_t, std::function<void(MachineIo&)>> scheduled_;
  std::function<void(const IoEvent&)> listener_;
};

}  // namespace vn::sim
