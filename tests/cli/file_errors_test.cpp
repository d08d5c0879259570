// Hostile and careless files on the command line: folders, FIFOs, devices, endless and huge
// files, an output naming the input, a kept flash that is no flash image, a save that fails,
// and two commands sharing one kept flash. Each case has one message, the documented exit
// status, and leaves every file the user did not ask to replace exactly as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_run.h"
#include "core/file_io.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;
using vn::testing::ReadAll;

// What a path is on the disk, to tell that it is still the very same thing afterwards.
struct OnDisk {
  bool exists = false;
  mode_t mode = 0;
  ino_t inode = 0;
  dev_t rdev = 0;
  std::string bytes;  // regular files only
  bool operator==(const OnDisk&) const = default;
};

OnDisk Look(const fs::path& p) {
  OnDisk d;
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return d;
  d.exists = true;
  d.mode = st.st_mode;
  d.inode = st.st_ino;
  d.rdev = st.st_rdev;
  if (S_ISREG(st.st_mode)) d.bytes = ReadAll(p);
  return d;
}

constexpr char kVnmSource[] = "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n";

class FileErrors : public vn::testing::CliTest {
 protected:
  FileErrors() : CliTest("vn_file_errors_test") {}

  void SetUp() override {
    CliTest::SetUp();
    Write("prog.bas", kVnmSource);
    ASSERT_EQ(Exec("compile " + P("prog.bas") + " -o " + P("prog.obj")).status, 0);
    ASSERT_EQ(Exec("download " + P("prog.bas") + " --cable virtual --virtual-flash " + P("flash.bin")).status, 0);
    ASSERT_EQ(fs::file_size(dir_ / "flash.bin"), 65536u);
    std::string text;
    while (text.size() < 108917) text += "a text file that is not a flash image\n";
    text.resize(108917);
    Write("notes.txt", text);
    for (const char* folder : {"folder.bas", "folder.obj", "folder.bin"}) fs::create_directory(dir_ / folder);
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    fs::create_symlink("prog.bas", dir_ / "link.bas");
    fs::create_symlink("/dev/zero", dir_ / "zero.obj");
    // A device node of our own (the same device as /dev/null) where root may make one.
    if (::geteuid() == 0) {
      ASSERT_EQ(::mknod(P("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    for (const auto& entry : fs::directory_iterator(dir_)) kept_[entry.path()] = Look(entry.path());
    kept_["/dev/null"] = Look("/dev/null");
  }

  std::string P(const std::string& name) const { return (dir_ / name).string(); }

  // Every file of the scratch folder (and /dev/null) is as SetUp left it.
  void ExpectAllKept(const std::string& after) {
    for (const auto& [path, before] : kept_) {
      if (path.filename() == "stdin.txt" || path.filename() == "stderr.txt") continue;
      EXPECT_EQ(Look(path), before) << path << " changed by: " << after;
    }
  }

  std::map<fs::path, OnDisk> kept_;
};

TEST_F(FileErrors, EachGetsOneMessageStatusTwoAndLeavesEveryFileAsItWas) {
  struct Case {
    std::string args;
    std::string err;  // the whole of standard error
  };
  const std::string virt = " --cable virtual";
  const std::string kept = " --virtual-flash " + P("flash.bin");
  std::vector<Case> cases = {
      // Reading the program.
      {"compile " + P("folder.bas"), "vnstudio-cli: cannot read " + P("folder.bas") + ": Is a directory\n"},
      {"compile " + P("fifo"), "vnstudio-cli: cannot read " + P("fifo") + ": Not a regular file\n"},
      {"compile /dev/zero", "vnstudio-cli: cannot read /dev/zero: Not a regular file\n"},
      {"list " + P("missing.bas"), "vnstudio-cli: cannot read " + P("missing.bas") + ": No such file or directory\n"},
      {"run " + P("folder.obj"), "vnstudio-cli: cannot read " + P("folder.obj") + ": Is a directory\n"},
      {"run " + P("zero.obj"), "vnstudio-cli: cannot read " + P("zero.obj") + ": Not a regular file\n"},
      {"debug " + P("folder.bas") + virt, "vnstudio-cli: cannot read " + P("folder.bas") + ": Is a directory\n"},
      {"download " + P("folder.bas") + virt, "vnstudio-cli: cannot read " + P("folder.bas") + ": Is a directory\n"},
      {"download " + P("folder.obj") + virt, "File Open Error :" + P("folder.obj") + ": Is a directory\n"},
      {"download " + P("zero.obj") + virt, "File Open Error :" + P("zero.obj") + ": Not a regular file\n"},
      {"verify " + P("missing.obj") + " --device WF" + virt,
       "File Open Error :" + P("missing.obj") + ": No such file or directory\n"},
      {"read-flash " + P("folder.obj") + " --device WF" + virt, "File Open Error :" + P("folder.obj") + ": Is a directory\n"},
      // Writing onto what is not a file, or onto the input.
      {"compile " + P("prog.bas") + " -o " + P("prog.bas"), "vnstudio-cli: cannot write " + P("prog.bas") + ": Same file as the input\n"},
      {"compile " + P("link.bas") + " -o " + P("prog.bas"), "vnstudio-cli: cannot write " + P("prog.bas") + ": Same file as the input\n"},
      {"compile " + P("prog.bas") + " -o " + P("link.bas"), "vnstudio-cli: cannot write " + P("link.bas") + ": Same file as the input\n"},
      {"compile " + P("prog.bas") + " -o " + P("fifo"), "vnstudio-cli: cannot write " + P("fifo") + ": Not a regular file\n"},
      {"compile " + P("prog.bas") + " -o " + P("folder.obj"), "vnstudio-cli: cannot write " + P("folder.obj") + ": Is a directory\n"},
      {"read-flash " + P("prog.obj") + " --device WF" + virt + kept + " -o " + P("prog.obj"),
       "vnstudio-cli: cannot write " + P("prog.obj") + ": Same file as the input\n"},
      {"read-flash " + P("prog.obj") + " --device WF" + virt + kept + " -o " + P("flash.bin"),
       "vnstudio-cli: cannot write " + P("flash.bin") + ": Same file as the input\n"},
      {"read-flash " + P("prog.bas") + virt + " -o " + P("folder.bin"), "vnstudio-cli: cannot write " + P("folder.bin") + ": Is a directory\n"},
      {"read-flash " + P("prog.bas") + virt + " -o " + P("fifo"), "vnstudio-cli: cannot write " + P("fifo") + ": Not a regular file\n"},
      // The kept flash.
      {"download " + P("prog.bas") + virt + " --virtual-flash " + P("folder.bin"),
       "vnstudio-cli: cannot read " + P("folder.bin") + ": Is a directory\n"},
      {"erase --device WF" + virt + " --virtual-flash /dev/zero", "vnstudio-cli: cannot read /dev/zero: Not a regular file\n"},
      {"verify " + P("prog.bas") + virt + " --virtual-flash " + P("fifo"), "vnstudio-cli: cannot read " + P("fifo") + ": Not a regular file\n"},
  };
  for (const char* command : {"download", "verify", "read-flash"})
    cases.push_back({std::string(command) + " " + P("prog.bas") + virt + " --virtual-flash " + P("notes.txt"),
                     "vnstudio-cli: " + P("notes.txt") + ": Not a flash image (108917 bytes, not 65536)\n"});
  if (::geteuid() == 0)
    cases.push_back({"compile " + P("prog.bas") + " -o " + P("null"), "vnstudio-cli: cannot write " + P("null") + ": Not a regular file\n"});

  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = Exec(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
    ExpectAllKept(c.args);
  }
}

TEST_F(FileErrors, ASourceNamedLikeItsCompileCopyIsNotWrittenOver) {
  // The debugger's compile copy is the source's name less four characters, plus ".$$$": for
  // "prog.$$$" that is the source itself.
  const std::string source = Write("prog.$$$", kVnmSource).string();
  const CliRun r = Exec("debug '" + source + "' --cable virtual", "quit\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, source + ": error: Open Error:" + source + ": Same file as the input\n");
  EXPECT_EQ(ReadAll(source), kVnmSource);
}

TEST_F(FileErrors, ReadingTheModuleNeverWritesItsKeptFlash) {
  const std::string kept = " --cable virtual --virtual-flash " + P("flash.bin");
  CliRun r = Exec("verify " + P("prog.bas") + kept);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Verify OK !\n");
  r = Exec("read-flash " + P("prog.obj") + " --device WF" + kept + " -o " + P("dump.bin"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(fs::file_size(dir_ / "dump.bin"), fs::file_size(dir_ / "prog.obj") - 9);
  // Not even rewritten with the same bytes: the file is the one SetUp left.
  ExpectAllKept("verify and read-flash");
}

TEST_F(FileErrors, ASourceTooLargeForAnyProgramIsRefusedUnread) {
  const std::string huge(vn::core::MaxFileBytes(vn::core::FileKind::kSource) + 1, '\'');
  Write("huge.bas", huge);
  const CliRun r = Exec("compile " + P("huge.bas"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "vnstudio-cli: cannot read " + P("huge.bas") + ": File too large (16777217 bytes, at most 16777216)\n");
}

TEST_F(FileErrors, AnUnreadableSettingsFileIsSaidAndTheDefaultsServe) {
  // The settings file is a folder: no crash, one line, and the command goes on.
  fs::create_directories(dir_ / "config" / "vnstudio" / "VNSTUDIO.INI");
  const CliRun r = Exec("download " + P("prog.bas") + " --cable virtual");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Code Size : 29 Byte\n");
  EXPECT_EQ(r.err, "vnstudio-cli: cannot read " + (dir_ / "config" / "vnstudio" / "VNSTUDIO.INI").string() +
                       ": Is a directory (the defaults are used)\n");
  EXPECT_TRUE(fs::is_directory(dir_ / "config" / "vnstudio" / "VNSTUDIO.INI"));
}

TEST_F(FileErrors, AKeptFlashThatCannotBeSavedIsAFailure) {
  // A file size limit below a flash image fails the save part-way, as a full disk does.
  const std::string flash = P("new-flash.bin");
  const CliRun r = vn::testing::RunShell("trap '' XFSZ; ulimit -f 32; XDG_CONFIG_HOME=" + P("config") + " " +
                                         VN_CLI_PATH + " download " + P("prog.bas") + " --cable virtual --virtual-flash " +
                                         flash + " 2>" + P("stderr.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadAll(dir_ / "stderr.txt"), "vnstudio-cli: cannot write " + flash + ": File too large\n");
  EXPECT_EQ(r.out, "");  // no "Code Size": the download did not last
  EXPECT_FALSE(fs::exists(flash));
  ExpectAllKept("a failed save");
}

// Starts vnstudio-cli with `args` in the background; its output goes to files in `dir`.
pid_t Start(const fs::path& dir, const std::string& args, const std::string& tag) {
  const std::string command = "XDG_CONFIG_HOME=" + (dir / "config").string() + " " + VN_CLI_PATH + " " + args + " >" +
                              (dir / (tag + ".out")).string() + " 2>" + (dir / (tag + ".err")).string() + " </dev/null";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

int Reap(pid_t pid) {
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(FileErrors, ADownloadWaitsForTheKeptFlashAndBuildsOnWhatItHoldsThen) {
  // We hold the flash file's lock, as another download would. The command must wait, then load
  // the flash as we left it: our mark far past its program survives its save.
  const std::string flash = P("flash.bin");
  vn::core::FileLock lock;
  ASSERT_TRUE(lock.Lock(flash).ok());
  const pid_t pid = Start(dir_, "download " + P("prog.bas") + " --cable virtual-revb --virtual-flash " + flash, "dl");
  ASSERT_GT(pid, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  int raw = 0;
  EXPECT_EQ(::waitpid(pid, &raw, WNOHANG), 0) << "the download did not wait for the lock";
  std::string image = ReadAll(flash);
  image.replace(60000, 8, "OUR MARK");
  ASSERT_TRUE(vn::core::ReplaceFile(flash, image).ok());
  lock.Unlock();
  EXPECT_EQ(Reap(pid), 0) << ReadAll(dir_ / "dl.err");
  EXPECT_EQ(ReadAll(dir_ / "dl.out"), "Code Size : 29 Byte\n");
  const std::string after = ReadAll(flash);
  ASSERT_EQ(after.size(), 65536u);
  EXPECT_EQ(after.substr(60000, 8), "OUR MARK");
  const std::string obj = ReadAll(dir_ / "prog.obj");
  EXPECT_EQ(after.substr(0, obj.size() - 9), obj.substr(8, obj.size() - 9));
}

TEST_F(FileErrors, TwoDownloadsIntoOneKeptFlashAtOnceLoseNeitherProgram) {
  // A long program and a short one into the same blank flash at the same moment. Serialised,
  // the flash ends as the long program, or as the short one over the long one's tail; only an
  // update lost (both loading the blank flash) leaves the short one over blank bytes.
  std::string long_source = "CONST DEVICE = WF\r\nDIM A AS BYTE\r\n";
  for (int i = 0; i < 60; ++i) long_source += "A = A + " + std::to_string(i % 9 + 1) + "\r\n";
  long_source += "L: GOTO L\r\n";
  Write("long.bas", long_source);
  const std::string flash = P("shared.bin");
  ASSERT_EQ(Exec("download " + P("long.bas") + " --cable virtual --virtual-flash " + flash).status, 0);
  const std::string long_image = ReadAll(flash);
  ASSERT_EQ(Exec("download " + P("prog.bas") + " --cable virtual --virtual-flash " + flash).status, 0);
  const std::string both = ReadAll(flash);  // the short program over the long one's tail
  ASSERT_NE(both, long_image);
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    fs::remove(flash);
    const pid_t a = Start(dir_, "download " + P("long.bas") + " --cable virtual --virtual-flash " + flash, "a");
    const pid_t b = Start(dir_, "download " + P("prog.bas") + " --cable virtual --virtual-flash " + flash, "b");
    EXPECT_EQ(Reap(a), 0) << ReadAll(dir_ / "a.err");
    EXPECT_EQ(Reap(b), 0) << ReadAll(dir_ / "b.err");
    const std::string now = ReadAll(flash);
    EXPECT_TRUE(now == long_image || now == both) << "an update was lost";
  }
}

}  // namespace
