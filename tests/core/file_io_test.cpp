// The one file reader, the two writers (replacing and appending) and the lock: what they refuse,
// what they keep, what they leave behind after a failure or a kill, and that two processes'
// updates under the lock follow one another.
#include "core/file_io.h"

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
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace vn::core {
namespace {

namespace fs = std::filesystem;
using vn::testing::ReadAll;
using vn::testing::WriteAll;

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

using FileIo = vn::testing::ScratchDir;

// Folders, FIFOs (never waited for), devices and missing files given to the command line, as
// sources, object files and kept flashes, are in tests/cli; here the rest.
TEST_F(FileIo, ReadsRegularFilesThroughLinksAndGivesTheSystemsReasonOtherwise) {
  const std::string bytes("A = 1\r\n\0\xFF", 9);
  WriteAll(P("prog.bas"), bytes);
  fs::create_symlink("prog.bas", P("link.bas"));
  fs::create_symlink("nowhere.bas", P("dangling.bas"));
  EXPECT_EQ(ReadFile(P("link.bas"), FileKind::kSource).bytes, bytes);
  for (const auto& [name, reason] : std::vector<std::pair<std::string, std::string>>{
           {"dangling.bas", ": No such file or directory"}, {"prog.bas/x", ": Not a directory"}}) {
    const FileRead r = ReadFile(P(name), FileKind::kSource);
    EXPECT_EQ(r.error.problem, FileProblem::kSystem);
    EXPECT_EQ(r.error.Message(), P(name) + reason);
    EXPECT_TRUE(r.bytes.empty());
  }
}

TEST_F(FileIo, TheSizeCapIsExactAndAFileIsNeverReadPastIt) {
  WriteAll(P("at.bin"), std::string(100, 'a'));
  WriteAll(P("over.bin"), std::string(101, 'b'));
  EXPECT_EQ(ReadFile(P("at.bin"), 100).bytes, std::string(100, 'a'));
  FileRead r = ReadFile(P("over.bin"), 100);
  EXPECT_EQ(r.error.Message(), P("over.bin") + ": File too large (101 bytes, at most 100)");
  EXPECT_EQ(r.error.problem, FileProblem::kTooLarge);
  EXPECT_EQ(r.error.size, 101u);
  EXPECT_EQ(r.error.limit, 100u);
  EXPECT_TRUE(r.bytes.empty());
  // A file that says it is empty but is not (as /proc's do) is still read no further than the cap.
  EXPECT_EQ(ReadFile("/proc/self/status", 8).error.size, 9u);
  EXPECT_NE(ReadFile("/proc/self/status", 1 << 20).bytes.find("Name:"), std::string::npos);
  EXPECT_EQ(MaxFileBytes(FileKind::kFlashImage), 65536u);
  EXPECT_EQ(MaxFileBytes(FileKind::kObject), 6u + 2u + 65536u);
  // A settings file of 2 MB is no settings file; a source file of 2 MB is a long program.
  WriteAll(P("big"), std::string(2 << 20, ';'));
  EXPECT_EQ(ReadFile(P("big"), FileKind::kSettings).error.problem, FileProblem::kTooLarge);
  EXPECT_TRUE(ReadFile(P("big"), FileKind::kSource).ok());
  // /proc/self/mem is a regular file whose first page is not mapped: the read fails with EIO.
  r = ReadFile("/proc/self/mem", 1 << 20);
  EXPECT_EQ(r.error.Message(), "/proc/self/mem: Input/output error");
  EXPECT_EQ(r.error.os_error, EIO);
  EXPECT_TRUE(r.bytes.empty());
}

TEST_F(FileIo, ReplacesWholeKeepsModeAndLinkDropsSetIdBitsAndLeavesNothingBeside) {
  WriteAll(P("a.obj"), "a much longer earlier content");
  ASSERT_EQ(::chmod(P("a.obj").c_str(), 0640), 0);
  WriteAll(P("a.obj.part"), "mine");  // named like a temporary file, but the user's
  ASSERT_TRUE(ReplaceFile(P("a.obj"), std::string("new\0x", 5)).ok());
  EXPECT_EQ(ReadAll(P("a.obj")), std::string("new\0x", 5));
  EXPECT_EQ(ModeOf(P("a.obj")) & 07777, 0640u);
  EXPECT_EQ(ReadAll(P("a.obj.part")), "mine");
  fs::create_symlink("a.obj", P("link.obj"));
  ASSERT_TRUE(ReplaceFile(P("link.obj"), "via link").ok());
  EXPECT_TRUE(fs::is_symlink(P("link.obj")));
  EXPECT_EQ(ReadAll(P("a.obj")), "via link");
  ASSERT_EQ(::chmod(P("a.obj").c_str(), 07755), 0);
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "new").ok());
  EXPECT_EQ(ModeOf(P("a.obj")) & 07777, 0755u);
  EXPECT_EQ(Entries(dir_), 3);
  for (const auto& [mask, mode] : std::vector<std::pair<mode_t, mode_t>>{{077, 0600}, {022, 0644}, {002, 0664}}) {
    const mode_t old = ::umask(mask);
    const FileError e = ReplaceFile(P("new" + std::to_string(mask)), "x");
    ::umask(old);
    ASSERT_TRUE(e.ok()) << e.Message();
    EXPECT_EQ(ModeOf(P("new" + std::to_string(mask))) & 07777, mode) << std::oct << mask;
  }
}

