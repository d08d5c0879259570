// The README's getting started, the command-line half (the terminal session, the commands it
// lists, scripts/run without a display), read out of the README and scripts/run and run as
// written against the built program on the virtual module.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "readme_text.h"

namespace {

namespace fs = std::filesystem;
using vn::testing::CliRun;
using vn::testing::ReplaceAll;
using vn::testing::SpanStartingWith;

constexpr char kReadmeCli[] = "build/release/vnstudio-cli";

// The lines of `text` that start with `prefix`.
std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

class GettingStarted : public vn::testing::CliTest {
 protected:
  GettingStarted() : CliTest("vn_readme_test") {}

  void SetUp() override {
    CliTest::SetUp();
    section_ = vn::testing::GettingStartedSection();
    steps_ = vn::testing::ReadmeSteps(section_);
    ASSERT_EQ(steps_.size(), 5u) << "README.md's \"" << vn::testing::kGettingStartedHeading << "\":\n" << section_;
    script_ = vn::testing::ReadAll(fs::path(VN_SOURCE_DIR) / "scripts/run");
    // The examples the README names, under the same relative path: the debugger writes its
    // compile copy beside the source, never into the source tree.
    fs::create_directories(dir_ / "examples");
    for (const std::string& example : std::vector<std::string>{"examples/interrupt.bas", SpanStartingWith(steps_[0], "examples/")})
      fs::copy_file(fs::path(VN_SOURCE_DIR) / example, dir_ / example, fs::copy_options::overwrite_existing);
  }

  // A command line of the README or scripts/run, run in the scratch folder with the built
  // program in place of build/release's.
  CliRun Shell(const std::string& command) {
    CliRun r = vn::testing::RunShell("cd " + dir_.string() + " && export " + Cli().substr(0, Cli().find(' ')) + " && " +
                                     ReplaceAll(command, kReadmeCli, VN_CLI_PATH) + " 2>" + P("stderr.txt"));
    r.err = vn::testing::ReadAll(dir_ / "stderr.txt");
    return r;
  }

  std::string section_, script_;
  std::vector<std::string> steps_;
};

TEST_F(GettingStarted, TheCommandLineHalfRunsAsWritten) {
  // The example of step 4, on the virtual cable, with its variable and value.
  const std::string command = vn::testing::PromptCommand(section_);
  ASSERT_EQ(SpanStartingWith(steps_[3], "examples/"), "examples/interrupt.bas");
  EXPECT_NE(command.find(std::string(kReadmeCli) + " debug examples/interrupt.bas --cable virtual"), std::string::npos) << command;
  const std::vector<std::string> spans = vn::testing::CodeSpans(steps_[3]);
  ASSERT_TRUE(std::count(spans.begin(), spans.end(), "PULSES") && std::count(spans.begin(), spans.end(), "300"));
  const CliRun r = Shell(command);
  ASSERT_TRUE(r.status == 0 && r.err.empty()) << r.out << r.err;
  // The listing after set and after the next step; the stops: the break, two steps; then it
  // runs on until quit.
  EXPECT_EQ(LinesStartingWith(r.out, " PULSES "), (std::vector<std::string>{" PULSES      :  0   0H", " PULSES      :  300   12CH"}));
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "downloaded, Code Size : 42 Byte");
  EXPECT_TRUE(LinesStartingWith(r.out, "line ").size() == 3u && LinesStartingWith(r.out, "running").size() == 2u) << r.out;
  // The commands the README lists are the ones the debugger takes (its help's first line ends in
  // the list), no more and no fewer; each is run at a stop in tests/debugger.
  const std::size_t at = section_.find("(or type the commands one by one:");
  ASSERT_NE(at, std::string::npos);
  std::vector<std::string> listed = vn::testing::CodeSpans(section_.substr(at, section_.find(").", at) - at));
  const CliRun help = Shell(std::string(kReadmeCli) + " debug --help");
  ASSERT_EQ(help.status, 0) << help.err;
  std::smatch m;
  const std::string first_line = help.out.substr(0, help.out.find('\n'));
  ASSERT_TRUE(std::regex_search(first_line, m, std::regex("commands: (.*)$"))) << help.out;
  std::vector<std::string> own;
  for (const auto& name : vn::testing::Matches(m[1].str(), "[a-z-]+(?: [A-Z]+)*")) own.push_back(name[0]);
  std::sort(listed.begin(), listed.end());
  std::sort(own.begin(), own.end());
  EXPECT_EQ(listed, own);
  // Step 1: scripts/run starts the IDE on the example with the cable the README names
  // (`vnstudio --cable virtual FILE.bas`); without a display it lists the example's object code
  // and runs it on the virtual module, the display showing what it counts.
  const std::string example = SpanStartingWith(steps_[0], "examples/"), ide = SpanStartingWith(steps_[0], "vnstudio ");
  ASSERT_TRUE(steps_[0].rfind("`scripts/run`", 0) == 0 && ide == "vnstudio --cable virtual FILE.bas") << steps_[0];
  EXPECT_NE(script_.find("example=\"${1:-" + example + "}\""), std::string::npos) << script_;
  EXPECT_EQ(LinesStartingWith(script_, "  exec build/release/" + ReplaceAll(ide, "FILE.bas", "\"$example\"")).size(), 1u) << script_;
  const std::vector<std::string> commands = LinesStartingWith(script_, kReadmeCli);
  ASSERT_EQ(commands.size(), 2u) << script_;
  const CliRun list = Shell(ReplaceAll(commands[0], "\"$example\"", example));
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, list.out.find("\n8 : ")), "Program Code (73 bytes, device KX)\n0 : 20 20 20 20 20 20 20 20 ");
  // The script takes status 4, the time limit, as the end of a program that runs forever.
  ASSERT_NE(commands[1].find("|| [ $? -eq 4 ]"), std::string::npos) << commands[1];
  const CliRun run = Shell(ReplaceAll(commands[1].substr(0, commands[1].find(" ||")), "\"$example\"", example));
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.out.find("display row 0 col 0 \"COUNT:\"\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("   900.510 ms  display row 0 col 7 \"  9\"\n"), std::string::npos) << run.out;
}

}  // namespace
