// The appending writer for logs kept while the program runs: what it refuses (as the replacing
// writer does) and that every append lands at the end, after what the file held.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/file_io.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class AppendFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vn_append_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(AppendFileTest, AppendsAfterWhatTheFileHeldAndCreatesAMissingOne) {
  const fs::path kept = dir_ / "kept.txt";
  std::ofstream(kept, std::ios::binary) << "earlier\n";
  AppendFile f;
  ASSERT_TRUE(f.Open(kept.string()).ok());
  EXPECT_TRUE(f.is_open());
  EXPECT_EQ(f.path(), kept.string());
  ASSERT_TRUE(f.Append("> 56\n").ok());
  ASSERT_TRUE(f.Append("< 20 14\n").ok());
  // Written as it goes, not at the close.
  EXPECT_EQ(ReadAll(kept), "earlier\n> 56\n< 20 14\n");
  f.Close();
  EXPECT_FALSE(f.is_open());

  const fs::path fresh = dir_ / "fresh.txt";
  ASSERT_TRUE(f.Open(fresh.string()).ok());
  ASSERT_TRUE(f.Append(std::string("a\0b", 3)).ok());
  f.Close();
  EXPECT_EQ(ReadAll(fresh), std::string("a\0b", 3));
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::owner_write, fs::perms::owner_write);
}

TEST_F(AppendFileTest, ALinkIsFollowedToItsFile) {
  const fs::path target = dir_ / "target.txt";
  std::ofstream(target, std::ios::binary) << "1\n";
  fs::create_symlink(target, dir_ / "link.txt");
  AppendFile f;
  ASSERT_TRUE(f.Open((dir_ / "link.txt").string()).ok());
  ASSERT_TRUE(f.Append("2\n").ok());
  f.Close();
  EXPECT_EQ(ReadAll(target), "1\n2\n");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
}

TEST_F(AppendFileTest, RefusesWhatIsNoRegularFileWithoutTouchingIt) {
  const fs::path folder = dir_ / "folder";
  fs::create_directory(folder);
  const fs::path fifo = dir_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path dangling = dir_ / "dangling";
  fs::create_symlink(dir_ / "nothing", dangling);
  struct Case {
    fs::path path;
    FileProblem problem;
  };
  const Case cases[] = {
      {folder, FileProblem::kDirectory},
      {fifo, FileProblem::kNotRegular},  // no reader: an open that waited would hang here
      {"/dev/null", FileProblem::kNotRegular},
      {dangling, FileProblem::kDanglingLink},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    AppendFile f;
    const FileError e = f.Open(c.path.string());
    EXPECT_EQ(e.problem, c.problem);
    EXPECT_EQ(e.path, c.path.string());
    EXPECT_FALSE(f.is_open());
    const FileError w = f.Append("x");
    EXPECT_EQ(w.problem, FileProblem::kSystem);
    EXPECT_EQ(w.os_error, EBADF);
  }
  EXPECT_FALSE(fs::exists(dir_ / "nothing"));
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(AppendFileTest, AFileTheUserMayNotWriteIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  const fs::path locked = dir_ / "locked.txt";
  std::ofstream(locked, std::ios::binary) << "kept\n";
  fs::permissions(locked, fs::perms::owner_read);
  AppendFile f;
  const FileError e = f.Open(locked.string());
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, EACCES);
  EXPECT_FALSE(f.is_open());
  EXPECT_EQ(ReadAll(locked), "kept\n");
}

}  // namespace
}  // namespace vn::core
