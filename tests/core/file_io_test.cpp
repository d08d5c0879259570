// The one file reader and the one file writer: what they refuse, what they keep, what they leave
// behind after a failure or a kill, and the lock that makes two processes' updates follow one
// another.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/file_io.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

long Entries(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); }

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
  return st.st_mode;
}

// The exit status of a child, or -signal when a signal ended it.
int Reap(pid_t pid) {
  int raw = 0;
  while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? -WTERMSIG(raw) : -1000;
}

class FileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vn_file_io_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

// ---- Reading ----------------------------------------------------------------------------------------

TEST_F(FileIo, ReadsRegularFilesAndRefusesEverythingElseWithTheReason) {
  WriteAll(P("prog.bas"), std::string("A = 1\r\n\0\xFF", 9));
  fs::create_directory(P("folder.bas"));
  ASSERT_EQ(::mkfifo(P("fifo.bas").c_str(), 0600), 0);
  fs::create_symlink("prog.bas", P("link.bas"));
  fs::create_symlink("/dev/zero", P("zero.bin"));
  fs::create_symlink("nowhere.bas", P("dangling.bas"));
  struct Case {
    std::string path;
    FileProblem problem;
    std::string message;
  };
  const Case cases[] = {
      {P("prog.bas"), FileProblem::kNone, ""},
      {P("link.bas"), FileProblem::kNone, ""},
      {P("folder.bas"), FileProblem::kDirectory, P("folder.bas") + ": Is a directory"},
      {P("fifo.bas"), FileProblem::kNotRegular, P("fifo.bas") + ": Not a regular file"},
      {P("zero.bin"), FileProblem::kNotRegular, P("zero.bin") + ": Not a regular file"},
      {"/dev/zero", FileProblem::kNotRegular, "/dev/zero: Not a regular file"},
      {P("missing.bas"), FileProblem::kSystem, P("missing.bas") + ": No such file or directory"},
      {P("dangling.bas"), FileProblem::kSystem, P("dangling.bas") + ": No such file or directory"},
      {P("prog.bas/x"), FileProblem::kSystem, P("prog.bas/x") + ": Not a directory"},
  };
  for (const auto& c : cases) {
    const FileRead r = ReadFile(c.path, FileKind::kSource);
    EXPECT_EQ(r.error.problem, c.problem) << c.path;
    if (c.problem == FileProblem::kNone) {
      EXPECT_TRUE(r.ok());
      EXPECT_EQ(r.bytes, std::string("A = 1\r\n\0\xFF", 9)) << c.path;
    } else {
      EXPECT_FALSE(r.ok());
      EXPECT_EQ(r.error.Message(), c.message);
      EXPECT_EQ(r.error.path, c.path);
      EXPECT_TRUE(r.bytes.empty()) << c.path;
    }
  }
  // Nothing was read from the FIFO's other end, and it is still a FIFO.
  EXPECT_TRUE(S_ISFIFO(ModeOf(P("fifo.bas"))));
}

TEST_F(FileIo, AFifoSwappedInIsNeverWaitedFor) {
  // A FIFO without a writer: an open without O_NONBLOCK would wait for ever. The read runs in a
  // child that an alarm ends, so a hang fails the test instead of stalling it.
  ASSERT_EQ(::mkfifo(P("pipe").c_str(), 0600), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(5);
    const FileRead r = ReadFile(P("pipe"), FileKind::kSettings);
    FileLock lock;
    const FileError l = lock.Lock(P("pipe"));
    ::_exit(r.error.problem == FileProblem::kNotRegular && l.problem == FileProblem::kNotRegular ? 0 : 1);
  }
  EXPECT_EQ(Reap(pid), 0);
}

