// The file reader, the two writers, the lock and the settings stores built on them: what they
// refuse, keep and leave behind after a failure, a kill or two processes writing at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/file_io.h"
#include "core/settings_store.h"

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

// A scratch folder of its own for each test, removed afterwards.
class FileIo : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("vn-core-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  std::string file() const { return P("VNSTUDIO.INI"); }

  fs::path dir_;
};

TEST_F(FileIo, ReplacesWholeKeepsModeAndLinkDropsSetIdBitsAndLeavesNothingBeside) {
  WriteAll(P("a.obj"), "a much longer earlier content");
  ASSERT_EQ(::chmod(P("a.obj").c_str(), 0640), 0);
  WriteAll(P("a.obj.part"), "mine");  // named like a temporary file, but the user's
  ASSERT_TRUE(ReplaceFile(P("a.obj"), std::string("new\0x", 5)).ok());
  EXPECT_EQ(ReadAll(P("a.obj")) + ReadAll(P("a.obj.part")), std::string("new\0xmine", 9));
  EXPECT_EQ(ModeOf(P("a.obj")) & 07777, 0640u);
  fs::create_symlink("a.obj", P("link.obj"));
  ASSERT_TRUE(ReplaceFile(P("link.obj"), "via link").ok());
  EXPECT_TRUE(fs::is_symlink(P("link.obj")));
  EXPECT_EQ(ReadAll(P("a.obj")), "via link");
  ASSERT_EQ(::chmod(P("a.obj").c_str(), 07755), 0);
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "new").ok());
  EXPECT_EQ(ModeOf(P("a.obj")) & 07777, 0755u);
  EXPECT_EQ(Entries(dir_), 3);
  // A new file gets the modes the umask leaves, as any other program's would.
  for (const auto& [mask, mode] : std::vector<std::pair<mode_t, mode_t>>{{077, 0600}, {022, 0644}, {002, 0664}}) {
    const mode_t old = ::umask(mask);
    ASSERT_TRUE(ReplaceFile(P("new" + std::to_string(mask)), "x").ok());
    ::umask(old);
    EXPECT_EQ(ModeOf(P("new" + std::to_string(mask))) & 07777, mode) << std::oct << mask;
  }
}

// Both writers and the lock refuse what is no regular file before they touch anything. Waiting
// for the lock's holder is in tests/cli (a download waits for another's kept flash).
TEST_F(FileIo, TargetsThatAreNotRegularFilesAreRefusedAndKept) {
  fs::create_directory(P("folder"));
  WriteAll(dir_ / "folder" / "inside", "kept");
  ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
  fs::create_symlink("fifo", P("link-to-fifo"));
  fs::create_symlink("nowhere", P("dangling"));
  const std::vector<std::pair<std::string, FileProblem>> cases = {{P("folder"), FileProblem::kDirectory},
      {P("fifo"), FileProblem::kNotRegular}, {P("link-to-fifo"), FileProblem::kNotRegular}, {P("dangling"), FileProblem::kDanglingLink}};
  for (const auto& [path, problem] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ReplaceFile(path, "destroyed").problem, problem);
    AppendFile log;
    EXPECT_EQ(log.Open(path).problem, problem);
    EXPECT_TRUE(!log.is_open() && log.Append("x").os_error == EBADF);
    FileLock lock;
    EXPECT_TRUE(lock.Lock(path).problem == problem && !lock.locked());
  }
  EXPECT_EQ(ReplaceFile(P("dangling"), "x").Message(), P("dangling") + ": Symbolic link to a file that does not exist");
  EXPECT_EQ(ReadAll(dir_ / "folder" / "inside"), "kept");
  EXPECT_TRUE(S_ISFIFO(ModeOf(P("fifo"))) && !fs::exists(P("nowhere")));
  EXPECT_EQ(Entries(dir_), static_cast<long>(cases.size()));  // no temporary file left
  // A read-only file and a missing folder: the system's reason, nothing written.
  if (::geteuid() != 0) {
    WriteAll(P("locked.bas"), "keep me");
    ASSERT_EQ(::chmod(P("locked.bas").c_str(), 0444), 0);
    AppendFile log;
    EXPECT_TRUE(ReplaceFile(P("locked.bas"), "new").os_error == EACCES && log.Open(P("locked.bas")).os_error == EACCES);
    EXPECT_EQ(ReadAll(P("locked.bas")), "keep me");
  }
  FileLock lock;
  EXPECT_TRUE(ReplaceFile(P("missing/b.obj"), "x").os_error == ENOENT && lock.Lock(P("missing/file")).os_error == ENOENT);
  // Locking a file that is not there yet creates nothing.
  EXPECT_TRUE(lock.Lock(P("new")).ok() && lock.locked() && !fs::exists(P("new")));
}

