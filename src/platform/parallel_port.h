// Byte access to the three registers of a PC parallel port (data at the base address, status
// at base + 1, control at base + 2). Linux reaches them through the ppdev driver
// (/dev/parportN); a port that ppdev does not know is reached with direct port I/O where the
// process is allowed it (ioperm needs CAP_SYS_RAWIO).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vn::platform {

class ParallelPort {
 public:
  virtual ~ParallelPort() = default;
  // Gains access to the port whose data register is at `base`; false when it cannot be had.
  virtual bool Open(int base) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // `port` is an absolute I/O address. Ports other than the three registers of the open
  // port are ignored on write and read as &HFF, as an empty bus would.
  virtual void Write(int port, std::uint8_t value) = 0;
  virtual std::uint8_t Read(int port) = 0;
};

// The number N of the ppdev device /dev/parportN whose base address is `base`, as the parport
// driver lists it under `proc_root` (normally /proc/sys/dev/parport); nullopt when none is.
std::optional<int> FindParportByBase(const std::filesystem::path& proc_root, int base);

class SystemParallelPort final : public ParallelPort {
 public:
  enum class Access { kNone, kPpdev, kDirect };

  SystemParallelPort() = default;
  ~SystemParallelPort() override;
  SystemParallelPort(const SystemParallelPort&) = delete;
  SystemParallelPort& operator=(const SystemParallelPort&) = delete;

  bool Open(int base) override;
  void Close() override;
  bool IsOpen() const override { return access_ != Access::kNone; }
  void Write(int port, std::uint8_t value) override;
  std::uint8_t Read(int port) override;

  Access access() const { return access_; }
  // "/dev/parportN" while ppdev is used, else empty.
  const std::string& device() const { return device_; }

 private:
  bool OpenPpdev(int base);
  bool OpenDirect(int base);

  Access access_ = Access::kNone;
  int base_ = 0;
  int fd_ = -1;
  std::string device_;
};

}  // namespace vn::platform
