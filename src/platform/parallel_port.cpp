#include "platform/parallel_port.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define VN_HAVE_PORT_IO 1
#else
#define VN_HAVE_PORT_IO 0
#endif

namespace vn::platform {

namespace {

constexpr int kRegisters = 3;  // data, status, control

#if VN_HAVE_PORT_IO
class SystemPortIo final : public DirectPortIo {
 public:
  int Permission(unsigned long from, unsigned long count, bool on) override {
    return ::ioperm(from, count, on ? 1 : 0);
  }
  std::uint8_t In(unsigned short port) override { return ::inb(port); }
  void Out(unsigned short port, std::uint8_t value) override { ::outb(value, port); }
};
#endif

}  // namespace

bool IsStandardParallelBase(int base) {
  return std::find(kStandardParallelBases.begin(), kStandardParallelBases.end(), base) != kStandardParallelBases.end();
}

std::unique_ptr<DirectPortIo> SystemDirectPortIo() {
#if VN_HAVE_PORT_IO
  return std::make_unique<SystemPortIo>();
#else
  return nullptr;
#endif
}

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

SystemParallelPort::SystemParallelPort() : SystemParallelPort("/proc/sys/dev/parport", SystemDirectPortIo()) {}

SystemParallelPort::SystemParallelPort(std::filesystem::path parport_root, std::unique_ptr<DirectPortIo> direct)
    : parport_root_(std::move(parport_root)), direct_(std::move(direct)) {}

SystemParallelPort::~SystemParallelPort() { Close(); }

bool SystemParallelPort::Open(int base) {
  Close();
  if (base < 0 || base > 0xFFFF - (kRegisters - 1)) return false;
  return OpenPpdev(base) || OpenDirect(base);
}

bool SystemParallelPort::OpenPpdev(int base) {
  const auto n = FindParportByBase(parport_root_, base);
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
  // ppdev would have served a card the parport driver knows at another address; without it,
  // writing to three ports nobody vouches for could reset the machine.
  if (direct_ == nullptr || !IsStandardParallelBase(base)) return false;
  if (direct_->Permission(static_cast<unsigned long>(base), kRegisters, true) != 0) return false;
  base_ = base;
  access_ = Access::kDirect;
  return true;
}

void SystemParallelPort::Close() {
  if (access_ == Access::kPpdev) {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
    device_.clear();
  }
  if (access_ == Access::kDirect) direct_->Permission(static_cast<unsigned long>(base_), kRegisters, false);
  access_ = Access::kNone;
}

void SystemParallelPort::Write(int port, std::uint8_t value) {
  const int reg = port - base_;
  if (access_ == Access::kNone || reg < 0 || reg >= kRegisters) return;
  if (access_ == Access::kPpdev) {
    unsigned char v = value;
    if (reg == 0) ::ioctl(fd_, PPWDATA, &v);
    if (reg == 2) ::ioctl(fd_, PPWCONTROL, &v);
    return;  // the status register has no write side
  }
  direct_->Out(static_cast<unsigned short>(port), value);
}

std::uint8_t SystemParallelPort::Read(int port) {
  const int reg = port - base_;
  if (access_ == Access::kNone || reg < 0 || reg >= kRegisters) return 0xFF;
  if (access_ == Access::kPpdev) {
    unsigned char v = 0xFF;
    static constexpr unsigned long kRequests[] = {PPRDATA, PPRSTATUS, PPRCONTROL};
    ::ioctl(fd_, kRequests[reg], &v);
    return v;
  }
  return direct_->In(static_cast<unsigned short>(port));
}

}  // namespace vn::platform
