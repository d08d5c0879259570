// The virtual module's panel without its widgets: what the dock shows of the running program's
// peripherals (the display, the port levels, the serial output) and the inputs it sets.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vn::platform {
class CodePage;
}
namespace vn::sim {
class Board;
}

namespace vn::shell {

struct PortLamp {
  int port = 0;
  bool output = false;  // driven by the program; else an input
  int level = 0;        // what the program reads with IN
  bool operator==(const PortLamp&) const = default;
};

class VirtualModulePanel {
 public:
  // `io` gives the peripherals of the program in the module, or null while there is none.
  explicit VirtualModulePanel(std::function<sim::Board*()> io);
  ~VirtualModulePanel();

  bool has_program() const { return io() != nullptr; }
  // The display's rows as UTF-8, each padded with blanks to the display's width.
  std::vector<std::string> DisplayLines() const;
  // Every port with its direction and level.
  std::vector<PortLamp> Ports() const;
  // The serial output that came since the last call, as UTF-8 text (CR LF, CR and LF as line
  // ends, other control bytes as "<0B>"). `restart` is set when the output started again
  // from the beginning (a new program), so the shown text is to be cleared first.
  std::string TakeSerialText(bool& restart);

  // Presses or releases the input on `port` (its outside level 1 <-> 0). False without a
  // program or for a port the module does not have.
  bool ToggleInput(int port);
  // Bytes typed for the serial input (UTF-8, sent in code page 949) followed by CR (13).
  // False when there is no program or the input buffer is full.
  bool SendSerial(const std::string& utf8);

 private:
  sim::Board* io() const { return io_ ? io_() : nullptr; }

  std::function<sim::Board*()> io_;
  std::unique_ptr<platform::CodePage> code_page_;
  const sim::Board* serial_source_ = nullptr;
  size_t serial_shown_ = 0;  // bytes of the serial output already handed out
};

}  // namespace vn::shell
