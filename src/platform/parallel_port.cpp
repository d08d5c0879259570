#include "platform/parallel_port.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VN_HAVE_PORT_IO 1
#else
#define VN_HAVE_PORT_IO 0
#endif

namespace vn::platform {

std::optional<int> FindParportByBase(const std::filesystem::path& proc_root, int base) {
  std::error_code ec;
  std::optional<int> found;
  for (const auto& entry : std::filesystem::directory_iterator(proc_root, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("parport", 0) != 0 || name.size() == 7) continue;
    const std::string digits = name.substr(7);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 4) continue;
    std::ifstream in(entry.path() / "base-addr");
    long listed = -1;
    if (!(in >> listed) || listed != base) continue;
    const int n = std::stoi(digits);
    // Lowest number first, so that the choice does not depend on the directory's order.
    if (!found || n < *found) found = n;
  }
  return found;
}

SystemParallelPort::~SystemParallelPort() { Close(); }

bool SystemParallelPort::Open(int base) {
  Close();
  if (base < 0 || base > 0xFFFF - 2) return false;
  return OpenPpdev(base) || OpenDirect(base);
}

bool SystemParallelPort::OpenPpdev(int base) {
  const auto n = FindParportByBase("/proc/sys/dev/parport", base);
  if (!n) return false;
  const std::string path = "/dev/parport" + std::to_string(*n);
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  if (::ioctl(fd, PPCLAIM) != 0) {
    ::close(fd);
    return false;
  }
  int forward = 0;  // the data lines drive the cable
  ::ioctl(fd, PPDATADIR, &forward);
  fd_ = fd;
  base_ = base;
  device_ = path;
  access_ = Access::kPpdev;
  return true;
}

bool SystemParallelPort::OpenDirect(int base) {
#if VN_HAVE_PORT_IO
  if (::ioperm(static_cast<unsigned long>(base), 3, 1) != 0) return false;
  base_ = base;
  access_ = Access::kDirect;
  return true;
#else
  (void)base;
  return false;
#endif
}

void SystemParallelPort::Close() {
  if (access_ == Access::kPpdev) {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
    device_.clear();
  }
#if VN_HAVE_PORT_IO
  if (access_ == Access::kDirect) ::ioperm(static_cast<unsigned long>(base_), 3, 0);
#endif
  access_ = Access::kNone;
}

void SystemParallelPort::Write(int port, std::uint8_t value) {
  const int reg = port - base_;
  if (access_ == Access::kNone || reg < 0 || reg > 2) return;
  if (access_ == Access::kPpdev) {
    unsigned char v = value;
    if (reg == 0) ::ioctl(fd_, PPWDATA, &v);
    if (reg == 2) ::ioctl(fd_, PPWCONTROL, &v);
    return;  // the status register has no write side
  }
#if VN_HAVE_PORT_IO
  ::outb(value, static_cast<unsigned short>(port));
#endif
}

std::uint8_t SystemParallelPort::Read(int port) {
  const int reg = port - base_;
  if (access_ == Access::kNone || reg < 0 || reg > 2) return 0xFF;
  if (access_ == Access::kPpdev) {
    unsigned char v = 0xFF;
    static constexpr unsigned long kRequests[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    ::ioctl(fd_, kRequests[reg], &v);
    return v;
  }
#if VN_HAVE_PORT_IO
  return ::inb(static_cast<unsigned short>(port));
#else
  return 0xFF;
#endif
}

}  // namespace vn::platform
