// The README's getting started, the command-line half: the terminal session and the commands it
// lists, what scripts/run does with and without a display, and the breakpoint options, run as
// written against the built program on the virtual module. The commands are read out of the
// README and scripts/run, so a change to either that the program does not follow fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli_run.h"
#include "readme_text.h"

namespace {

namespace fs = std::filesystem;

using vn::testing::CliRun;
using vn::testing::CodeSpans;
using vn::testing::ReplaceAll;

constexpr char kReadmeCli[] = "build/release/vnstudio-cli";

class GettingStarted : public vn::testing::CliTest {
 protected:
  GettingStarted() : CliTest("vn_readme_test") {}

  void SetUp() override {
    CliTest::SetUp();
    section_ = vn::testing::ReadmeSection(vn::testing::ReadmeText(), vn::testing::kGettingStartedHeading);
    ASSERT_FALSE(section_.empty()) << "README.md has no \"" << vn::testing::kGettingStartedHeading << "\"";
    steps_ = vn::testing::ReadmeSteps(section_);
    ASSERT_EQ(steps_.size(), 5u) << section_;
  }

  // Copies an example the README names into the scratch folder under the same relative path:
  // the debugger writes its compile copy beside the source, never into the source tree.
  void CopyExample(const std::string& relative) {
    ASSERT_EQ(relative.rfind("examples/", 0), 0u) << relative;
    fs::create_directories(dir_ / "examples");
    fs::copy_file(fs::path(VN_SOURCE_DIR) / relative, dir_ / relative, fs::copy_options::overwrite_existing);
  }

  // A command line of the README or scripts/run, run in the scratch folder with the built
  // program in place of build/release's.
  CliRun Shell(const std::string& command) {
    const fs::path err = dir_ / "stderr.txt";
    CliRun r = vn::testing::RunShell("cd " + dir_.string() + " && export XDG_CONFIG_HOME=" + (dir_ / "config").string() +
                                     " && " + ReplaceAll(command, kReadmeCli, VN_CLI_PATH) + " 2>" + err.string());
    r.err = vn::testing::ReadAll(err);
    return r;
  }

  std::string section_;
  std::vector<std::string> steps_;
};

// The lines of `text` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    const std::string line = text.substr(pos, eol - pos);
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    pos = eol + 1;
  }
  return lines;
}

TEST_F(GettingStarted, TheTerminalSessionRunsAsWrittenAndSetsTheVariable) {
  const std::string command = vn::testing::PromptCommand(vn::testing::FencedBlock(section_));
  ASSERT_NE(command.find(std::string(kReadmeCli) + " debug "), std::string::npos) << command;
  // The example of step 4, on the cable step 1 names.
  const std::string example = vn::testing::SpanStartingWith(steps_[3], "examples/");
  ASSERT_EQ(example, "examples/interrupt.bas");
  EXPECT_NE(command.find(" debug " + example + " --cable virtual"), std::string::npos) << command;
  CopyExample(example);

  const CliRun r = Shell(command);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");
  // Step 4's variable and value, as the listing shows it after set and after the next step.
  const std::vector<std::string> spans = CodeSpans(steps_[3]);
  ASSERT_NE(std::find(spans.begin(), spans.end(), "PULSES"), spans.end());
  ASSERT_NE(std::find(spans.begin(), spans.end(), "300"), spans.end());
  const std::vector<std::string> rows = LinesStartingWith(r.out, " PULSES ");
  ASSERT_EQ(rows.size(), 2u) << r.out;
  EXPECT_EQ(rows[0], " PULSES      :  0   0H");
  EXPECT_EQ(rows[1], " PULSES      :  300   12CH");
  // The stops: the break, two steps; then it runs on until quit.
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "downloaded, Code Size : 42 Byte");
  EXPECT_EQ(LinesStartingWith(r.out, "line ").size(), 3u) << r.out;
  EXPECT_EQ(LinesStartingWith(r.out, "running").size(), 2u) << r.out;
}