TEST_F(FileIo, TheSizeCapIsExactAndAFileIsNeverReadPastIt) {
  WriteAll(P("at.bin"), std::string(100, 'a'));
  WriteAll(P("over.bin"), std::string(101, 'b'));
  FileRead r = ReadFile(P("at.bin"), 100);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.bytes.size(), 100u);
  r = ReadFile(P("over.bin"), 100);
  EXPECT_EQ(r.error.problem, FileProblem::kTooLarge);
  EXPECT_EQ(r.error.size, 101u);
  EXPECT_EQ(r.error.limit, 100u);
  EXPECT_EQ(r.error.Message(), P("over.bin") + ": File too large (101 bytes, at most 100)");
  EXPECT_TRUE(r.bytes.empty());
  // A file that says it is empty but is not (as /proc's do) is still read no further than the cap.
  r = ReadFile("/proc/self/status", 8);
  EXPECT_EQ(r.error.problem, FileProblem::kTooLarge);
  EXPECT_EQ(r.error.size, 9u);
  r = ReadFile("/proc/self/status", 1 << 20);
  ASSERT_TRUE(r.ok()) << r.error.Message();
  EXPECT_NE(r.bytes.find("Name:"), std::string::npos);
}

TEST_F(FileIo, EachKindHasTheCapThatFitsIt) {
  EXPECT_EQ(MaxFileBytes(FileKind::kFlashImage), 65536u);
  EXPECT_EQ(MaxFileBytes(FileKind::kObject), 6u + 2u + 65536u);
  // A settings file of 2 MB is no settings file; a source file of 2 MB is a long program.
  WriteAll(P("big"), std::string(2 << 20, ';'));
  EXPECT_EQ(ReadFile(P("big"), FileKind::kSettings).error.problem, FileProblem::kTooLarge);
  EXPECT_TRUE(ReadFile(P("big"), FileKind::kSource).ok());
  WriteAll(P("flash"), std::string(65537, '\xFF'));
  EXPECT_EQ(ReadFile(P("flash"), FileKind::kFlashImage).error.problem, FileProblem::kTooLarge);
}

TEST_F(FileIo, AReadThatFailsInTheMiddleGivesTheSystemsReason) {
  // /proc/self/mem is a regular file whose first page is not mapped: the read fails with EIO.
  const FileRead r = ReadFile("/proc/self/mem", 1 << 20);
  EXPECT_EQ(r.error.problem, FileProblem::kSystem);
  EXPECT_EQ(r.error.os_error, EIO);
  EXPECT_EQ(r.error.Message(), "/proc/self/mem: Input/output error");
  EXPECT_TRUE(r.bytes.empty());
}

// ---- Writing ----------------------------------------------------------------------------------------

TEST_F(FileIo, ReplacesALongerFileWholeKeepsItsModeAndLeavesNothingBeside) {
  const fs::path file = dir_ / "a.obj";
  WriteAll(file, "a much longer earlier content");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  // A file named like a temporary one is the user's and stays untouched.
  WriteAll(dir_ / "a.obj.part", "mine");

  ASSERT_TRUE(ReplaceFile(file.string(), std::string("new\0x", 5)).ok());
  EXPECT_EQ(ReadAll(file), std::string("new\0x", 5));
  EXPECT_EQ(ModeOf(file) & 07777, 0640u);
  EXPECT_EQ(ReadAll(dir_ / "a.obj.part"), "mine");
  EXPECT_EQ(Entries(dir_), 2);
}

