// Replacing files whole.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"

namespace vn::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AtomicFile, ReplacesALongerFileWholeAndLeavesNothingBeside) {
  const fs::path dir = fs::temp_directory_path() / ("vn_atomic_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "a.obj";
  std::ofstream(file) << "a much longer earlier content";
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A file named like a temporary one is the user's and stays untouched.
  std::ofstream(dir / "a.obj.part") << "mine";

  ASSERT_TRUE(ReplaceFile(file.string(), std::string("new\0x", 5)));
  EXPECT_EQ(ReadAll(file), std::string("new\0x", 5));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(ReadAll(dir / "a.obj.part"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

  // A directory that does not exist: false, and nothing is created.
  EXPECT_FALSE(ReplaceFile((dir / "missing" / "b.obj").string(), "x"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vn::platform