// Both writers refuse what is no regular file before they touch anything.
TEST_F(FileIo, TargetsThatAreNotRegularFilesAreRefusedAndKept) {
  fs::create_directory(P("folder"));
  WriteAll(dir_ / "folder" / "inside", "kept");
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  fs::create_symlink("fifo", P("link-to-fifo"));
  fs::create_symlink("folder", P("link-to-folder"));
  fs::create_symlink("nowhere", P("dangling"));
  std::vector<std::pair<std::string, FileProblem>> cases = {
      {P("folder"), FileProblem::kDirectory},         {P("fifo"), FileProblem::kNotRegular},
      {P("link-to-fifo"), FileProblem::kNotRegular},  {P("link-to-folder"), FileProblem::kDirectory},
      {P("dangling"), FileProblem::kDanglingLink},
  };
  if (::geteuid() == 0) {  // a device node of our own, the same device as /dev/null
    ASSERT_EQ(::mknod(P("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    cases.push_back({P("null"), FileProblem::kNotRegular});
  }
  for (const auto& [path, problem] : cases) {
    SCOPED_TRACE(path);
    const FileError e = ReplaceFile(path, "destroyed");
    EXPECT_EQ(e.problem, problem);
    EXPECT_EQ(e.path, path);
    AppendFile log;
    EXPECT_EQ(log.Open(path).problem, problem);
    EXPECT_FALSE(log.is_open());
    EXPECT_EQ(log.Append("x").os_error, EBADF);
  }
  EXPECT_EQ(ReplaceFile(P("dangling"), "x").Message(), P("dangling") + ": Symbolic link to a file that does not exist");
  EXPECT_EQ(ReadAll(dir_ / "folder" / "inside"), "kept");
  EXPECT_TRUE(S_ISFIFO(ModeOf(P("fifo"))));
  EXPECT_FALSE(fs::exists(P("nowhere")));
  if (::geteuid() == 0) {
    EXPECT_TRUE(S_ISCHR(ModeOf(P("null"))));
  }
  EXPECT_EQ(Entries(dir_), static_cast<long>(cases.size()));  // no temporary file left
  AppendFile null_log;
  EXPECT_EQ(null_log.Open("/dev/null").problem, FileProblem::kNotRegular);
  // A read-only file and a missing folder: the system's reason, nothing written.
  if (::geteuid() != 0) {
    WriteAll(P("locked.bas"), "keep me");
    ASSERT_EQ(::chmod(P("locked.bas").c_str(), 0444), 0);
    EXPECT_EQ(ReplaceFile(P("locked.bas"), "new").os_error, EACCES);
    AppendFile log;
    EXPECT_EQ(log.Open(P("locked.bas")).os_error, EACCES);
    EXPECT_EQ(ReadAll(P("locked.bas")), "keep me");
  }
  const FileError e = ReplaceFile(P("missing/b.obj"), "x");
  EXPECT_EQ(e.problem, FileProblem::kSystem);
  EXPECT_EQ(e.os_error, ENOENT);
}

TEST_F(FileIo, TheInputFileIsNeverTheOutputUnderAnyName) {
  WriteAll(P("x.bas"), "PRINT 1\r\n");
  fs::create_symlink("x.bas", P("alias.bas"));
  fs::create_hard_link(P("x.bas"), P("hard.bas"));
  ReplaceOptions options;
  options.inputs = {P("x.bas")};
  for (const std::string& target : {P("x.bas"), P("alias.bas"), P("hard.bas"), dir_.string() + "/./x.bas"})
    EXPECT_EQ(ReplaceFile(target, "VN2000", options).Message(), target + ": Same file as the input");
  options.inputs = {P("alias.bas")};  // an input reached through a link is the same file too
  EXPECT_EQ(ReplaceFile(P("x.bas"), "VN2000", options).problem, FileProblem::kSameAsInput);
  EXPECT_EQ(ReadAll(P("x.bas")), "PRINT 1\r\n");
  options.inputs = {P("x.bas"), P("missing.bas")};  // another file is written
  EXPECT_TRUE(ReplaceFile(P("x.obj"), "VN2000", options).ok());
  EXPECT_TRUE(SameFile(P("alias.bas"), P("hard.bas")));
  EXPECT_FALSE(SameFile(P("x.bas"), P("x.obj")));
  EXPECT_FALSE(SameFile(P("missing.bas"), P("missing.bas")));
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
    EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_nlink == 1u);
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
  EXPECT_EQ(e.os_error, EFBIG);
  EXPECT_EQ(ReadAll(P("prog.bas")), "the previous program\r\n");
  EXPECT_EQ(Entries(dir_), 1);
}

TEST_F(FileIo, ASignalInTheMiddleOfAWriteLeavesNoTemporaryFile) {
  // A child starts replacing the file, reports its temporary file through a pipe and waits there
  // to be killed. Without the cleanup (the last round) the file would stay: that is its purpose.
  for (const auto& [sig, install] : std::vector<std::pair<int, bool>>{{SIGTERM, true}, {SIGINT, true}, {SIGHUP, true}, {SIGTERM, false}}) {
    SCOPED_TRACE(sig);
    WriteAll(P("prog.obj"), "old program");
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (install) InstallTempFileCleanup();
      ReplaceOptions options;
      options.after_write = [&fds](const std::string& temp) {
        (void)!::write(fds[1], (temp + "\n").data(), temp.size() + 1);
        for (;;) ::pause();
      };
      ReplaceFile(P("prog.obj"), std::string(50000, 'n'), options);
      ::_exit(3);
    }
    ::close(fds[1]);
    std::string temp;
    for (char c = 0; ::read(fds[0], &c, 1) == 1 && c != '\n';) temp.push_back(c);
    ::close(fds[0]);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(fs::file_size(temp), 50000u);
    ::kill(pid, sig);
    EXPECT_EQ(Reap(pid), -sig);  // the signal still ends the program
    EXPECT_EQ(fs::exists(temp), !install);
    EXPECT_EQ(ReadAll(P("prog.obj")), "old program");
    if (!install) fs::remove(temp);
  }
  // An ignored signal stays ignored; a second install changes nothing.
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGHUP, SIG_IGN);
    InstallTempFileCleanup();
    InstallTempFileCleanup();
    ::raise(SIGHUP);
    struct sigaction now {}, term {};
    ::sigaction(SIGHUP, nullptr, &now);
    ::sigaction(SIGTERM, nullptr, &term);
    ::_exit(now.sa_handler == SIG_IGN && term.sa_handler != SIG_DFL ? 0 : 1);
  }
  EXPECT_EQ(Reap(pid), 0);
}