TEST_F(FileIo, TargetsThatAreNotRegularFilesAreRefusedAndKept) {
  fs::create_directory(P("folder"));
  WriteAll(dir_ / "folder" / "inside", "kept");
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  fs::create_symlink("fifo", P("link-to-fifo"));
  fs::create_symlink("folder", P("link-to-folder"));
  fs::create_symlink("nowhere", P("dangling"));
  std::vector<std::pair<std::string, FileProblem>> cases = {
      {P("folder"), FileProblem::kDirectory},
      {P("fifo"), FileProblem::kNotRegular},
      {P("link-to-fifo"), FileProblem::kNotRegular},
      {P("link-to-folder"), FileProblem::kDirectory},
      {P("dangling"), FileProblem::kDanglingLink},
  };
  // A device node of our own, the same device as /dev/null.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::mknod(P("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    cases.push_back({P("null"), FileProblem::kNotRegular});
  }
  for (const auto& [path, problem] : cases) {
    const FileError e = ReplaceFile(path, "destroyed");
    EXPECT_EQ(e.problem, problem) << path;
    EXPECT_EQ(e.path, path);
  }
  EXPECT_EQ(ReplaceFile(P("dangling"), "x").Message(), P("dangling") + ": Symbolic link to a file that does not exist");
  EXPECT_TRUE(S_ISDIR(ModeOf(P("folder"))));
  EXPECT_EQ(ReadAll(dir_ / "folder" / "inside"), "kept");
  EXPECT_TRUE(S_ISFIFO(ModeOf(P("fifo"))));
  EXPECT_FALSE(fs::exists(P("nowhere")));
  if (root) {
    struct stat st {};
    ASSERT_EQ(::stat(P("null").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
  }
  // Nothing else was left in the folder: the refusals come before any temporary file.
  EXPECT_EQ(Entries(dir_), static_cast<long>(cases.size()));
}

TEST_F(FileIo, ALinkKeepsPointingAtTheReplacedFile) {
  WriteAll(P("real.bas"), "old");
  fs::create_symlink("real.bas", P("link.bas"));
  ASSERT_TRUE(ReplaceFile(P("link.bas"), "new").ok());
  EXPECT_TRUE(fs::is_symlink(P("link.bas")));
  EXPECT_EQ(ReadAll(P("real.bas")), "new");
  EXPECT_EQ(Entries(dir_), 2);
}

TEST_F(FileIo, TheInputFileIsNeverTheOutputUnderAnyName) {
  const std::string source = "PRINT 1\r\n";
  WriteAll(P("x.bas"), source);
  fs::create_symlink("x.bas", P("alias.bas"));
  fs::create_hard_link(P("x.bas"), P("hard.bas"));
  ReplaceOptions options;
  options.inputs = {P("x.bas")};
  for (const std::string& target : {P("x.bas"), P("alias.bas"), P("hard.bas"), dir_.string() + "/./x.bas"}) {
    const FileError e = ReplaceFile(target, "VN2000", options);
    EXPECT_EQ(e.problem, FileProblem::kSameAsInput) << target;
    EXPECT_EQ(e.Message(), target + ": Same file as the input");
  }
  EXPECT_EQ(ReadAll(P("x.bas")), source);
  // An input that is reached through a link is the same file too.
  options.inputs = {P("alias.bas")};
  EXPECT_EQ(ReplaceFile(P("x.bas"), "VN2000", options).problem, FileProblem::kSameAsInput);
  EXPECT_EQ(ReadAll(P("x.bas")), source);
  // Another file is written; a missing input is no obstacle.
  options.inputs = {P("x.bas"), P("missing.bas")};
  EXPECT_TRUE(ReplaceFile(P("x.obj"), "VN2000", options).ok());
  EXPECT_TRUE(SameFile(P("alias.bas"), P("hard.bas")));
  EXPECT_FALSE(SameFile(P("x.bas"), P("x.obj")));
  EXPECT_FALSE(SameFile(P("missing.bas"), P("missing.bas")));
}

TEST_F(FileIo, NewFilesFollowTheUmask) {
  for (const auto& [mask, mode] : std::vector<std::pair<mode_t, mode_t>>{{077, 0600}, {022, 0644}, {002, 0664}}) {
    const mode_t old = ::umask(mask);
    const std::string path = P("new" + std::to_string(mask));
    const FileError e = ReplaceFile(path, "x");
    ::umask(old);
    ASSERT_TRUE(e.ok()) << e.Message();
    EXPECT_EQ(ModeOf(path) & 07777, mode) << std::oct << mask;
  }
}

TEST_F(FileIo, AReplacedFileLosesItsSetIdAndStickyBits) {
  WriteAll(P("tool"), "old");
  ASSERT_EQ(::chmod(P("tool").c_str(), 07755), 0);
  ASSERT_EQ(ModeOf(P("tool")) & 07777, 07755u);
  ASSERT_TRUE(ReplaceFile(P("tool"), "new").ok());
  EXPECT_EQ(ModeOf(P("tool")) & 07777, 0755u);
  EXPECT_EQ(ReadAll(P("tool")), "new");
}

TEST_F(FileIo, AReadOnlyFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  WriteAll(P("locked.bas"), "keep me");
  ASSERT_EQ(::chmod(P("locked.bas").c_str(), 0444), 0);
  const FileError e = ReplaceFile(P("locked.bas"), "new");
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, EACCES);
  EXPECT_EQ(ReadAll(P("locked.bas")), "keep me");
}

