// Every command of vnstudio-cli against every outcome it can have, with the exit status the man
// page's table gives for it. The table in data/vnstudio-cli.1 is the one statement of the
// statuses: this test reads it, runs a case for each of its rows, and fails on a row it has no
// case for and on a case the table has no row for, so the page and the program cannot drift.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;

struct Row {
  std::string command, outcome;
  int status = -1;
  bool operator==(const Row&) const = default;
};

// The rows of the EXIT STATUS table: "command|outcome|status" lines between .TS and .TE, after
// the format line (ending in ".") and the heading; "_" lines are rules.
std::vector<Row> ManPageRows() {
  std::ifstream in(fs::path(VN_SOURCE_DIR) / "data" / "vnstudio-cli.1");
  std::vector<Row> rows;
  std::string line;
  bool in_table = false, in_body = false;
  while (std::getline(in, line)) {
    if (line == ".TS") {
      in_table = true;
      continue;
    }
    if (!in_table) continue;
    if (line == ".TE") break;
    if (!in_body) {
      in_body = line.rfind("\\fBCommand", 0) == 0;  // the heading ends the format lines
      continue;
    }
    if (line == "_") continue;
    std::string cells[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
      const size_t bar = i < 2 ? line.find('|', start) : line.size();
      if (bar == std::string::npos) break;
      cells[i] = line.substr(start, bar - start);
      start = bar + 1;
    }
    // Man pages write a hyphen as \-.
    for (std::string* cell : {&cells[0], &cells[1]})
      for (size_t at; (at = cell->find("\\-")) != std::string::npos;) cell->erase(at, 1);
    rows.push_back({cells[0], cells[1], cells[2].empty() ? -1 : std::stoi(cells[2])});
  }
  return rows;
}

// One outcome provoked: the command line after "vnstudio-cli", its standard input, and the
// commands that prepare it.
struct Case {
  Row row;
  std::string args;
  std::string input = {};
  std::vector<std::string> before = {};
};

class ExitStatus : public vn::testing::CliTest {
 protected:
  ExitStatus() : CliTest("vn_exit_status_test") {}

