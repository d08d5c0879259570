// Finding the ppdev device of a port address, a port that is not open, and direct port I/O at
// the three LPT bases only (with a stand-in for ioperm/inb/outb: nothing reaches the hardware).
#include <gtest/gtest.h>
#include <unistd.h>

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
  FakePortIo(std::vector<std::string>& log, int grant) : log_(log), grant_(grant) {}
  int Permission(unsigned long from, unsigned long count, bool on) override {
    return Log("perm %lX %lu %s", from, count, on ? "on" : "off"), grant_;
  }
  std::uint8_t In(unsigned short port) override { return Log("in %X", port), 0x5A; }
  void Out(unsigned short port, std::uint8_t value) override { Log("out %X %02X", port, value); }
  template <typename... A>
  void Log(const char* format, A... a) {
    char text[40];
    std::snprintf(text, sizeof text, format, a...);
    log_.push_back(text);
  }
  std::vector<std::string>& log_;
  int grant_;
};

TEST(ParallelPort, FindsTheDeviceByItsBaseAddress) {
  const fs::path root = fs::temp_directory_path() / ("vn-parport-" + std::to_string(::getpid()));
  const std::pair<const char*, const char*> listings[] = {
      {"parport0", "888\t1912\n"}, {"parport1", "632\t1656\n"},
      {"parport3", "888\t0\n"},  // two listings of one address: the lower number wins
      {"parportx", "956\n"},     // not a ppdev name
      {"parport9871", "3319\t0\n"}};
  for (auto [name, base] : listings) {
    fs::create_directories(root / name);
    std::ofstream(root / name / "base-addr") << base;
  }
  EXPECT_EQ(FindParportByBase(root, 888), 0);
  EXPECT_EQ(FindParportByBase(root, 632), 1);
  EXPECT_EQ(FindParportByBase(root, 956), std::nullopt);
  EXPECT_EQ(FindParportByBase(root / "missing", 888), std::nullopt);
  // A listing for an odd address whose device cannot be opened (there is no /dev/parport9871)
  // does not open the way to direct port I/O there.
  EXPECT_EQ(FindParportByBase(root, 3319), 9871);
  std::vector<std::string> log;
  SystemParallelPort port(root, std::make_unique<FakePortIo>(log, 0));
  EXPECT_FALSE(port.Open(3319));
  EXPECT_FALSE(port.Open(-1));
  EXPECT_FALSE(port.Open(0xFFFF));
  // A port that is not open reads as an empty bus and writes nowhere.
  port.Write(0x378, 0);
  EXPECT_EQ(port.Read(0x379), 0xFF);
  EXPECT_TRUE(log.empty());
  fs::remove_all(root);
}

TEST(ParallelPort, DirectPortIoAtTheLptBasesOnly) {
  // 3319 (&HCF7): its control register would be &HCF9, the reset control of many chipsets.
  const struct {
    int base, grant;
    bool opens;
  } cases[] = {{0x378, 0, true},  {0x278, 0, true},  {0x3BC, 0, true},  {0x378, -1, false}, {0xCF7, 0, false},
               {0x379, 0, false}, {0x377, 0, false}, {0x27A, 0, false}, {0x3BE, 0, false}, {0x80, 0, false},
               {0, 0, false},     {0xFFFD, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    std::vector<std::string> log;
    SystemParallelPort port(fs::temp_directory_path() / "vn-no-parport", std::make_unique<FakePortIo>(log, c.grant));
    EXPECT_EQ(port.Open(c.base), c.opens);
    EXPECT_EQ(port.IsOpen(), c.opens);
    EXPECT_EQ(port.access(), c.opens ? SystemParallelPort::Access::kDirect : SystemParallelPort::Access::kNone);
    port.Write(c.base + 2, 4);
    const std::uint8_t status = port.Read(c.base + 1);
    port.Close();
    // Other bases are refused before any permission is asked for; nothing is written or read.
    std::vector<std::string> want;
    FakePortIo expected(want, 0);
    if (c.opens || c.grant != 0) expected.Log("perm %X 3 on", c.base);
    if (c.opens) expected.Log("out %X 04", c.base + 2), expected.Log("in %X", c.base + 1);
    if (c.opens) expected.Log("perm %X 3 off", c.base);
    EXPECT_EQ(log, want);
    EXPECT_EQ(status, c.opens ? 0x5A : 0xFF);
  }
}

}  // namespace
}  // namespace vn::platform
