#include "platform/pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace vn::platform {
namespace {

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Both ends byte for byte: no echo, no line editing, no CR/LF translation, no signals.
bool MakeRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

PseudoTerminal PseudoTerminal::Open(std::string* error) {
  PseudoTerminal t;
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    if (error) *error = Reason("posix_openpt");
    return t;
  }
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    if (error) *error = Reason("pseudo-terminal");
    close(master);
    return t;
  }
  // Our own descriptor of the other side, held as long as the terminal lives: without it the
  // master reads EIO (a hang-up) whenever no PC-side program has the path open, before the first
  // one opens it and after each one closes it.
  const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (slave < 0) {
    if (error) *error = Reason(name);
    close(master);
    return t;
  }
  if (!MakeRaw(slave) || fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
    if (error) *error = Reason(name);
    close(slave);
    close(master);
    return t;
  }
  t.master_ = master;
  t.slave_ = slave;
  t.path_ = name;
  return t;
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      path_(std::move(other.path_)) {}

PseudoTerminal& PseudoTerminal::operator=(PseudoTerminal&& other) noexcept {
  if (this != &other) {
    Close();
    master_ = std::exchange(other.master_, -1);
    slave_ = std::exchange(other.slave_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

PseudoTerminal::~PseudoTerminal() { Close(); }

void PseudoTerminal::Close() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

std::string PseudoTerminal::ReadAvailable() {
  std::string out;
  if (master_ < 0) return out;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EAGAIN: nothing more now
  }
  return out;
}

size_t PseudoTerminal::Write(std::string_view bytes) {
  size_t done = 0;
  while (master_ >= 0 && done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    break;  // EAGAIN: the terminal is full
  }
  return done;
}

}  // namespace vn::platform
