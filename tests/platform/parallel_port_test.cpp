// Finding the ppdev device of a port address, a port that is not open, and direct port I/O,
// which is allowed at the three LPT bases only (checked with a stand-in for ioperm/inb/outb,
// so nothing here reaches the hardware).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/parallel_port.h"

namespace vn::platform {
namespace {

namespace fs = std::filesystem;

// Every direct access, as "perm 378 3 on", "out 37A 04", "in 379".
struct FakePortIo final : DirectPortIo {
  explicit FakePortIo(std::vector<std::string>& log, int grant = 0) : log_(log), grant_(grant) {}
  int Permission(unsigned long from, unsigned long count, bool on) override {
    log_.push_back(Format("perm %lX %lu ", from, count) + (on ? "on" : "off"));
    return grant_;
  }
  std::uint8_t In(unsigned short port) override {
    log_.push_back(Format("in %lX", port));
    return 0x5A;
  }
  void Out(unsigned short port, std::uint8_t value) override {
    log_.push_back(Format("out %lX ", port) + Format("%02lX", value));
  }

 private:
  static std::string Format(const char* format, unsigned long a, unsigned long b = 0) {
    char text[40];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
  }
  std::vector<std::string>& log_;
  int grant_;
};

// A scratch listing of the parport driver, empty unless a test adds to it.
class ParportRoot {
 public:
  ParportRoot() : root_(fs::temp_directory_path() / ("vn-parport-" + std::to_string(::getpid()))) {
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  ~ParportRoot() { fs::remove_all(root_); }
  void Add(const std::string& name, const std::string& base_addr) {
    fs::create_directories(root_ / name);
    std::ofstream(root_ / name / "base-addr") << base_addr;
  }
  const fs::path& path() const { return root_; }

 private:
  fs::path root_;
};

TEST(ParallelPort, FindsTheDeviceByItsBaseAddress) {
  ParportRoot root;
  root.Add("parport0", "888\t1912\n");
  root.Add("parport1", "632\t1656\n");
  root.Add("parport3", "888\t0\n");  // two listings of one address: the lower number wins
  root.Add("parportx", "956\n");     // not a ppdev name
  fs::create_directories(root.path() / "default");
  EXPECT_EQ(FindParportByBase(root.path(), 888), 0);
  EXPECT_EQ(FindParportByBase(root.path(), 632), 1);
  EXPECT_EQ(FindParportByBase(root.path(), 956), std::nullopt);
  EXPECT_EQ(FindParportByBase(root.path() / "missing", 888), std::nullopt);
}

TEST(ParallelPort, ClosedPortReadsAsAnEmptyBus) {
  ParportRoot root;
  std::vector<std::string> log;
  SystemParallelPort port(root.path(), std::make_unique<FakePortIo>(log));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open(-1));
  EXPECT_FALSE(port.Open(0xFFFF));
  port.Write(0x378, 0);
  EXPECT_EQ(port.Read(0x379), 0xFF);
  EXPECT_TRUE(log.empty());
}

TEST(ParallelPort, DirectPortIoAtTheLptBasesOnly) {
  struct Case {
    int base;
    bool opens;
  };
  const Case cases[] = {
      {0x378, true}, {0x278, true}, {0x3BC, true},
      // Ioadr=3319: its control register would be &HCF9, the reset control of many chipsets.
      {0xCF7, false}, {0x379, false}, {0x377, false}, {0x27A, false}, {0x3BE, false}, {0x80, false},
      {0, false}, {0xFFFD, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    ParportRoot root;  // no ppdev device serves any address
    std::vector<std::string> log;
    SystemParallelPort port(root.path(), std::make_unique<FakePortIo>(log));
    EXPECT_EQ(port.Open(c.base), c.opens);
    EXPECT_EQ(port.IsOpen(), c.opens);
    EXPECT_EQ(port.access(), c.opens ? SystemParallelPort::Access::kDirect : SystemParallelPort::Access::kNone);
    port.Write(c.base + 2, 4);
    const std::uint8_t status = port.Read(c.base + 1);
    port.Close();
    if (c.opens) {
      char want[4][24];
      std::snprintf(want[0], sizeof want[0], "perm %X 3 on", c.base);
      std::snprintf(want[1], sizeof want[1], "out %X 04", c.base + 2);
      std::snprintf(want[2], sizeof want[2], "in %X", c.base + 1);
      std::snprintf(want[3], sizeof want[3], "perm %X 3 off", c.base);
      EXPECT_EQ(log, (std::vector<std::string>{want[0], want[1], want[2], want[3]}));
      EXPECT_EQ(status, 0x5A);
    } else {
      // Refused before any permission was asked for, and nothing written or read.
      EXPECT_TRUE(log.empty()) << log.front();
      EXPECT_EQ(status, 0xFF);
    }
  }
}

TEST(ParallelPort, ALptBaseWithoutPermissionStaysClosed) {
  ParportRoot root;
  std::vector<std::string> log;
  SystemParallelPort port(root.path(), std::make_unique<FakePortIo>(log, -1));
  EXPECT_FALSE(port.Open(0x378));
  EXPECT_FALSE(port.IsOpen());
  port.Write(0x378, 0);
  port.Close();
  EXPECT_EQ(log, std::vector<std::string>{"perm 378 3 on"});
}

// A listing for an odd address whose device cannot be opened does not open the way to direct
// port I/O there.
TEST(ParallelPort, AListedOddAddressWithoutItsDeviceIsStillRefused) {
  ParportRoot root;
  root.Add("parport9871", "3319\t0\n");  // no /dev/parport9871
  std::vector<std::string> log;
  SystemParallelPort port(root.path(), std::make_unique<FakePortIo>(log));
  EXPECT_EQ(FindParportByBase(root.path(), 3319), 9871);
  EXPECT_FALSE(port.Open(3319));
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace vn::platform