// Reading through links, missing files, folders, FIFOs and devices given to the command line,
// and a full disk under a kept flash, are in tests/cli; here the rest.
TEST_F(FileIo, TheSizeCapIsExactTheInputIsNeverTheOutputTheTemporaryIsFreshAndAppendsGoThroughLinks) {
  WriteAll(P("over.bin"), std::string(101, 'b'));
  EXPECT_EQ(ReadFile(P("over.bin"), 101).bytes, std::string(101, 'b'));
  FileRead r = ReadFile(P("over.bin"), 100);
  EXPECT_EQ(r.error.Message(), P("over.bin") + ": File too large (101 bytes, at most 100)");
  EXPECT_TRUE(r.error.problem == FileProblem::kTooLarge && r.bytes.empty());
  // A file that says it is empty but is not (as /proc's do) is still read no further than the cap.
  EXPECT_EQ(ReadFile("/proc/self/status", 8).error.size, 9u);
  EXPECT_NE(ReadFile("/proc/self/status", 1 << 20).bytes.find("Name:"), std::string::npos);
  EXPECT_TRUE(MaxFileBytes(FileKind::kFlashImage) == 65536u && MaxFileBytes(FileKind::kObject) == 6u + 2u + 65536u &&
              MaxFileBytes(FileKind::kSource) == 16777216u);
  // The input file is never the output under any name.
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
  EXPECT_TRUE(SameFile(P("alias.bas"), P("hard.bas")) && !SameFile(P("x.bas"), P("over.bin")));
  EXPECT_FALSE(SameFile(P("missing.bas"), P("missing.bas")));
  // The temporary file is fresh, unguessable and beside the target: links planted at every name
  // the program once used for its temporary files lead nowhere.
  WriteAll(P("victim"), "precious");
  for (const std::string& planted : {P("a.obj.tmp") + std::to_string(::getpid()), P("a.obj.XXXXXX"), P(".a.obj.save-0")})
    fs::create_symlink(P("victim"), planted);
  std::vector<std::string> temps;
  options = {};
  options.after_write = [&temps](const std::string& temp) { temps.push_back(temp); };
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "one", options).ok());
  ASSERT_TRUE(ReplaceFile(P("a.obj"), "two", options).ok());
  ASSERT_EQ(temps.size(), 2u);
  EXPECT_NE(temps[0], temps[1]);
  for (const std::string& t : temps)
    EXPECT_TRUE(fs::path(t).parent_path() == dir_ && t.rfind(P(".a.obj."), 0) == 0 && !fs::exists(t)) << t;
  EXPECT_EQ(ReadAll(P("a.obj")) + ReadAll(P("victim")), "twoprecious");
  // Appending goes through a link as it goes and creates a missing file (appending after what a
  // file held is walked by the IDE's wire trace, tests/shell).
  WriteAll(P("kept.txt"), "earlier\n");
  fs::create_symlink("kept.txt", P("link.txt"));
  AppendFile f;
  ASSERT_TRUE(f.Open(P("link.txt")).ok() && f.Append("> 56\n").ok());
  EXPECT_EQ(ReadAll(P("kept.txt")), "earlier\n> 56\n");  // as it goes, not at the close
  f.Close();
  EXPECT_TRUE(!f.is_open() && fs::is_symlink(P("link.txt")));
  ASSERT_TRUE(f.Open(P("fresh.txt")).ok() && f.Append(std::string("a\0b", 3)).ok());
  f.Close();
  EXPECT_EQ(ReadAll(P("fresh.txt")) + std::to_string(ModeOf(P("fresh.txt")) & S_IWUSR), std::string("a\0b", 3) + std::to_string(S_IWUSR));
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
    ASSERT_EQ(fs::file_size(temp), 50000u);
    ::kill(pid, sig);
    EXPECT_EQ(Reap(pid), -sig);  // the signal still ends the program
    EXPECT_EQ(fs::exists(temp), !install);
    EXPECT_EQ(ReadAll(P("prog.obj")), "old program");
    fs::remove(temp);
  }
  // An ignored signal stays ignored (a program started under nohup); a second install is harmless.
  if (const pid_t pid = ::fork(); pid == 0) {
    ::signal(SIGHUP, SIG_IGN);
    InstallTempFileCleanup();
    InstallTempFileCleanup();
    ::raise(SIGHUP);
    struct sigaction now {}, term {};
    ::sigaction(SIGHUP, nullptr, &now);
    ::sigaction(SIGTERM, nullptr, &term);
    ::_exit(now.sa_handler == SIG_IGN && term.sa_handler != SIG_DFL ? 0 : 1);
  } else {
    EXPECT_EQ(Reap(pid), 0);
  }
}

