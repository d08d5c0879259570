// A pseudo-terminal pair: this side keeps the master; PC-side programs open the other side by
// its path, as they would open a serial adapter's /dev/ttyUSB0.
#pragma once

#include <string>
#include <string_view>

namespace vn::platform {

class PseudoTerminal {
 public:
  // Opens a pair in raw mode (no echo, no line editing, no CR/LF translation); on failure the
  // terminal is not open and `error` holds the system's reason.
  static PseudoTerminal Open(std::string* error);

  PseudoTerminal() = default;
  PseudoTerminal(PseudoTerminal&& other) noexcept;
  PseudoTerminal& operator=(PseudoTerminal&& other) noexcept;
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  ~PseudoTerminal();

  bool is_open() const { return master_ >= 0; }
  // "/dev/pts/N".
  const std::string& path() const { return path_; }

  // What the other side wrote, without waiting; empty when nothing is there.
  std::string ReadAvailable();
  // Writes without waiting; returns how many bytes went (fewer when the terminal is full).
  size_t Write(std::string_view bytes);
  // The master's descriptor, to wait on (poll, QSocketNotifier) for what the other side writes;
  // -1 when not open.
  int fd() const { return master_; }

 private:
  void Close();
  int master_ = -1;
  int slave_ = -1;  // kept open so that the master never sees a hang-up
  std::string path_;
};

}  // namespace vn::platform
