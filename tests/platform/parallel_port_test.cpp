// The ppdev device of a port address, a port not open, direct port I/O at the LPT bases only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/parallel_port.h"

namespace vn::platform {
namespace {

namespace fs = std::filesystem;
using std::to_string;

// Every direct access, as "perm 888 3 on", "out 890 4", "in 889".
struct FakePortIo final : DirectPortIo {
  FakePortIo(std::vector<std::string>& log, int grant) : log_(log), grant_(grant) {}
  int Permission(unsigned long a, unsigned long n, bool on) override {
    return log_.push_back("perm " + to_string(a) + " " + to_string(n) + (on ? " on" : " off")), grant_; }
  std::uint8_t In(unsigned short port) override { return log_.push_back("in " + to_string(port)), 0x5A; }
  void Out(unsigned short port, std::uint8_t v) override { log_.push_back("out " + to_string(port) + " " + to_string(v)); }
  std::vector<std::string>& log_;
  int grant_;
};

TEST(ParallelPort, FindsTheDeviceByItsBaseAddress) {
  const fs::path root = fs::temp_directory_path() / ("vn-parport-" + std::to_string(::getpid()));
  // Two listings of one address: the lower number wins; "parportx" is no ppdev name.
  const std::pair<const char*, const char*> listings[] = {{"parport0", "888\t1912\n"}, {"parport1", "632\t1656\n"},
      {"parport3", "888\t0\n"}, {"parportx", "956\n"}, {"parport9871", "3319\t0\n"}};
  for (auto [name, base] : listings) fs::create_directories(root / name), std::ofstream(root / name / "base-addr") << base;
  // An odd address's listing with no device (no /dev/parport9871) opens no direct port I/O there.
  EXPECT_EQ(std::vector({FindParportByBase(root, 888), FindParportByBase(root, 632), FindParportByBase(root, 956),
                         FindParportByBase(root / "missing", 888), FindParportByBase(root, 3319)}),
            (std::vector<std::optional<int>>{0, 1, std::nullopt, std::nullopt, 9871}));
  std::vector<std::string> log;
  SystemParallelPort port(root, std::make_unique<FakePortIo>(log, 0));
  EXPECT_FALSE(port.Open(3319) || port.Open(-1) || port.Open(0xFFFF));
  port.Write(0x378, 0);  // a port that is not open writes nowhere and reads as an empty bus
  EXPECT_EQ(port.Read(0x379), 0xFF);
  EXPECT_TRUE(log.empty());
  fs::remove_all(root);
}

TEST(ParallelPort, DirectPortIoAtTheLptBasesOnly) {
  // 3319 (&HCF7): its control register would be &HCF9, the reset control of many chipsets.
  const struct { int base, grant; bool opens; } cases[] = {
      {0x378, 0, true},  {0x278, 0, true},  {0x3BC, 0, true},  {0x378, -1, false}, {0xCF7, 0, false}, {0x379, 0, false},
      {0x377, 0, false}, {0x27A, 0, false}, {0x3BE, 0, false}, {0x80, 0, false},   {0, 0, false},     {0xFFFD, 0, false}};
  for (const auto& c : cases) {
    std::vector<std::string> log;
    SystemParallelPort port(fs::temp_directory_path() / "vn-no-parport", std::make_unique<FakePortIo>(log, c.grant));
    EXPECT_EQ(port.Open(c.base), c.opens);
    EXPECT_EQ(port.access(), c.opens ? SystemParallelPort::Access::kDirect : SystemParallelPort::Access::kNone);
    port.Write(c.base + 2, 4);
    EXPECT_EQ(port.Read(c.base + 1), c.opens ? 0x5A : 0xFF);
    port.Close();
    // Other bases are refused before any permission is asked for; nothing is written or read.
    const std::string on = "perm " + to_string(c.base) + " 3 on";
    const auto want = c.opens ? std::vector<std::string>{on, "out " + to_string(c.base + 2) + " 4", "in " + to_string(c.base + 1),
                                                         "perm " + to_string(c.base) + " 3 off"}
                              : std::vector<std::string>(c.grant != 0 ? 1 : 0, on);
    EXPECT_EQ(log, want) << c.base;
  }
}

}  // namespace
}  // namespace vn::platform
