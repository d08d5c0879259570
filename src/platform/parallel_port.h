// Byte access to the three registers of a PC parallel port (data at the base address, status
// at base + 1, control at base + 2). Linux reaches them through the ppdev driver
// (/dev/parportN); a port that ppdev does not know is reached with direct port I/O where the
// process is allowed it (ioperm needs CAP_SYS_RAWIO), and only at the three addresses a PC
// gives its parallel ports.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
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

// The base addresses of LPT1, LPT2 and LPT3. Direct port I/O is allowed at these only: the
// settings file can name any number, and three registers at an arbitrary address can be
// anything (at &HCF7 the third is the reset control of many PCs' chipsets).
inline constexpr std::array<int, 3> kStandardParallelBases = {0x378, 0x278, 0x3BC};
bool IsStandardParallelBase(int base);

// The number N of the ppdev device /dev/parportN whose base address is `base`, as the parport
// driver lists it under `proc_root` (normally /proc/sys/dev/parport); nullopt when none is.
std::optional<int> FindParportByBase(const std::filesystem::path& proc_root, int base);

// Direct access to I/O ports: the permission call and the byte reads and writes. The system's
// (ioperm, inb, outb) by default; tests put their own in so that nothing reaches the hardware.
class DirectPortIo {
 public:
  virtual ~DirectPortIo() = default;
  // ioperm's contract: access to `count` ports from `from` on (`on`) or off; 0 = granted.
  virtual int Permission(unsigned long from, unsigned long count, bool on) = 0;
  virtual std::uint8_t In(unsigned short port) = 0;
  virtual void Out(unsigned short port, std::uint8_t value) = 0;
};
std::unique_ptr<DirectPortIo> SystemDirectPortIo();

class SystemParallelPort final : public ParallelPort {
 public:
  enum class Access { kNone, kPpdev, kDirect };

  // The parport driver's listing and the system's direct port I/O.
  SystemParallelPort();
  SystemParallelPort(std::filesystem::path parport_root, std::unique_ptr<DirectPortIo> direct);
  ~SystemParallelPort() override;
  SystemParallelPort(const SystemParallelPort&) = delete;
  SystemParallelPort& operator=(const SystemParallelPort&) = delete;

  // ppdev first; direct port I/O only at a standard base (anything else is refused before any
  // permission is asked for).
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

  std::filesystem::path parport_root_;
  std::unique_ptr<DirectPortIo> direct_;  // null where the processor has no port I/O
  Access access_ = Access::kNone;
  int base_ = 0;
  int fd_ = -1;
  std::string device_;
};

}  // namespace vn::platform
