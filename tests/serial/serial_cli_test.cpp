// The command line's serial commands as a user runs them: the monitor on a port that is one
// side of a pseudo-terminal pair, and a program's serial line given as a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/pty.h"

namespace {

using Clock = std::chrono::steady_clock;

// `text` and what `fd` gives after it until it holds `want`, for at most three seconds.
std::string Gather(int fd, std::string text, const std::string& want) {
  char buf[4096];
  for (auto end = Clock::now() + std::chrono::seconds(3); text.find(want) == std::string::npos && Clock::now() < end;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  return text;
}

// vnstudio-cli with its standard input, output and error on pipes.
class Cli {
 public:
  explicit Cli(std::vector<std::string> args) {
    int in[2], to_out[2], to_err[2];
    if (pipe(in) != 0 || pipe(to_out) != 0 || pipe(to_err) != 0) return;
    if ((pid_ = fork()) == 0) {
      dup2(in[0], 0), dup2(to_out[1], 1), dup2(to_err[1], 2);
      for (int fd : {in[0], in[1], to_out[0], to_out[1], to_err[0], to_err[1]}) close(fd);
      std::vector<char*> argv{const_cast<char*>(VN_CLI_PATH)};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(VN_CLI_PATH, argv.data());
      _exit(127);
    }
    close(in[0]), close(to_out[1]), close(to_err[1]);
    in_ = in[1], out_ = to_out[0], err_ = to_err[0];
  }
  ~Cli() {
    if (pid_ > 0 && status_ < 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
    for (int fd : {in_, out_, err_})
      if (fd >= 0) close(fd);
  }
  void Type(const std::string& text) { ASSERT_EQ(write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
  void EndInput() { close(in_), in_ = -1; }
  const std::string& OutUntil(const std::string& want) { return out = Gather(out_, std::move(out), want); }
  const std::string& ErrUntil(const std::string& want) { return err = Gather(err_, std::move(err), want); }
  // The exit status, after at most three seconds; -1 when the program is still running.
  int Exit() {
    for (auto end = Clock::now() + std::chrono::seconds(3); status_ < 0 && Clock::now() < end; usleep(5000))
      if (int s = 0; waitpid(pid_, &s, WNOHANG) == pid_) status_ = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
    ErrUntil("\x01");  // whatever is left
    return status_;
  }
  void Signal(int sig) { kill(pid_, sig); }
  std::string out, err;

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1, status_ = -1;
};

TEST(Monitor, ShowsAndSendsTextInEachCodeSetWithEachEndingAndEndsWhenThePortIsLost) {
  // The code set and ending (none for the defaults), "한글" as the module sends it, the typed line
  // "A한" as it receives it, and whether the port goes away at the end instead of a Ctrl-C.
  const std::tuple<std::vector<std::string>, std::string, std::string, bool> cases[] = {
      {{}, "\xD0\x65\x8B\x69", "A\xD0\x65\r", false},  // johab and CR unless told
      {{"--encoding", "cp949", "--ending", "none"}, "\xC7\xD1\xB1\xDB", "A\xC7\xD1", false},
      {{"--encoding", "utf-8", "--ending", "lf"}, "\xED\x95\x9C\xEA\xB8\x80", "A\xED\x95\x9C\n", true},
  };
  for (const auto& [flags, korean, sent, lost] : cases) {
    std::string error;
    auto module = std::make_unique<vn::platform::PseudoTerminal>(vn::platform::PseudoTerminal::Open(&error));
    ASSERT_TRUE(module->is_open()) << error;
    const std::string path = module->path();
    std::vector<std::string> args{"monitor", "--port", path, "--baud", "9600"};
    args.insert(args.end(), flags.begin(), flags.end());
    Cli cli(args);
    ASSERT_NE(cli.ErrUntil("Ctrl-C ends\n").find("monitoring " + path + " at 9600 baud"), std::string::npos) << cli.err;
    // A CR LF, a lone CR and a lone LF each end one line on the terminal; ESC is shown, not obeyed.
    module->Write("x" + korean + "\r\ny\rz\n\x1B[2J.");
    EXPECT_EQ(cli.OutUntil("[2J."), "x한글\ny\nz\n\\x1B[2J.") << korean;
    cli.Type("A한\n");
    EXPECT_EQ(Gather(module->fd(), "", sent), sent);
    // The end of standard input leaves it running; the last line needs no line end.
    cli.Type("B");
    cli.EndInput();
    EXPECT_EQ(Gather(module->fd(), "", "B").substr(0, 1), "B");
    // Ctrl-C ends it with status 0, the port going away with 3 (hexadecimal lines: tests/shell).
    lost ? module.reset() : cli.Signal(SIGINT);
    EXPECT_EQ(cli.Exit(), lost ? 3 : 0) << cli.err;
    EXPECT_EQ(cli.err.find("vnstudio-cli: The serial port " + path + " was lost: ") != std::string::npos, lost) << cli.err;
  }
}

TEST(RunSerialPty, AProgramAnswersOnItsPseudoTerminal) {
  Cli cli({"run", std::string(VN_SOURCE_DIR) + "/examples/serial_echo.bas", "--serial-pty"});
  const std::string first = cli.OutUntil("\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(first, m, std::regex("^serial line: (/dev/pts/[0-9]+)\n"))) << first;
  const int fd = open(m[1].str().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Gather(fd, "", "READY\r\n"), "READY\r\n");
  ASSERT_EQ(write(fd, "a\xC7\xD1\r", 4), 4);
  EXPECT_EQ(Gather(fd, "", "a\xC7\xD1\r"), "a\xC7\xD1\r");
  close(fd);
  cli.Signal(SIGTERM);
  EXPECT_EQ(cli.Exit(), 0);
  EXPECT_NE(cli.OutUntil("stopped: SIGTERM").find("\nstopped: SIGTERM at "), std::string::npos) << cli.out;
  EXPECT_NE(cli.out.find("serial rs232 \"READY\\r\\n\""), std::string::npos) << cli.out;
}

}  // namespace