TEST_F(FileIo, TheTemporaryFileIsFreshUnguessableAndBesideTheTarget) {
  // Links planted at every name the program once used for its temporary files lead nowhere.
  WriteAll(P("victim"), "precious");
  for (const std::string& planted : {P("a.obj.tmp") + std::to_string(::getpid()), P("a.obj.XXXXXX"), P(".a.obj.save-0")})
    fs::create_symlink(P("victim"), planted);
  std::vector<std::string> temps;
  ReplaceOptions options;
  options.after_write = [&temps](const std::string& temp) {
    temps.push_back(temp);
    struct stat st {};
    ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_nlink, 1u);
  };
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "one", options).ok());
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "two", options).ok());
  ASSERT_EQ(temps.size(), 2u);
  EXPECT_NE(temps[0], temps[1]);
  for (const std::string& t : temps) {
    EXPECT_EQ(fs::path(t).parent_path(), dir_);
    EXPECT_EQ(fs::path(t).filename().string().rfind(".a.obj.", 0), 0u) << t;
    EXPECT_FALSE(fs::exists(t));
  }
  EXPECT_EQ(ReadAll(P("a.obj")), "two");
  EXPECT_EQ(ReadAll(P("victim")), "precious");
}

TEST_F(FileIo, AFullDiskLeavesTheOldFileAndNoStrayFile) {
  WriteAll(P("prog.bas"), "the previous program\r\n");
  // The file size limit fails the write part-way, as a full disk does.
  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const FileError e = ReplaceFile(P("prog.bas"), std::string(100000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, EFBIG);
  EXPECT_EQ(ReadAll(P("prog.bas")), "the previous program\r\n");
  EXPECT_EQ(Entries(dir_), 1);
}

TEST_F(FileIo, AMissingFolderCreatesNothing) {
  const FileError e = ReplaceFile(P("missing/b.obj"), "x");
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, ENOENT);
  EXPECT_EQ(Entries(dir_), 0);
}

// A child that starts replacing `target`, reports its temporary file's path through a pipe and
// waits there to be killed.
pid_t StartSlowWrite(const std::string& target, int report_fd, bool install) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (install) InstallTempFileCleanup();
  ReplaceOptions options;
  options.after_write = [report_fd](const std::string& temp) {
    const std::string line = temp + "\n";
    (void)!::write(report_fd, line.data(), line.size());
    for (;;) ::pause();
  };
  ReplaceFile(target, std::string(50000, 'n'), options);
  ::_exit(3);
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line.push_back(c);
  return line;
}

TEST_F(FileIo, ASignalInTheMiddleOfAWriteLeavesNoTemporaryFile) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    WriteAll(P("prog.obj"), "old program");
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = StartSlowWrite(P("prog.obj"), fds[1], true);
    ::close(fds[1]);
    const std::string temp = ReadLine(fds[0]);
    ::close(fds[0]);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(fs::file_size(temp), 50000u);
    ::kill(pid, sig);
    // The signal still ends the program, and says so in its status.
    EXPECT_EQ(Reap(pid), -sig);
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(ReadAll(P("prog.obj")), "old program");
    EXPECT_EQ(Entries(dir_), 1);
  }
}

TEST_F(FileIo, WithoutTheCleanupAKilledWriteWouldLeaveItsFile) {
  // The same kill without the handler: the file stays, which is what the handler is for.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = StartSlowWrite(P("prog.obj"), fds[1], false);
  ::close(fds[1]);
  const std::string temp = ReadLine(fds[0]);
  ::close(fds[0]);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(Reap(pid), -SIGTERM);
  EXPECT_TRUE(fs::exists(temp));
}

