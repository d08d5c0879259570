// vnstudio-cli as scripts and users meet it: for each command line the exit status and the
// message on standard output and error, whole or (after "~") the part that matters. Text of the
// user's that it prints (names, file names, options, typed commands) reaches the terminal with
// its control bytes escaped, and a command leaves every file it was not asked to write exactly
// as it was. The exit statuses are those of the man page's table, which is read here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "core/file_io.h"
#include "readme_text.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using vn::testing::CliRun;
using vn::testing::ReadAll;

// What a path is on the disk (mode, inode, device, a regular file's bytes), to tell that it is
// still the very same thing afterwards; "" when it is not there.
std::string Look(const fs::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return "";
  return std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_rdev) + " " +
         (S_ISREG(st.st_mode) ? ReadAll(p) : "");
}

// Where the first byte a terminal would act on (not a line end or a tab) is; -1 for none.
long FirstControlByte(const std::string& text) {
  const auto at = std::find_if(text.begin(), text.end(), [](unsigned char b) { return (b < 0x20 && b != '\n' && b != '\t') || b == 0x7F; });
  return at == text.end() ? -1 : at - text.begin();
}

// `want` whole, or (after "~") a part of `got`.
void ExpectText(const std::string& got, const std::string& want) {
  EXPECT_TRUE(want.rfind('~', 0) == 0 ? got.find(want.substr(1)) != std::string::npos : got == want) << got << "\nnot: " << want;
}

constexpr char kVnm[] = "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n";
// Korean and an emoji (text), the C1 control CSI, a lone continuation byte and a byte no UTF-8 has.
constexpr char kBadName[] = "\xED\x95\x9C\xEA\xB8\x80\xF0\x9F\x98\x80\xC2\x9B" "31m\x80\xFF.bas";

class CliRows : public vn::testing::CliTest {
 protected:
  CliRows() : CliTest("vn_cli_rows_test") {}