// The settings stores write through ReplaceFile: links, temporary files and modes are checked there.
using SettingsStore = FileIo;

TEST_F(SettingsStore, AFileIsReadAsThePrivateProfileReadsItAndWrittenKeepingEveryOtherLine) {
  const std::string long_path = "/" + std::string(120, 'p');
  WriteAll(file(), "[A]\nblank= 888\nneg=-1\nplus=+7\ntext=abc\nempty=\nlead=12abc\ntabbed=\t 5 \nhuge=99999999999\n"
                   "quoted=\"42\"\n[B]\nblank=1\n[LastOpen]\nFile1=" + long_path + "\nFile2=  spaced out  \n"
                   "File3='single'\nFile4=" + std::string(98, 'a') + "\xEA\xB0\x80\n[C2]\ncr=2\r");
  IniFile ini(file());
  const std::tuple<const char*, const char*, long> ints[] = {
      {"A", "blank", 888}, {"A", "neg", -1}, {"A", "plus", 7}, {"A", "text", 0}, {"A", "empty", 55}, {"A", "lead", 12},
      {"A", "tabbed", 5}, {"A", "huge", 2147483647}, {"A", "quoted", 42}, {"a", "BLANK", 888}, {"A", "missing", 55},
      {"C", "blank", 55}, {"B", "blank", 1}};
  for (const auto& [section, key, want] : ints) EXPECT_EQ(ini.GetInt(section, key, 55), want) << section << "/" << key;
  EXPECT_EQ(IniFile(P("none.ini")).GetInt("A", "blank", 888), 888);
  // Texts come through a buffer of 100 characters (unless told); a character that does not fit
  // whole is cut; an unended last line's CR is its end.
  const std::tuple<const char*, const char*, std::size_t, std::string> texts[] = {
      {"LastOpen", "File1", 100, long_path.substr(0, 99)}, {"LastOpen", "File1", 300, long_path},
      {"LastOpen", "File2", 100, "spaced out"}, {"LastOpen", "File3", 100, "single"}, {"LastOpen", "File4", 100, std::string(98, 'a')},
      {"LastOpen", "File4", 1, ""}, {"LastOpen", "File9", 100, "none"}, {"C2", "cr", 100, "2"}};
  for (const auto& [section, key, buffer, want] : texts) EXPECT_EQ(ini.GetString(section, key, "none", buffer), want) << key << buffer;
  // A write reads back and keeps every other line and its line end.
  const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {  // before, section, key, value, after
      {"; settings\r\n[PrintPort]\r\nIoadr= 888\r\n\r\n[LastOpen]\r\nfile1 = /a.bas\r\nFile2=none\r\n", "LASTOPEN", "File1",
       "/b.bas", "; settings\r\n[PrintPort]\r\nIoadr= 888\r\n\r\n[LastOpen]\r\nFile1=/b.bas\r\nFile2=none\r\n"},
      // An LF first line and CR LF lines after it: each line keeps its own end; an added line
      // takes the first line's.
      {"[PrintPort]\nIoadr= 888\r\nCableMode= 1\r\n", "PrintPort", "Ioadr", " 632", "[PrintPort]\nIoadr= 632\r\nCableMode= 1\r\n"},
      {"[A]\r\nk=1\r\nz=2\n", "A", "n", "3", "[A]\r\nk=1\r\nz=2\nn=3\r\n"},
      // An unended last line ending in CR is kept, or ended once when a line follows it.
      {"[A]\r\nk=1\r\n[B]\r\nz=2\r", "A", "k", "7", "[A]\r\nk=7\r\n[B]\r\nz=2\r"},
      {"[A]\nz=2\r", "B", "k", "v", "[A]\nz=2\r\n\n[B]\nk=v\n"},
      // Names with blanks around them are stored trimmed and read back under the same names.
      {nullptr, " AccessSpeed ", "\tCommSpeed ", " 1", "[AccessSpeed]\nCommSpeed= 1\n"},
      // A line break in a value would make a second key of its rest.
      {"[S]\nk=v\n", "S", "k", "one\nevil=1", "[S]\nk=one evil=1\n"},
  };
  for (const auto& [before, section, key, value, after] : cases) {
    SCOPED_TRACE(after);
    fs::remove(file());
    if (before != nullptr) WriteAll(file(), before);
    IniFile store(file());
    ASSERT_TRUE(store.WriteString(section, key, value));
    EXPECT_EQ(ReadAll(file()), after);
    std::string read = value;  // as read back: leading blanks dropped, a line break a blank
    read.erase(0, read.find_first_not_of(' '));
    std::replace(read.begin(), read.end(), '\n', ' ');
    EXPECT_EQ(store.Find(section, key), std::optional<std::string>(read));
    EXPECT_EQ(IniFile(file()).GetString(section, key, "none", 300), read);
  }
  EXPECT_FALSE(IniFile(file()).Find("S", "evil").has_value());
  // The first write makes the folders the file is in.
  IniFile named(dir_ / "sub" / "dir" / "named.ini");
  ASSERT_TRUE(named.WriteString(" AccessSpeed ", "\tCommSpeed ", " 1"));
  EXPECT_EQ(IniFile(dir_ / "sub" / "dir" / "named.ini").GetInt(" AccessSpeed", "CommSpeed\t", 5), 1);
  // Names that cannot be stored are refused, and nothing changes.
  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{{"", "k"}, {"S", ""}, {"a]b", "k"}, {"S", "k=2"}, {"S\nT", "k"}})
    EXPECT_FALSE(named.WriteString(section, key, "v")) << section << "/" << key;
  EXPECT_EQ(ReadAll(dir_ / "sub" / "dir" / "named.ini"), "[AccessSpeed]\nCommSpeed= 1\n");
}

