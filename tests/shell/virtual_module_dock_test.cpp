// The virtual module's panel: the display, the port lamps and the serial output of the program
// in the module, and the inputs the user sets from the dock.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "shell/virtual_module_dock.h"
#include "shell/virtual_module_panel.h"
#include "sim/board.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::IdeRig;
using testing::ScratchDir;
using testing::WriteAll;

TEST(VirtualModulePanel, ShowsTheDisplayAndThePorts) {
  sim::Board io;
  VirtualModulePanel panel([&] { return &io; });
  io.display().Locate(2, 1);
  io.display().Write("HI");
  const std::vector<std::string> lines = panel.DisplayLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string(20, ' '));
  EXPECT_EQ(lines[1], "  HI" + std::string(16, ' '));

  io.ports().DriveLevel(5, 1);
  io.ports().DriveLevel(6, 0);
  const std::vector<PortLamp> ports = panel.Ports();
  ASSERT_EQ(ports.size(), 65u);
  EXPECT_EQ(ports[5], (PortLamp{5, true, 1}));
  EXPECT_EQ(ports[6], (PortLamp{6, true, 0}));
  EXPECT_EQ(ports[0], (PortLamp{0, false, 1}));  // inputs are pulled up
  EXPECT_TRUE(panel.ToggleInput(0));
  EXPECT_EQ(io.ports().InputLevel(0), 0);
  EXPECT_EQ(panel.Ports()[0], (PortLamp{0, false, 0}));
  EXPECT_TRUE(panel.ToggleInput(0));
  EXPECT_EQ(io.ports().InputLevel(0), 1);
  EXPECT_FALSE(panel.ToggleInput(65));
  EXPECT_FALSE(panel.ToggleInput(-1));
}

TEST(VirtualModulePanel, HandsOutTheSerialOutputOnce) {
  sim::Board io;
  VirtualModulePanel panel([&] { return &io; });
  bool restart = false;
  io.serial().Send(1, "AB\r\nC\x01");
  EXPECT_EQ(panel.TakeSerialText(restart), "AB\nC<01>");
  io.serial().Send(1, "D\r");
  EXPECT_EQ(panel.TakeSerialText(restart), "D");  // the CR waits: it may be the start of CR LF
  EXPECT_FALSE(restart);
  io.serial().Send(1, "\nE\xB0");
  EXPECT_EQ(panel.TakeSerialText(restart), "\nE");  // CR LF is one line end; half a character waits
  io.serial().Send(1, "\xA1");
  EXPECT_EQ(panel.TakeSerialText(restart), "가");
  EXPECT_EQ(panel.TakeSerialText(restart), "");

  // Another program's peripherals: the text starts again.
  sim::Board other;
  sim::Board* current = &other;
  VirtualModulePanel switching([&] { return current; });
  other.serial().Send(1, "X");
  EXPECT_EQ(switching.TakeSerialText(restart), "X");
  current = &io;
  EXPECT_EQ(switching.TakeSerialText(restart), "AB\nC<01>D\nE가");
  EXPECT_TRUE(restart);
}

TEST(VirtualModulePanel, SendsTypedInputWithCr) {
  sim::Board io;
  VirtualModulePanel panel([&] { return &io; });
  EXPECT_TRUE(panel.SendSerial("go 가"));
  const std::deque<std::uint8_t>& in = io.serial().input();
  EXPECT_EQ(std::string(in.begin(), in.end()), "go \xB0\xA1\r");

  VirtualModulePanel none([] { return static_cast<sim::Board*>(nullptr); });
  EXPECT_FALSE(none.has_program());
  EXPECT_TRUE(none.DisplayLines().empty());
  EXPECT_TRUE(none.Ports().empty());
  EXPECT_FALSE(none.SendSerial("x"));
  EXPECT_FALSE(none.ToggleInput(1));
}

TEST(VirtualModuleDock, ShowsTheDisplayThenThePortsThenTheSerialLine) {
  VirtualModuleDock dock([] { return static_cast<sim::Board*>(nullptr); }, [] { return std::string("none"); });
  QLayout* layout = dock.widget()->layout();
  ASSERT_NE(layout, nullptr);
  const int status = layout->indexOf(dock.status_line());
  const int display = layout->indexOf(dock.display_view());
  const int ports = layout->indexOf(dock.ports());
  const int serial = layout->indexOf(dock.serial_view());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(display, 1);
  EXPECT_EQ(ports, 3);   // after its caption
  EXPECT_EQ(serial, 5);  // after its caption, with the input row below
  EXPECT_EQ(layout->count(), 7);
  EXPECT_EQ(dock.serial_input()->parentWidget(), dock.widget());
}

TEST(VirtualModuleDock, ShowsTheRunningProgramAndTakesInputs) {
  ScratchDir dir;
  const std::string path = dir.Doc("hello.bas");
  WriteAll(path,
           "DIM K AS BYTE\r\nLCDINIT\r\nPRINT \"HELLO\"\r\nSEROUT 1, 9600, 0, 0, [\"OK\", 13, 10]\r\n"
           "LOOP:\r\n K = IN(3)\r\n OUT 5, K\r\n GOTO LOOP\r\n");
  IdeRig rig(dir);
  rig.Start(path);
  VirtualModuleDock* dock = rig.commands->dock();
  ASSERT_NE(dock, nullptr);
  EXPECT_TRUE(dock->isVisible());
  EXPECT_EQ(dock->status_line()->text(), "VN series module: no program");
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  rig.devices.AdvanceVirtualTime(200'000'000);
  dock->Refresh();
  EXPECT_EQ(dock->status_line()->text(), "VN series module: running");
  EXPECT_TRUE(dock->display_view()->text().startsWith("HELLO"));
  EXPECT_EQ(dock->serial_view()->toPlainText(), "OK\n");
  EXPECT_EQ(dock->panel().Ports()[5], (PortLamp{5, true, 1}));

  // A click on port 3's lamp pulls the input low; the program copies it to port 5.
  QTest::mouseClick(dock->ports(), Qt::LeftButton, Qt::NoModifier, dock->ports()->CellRect(3).center());
  rig.devices.AdvanceVirtualTime(50'000'000);
  EXPECT_EQ(dock->panel().Ports()[3], (PortLamp{3, false, 0}));
  EXPECT_EQ(dock->panel().Ports()[5], (PortLamp{5, true, 0}));

  // Typed serial input reaches the module.
  dock->serial_input()->setText("hi");
  QTest::keyClick(dock->serial_input(), Qt::Key_Return);
  EXPECT_EQ(dock->serial_input()->text(), "");
  EXPECT_EQ(rig.devices.board()->serial().input().size(), 3u);
}

}  // namespace
}  // namespace vn::shell