  void SetUp() override {
    CliTest::SetUp();
    const std::pair<std::string, std::string> files[] = {
        {"prog.bas", kVnm}, {"prog.$$$", kVnm}, {"vn.bas", "DIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n"},
        {"ok.bas", "DIM A AS BYTE\r\nA = 1\r\n"}, {"bad.bas", "DIM A AS BYTE\r\nA = \r\n"},
        {"long.bas", "DIM A AS BYTE\nA = 1\nDIM B AS LONG\n"},
        {"start.bas", "START:\n"}, {"broken.obj", "VN2001"}, {"notes.txt", std::string(108917, 'n')},
        {"flash100.bin", std::string(100, '\xFF')}, {"stop.bas", "DIM A AS BYTE\r\nBREAK\r\nA = 1\r\n"},
        {"fault.bas", "DIM A AS BYTE, B AS BYTE\r\nA = A / B\r\n"}, {"slow.bas", "TOP: TOGGLE 2\r\nDELAY 100\r\nGOTO TOP\r\n"},
        {"wait.bas", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 0, T, [A]\r\nT:\r\n"},
        {"debug.bas", "DIM N AS BYTE\r\nBREAK\r\nL: N = N + 1\r\nGOTO L\r\n"},
        {"n1.bas", "DIM A AS BYTE\r\nGOTO Q\x1B\r\n"}, {"n2.bas", "DIM A AS BYTE\r\nGOTO Q\0R\r\n"s},
        {"n3.bas", "DIM A AS BYTE\r\nGOTO Q\x7F\r\n"},
        {kBadName, "DIM A AS BYTE\r\nA =\r\n"}, {"labels.bas", "A\x1B: GOTO A\x1B\r\nB\x7F:\r\n"},
        {"show.bas", "PRINT \"\x1B[2J\"\r\nSEROUT 1, 96, 0, 0, [\"\x1B]0;t\x07\", 0, 127]\r\n"},
        {"dbg.bas", "DIM A\x7F AS BYTE\r\nBREAK\r\nA\x7F = 1 ' \x1B[2J\0\r\nBREAK\r\n"s},
    };
    for (const auto& [name, bytes] : files) Write(name, bytes);
    ASSERT_EQ(Exec("compile " + P("prog.bas") + " -o " + P("prog.obj")).status, 0);
    ASSERT_EQ(Exec("download " + P("prog.bas") + " --cable virtual --virtual-flash " + P("flash.bin")).status, 0);
    for (const char* folder : {"folder.bas", "folder.obj", "folder.bin"}) fs::create_directory(dir_ / folder);
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    fs::create_symlink("prog.bas", dir_ / "link.bas");
    fs::create_symlink("nowhere.bas", dir_ / "dangling.bas");
    fs::create_symlink("/dev/zero", dir_ / "zero.obj");
    for (const auto& entry : fs::directory_iterator(dir_)) kept_[entry.path()] = Look(entry.path());
    kept_["/dev/null"] = Look("/dev/null");
  }

  // Every file of the scratch folder as SetUp left it (and /dev/null).
  void ExpectAllKept(const std::string& after) {
    for (const auto& [path, before] : kept_)
      EXPECT_TRUE(path.filename() == "stdin.txt" || path.filename() == "stderr.txt" || Look(path) == before) << path << " changed by: " << after;
  }

  std::map<fs::path, std::string> kept_;
};

// The rows of the man page's EXIT STATUS table, "command|outcome|status" lines between .TS and
// .TE after the heading; "_" lines are rules, and a hyphen is written \-.
std::vector<std::string> ManPageRows() {
  std::vector<std::string> rows;
  std::istringstream in(ReadAll(fs::path(VN_SOURCE_DIR) / "data" / "vnstudio-cli.1"));
  bool in_body = false;
  for (std::string line; std::getline(in, line) && line != ".TE";) {
    if (in_body && line != "_") rows.push_back(vn::testing::ReplaceAll(line, "\\-", "-"));
    in_body = in_body || line.rfind("\\fBCommand", 0) == 0;
  }
  return rows;
}

// Every row is a command line and what it gives. A row that names an outcome of the man page's
// EXIT STATUS table ("command|outcome") provokes it; the table and these rows name the same
// outcomes, so that the page and the program cannot drift.
TEST_F(CliRows, EachCommandLineGivesItsStatusAndMessage) {
  struct Row { std::string table, args; int status; std::string out = "~", err = "~", input = {}; };
  const std::string virt = " --cable virtual", kept = " --virtual-flash " + P("flash.bin"), wf = " --device WF";
  const std::string prog = P("prog.bas"), vn = P("vn.bas"), ok = P("ok.bas"), dbg = P("dbg.bas"), bad = P("bad.bas");
  const std::string unplugged = virt + " --virtual-fault unplugged", debug = P("debug.bas"), broken = P("broken.obj");
  const auto read = [this](const std::string& n) { return "vnstudio-cli: cannot read " + P(n) + ": "; };
  const auto write = [this](const std::string& n) { return "vnstudio-cli: cannot write " + P(n) + ": "; };
  const auto open = [this](const std::string& n) { return "File Open Error :" + P(n) + ": "; };
  const std::string dbg_input = "step\nvars\nset Z\x1B[2J 1\nfrob\x1B[2J\nquit\n", same = "Same file as the input\n";
  const std::string trace = " --cable virtual --trace-wire";
  const std::string dir = "Is a directory\n", odd = "Not a regular file\n", none = "No such file or directory\n";
  std::vector<Row> rows = {
      {"identify|a module answered", "identify --cable virtual --device KF", 0, "VN series\nF/W Version is 32\n", ""},
      {"identify|no module", "identify" + unplugged, 1},
      {"monitor|a port that cannot be opened", "monitor --port /dev/vn-no-such-port --baud 9600", 1, ""},
      {"monitor|a refused option", "monitor --port /dev/null --baud 601", 2, "", "~no program's serial line runs at 601 baud"},
      {"monitor|an unknown code set", "monitor --port /dev/null --baud 9600 --encoding latin1", 2, ""},
      {"identify|a refused option", "identify --cable parallel", 2},
      {"compile|compiled", "compile --device WF " + P("long.bas"), 0, "", ""},
      {"", "compile", 2, "", "vnstudio-cli: FILE.bas is required (see vnstudio-cli --help)\n"},
      {"", "frobnicate", 2, "", "vnstudio-cli: A subcommand is required (see vnstudio-cli --help)\n"},
      {"list|compiled", "list " + P("start.bas"), 0, "~18 : 88 18 00 00 00 00 00 00 \n", ""},
      {"list|a refused option", "list --device XX " + ok, 2},
      // Control bytes in names, file names, options, the run's output and the debugger's lines.
      {"compile|a compile error", "compile " + P("n1.bas"), 1, "", P("n1.bas") + ":2: error: Invalid label : Q\\x1B\n"},
      {"list|a compile error", "list " + P("n2.bas"), 1, "", P("n2.bas") + ":2: error: Invalid label : Q\\x00R\n"},
      {"run|a compile error", "run " + P("n3.bas"), 1, "", P("n3.bas") + ":2: error: Invalid label : Q\\x7F\n"},
      {"", "list " + P("labels.bas"), 0, "~ 0  : A\\x1B = 18\n 1  : B\\x7F = 1B\n", ""},
      {"", "compile '" + P(kBadName) + "'", 1, "", "~" + P("\xED\x95\x9C\xEA\xB8\x80\xF0\x9F\x98\x80\\xC2\\x9B" "31m\\x80\\xFF.bas") + ":2: error: "},
      {"compile|no such file", "compile '" + P("missing\x1B[2J.bas") + "'", 2, "", read("missing\\x1B[2J.bas") + none},
      {"download|no such object file", "download '" + P("missing\x1B[2J.obj") + "'" + virt, 2, "", open("missing\\x1B[2J.obj") + none},
      {"run|the program ended", "run " + P("show.bas"), 0, "~display row 0 col 0 \"\\x1B[2J\"", ""},
      {"run|a refused input item", "run --input 'port:\x1B[2J=1' " + ok, 2, "", "vnstudio-cli: --input 'port:\\x1B[2J=1': the port must be a number from 0 to 64, not '\\x1B[2J'\n"},
      {"compile|a refused option", "compile --device '\x1B[2J' " + ok, 2, "", "vnstudio-cli: unknown device '\\x1B[2J' (KD KF LF LG ND NG WD WF ZQ1 ZQ2)\n"},
      {"run|a refused option", "run --max-steps '1\x1B[2J' " + ok, 2, "", "vnstudio-cli: --max-steps: '1\\x1B[2J' is not a whole number in decimal digits (see vnstudio-cli --help)\n"},
      {"download|a refused option", "download " + ok + virt + " --virtual-fault 'cut\x1B'", 2, "", "vnstudio-cli: unknown fault 'cut\\x1B' (unplugged no-power other-family bad-flash:ADDR cut:N)\n"},
      {"debug|the session ended", "debug " + debug + wf + virt, 0, "~", "~", "step\nquit\n"},
      {"", "debug " + dbg + wf + virt, 0, "~line 3: A\\x7F = 1 ' \\x1B[2J\\x00\n", "~Variable Not Found : Z\\x1B[2J\n", dbg_input},
      // Folders, FIFOs, devices, links and the input as the output: one line, status 2.
      {"compile|a directory as FILE.bas", "compile " + P("folder.bas"), 2, "", read("folder.bas") + dir},
      {"", "compile " + P("fifo"), 2, "", read("fifo") + odd},
      {"", "compile " + P("link.bas"), 0, "", ""}, {"", "compile " + P("dangling.bas"), 2, "", read("dangling.bas") + none},
      {"list|no such file", "list " + P("missing.bas"), 2, "", read("missing.bas") + none},
      {"list|a directory as FILE.bas", "list " + P("folder.bas"), 2},
      {"run|no such file", "run " + P("missing.bas"), 2},
      {"run|a directory as FILE.bas", "run " + P("folder.bas"), 2},
      {"run|a directory as FILE.obj", "run " + P("folder.obj"), 2, "", read("folder.obj") + dir},
      {"run|a malformed object file", "run " + broken, 2},
      {"debug|a directory as FILE.bas", "debug " + P("folder.bas") + virt, 2, "", read("folder.bas") + dir, "quit\n"},
      {"download|a directory as FILE.bas", "download " + P("folder.bas") + virt, 2, "", read("folder.bas") + dir},
      {"download|a directory as FILE.obj", "download " + P("folder.obj") + virt, 2, "", open("folder.obj") + dir},
      {"verify|no such object file", "verify " + P("missing.obj") + wf + virt, 2, "", open("missing.obj") + none},
      {"verify|a directory as FILE.obj", "verify " + P("folder.obj") + wf + virt, 2},
      {"verify|a malformed object file", "verify " + broken + wf + virt, 2},
      {"read-flash|a directory as FILE.obj", "read-flash " + P("folder.obj") + wf + virt, 2, "", open("folder.obj") + dir},
      {"read-flash|no such object file", "read-flash " + P("missing.obj") + wf + virt, 2},
      {"read-flash|a malformed object file", "read-flash " + broken + wf + virt, 2},
      {"", "compile " + prog + " -o " + prog, 2, "", write("prog.bas") + same},
      {"compile|an object file that cannot be written", "compile " + prog + " -o " + P("folder.obj"), 2, "", write("folder.obj") + dir},
      {"", "read-flash " + P("prog.obj") + wf + virt + kept + " -o " + P("flash.bin"), 2, "", write("flash.bin") + same},
      {"read-flash|an output file that cannot be written", "read-flash " + prog + virt + " -o " + P("folder.bin"), 2, "", write("folder.bin") + dir},
      {"erase|a directory as the kept flash file", "erase" + wf + virt + " --virtual-flash " + P("folder.bas"), 2},
      // The debugger's compile copy of "prog.$$$" would be the source itself.
      {"", "debug '" + P("prog.$$$") + "'" + virt, 2, "", P("prog.$$$") + ": error: Open Error:" + P("prog.$$$") + ": " + same, "quit\n"},
      // Reading the module never writes its kept flash, not even with the same bytes.
      {"verify|the flash holds the program", "verify " + prog + virt + kept, 0, "Verify OK !\n", ""},
      {"read-flash|read", "read-flash " + prog + virt + kept, 0, "~0 : 20 20 20 20 20 20 20 20 \n", ""},
      // Downloads and erases on each virtual cable; no progress bar when stderr is no terminal.
      {"download|downloaded", "download " + prog + virt, 0, "Code Size : 29 Byte\n", ""},
      {"", "download " + vn + " --cable virtual-dummy --device LG", 0, "Code Size : 27 Byte\n", ""},
      {"erase|erased", "erase --cable virtual --device WF", 0, "Code Size : 1B Byte\n", ""},
      // One kept virtual module takes each program's series in turn, without a mismatch.
      {"", "download " VN_SOURCE_DIR "/examples/interrupt.bas" + virt + " --virtual-flash " + P("kept.bin"), 0, "Code Size : 42 Byte\n", ""},
      {"", "download " + vn + virt + " --virtual-flash " + P("kept.bin"), 0, "Code Size : 27 Byte\n", ""},
      {"", "download " + prog + virt + " --virtual-flash " + P("kept.bin"), 0, "Code Size : 29 Byte\n", ""},
      // Module failures: the IDE's message and status 1 (each message is checked at the link).
      {"download|no module", "download " + prog + unplugged, 1, "", "Can't find VARNOLIC USB CABLE on USB Port\nCan't find USB cable\n"},
      {"", "download " + prog + " --cable virtual-revb --virtual-fault bad-flash:30", 1, "", "Check Sum Unmatch !!!   PC : 552  VARNOLIC : 553\n"},
      // --trace-wire: each command that talks to a module traces its exchange, the cable's bytes with it.
      {"", "identify --device WF" + trace, 0, "~", "usb> 10 20\nusb< 07 08\nusb> 20 20\nusb< 00 00\n> 67\nusb> 07 06\nusb< 01 01\n< 11\n> 56\nusb> 06 05\nusb< 00 02\n< 20\n"},
      {"", "identify --device KF" + trace, 0, "~", "usb> 10 20\nusb< 07 08\nusb> 20 20\nusb< 01 00\n> 56\nusb> 06 05\nusb< 00 02 04 01 00 05 01 00 00 00 00 00 00 00\n< 20 14 50 01 00 00 00\n"},
      {"", "download " + P("prog.obj") + wf + trace, 0, "~", "~\n> 34 29 00 20 20 20 20 20 20 20 20 20 20 20 20 20\n> 20 20 20 20 20 20 20 20 20 20 20 91 15 00 00 15\n"},
      {"", "erase" + wf + trace, 0, "~", "~\n> 34 1B 00 20 20 20 20 20 20 20 20 20 20 20 20 20\n"},
      {"", "read-flash " + prog + trace, 0, "~", "~> 78 29 00\nusb> 08 07 09 02 00 00\nusb< 0F 0F"},
      {"", "verify " + prog + trace, 1, "", "~\n< FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"},
      {"", "debug " + debug + wf + trace, 0, "~", "~\n> 67\nusb> 07 06\n", "quit\n"},
      {"erase|no module", "erase" + unplugged, 1},
      {"erase|a refused option", "erase --cable virtual-revb --port 0x10000", 2},
      {"verify|a difference", "verify " + prog + virt, 1, "", "Verify Error at 0  PC : 20  VARNOLIC : FF\n"},  // a blank module
      {"verify|no module", "verify " + prog + unplugged, 1},
      {"verify|a compile error", "verify " + bad + virt, 1},
      {"verify|a refused option", "verify " + prog + virt + " --port 0x10000", 2},
      {"read-flash|no module", "read-flash " + prog + " --cable virtual-revb --virtual-fault no-power", 1, "", "VARNOLIC module not found ! Check cable or power\n"},
      {"read-flash|a compile error", "read-flash " + bad + virt, 1},
      {"read-flash|a refused option", "read-flash " + prog + virt + " --virtual-fault melted", 2},
      {"download|a malformed object file", "download " + broken + virt, 2, "", "File Format Error :" + broken + "\n"},
      {"download|a compile error", "download " + bad + virt, 1, "", "~" + bad + ":2: error: "},
      {"download|no such file", "download " + P("missing.bas") + virt, 2},
      {"run|a BREAK statement", "run " + P("stop.bas"), 0},
      {"run|a fault in the program", "run " + P("fault.bas"), 3},
      {"run|the step limit", "run --max-steps 5 " + P("slow.bas"), 4},
      {"run|the time limit", "run --max-time 250 " + P("slow.bas"), 4},
      {"run|waiting for serial input", "run " + P("wait.bas"), 4},
      {"debug|a compile error", "debug " + bad + virt, 1, "~", "~", "quit\n"},
      {"debug|no module", "debug " + debug + wf + unplugged, 1, "~", "~", "quit\n"},
      {"debug|a link failure during the session", "debug " + debug + wf + " --cable virtual-revb --virtual-fault cut:10", 1, "~", "~", "step\nquit\n"},
      {"debug|a refused option", "debug " + debug + virt + " --wait 600001", 2, "~", "~", "quit\n"},
      {"debug|no such file", "debug " + P("missing.bas") + virt, 2, "~", "~", "quit\n"},
  };
  rows.push_back({"download|a kept flash file that is no flash image", "download " + prog + virt + " --virtual-flash " + P("notes.txt"), 2, "", "vnstudio-cli: " + P("notes.txt") + ": Not a flash image (108917 bytes, not 65536)\n"});
  std::vector<std::string> table;
  std::map<std::string, int> per_command;
  for (const Row& row : rows) {
    SCOPED_TRACE("vnstudio-cli " + row.args);
    const CliRun r = Exec(row.args, row.input);
    EXPECT_EQ(r.status, row.status) << r.err;
    ExpectText(r.out, row.out);
    ExpectText(r.err, row.err);
    EXPECT_EQ(FirstControlByte(r.out), -1) << r.out;
    EXPECT_EQ(FirstControlByte(r.err), -1) << r.err;
    // A usage or file error is one line that says what is wrong; success and a program's own
    // stops say nothing on standard error.
    EXPECT_TRUE(row.status != 2 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
    ExpectAllKept(row.args);
    if (row.table.empty()) continue;
    EXPECT_TRUE((row.status != 0 && row.status <= 2) || r.err.empty()) << r.err;
    table.push_back(row.table + "|" + std::to_string(row.status));
    ++per_command[row.table.substr(0, row.table.find('|'))];
  }
  std::vector<std::string> page = ManPageRows();
  ASSERT_GE(page.size(), 40u) << "the EXIT STATUS table was not found in the man page";
  std::sort(page.begin(), page.end());
  std::sort(table.begin(), table.end());
  EXPECT_EQ(page, table);
  for (const char* command : {"compile", "list", "run", "identify", "download", "verify", "read-flash", "erase", "debug", "monitor"})
    EXPECT_GE(per_command[command], 3) << command;
}

TEST_F(CliRows, TheVirtualFlashKeepsTheProgramBetweenRunsAndUnreadableSettingsAreSaid) {
  const std::string flash = " --virtual-flash " + P("flash.bin"), obj = P("prog.obj");  // the program SetUp downloaded
  // The dump is the object file's code: no header, no checksum byte.
  ASSERT_EQ(Exec("read-flash " + obj + " --device WF --cable virtual -o " + P("dump.bin") + flash).status, 0);
  const std::string obj_bytes = ReadAll(obj);
  EXPECT_EQ(ReadAll(dir_ / "dump.bin"), obj_bytes.substr(8, obj_bytes.size() - 9));
  ASSERT_EQ(Exec("erase --device WF --cable virtual" + flash).status, 0);
  const CliRun r = Exec("verify " + P("prog.bas") + " --cable virtual" + flash);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Verify Error at 18  PC : 91  VARNOLIC : 88\n");
  // A settings file that cannot be read is said, and the defaults serve.
  fs::create_directories(dir_ / "config" / "vnstudio" / "VNSTUDIO.INI");
  const CliRun d = Exec("download " + P("prog.bas") + " --cable virtual");
  EXPECT_EQ(std::to_string(d.status) + d.out, "0Code Size : 29 Byte\n");
  EXPECT_EQ(d.err, "vnstudio-cli: cannot read " + P("config/vnstudio/VNSTUDIO.INI") + ": Is a directory (the defaults are used)\n");
  EXPECT_TRUE(fs::is_directory(dir_ / "config" / "vnstudio" / "VNSTUDIO.INI"));
}

TEST_F(CliRows, AKeptFlashThatCannotBeSavedIsAFailure) {
  // A file size limit below a flash image fails the save part-way, as a full disk does: the
  // kept flash stays as it was, and no other file is left beside it.
  for (const char* flash : {"new.bin", "flash.bin"}) {
    const CliRun r = vn::testing::RunShell("trap '' XFSZ; ulimit -f 32; " + Cli() + "download " + P("vn.bas") +
                                           " --cable virtual --virtual-flash " + P(flash) + " 2>" + P("stderr.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadAll(dir_ / "stderr.txt"), "vnstudio-cli: cannot write " + P(flash) + ": File too large\n");
    EXPECT_EQ(r.out, "");  // no "Code Size": the download did not last
    ExpectAllKept("a failed save");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), static_cast<long>(kept_.size()) - 1);
  }
}

TEST_F(CliRows, ADownloadWaitsForTheKeptFlashAndBuildsOnWhatItHoldsThen) {
  // We hold the flash file's lock, as another download would. The command must wait, then load
  // the flash as we left it: our mark far past its program survives its save.
  const std::string flash = P("flash.bin");
  std::future<CliRun> download;  // joined after the lock is given back, whatever fails
  vn::core::FileLock lock;
  ASSERT_TRUE(lock.Lock(flash).ok());
  download = std::async(std::launch::async, [&] { return Exec("download " + P("prog.bas") + " --cable virtual-revb --virtual-flash " + flash); });
  EXPECT_EQ(download.wait_for(std::chrono::milliseconds(400)), std::future_status::timeout) << "the download did not wait for the lock";
  std::string image = ReadAll(flash);
  image.replace(60000, 8, "OUR MARK");
  ASSERT_TRUE(vn::core::ReplaceFile(flash, image).ok());
  lock.Unlock();
  const CliRun r = download.get();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Code Size : 29 Byte\n");
  const std::string after = ReadAll(flash), obj = ReadAll(P("prog.obj"));
  ASSERT_EQ(after.size(), 65536u);
  EXPECT_EQ(after.substr(60000, 8), "OUR MARK");
  EXPECT_EQ(after.substr(0, obj.size() - 9), obj.substr(8, obj.size() - 9));
}

}  // namespace
