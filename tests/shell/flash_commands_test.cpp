// The object-file and flash commands on the virtual module: Save Object, Download from
// Object, Clear Flash Memory and Verify, with the file bytes and the module's flash they leave.
#include <gtest/gtest.h>

#include <QTimer>

#include "compiler/compiler.h"
#include "shell/breakpoints.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

using testing::IdeRig;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

constexpr char kProgramA[] =
    "DIM A AS BYTE\r\nSTART:\r\n    A = A + 1\r\n    IF A > 9 THEN GOTO DONE\r\n    GOTO START\r\nDONE:\r\n"
    "    GOTO DONE\r\n";
constexpr char kProgramB[] = "L:\r\n GOTO L\r\n";

// The bytes of program A at addresses 0..&H36: the header, then the code.
std::string ProgramABytes() {
  std::string bytes(24, '\x20');
  const unsigned char code[] = {0x91, 0x15, 0xA0, 0x15, 0xA0, 0x21, 0x11, 0x17, 0x00, 0x80, 0x2D, 0x00, 0x15, 0xA0, 0x31,
                                0x12, 0x09, 0x00, 0x88, 0x30, 0x00, 0x88, 0x18, 0x00, 0x88, 0x30, 0x00, 0x88, 0x33, 0x00,
                                0x00};
  bytes.append(reinterpret_cast<const char*>(code), sizeof code);
  return bytes;
}

std::string ModuleFlash(sim::Module& m, long from, long to) {
  std::string s;
  for (long a = from; a <= to; ++a) s += static_cast<char>(m.FlashByte(a));
  return s;
}

TEST(FlashCommands, SaveObjectNeedsACompile) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  rig.save_names = {dir.Doc("never.obj")};
  rig.Trigger("mnuSaveObject");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "No compile infomation ! Try Run !");
  EXPECT_EQ(rig.script.shown[0].title, "VNstudio");
  EXPECT_FALSE(fs::exists(dir.Doc("never.obj")));
  EXPECT_FALSE(fs::exists(dir.Doc("never.obj.OBJ")));
}

TEST(FlashCommands, SaveObjectAndDownloadFromObjectRoundTrip) {
  ScratchDir dir;
  const std::string a = dir.Doc("a.bas"), b = dir.Doc("b.bas");
  WriteAll(a, kProgramA);
  WriteAll(b, kProgramB);
  IdeRig rig(dir);
  rig.Start(a);
  rig.Trigger("mnuSyntaxCheck");
  rig.script.shown.clear();
  rig.save_names = {dir.Doc("saved")};
  rig.Trigger("mnuSaveObject");
  EXPECT_TRUE(rig.script.shown.empty());
  const std::string file = ReadAll(dir.Doc("saved.OBJ"));
  EXPECT_EQ(file, std::string("VN2000\x36", 7) + std::string(1, '\0') + ProgramABytes());
  EXPECT_EQ(file.size(), 0x36u + 9);

  // Saving over it asks; No leaves the file.
  WriteAll(dir.Doc("saved.OBJ"), "old");
  rig.save_names = {dir.Doc("saved.OBJ")};
  rig.script.answers = {kAnswerNo};
  rig.Trigger("mnuSaveObject");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Overwrite ? [" + dir.Doc("saved.OBJ") + "] ");
  EXPECT_EQ(rig.script.shown[0].style, 51);
  EXPECT_EQ(ReadAll(dir.Doc("saved.OBJ")), "old");
  rig.save_names = {dir.Doc("saved.OBJ")};
  rig.script.answers = {kAnswerYes};
  rig.Trigger("mnuSaveObject");
  EXPECT_EQ(ReadAll(dir.Doc("saved.OBJ")), file);

  // Another program goes into the module...
  rig.open_names = {b};
  rig.Trigger("mnuOpen");
  rig.Trigger("mnuRun");
  sim::Module& module = *rig.devices.module();
  EXPECT_EQ(ModuleFlash(module, 24, 29), "\x88\x18\x00\x88\x1B\x00"s);
  rig.window->SetBreakTimer(false);
  rig.script.shown.clear();

  // ...and the object file brings program A back, without a compile.
  rig.open_names = {dir.Doc("saved.OBJ")};
  rig.Trigger("mnuDownloadfromObject");
  EXPECT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(ModuleFlash(module, 0, 0x36), ProgramABytes());
  EXPECT_EQ(rig.window->studio().compiler().CodeAddr, 0x36);
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 36 Byte");
  EXPECT_TRUE(rig.window->break_timer()->isActive());

  // A cancelled dialog does nothing; a file that is no object file says so and sends nothing.
  const long received = module.bytes_received();
  rig.open_names = {};
  rig.Trigger("mnuDownloadfromObject");
  EXPECT_TRUE(rig.script.shown.empty());
  WriteAll(dir.Doc("bad.obj"), "VN2001\x01\x00\x00\x00"s);
  rig.open_names = {dir.Doc("bad.obj")};
  rig.Trigger("mnuDownloadfromObject");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "File Format Error :" + dir.Doc("bad.obj"));
  EXPECT_EQ(module.bytes_received(), received);
  EXPECT_EQ(ModuleFlash(module, 0, 0x36), ProgramABytes());
}