TEST_F(SettingsStore, AFileThatCannotBeReadIsNeverWrittenOverAndTwoWritersLoseNoKey) {
  EXPECT_TRUE(IniFile(file()).ReadError().ok());  // missing is no error
  fs::create_symlink("/dev/zero", file());  // refused as a too large file is
  struct stat before {}, after {};
  ASSERT_EQ(::lstat(file().c_str(), &before), 0);
  IniFile refused(file());
  EXPECT_TRUE(refused.ReadError().problem == FileProblem::kNotRegular && refused.ReadError().path == file());
  EXPECT_EQ(std::to_string(refused.GetInt("PrintPort", "Ioadr", 888)) + refused.GetString("PrintPort", "Ioadr", "none"), "888none");
  EXPECT_FALSE(refused.WriteString("PrintPort", "Ioadr", " 632"));
  ASSERT_EQ(::lstat(file().c_str(), &after), 0);
  EXPECT_TRUE(after.st_ino == before.st_ino && after.st_mode == before.st_mode && after.st_size == before.st_size);
  EXPECT_EQ(Entries(dir_), 1);  // nothing beside it
  // Two instances of the program saving their settings at the same moment lose no key.
  constexpr int kKeys = 30;
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists);
    fs::remove(file());
    if (exists) WriteAll(file(), "[Keep]\nx=1\n");
    pid_t children[2];
    for (int k = 0; k < 2; ++k) {
      if ((children[k] = ::fork()) != 0) continue;
      IniFile ini(file());
      for (int i = 0; i < kKeys; ++i)
        if (!ini.WriteString("P" + std::to_string(k), "key" + std::to_string(i), std::to_string(i))) ::_exit(1);
      ::_exit(0);
    }
    for (pid_t pid : children) EXPECT_EQ(Reap(pid), 0);
    IniFile ini(file());
    for (int i = 0; i < 2 * kKeys; ++i)
      EXPECT_EQ(ini.GetInt("P" + std::to_string(i % 2), "key" + std::to_string(i / 2), -1), i / 2) << i;
    EXPECT_TRUE(ini.GetInt("Keep", "x", 0) == (exists ? 1 : 0) && Entries(dir_) == 1);
  }
}

}  // namespace
}  // namespace vn::core