  void SetUp() override {
    CliTest::SetUp();
    ok_ = Write("ok.bas", "DIM A AS BYTE\r\nA = 1\r\n").string();
    vnm_ = Write("vnm.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nL: A = A + 1\r\nGOTO L\r\n").string();
    bad_ = Write("bad.bas", "DIM A AS BYTE\r\nA = \r\n").string();
    broken_ = Write("broken.obj", "VN2001").string();
    flash_ = Write("flash.bin", std::string(100, '\xFF')).string();  // not the 65536 bytes of a flash
    fs::create_directory(dir_ / "folder.bas");
    fs::create_directory(dir_ / "folder.obj");
    const std::string stop = Write("stop.bas", "DIM A AS BYTE\r\nBREAK\r\nA = 1\r\n").string();
    const std::string fault = Write("fault.bas", "DIM A AS BYTE, B AS BYTE\r\nA = A / B\r\n").string();
    const std::string slow = Write("slow.bas", "TOP: TOGGLE 2\r\nDELAY 100\r\nGOTO TOP\r\n").string();
    const std::string wait = Write("wait.bas", "DIM A AS BYTE\r\nSERIN 1, 96, 0, 0, T, [A]\r\nT:\r\n").string();
    const std::string debug = Write("debug.bas", "DIM N AS BYTE\r\nBREAK\r\nL: N = N + 1\r\nGOTO L\r\n").string();
    const std::string obj = (dir_ / "vnm.obj").string();
    const std::string folder_bas = (dir_ / "folder.bas").string();
    const std::string folder_obj = (dir_ / "folder.obj").string();
    const std::string missing_bas = (dir_ / "missing.bas").string();
    const std::string missing_obj = (dir_ / "missing.obj").string();
    const std::string nowhere = (dir_ / "no-such-folder" / "out").string();
    const std::string kept = " --virtual-flash " + (dir_ / "kept.bin").string();
    const std::string compile_obj = "compile " + vnm_ + " -o " + obj;
    const std::string virt = " --cable virtual";
    const std::string unplugged = virt + " --virtual-fault unplugged";

    cases_ = {
        {{"compile", "compiled", 0}, "compile " + ok_},
        {{"compile", "a compile error", 1}, "compile " + bad_},
        {{"compile", "a refused option", 2}, "compile --lang fr " + ok_},
        {{"compile", "no such file", 2}, "compile " + missing_bas},
        {{"compile", "a directory as FILE.bas", 2}, "compile " + folder_bas},
        {{"compile", "an object file that cannot be written", 2}, "compile " + ok_ + " -o " + nowhere},

        {{"list", "compiled", 0}, "list " + ok_},
        {{"list", "a compile error", 1}, "list " + bad_},
        {{"list", "a refused option", 2}, "list --device XX " + ok_},
        {{"list", "no such file", 2}, "list " + missing_bas},
        {{"list", "a directory as FILE.bas", 2}, "list " + folder_bas},

        {{"run", "the program ended", 0}, "run " + ok_},
        {{"run", "a BREAK statement", 0}, "run " + stop},
        {{"run", "a compile error", 1}, "run " + bad_},
        {{"run", "a refused option", 2}, "run --max-steps -1 " + ok_},
        {{"run", "a refused input item", 2}, "run --input port:65=1 " + ok_},
        {{"run", "no such file", 2}, "run " + missing_bas},
        {{"run", "a directory as FILE.bas", 2}, "run " + folder_bas},
        {{"run", "a directory as FILE.obj", 2}, "run " + folder_obj},
        {{"run", "a malformed object file", 2}, "run " + broken_},
        {{"run", "a fault in the program", 3}, "run " + fault},
        {{"run", "the step limit", 4}, "run --max-steps 5 " + slow},
        {{"run", "the time limit", 4}, "run --max-time 250 " + slow},
        {{"run", "waiting for serial input", 4}, "run " + wait},
        {{"monitor", "a port that cannot be opened", 1}, "monitor --port /dev/vn-no-such-port --baud 9600"},
        {{"monitor", "a refused option", 2}, "monitor --port /dev/null --baud 9601"},
        {{"monitor", "an unknown code set", 2}, "monitor --port /dev/null --baud 9600 --encoding latin1"},

        {{"identify", "a module answered", 0}, "identify --device WF" + virt},
        {{"identify", "no module", 1}, "identify" + unplugged},
        {{"identify", "a refused option", 2}, "identify --cable parallel"},

        {{"download", "downloaded", 0}, "download " + vnm_ + virt},
        {{"download", "a compile error", 1}, "download " + bad_ + virt},
        {{"download", "no module", 1}, "download " + vnm_ + unplugged},
        {{"download", "a refused option", 2}, "download " + vnm_ + " --cable revb --virtual-fault no-power"},
        {{"download", "no such file", 2}, "download " + missing_bas + virt},
        {{"download", "no such object file", 2}, "download " + missing_obj + virt},
        {{"download", "a directory as FILE.bas", 2}, "download " + folder_bas + virt},
        {{"download", "a directory as FILE.obj", 2}, "download " + folder_obj + virt},
        {{"download", "a malformed object file", 2}, "download " + broken_ + virt},
        {{"download", "a kept flash file that is no flash image", 2}, "download " + vnm_ + virt + " --virtual-flash " + flash_},

        {{"verify", "the flash holds the program", 0}, "verify " + vnm_ + virt + kept, "", {"download " + vnm_ + virt + kept}},
        {{"verify", "a difference", 1}, "verify " + vnm_ + virt},
        {{"verify", "no module", 1}, "verify " + vnm_ + unplugged},
        {{"verify", "a compile error", 1}, "verify " + bad_ + virt},
        {{"verify", "a refused option", 2}, "verify " + vnm_ + " --cable virtual --port 0x10000"},
        {{"verify", "no such object file", 2}, "verify " + missing_obj + " --device WF" + virt},
        {{"verify", "a directory as FILE.obj", 2}, "verify " + folder_obj + " --device WF" + virt},
        {{"verify", "a malformed object file", 2}, "verify " + broken_ + " --device WF" + virt},

        {{"read-flash", "read", 0}, "read-flash " + vnm_ + virt},
        {{"read-flash", "no module", 1}, "read-flash " + vnm_ + unplugged},
        {{"read-flash", "a compile error", 1}, "read-flash " + bad_ + virt},
        {{"read-flash", "a refused option", 2}, "read-flash " + vnm_ + " --cable virtual --virtual-fault melted"},
        {{"read-flash", "no such object file", 2}, "read-flash " + missing_obj + " --device WF" + virt},
        {{"read-flash", "a directory as FILE.obj", 2}, "read-flash " + folder_obj + " --device WF" + virt},
        {{"read-flash", "a malformed object file", 2}, "read-flash " + broken_ + " --device WF" + virt},
        {{"read-flash", "an output file that cannot be written", 2},
         "read-flash " + obj + " --device WF" + virt + " -o " + nowhere, "", {compile_obj}},

        {{"erase", "erased", 0}, "erase --device WF" + virt},
        {{"erase", "no module", 1}, "erase" + unplugged},
        {{"erase", "a refused option", 2}, "erase --cable virtual-revb --port 0x10000"},
        {{"erase", "a directory as the kept flash file", 2}, "erase --device WF" + virt + " --virtual-flash " + folder_bas},

        {{"debug", "the session ended", 0}, "debug " + debug + " --device WF" + virt, "step\nquit\n"},
        {{"debug", "a compile error", 1}, "debug " + bad_ + virt, "quit\n"},
        {{"debug", "no module", 1}, "debug " + debug + " --device WF" + unplugged, "quit\n"},
        {{"debug", "a link failure during the session", 1},
         "debug " + debug + " --device WF --cable virtual-revb --virtual-fault cut:10", "step\nquit\n"},
        {{"debug", "a refused option", 2}, "debug " + debug + virt + " --wait 600001", "quit\n"},
        {{"debug", "no such file", 2}, "debug " + missing_bas + virt, "quit\n"},
        {{"debug", "a directory as FILE.bas", 2}, "debug " + folder_bas + virt, "quit\n"},
    };
  }