TEST(FlashCommands, SaveObjectAfterARunWithBreakpointsHoldsTheProgramAsWritten) {
  ScratchDir dir;
  const std::string a = dir.Doc("a.bas"), b = dir.Doc("b.bas");
  WriteAll(a, kProgramA);
  WriteAll(b, kProgramB);
  IdeRig rig(dir);
  rig.Start(b);
  rig.Trigger("mnuRun");
  rig.save_names = {dir.Doc("b")};
  rig.Trigger("mnuSaveObject");
  const std::string object_b = ReadAll(dir.Doc("b.OBJ"));
  ASSERT_EQ(object_b, "VN2000\x1E"s + std::string(1, '\0') + std::string(24, '\x20') + "\x88\x18\x00\x88\x1B\x00\x00"s);

  rig.open_names = {a};
  rig.Trigger("mnuOpen");
  rig.window->breakpoints().Toggle(2);  // "    A = A + 1"
  rig.window->breakpoints().Toggle(3);  // "    IF A > 9 THEN GOTO DONE"
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  // The module got the code with its breaks, longer than the program as written...
  sim::Module& module = *rig.devices.module();
  const compiler::Compiler& c = rig.window->studio().compiler();
  ASSERT_GT(c.CodeAddr, 0x36);
  EXPECT_NE(ModuleFlash(module, 0, 0x35), ProgramABytes());
  // ...and the object file holds the program as written, as after a Run without breakpoints.
  rig.save_names = {dir.Doc("a")};
  rig.Trigger("mnuSaveObject");
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_EQ(ReadAll(dir.Doc("a.OBJ")), std::string("VN2000\x36", 7) + std::string(1, '\0') + ProgramABytes());
  // The session keeps the code with the breaks, as the debugger knows it.
  EXPECT_GT(c.CodeAddr, 0x36);

  // An object file read in after that is what Save Object writes out again.
  rig.window->SetBreakTimer(false);
  rig.open_names = {dir.Doc("b.OBJ")};
  rig.Trigger("mnuDownloadfromObject");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  rig.save_names = {dir.Doc("b2")};
  rig.Trigger("mnuSaveObject");
  EXPECT_EQ(ReadAll(dir.Doc("b2.OBJ")), object_b);

  // A Syntax Check compiles the plain code again: saved as it is.
  rig.Trigger("mnuSyntaxCheck");
  rig.script.shown.clear();
  rig.save_names = {dir.Doc("a2")};
  rig.Trigger("mnuSaveObject");
  EXPECT_EQ(ReadAll(dir.Doc("a2.OBJ")), ReadAll(dir.Doc("a.OBJ")));
}

TEST(FlashCommands, ClearFlashLeavesTheClearingProgramInTheModule) {
  ScratchDir dir;
  const std::string a = dir.Doc("a.bas");
  WriteAll(a, kProgramA);
  IdeRig rig(dir);
  rig.Start(a);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.window->break_timer()->isActive());
  sim::Module& module = *rig.devices.module();
  ASSERT_EQ(module.FlashByte(24), 0x91);
  rig.Trigger("mnuClearFlashMemory");
  EXPECT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(ModuleFlash(module, 0, 26), std::string(24, '\x20') + "\x88\x18\x00"s);
  EXPECT_EQ(rig.window->studio().compiler().CodeAddr, 27);
  EXPECT_FALSE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 1B Byte");
}

TEST(FlashCommands, VerifyIsForTheVnmSeries) {
  {
    ScratchDir dir;
    const std::string a = dir.Doc("a.bas");
    WriteAll(a, kProgramA);
    IdeRig rig(dir);
    rig.Start(a);
    rig.Trigger("mnuRun");
    rig.Trigger("mnuVerify");
    ASSERT_EQ(rig.script.shown.size(), 1u);
    EXPECT_EQ(rig.script.shown[0].text, "Can not use this menu at VN serise");
    EXPECT_EQ(rig.script.shown[0].title, "VNstudio");
    EXPECT_EQ(rig.script.shown[0].style, 0);
  }
  ScratchDir dir;
  const std::string w = dir.Doc("w.bas");
  WriteAll(w, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nA = 200\r\n");
  IdeRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, 2});
  rig.Start(w);
  // Before a compile the series is the default one, and Verify is not for it.
  rig.Trigger("mnuVerify");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Can not use this menu at VN serise");
  rig.Trigger("mnuRun");
  rig.script.shown.clear();
  rig.Trigger("mnuVerify");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Verify OK !");
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio Message");
  EXPECT_EQ(rig.script.shown[0].style, 64);
  rig.devices.module()->ProgramFlash(28, 0x0A);
  rig.script.shown.clear();
  rig.Trigger("mnuVerify");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(rig.script.shown[0].text, "Verify Error at 1C  PC : 12  VARNOLIC : A");
  EXPECT_EQ(rig.script.shown[0].title, "VARNOLIC Studio ERROR !");
}

}  // namespace
}  // namespace vn::shell
