// A PC port session and the virtual module's serial line, both over real pseudo-terminals.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/pty.h"
#include "serial/port_session.h"
#include "serial/virtual_serial_line.h"
#include "sim/sim_support.h"

namespace vn::serial {
namespace {

// Receiving, sending and a new port after a lost one are walked by the serial monitor's tests.
TEST(PortSession, LosesThePortOnceAndSaysWhyItCannotSendOrOpen) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  std::string error;
  auto other = std::make_unique<platform::PseudoTerminal>(platform::PseudoTerminal::Open(&error));
  ASSERT_TRUE(other->is_open()) << error;
  const QString path = QString::fromStdString(other->path());
  PortSession session;
  QSignalSpy lost(&session, &PortSession::Lost);
  QString why;
  ASSERT_TRUE(session.Open(path, 9600, &why)) << why.toStdString();
  other.reset();
  ASSERT_TRUE(lost.wait(2000));
  EXPECT_FALSE(lost.wait(300));  // nothing more comes
  ASSERT_EQ(lost.size(), 1);  // its text is read in the monitor command's test
  EXPECT_FALSE(session.IsOpen());
  EXPECT_FALSE(session.Send("x", &why));
  EXPECT_EQ(why, "The serial port " + path + " is not open");
  EXPECT_FALSE(session.Open("/dev/pts/vn-none", 9600, &why));
  EXPECT_TRUE(why.startsWith("Cannot open the serial port /dev/pts/vn-none: ")) << why.toStdString();
  EXPECT_FALSE(session.IsOpen());
}

// The PC side of the virtual line: the terminal's path opened as a program would open it.
struct PcSide {
  int fd;
  explicit PcSide(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
  ~PcSide() { close(fd); }
  std::string Read() {
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) got.append(buf, static_cast<size_t>(n));
    return got;
  }
};

// What the PC side writes reaching the program is walked by vnstudio-cli run --serial-pty.
TEST(VirtualSerialLine, PacesTheProgramsBytesKeepsFlowingPastTheCapAndHoldsBackInputNobodyReads) {
  std::string error;
  auto line = VirtualSerialLine::Open(&error);
  ASSERT_NE(line, nullptr) << error;
  PcSide pc(line->path());
  ASSERT_GE(pc.fd, 0);
  auto m = sim::testing::BootFile("WF", "examples/serial_echo.bas");
  sim::Serial& serial = m.vm->io().serial();
  m.vm->Run(1000, 50'000);
  ASSERT_EQ(serial.line_end(), 7u);
  // Seven bytes at 9600 baud, ten bits each: 6.25 ms from the end of the first to the last.
  const std::uint64_t first = serial.line_at(0).done_us, last = serial.line_at(6).done_us;
  EXPECT_NEAR(static_cast<double>(last - first), 6250.0, 1.0);
  const std::pair<std::uint64_t, const char*> pumps[] = {{first - 1, ""}, {serial.line_at(3).done_us, "READ"}, {last, "Y\r\n"}};
  for (const auto& [until, seen] : pumps) {
    line->Pump(serial, until);
    usleep(20000);
    EXPECT_EQ(pc.Read(), seen);
  }
  // The rate of a baud value as the byte code holds it.
  const std::tuple<long, bool, long> cases[] = {{9600, true, 9600}, {115200 % 65536, true, 115200}, {1234, true, 1234},
                                                {9600 % 256, false, 9600}, {300 % 256, false, 300}, {7, false, 0}};
  for (const auto& [value, two_bytes, baud] : cases) EXPECT_EQ(sim::Serial::BaudOfValue(value, two_bytes), baud) << value;
  // It keeps flowing past the recorded outputs' cap.
  serial.Send(sim::Serial::kHardwarePort, std::string(sim::Serial::kMaxOutput + 10, 'a'));
  EXPECT_TRUE(serial.output_truncated());
  // Far behind: the line goes on from the oldest byte it still has and drains.
  size_t drained = 0;
  for (int k = 0; k < 2000 && drained < sim::Serial::kLineWindow; ++k) {
    line->Pump(serial, UINT64_MAX);
    usleep(1000);
    drained += pc.Read().size();
  }
  EXPECT_EQ(drained, sim::Serial::kLineWindow);
  serial.Send(sim::Serial::kHardwarePort, "tail");
  line->Pump(serial, UINT64_MAX);
  usleep(20000);
  EXPECT_EQ(pc.Read(), "tail");
  // A program that takes nothing: once the line holds as much of the PC side's input as the serial
  // input could take, it stops offering the terminal to wait on, until the program has read.
  EXPECT_EQ(line->input_fd(), line->fd());
  const std::string chunk(1024, 'x');
  for (int k = 0; k < 2000 && line->input_fd() >= 0; ++k) {
    if (write(pc.fd, chunk.data(), chunk.size()) < 0) usleep(1000);
    line->Pump(serial, UINT64_MAX);
  }
  EXPECT_EQ(line->input_fd(), -1);
  EXPECT_EQ(serial.input().size(), sim::Serial::kMaxInput);
  serial.input().clear();
  line->Pump(serial, UINT64_MAX);
  EXPECT_EQ(line->input_fd(), line->fd());
}

}  // namespace
}  // namespace vn::serial