TEST_F(FileIo, AnIgnoredSignalStaysIgnored) {
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::signal(SIGHUP, SIG_IGN);
    InstallTempFileCleanup();
    InstallTempFileCleanup();  // a second call changes nothing
    ::raise(SIGHUP);
    struct sigaction now {};
    ::sigaction(SIGHUP, nullptr, &now);
    struct sigaction term {};
    ::sigaction(SIGTERM, nullptr, &term);
    ::_exit(now.sa_handler == SIG_IGN && term.sa_handler != SIG_DFL ? 0 : 1);
  }
  EXPECT_EQ(Reap(pid), 0);
}

// ---- Locking ----------------------------------------------------------------------------------------

// `rounds` read-add-replace cycles of the counter in `path`, each under the lock.
void Count(const std::string& path, int rounds) {
  for (int i = 0; i < rounds; ++i) {
    FileLock lock;
    if (!lock.Lock(path).ok()) ::_exit(10);
    const FileRead r = ReadFile(path, 64);
    const long n = r.ok() ? std::stol(r.bytes) : 0;
    if (!r.ok() && r.error.os_error != ENOENT) ::_exit(11);
    if (!ReplaceFile(path, std::to_string(n + 1)).ok()) ::_exit(12);
  }
}

TEST_F(FileIo, TwoProcessesUpdatingOneFileUnderTheLockLoseNothing) {
  // Once starting without the file (the folder is locked until the first rename), once with it.
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    const std::string path = P("counter");
    fs::remove(path);
    if (exists) WriteAll(path, "0");
    constexpr int kRounds = 40;
    std::vector<pid_t> children;
    for (int k = 0; k < 3; ++k) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        Count(path, kRounds);
        ::_exit(0);
      }
      children.push_back(pid);
    }
    for (pid_t pid : children) EXPECT_EQ(Reap(pid), 0);
    EXPECT_EQ(ReadAll(path), std::to_string(3 * kRounds));
    EXPECT_EQ(Entries(dir_), 1);
  }
}

TEST_F(FileIo, TheLockWaitsForItsHolder) {
  const std::string path = P("settings");
  WriteAll(path, "a");
  FileLock held;
  ASSERT_TRUE(held.Lock(path).ok());
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child's copy of our descriptor shares our lock; closing it leaves the lock ours.
    held.Unlock();
    ::close(fds[0]);
    FileLock lock;
    const bool ok = lock.Lock(path).ok();
    (void)!::write(fds[1], "L", 1);
    ::_exit(ok ? 0 : 1);
  }
  ::close(fds[1]);
  // The child cannot get the lock while we hold it.
  const int flags = ::fcntl(fds[0], F_GETFL);
  ::fcntl(fds[0], F_SETFL, flags | O_NONBLOCK);
  ::usleep(200000);
  char c = 0;
  EXPECT_EQ(::read(fds[0], &c, 1), -1);
  // Replacing the file under the lock and letting go: the child locks the new file.
  ASSERT_TRUE(ReplaceFile(path, "b").ok());
  held.Unlock();
  ::fcntl(fds[0], F_SETFL, flags);
  EXPECT_EQ(::read(fds[0], &c, 1), 1);
  EXPECT_EQ(Reap(pid), 0);
  ::close(fds[0]);
}

TEST_F(FileIo, TheLockRefusesWhatIsNoFile) {
  fs::create_directory(P("folder"));
  fs::create_symlink("nowhere", P("dangling"));
  FileLock lock;
  EXPECT_EQ(lock.Lock(P("folder")).problem, FileProblem::kDirectory);
  EXPECT_EQ(lock.Lock("/dev/zero").problem, FileProblem::kNotRegular);
  EXPECT_EQ(lock.Lock(P("dangling")).problem, FileProblem::kDanglingLink);
  const FileError e = lock.Lock(P("missing/file"));
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, ENOENT);
  EXPECT_FALSE(lock.locked());
  // Locking a file that is not there yet creates nothing.
  EXPECT_TRUE(lock.Lock(P("new")).ok());
  EXPECT_TRUE(lock.locked());
  EXPECT_FALSE(fs::exists(P("new")));
  EXPECT_EQ(Entries(dir_), 2);
}

}  // namespace
}  // namespace vn::core