// The commands the README lists are the ones the debugger takes, no more and no fewer.
TEST_F(GettingStarted, TheListedDebuggerCommandsAreTheDebuggersOwn) {
  const std::size_t list = section_.find("(or type the commands one by one:");
  ASSERT_NE(list, std::string::npos);
  std::vector<std::string> listed = CodeSpans(section_.substr(list, section_.find(").", list) - list));
  const CliRun help = Shell(std::string(kReadmeCli) + " debug --help");
  ASSERT_EQ(help.status, 0) << help.err;
  // The help's first line ends in the list.
  std::smatch m;
  const std::string first_line = help.out.substr(0, help.out.find('\n'));
  ASSERT_TRUE(std::regex_search(first_line, m, std::regex("commands: ([a-z-]+( [A-Z]+)*(, [a-z-]+( [A-Z]+)*)*)$")))
      << help.out;
  std::vector<std::string> own;
  const std::string names = m[1].str();
  for (std::size_t pos = 0; pos <= names.size();) {
    std::size_t comma = names.find(", ", pos);
    if (comma == std::string::npos) comma = names.size();
    own.push_back(names.substr(pos, comma - pos));
    pos = comma + 2;
  }
  std::sort(listed.begin(), listed.end());
  std::sort(own.begin(), own.end());
  EXPECT_EQ(listed, own);

  // Each of them is taken at a stop of the terminal session: none is unknown.
  CopyExample("examples/interrupt.bas");
  std::string input = "break\n";
  for (std::string c : listed) {
    c = ReplaceAll(ReplaceAll(c, "NAME VALUE", "PULSES 7"), "LINE", "9");
    if (c != "quit") input += c + "\nbreak\n";
  }
  input += "quit\n";
  vn::testing::CliTest::Write("commands.txt", input);
  const CliRun r = Shell(std::string(kReadmeCli) + " debug examples/interrupt.bas --cable virtual <commands.txt");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.err.find("unknown command"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("usage"), std::string::npos) << r.err;
}

// Step 1: scripts/run starts the IDE on the example and with the cable the README names, and
// `vnstudio --cable virtual FILE.bas` is that same command line.
TEST_F(GettingStarted, ScriptsRunStartsTheIdeTheWayStepOneSays) {
  ASSERT_EQ(steps_[0].rfind("`scripts/run`", 0), 0u) << steps_[0];
  const std::string example = vn::testing::SpanStartingWith(steps_[0], "examples/");
  const std::string ide = vn::testing::SpanStartingWith(steps_[0], "vnstudio ");
  ASSERT_EQ(ide, "vnstudio --cable virtual FILE.bas");
  const std::string script = vn::testing::ReadAll(fs::path(VN_SOURCE_DIR) / "scripts/run");
  EXPECT_NE(script.find("example=\"${1:-" + example + "}\""), std::string::npos) << script;
  EXPECT_EQ(LinesStartingWith(script, "  exec build/release/" + ReplaceAll(ide, "FILE.bas", "\"$example\"")).size(), 1u)
      << script;
}

// Without a display scripts/run lists the example's object code and runs it on the virtual
// module, the display showing what it counts; the same command lines run here.
TEST_F(GettingStarted, WithoutADisplayScriptsRunListsAndRunsTheExample) {
  const std::string example = vn::testing::SpanStartingWith(steps_[0], "examples/");
  CopyExample(example);
  const std::string script = vn::testing::ReadAll(fs::path(VN_SOURCE_DIR) / "scripts/run");
  const std::vector<std::string> commands = LinesStartingWith(script, kReadmeCli);
  ASSERT_EQ(commands.size(), 2u) << script;

  const CliRun list = Shell(ReplaceAll(commands[0], "\"$example\"", example));
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, list.out.find("\n8 : ")),
            "Program Code (73 bytes, device KX)\n0 : 20 20 20 20 20 20 20 20 ");

  // The script takes status 4, the time limit, as the end of a program that runs forever.
  ASSERT_NE(commands[1].find("|| [ $? -eq 4 ]"), std::string::npos) << commands[1];
  const CliRun run = Shell(ReplaceAll(commands[1].substr(0, commands[1].find(" ||")), "\"$example\"", example));
  EXPECT_EQ(run.status, 4) << run.err;
  // The display as it changes: the caption, then the count, one step every 100 ms.
  EXPECT_NE(run.out.find("display row 0 col 0 \"COUNT:\"\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("   900.510 ms  display row 0 col 7 \"  9\"\n"), std::string::npos) << run.out;
}

// The breakpoint option the README gives: the terminal session stops on the line asked for.
TEST_F(GettingStarted, TheBreakOptionStopsOnTheLine) {
  const std::string usage = vn::testing::SpanStartingWith(section_, "vnstudio-cli debug FILE.bas --break");
  ASSERT_EQ(usage, "vnstudio-cli debug FILE.bas --break LINE");
  CopyExample("examples/interrupt.bas");
  const std::string command =
      ReplaceAll(ReplaceAll(usage, "FILE.bas", "examples/interrupt.bas"), "LINE", "9");
  const CliRun r = Shell("build/release/" + command + " --cable virtual </dev/null");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(LinesStartingWith(r.out, "line ").at(0), "line 9:     OUT 8, PULSES.L") << r.out;
}

}  // namespace
