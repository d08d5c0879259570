// Finding the ppdev device of a port address, and a port that is not open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/parallel_port.h"

namespace vn::platform {
namespace {

namespace fs = std::filesystem;

TEST(ParallelPort, FindsTheDeviceByItsBaseAddress) {
  const fs::path root = fs::temp_directory_path() / ("vn-parport-" + std::to_string(::getpid()));
  fs::remove_all(root);
  auto add = [&root](const std::string& name, const std::string& base_addr) {
    fs::create_directories(root / name);
    std::ofstream(root / name / "base-addr") << base_addr;
  };
  add("parport0", "888\t1912\n");
  add("parport1", "632\t1656\n");
  add("parport3", "888\t0\n");  // two listings of one address: the lower number wins
  add("parportx", "956\n");     // not a ppdev name
  fs::create_directories(root / "default");
  EXPECT_EQ(FindParportByBase(root, 888), 0);
  EXPECT_EQ(FindParportByBase(root, 632), 1);
  EXPECT_EQ(FindParportByBase(root, 956), std::nullopt);
  EXPECT_EQ(FindParportByBase(root / "missing", 888), std::nullopt);
  fs::remove_all(root);
}

TEST(ParallelPort, ClosedPortReadsAsAnEmptyBus) {
  SystemParallelPort port;
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open(-1));
  EXPECT_FALSE(port.Open(0xFFFF));
  port.Write(0x378, 0);
  EXPECT_EQ(port.Read(0x379), 0xFF);
}

}  // namespace
}  // namespace vn::platform
