// Port Setup's wire trace to a file: what the file holds after a Run on the virtual module, the
// trace added after what the file held, and a file that cannot be written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <sstream>

#include "link/wire_trace.h"
#include "shell/port_setup_dialog.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using testing::IdeRig;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

// Sets the trace (on with `path`, or off) in Port Setup and presses Ok.
std::function<void(QDialog&)> Trace(bool on, const std::string& path) {
  return [on, path](QDialog& d) {
    auto* p = qobject_cast<PortSetupDialog*>(&d);
    ASSERT_NE(p, nullptr);
    if (p->trace_check()->isChecked() != on) p->trace_check()->click();
    p->trace_file()->setText(QString::fromStdString(path));
    p->ok_button()->click();
  };
}

constexpr char kProgram[] = "DIM A AS BYTE\r\nA = 100\r\n";

TEST(WireTraceFile, PortSetupWritesTheRunsWholeExchangeToTheFile) {
  ScratchDir dir;
  const std::string program = dir.Doc("p.bas"), trace = dir.Doc("wire.txt");
  WriteAll(program, kProgram);
  WriteAll(trace, "earlier\n");

  // The trace a writer gives for the same Run on a second, identical IDE.
  std::ostringstream expected;
  {
    ScratchDir other_dir;
    const std::string other = other_dir.Doc("p.bas");
    WriteAll(other, kProgram);
    IdeRig other_rig(other_dir);
    other_rig.Start(other);
    link::WireTraceWriter writer(expected);
    other_rig.devices.link().SetWireObserver(&writer);
    other_rig.Trigger("mnuRun");
    ASSERT_TRUE(other_rig.script.shown.empty()) << other_rig.script.shown.front().text;
    other_rig.devices.link().SetWireObserver(nullptr);
  }
  // It opens with the USB cable's own queries and the identification.
  ASSERT_EQ(expected.str().rfind("usb> 10 20\nusb< ", 0), 0u) << expected.str();
  ASSERT_NE(expected.str().find("\n> 56\n"), std::string::npos) << expected.str();

  IdeRig rig(dir);
  rig.Start(program);
  rig.on_dialog = Trace(true, trace);
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_EQ(rig.devices.wire_trace_file(), trace);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(rig.devices.module()->FlashByte(28), 100);

  // Opening Port Setup again shows the trace in use; turning it off writes its last lines.
  bool shown_on = false;
  rig.on_dialog = [&](QDialog& d) {
    auto* p = qobject_cast<PortSetupDialog*>(&d);
    ASSERT_NE(p, nullptr);
    shown_on = p->trace_check()->isChecked() && p->trace_file()->text().toStdString() == trace;
    Trace(false, "")(d);
  };
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(shown_on);
  EXPECT_EQ(rig.devices.wire_trace_file(), "");
  EXPECT_EQ(ReadAll(trace), "earlier\n" + expected.str());

  // Nothing more is written once the trace is off.
  rig.Trigger("mnuRun");
  EXPECT_EQ(ReadAll(trace), "earlier\n" + expected.str());
}

TEST(WireTraceFile, AFileThatCannotBeWrittenIsReportedAndNoTraceRuns) {
  ScratchDir dir;
  const std::string folder = dir.Doc("a folder");
  fs::create_directory(folder);
  IdeRig rig(dir);
  rig.Start();
  rig.on_dialog = Trace(true, folder);
  rig.Trigger("mnuPortSetup");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Can't write the wire trace to " + folder + ": Is a directory");
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio ERROR !");
  EXPECT_EQ(rig.script.shown[0].style, 16);
  EXPECT_EQ(rig.devices.wire_trace_file(), "");
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace vn::shell