  std::string ok_, vnm_, bad_, broken_, flash_;
  std::vector<Case> cases_;
};

TEST_F(ExitStatus, TheManPageTableAndTheCasesAreTheSameRows) {
  const std::vector<Row> page = ManPageRows();
  ASSERT_GE(page.size(), 40u) << "the EXIT STATUS table was not found in the man page";
  for (const Row& row : page) {
    const bool known = std::any_of(cases_.begin(), cases_.end(), [&row](const Case& c) { return c.row == row; });
    EXPECT_TRUE(known) << "the man page's row " << row.command << " | " << row.outcome << " | " << row.status
                       << " has no case here (or a case with another status)";
  }
  for (const Case& c : cases_) {
    const bool listed = std::find(page.begin(), page.end(), c.row) != page.end();
    EXPECT_TRUE(listed) << "the case " << c.row.command << " | " << c.row.outcome << " | " << c.row.status
                        << " is not a row of the man page's table";
  }
}

TEST_F(ExitStatus, EveryRowOfTheTable) {
  std::map<std::string, int> per_command;
  for (const Case& c : cases_) {
    SCOPED_TRACE(c.row.command + " | " + c.row.outcome + ": vnstudio-cli " + c.args);
    ++per_command[c.row.command];
    for (const std::string& step : c.before) ASSERT_EQ(Exec(step).status, 0) << step;
    const CliRun r = Exec(c.args, c.input);
    EXPECT_EQ(r.status, c.row.status) << "stdout:\n" << r.out << "stderr:\n" << r.err;
    // A usage or file error is one line that says what is wrong; success and a program's own
    // stops say nothing on standard error.
    if (c.row.status == 2) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    } else if (c.row.status != 1) {
      EXPECT_EQ(r.err, "");
    }
  }
  // Every command of --help is in the table.
  for (const char* command : {"compile", "list", "run", "identify", "download", "verify", "read-flash", "erase", "debug", "monitor"})
    EXPECT_GE(per_command[command], 3) << command;
}

}  // namespace