TEST_F(FileIo, AppendsAfterWhatTheFileHeldThroughALinkAndCreatesAMissingOne) {
  WriteAll(P("kept.txt"), "earlier\n");
  fs::create_symlink("kept.txt", P("link.txt"));
  AppendFile f;
  ASSERT_TRUE(f.Open(P("link.txt")).ok());
  EXPECT_EQ(f.path(), P("link.txt"));
  ASSERT_TRUE(f.Append("> 56\n").ok());
  ASSERT_TRUE(f.Append("< 20 14\n").ok());
  EXPECT_EQ(ReadAll(P("kept.txt")), "earlier\n> 56\n< 20 14\n");  // as it goes, not at the close
  EXPECT_TRUE(f.is_open());
  f.Close();
  EXPECT_FALSE(f.is_open());
  EXPECT_TRUE(fs::is_symlink(P("link.txt")));
  ASSERT_TRUE(f.Open(P("fresh.txt")).ok());
  ASSERT_TRUE(f.Append(std::string("a\0b", 3)).ok());
  f.Close();
  EXPECT_EQ(ReadAll(P("fresh.txt")), std::string("a\0b", 3));
  EXPECT_EQ(ModeOf(P("fresh.txt")) & S_IWUSR, S_IWUSR);
}

TEST_F(FileIo, ProcessesUpdatingOneFileUnderTheLockLoseNothing) {
  // Once starting without the file (the folder is locked until the first rename), once with it.
  constexpr int kRounds = 40;
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    fs::remove(P("counter"));
    if (exists) WriteAll(P("counter"), "0");
    std::vector<pid_t> children;
    for (int k = 0; k < 3; ++k) {
      children.push_back(::fork());
      if (children.back() != 0) continue;
      for (int i = 0; i < kRounds; ++i) {  // read, add one, replace: under the lock
        FileLock lock;
        if (!lock.Lock(P("counter")).ok()) ::_exit(10);
        const FileRead r = ReadFile(P("counter"), 64);
        if (!r.ok() && r.error.os_error != ENOENT) ::_exit(11);
        if (!ReplaceFile(P("counter"), std::to_string((r.ok() ? std::stol(r.bytes) : 0) + 1)).ok()) ::_exit(12);
      }
      ::_exit(0);
    }
    for (pid_t pid : children) EXPECT_EQ(Reap(pid), 0);
    EXPECT_EQ(ReadAll(P("counter")), std::to_string(3 * kRounds));
    EXPECT_EQ(Entries(dir_), 1);
  }
}

// Waiting for the lock's holder is in tests/cli (a download waits for another's kept flash).
TEST_F(FileIo, TheLockRefusesWhatIsNoFile) {
  fs::create_directory(P("folder"));
  fs::create_symlink("nowhere", P("dangling"));
  FileLock lock;
  EXPECT_EQ(lock.Lock(P("folder")).problem, FileProblem::kDirectory);
  EXPECT_EQ(lock.Lock("/dev/zero").problem, FileProblem::kNotRegular);
  EXPECT_EQ(lock.Lock(P("dangling")).problem, FileProblem::kDanglingLink);
  EXPECT_EQ(lock.Lock(P("missing/file")).os_error, ENOENT);
  EXPECT_FALSE(lock.locked());
  // Locking a file that is not there yet creates nothing.
  EXPECT_TRUE(lock.Lock(P("new")).ok());
  EXPECT_TRUE(lock.locked());
  EXPECT_FALSE(fs::exists(P("new")));
  EXPECT_EQ(Entries(dir_), 2);
}

}  // namespace
}  // namespace vn::core
