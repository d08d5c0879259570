// The IDE's commands on the virtual module: the tips file, Port Setup (its keys, the link moved
// between the devices, the wire trace), the object-file and flash commands, the virtual module's
// dock and the help window.
#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>

#include "compiler/compiler.h"
#include "shell/breakpoints.h"
#include "shell/help_window.h"
#include "shell/port_setup_dialog.h"
#include "shell/data_files.h"
#include "shell/tip_dialog.h"
#include "shell/tips.h"
#include "shell/virtual_module_dock.h"
#include "shell/virtual_module_panel.h"
#include "sim/board.h"
#include "sim/module.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace testing;

// Compiles to 54 (&H36) bytes with four labels.
constexpr char kProgramA[] =
    "DIM A AS BYTE\r\nSTART:\r\n    A = A + 1\r\n    IF A > 9 THEN GOTO DONE\r\n    GOTO START\r\nDONE:\r\n"
    "    GOTO DONE\r\n";
constexpr char kProgramB[] = "L:\r\n GOTO L\r\n";
// Program A's bytes at 0..&H36: the blank header, then the code.
const std::string kBytesA = std::string(0x18, ' ') +
                            "\x91\x15\xA0\x15\xA0\x21\x11\x17\x00\x80\x2D\x00\x15\xA0\x31\x12"
                            "\x09\x00\x88\x30\x00\x88\x18\x00\x88\x30\x00\x88\x33\x00\x00"s;

std::string ModuleFlash(sim::Module& m, long from, long to) {
  std::string s;
  for (long a = from; a <= to; ++a) s += static_cast<char>(m.FlashByte(a));
  return s;
}

TEST(Tips, TheFileSplitsIntoTipsAndWhatIsNoFileIsNotRead) {
  const struct { std::string file; int count; std::vector<std::string> tips; /* 0..count */ } cases[] = {
      {"one\r\n----------\r\ntwo a\r\ntwo b\r\n", 1, {"one\r\n\r\n", "two a\r\n\r\ntwo b\r\n\r\n"}},
      {"a\n---------- next\nb", 1, {"a\r\n\r\n", "b\r\n\r\n"}},  // LF ends, a longer separator
      {"only\r\nlines\r\n", 0, {"only\r\n\r\nlines\r\n\r\n"}},
      {"a\r\n----------\r\n", 1, {"a\r\n\r\n", ""}},  // an empty last tip
      {"---------\r\n", 0, {"---------\r\n\r\n"}},    // nine dashes are text
      {"\xBE\xCB\xB0\xED\r\n", 0, {"알고\r\n\r\n"}},  // code page 949
  };
  for (const auto& c : cases) {
    TipBook book;
    book.Parse(c.file);
    EXPECT_EQ(book.count(), c.count) << c.file;
    for (int i = 0; i <= c.count; ++i) EXPECT_EQ(book.tip(i), c.tips[static_cast<size_t>(i)]) << c.file << " " << i;
  }
  // More than 31 tips keep the first 31, and the index wraps both ways.
  std::string file;
  for (int i = 0; i < 40; ++i) file += "tip " + std::to_string(i) + "\r\n----------\r\n";
  TipBook book;
  book.Parse(file);
  EXPECT_EQ(book.count(), 30);
  EXPECT_EQ(book.tip(30), "tip 30\r\n\r\n");
  book.StartAt(0);
  book.Previous();
  EXPECT_EQ(book.index(), 30);
  book.Next();
  EXPECT_EQ(book.index(), 0);
  book.Parse("a\r\n----------\r\nb\r\n----------\r\nc\r\n");
  for (const auto& [digit, start] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {9, 1}, {8, 0}}) {
    book.StartAt(digit);
    EXPECT_EQ(book.index(), start) << digit;
  }
  // A FIFO without a writer (an open that waited would never return) and a missing file: the
  // tips read before stay.
  ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.txt").c_str(), 0600), 0);
  ASSERT_EQ(book.Load(std::string(VN_SOURCE_DIR) + "/data/tip.txt"), 0);
  const int count = book.count();
  for (const fs::path& p : {dir.path() / "fifo.txt", fs::path("/nonexistent/tip.txt")}) {
    EXPECT_EQ(book.Load(p), -1) << p;
    EXPECT_EQ(book.count(), count) << p;
  }
}

TEST(TipDialog, ItComesByItselfOnceWithKoreanMenusAndAMissingFileIsSaid) {
  // tip_show nullptr: not in the file.
  const struct { const char *korean, *tip_show; bool missing; int dialogs; } cases[] = {
      {"-1", nullptr, false, 1}, {"-1", "0", false, 0}, {"0", "1", false, 0}, {"0", "1", true, 0}, {"-1", "1", true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.korean) + (c.tip_show ? c.tip_show : "-") + (c.missing ? " missing" : ""));
    ScratchDir dir;
    core::IniFile(dir.ini_path()).WriteString("MenuSetting", "Korean", c.korean);
    if (c.tip_show) core::IniFile(dir.ini_path()).WriteString("Setup", "TipShow", c.tip_show);
    IdeRig rig(dir);
    if (c.missing) setenv("VNSTUDIO_DATA_DIR", dir.path().c_str(), 1);  // no tip.txt there
    rig.time_digit = 3;
    QString first;
    rig.on_dialog = [&](QDialog& d) {
      auto* tip = qobject_cast<TipDialog*>(&d);
      ASSERT_NE(tip, nullptr);
      first = tip->tip_label()->text();
      EXPECT_EQ(tip->check_box()->isChecked(), c.tip_show == nullptr || c.tip_show[0] == '1');
      tip->close_button()->click();
    };
    rig.Start();
    if (!c.missing) rig.commands->OnActivate();  // activations later in the run bring nothing
    EXPECT_EQ(rig.dialogs, c.dialogs);
    if (c.dialogs == 1) {
      TipBook ours;
      ASSERT_EQ(ours.Load(DataFile(kTipFileName)), 0);
      ours.StartAt(3);
      EXPECT_EQ(first, TipDisplayText(ours.current()));
    }
    if (!c.missing) continue;
    rig.Trigger("mnuTipoftheday");
    EXPECT_EQ(rig.dialogs, 0);
    ASSERT_EQ(rig.script.shown.size(), c.korean[0] == '-' ? 2u : 1u);  // a Korean start tried too
    EXPECT_EQ(rig.script.shown.back().text, c.korean[0] == '-' ? "팁파일 오픈 에러입니다. (TIP.TXT)를 찾을 수 없습니다."
                                                               : "Tip Text File Open Error !!!");
    EXPECT_EQ(rig.script.shown.back().title, "VARNOLIC Studio Error !");
  }
}

PortSetupDialog& AsPortSetup(QDialog& d) {
  auto* p = qobject_cast<PortSetupDialog*>(&d);
  EXPECT_NE(p, nullptr);
  return *p;
}

// Chooses cable `option` (and the address item `address`, -1 for none) and presses Ok.
std::function<void(QDialog&)> Choose(int option, int address = -1) {
  return [option, address](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    p.option(option)->click();
    if (address >= 0) {
      p.address_list()->setCurrentIndex(address);
      emit p.address_list()->activated(address);
    }
    p.ok_button()->click();
  };
}

TEST(PortSetup, CancelRewritesTheKeysUnchangedAndTheLinkMovesBetweenTheDevices) {
  ScratchDir dir;
  const std::string vn = dir.Doc("vn.bas", "DIM A AS BYTE\r\nA = 100\r\n");
  const std::string vnm = dir.Doc("vnm.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nA = 2\r\n");
  WriteAll(dir.ini_path(), "[PrintPort]\nIoadr=956\nCableMode=1\n");  // &H3BC
  IdeRig rig(dir, std::nullopt);  // the settings file's cable: the real devices
  rig.Start(vn);
  rig.script.shown.clear();  // whatever the real port said at start
  rig.on_dialog = [](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    const QStringList options = {"USB", "Printer Port  (Dummy Cable)", "Printer Port (REV. B cable)",
                                 "Virtual module (no hardware)"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.option(i)->text(), options[i]);
    EXPECT_TRUE(p.option(2)->isChecked());
    EXPECT_EQ(p.address_list()->itemText(2), "LPT3-3BCH");
    EXPECT_EQ(p.address_list()->currentIndex(), 2);
    EXPECT_TRUE(p.address_list()->isEnabled());
    p.option(0)->click();
    EXPECT_FALSE(p.address_list()->isEnabled());
    p.option(3)->click();
    p.cancel_button()->click();
  };
  rig.Trigger("mnuPortSetup");
  ASSERT_FALSE(rig.devices.IsVirtual());
  EXPECT_EQ(std::tuple(rig.ini.Find("PrintPort", "Ioadr"), rig.ini.Find("PrintPort", "CableMode"),
                       rig.ini.Find("PrintPort", "UseUsb"), rig.ini.Find("PrintPort", "VirtualModule"),
                       rig.ini.Find("AccessSpeed", "CommSpeed")), std::tuple("956", "1", "0", "0", "0"));
  fs::remove(dir.ini_path());
  rig.on_dialog = Choose(3);
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_EQ(ReadAll(dir.ini_path()),
            "[PrintPort]\nIoadr= 956\nCableMode= 0\nUseUsb=-1\nVirtualModule=-1\n\n[AccessSpeed]\nCommSpeed= 0\n");
  ASSERT_TRUE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.window->PanelText(1), "Virtual module");
  ASSERT_TRUE(rig.commands->dock() && rig.commands->dock()->isVisible());
  rig.open_names = {vnm};  // Run goes into a module of the compiled series
  rig.Trigger("mnuOpen");
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(rig.devices.module()->kind(), 2);
  // Back to a parallel cable: the real devices again, the dock gone.
  rig.on_dialog = Choose(2, 1);
  rig.Trigger("mnuPortSetup");
  EXPECT_FALSE(rig.devices.IsVirtual());
  EXPECT_EQ(rig.devices.module(), nullptr);
  EXPECT_EQ(std::tuple(rig.ini.Find("PrintPort", "Ioadr"), rig.ini.Find("PrintPort", "CableMode"),
                       rig.ini.Find("PrintPort", "VirtualModule")), std::tuple("632", "1", "0"));
  EXPECT_EQ(rig.window->PanelText(1), "REV. B cable");
  EXPECT_FALSE(rig.commands->dock()->isVisible());
  // The virtual module of the settings comes back at the next start.
  rig.on_dialog = Choose(3);
  rig.Trigger("mnuPortSetup");
  IdeRig again(dir, std::nullopt);
  again.Start(vn);
  EXPECT_TRUE(again.devices.IsVirtual());
}

// Sets the trace (on with `path`, or off) in Port Setup and presses Ok.
std::function<void(QDialog&)> Trace(bool on, const std::string& path) {
  return [on, path](QDialog& d) {
    PortSetupDialog& p = AsPortSetup(d);
    if (p.trace_check()->isChecked() != on) p.trace_check()->click();
    p.trace_file()->setText(QString::fromStdString(path));
    p.ok_button()->click();
  };
}

TEST(WireTraceFile, PortSetupWritesTheRunsWholeExchangeAfterWhatTheFileHeld) {
  ScratchDir dir;
  const std::string trace = dir.Doc("wire.txt", "earlier\n");
  IdeRig rig(dir);
  rig.Start(dir.Doc("p.bas", "DIM A AS BYTE\r\nA = 100\r\n"));
  rig.on_dialog = Trace(true, trace);
  rig.Trigger("mnuPortSetup");
  EXPECT_EQ(rig.devices.wire_trace_file(), trace);
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  // Port Setup shows the trace in use; turning it off writes its last lines.
  bool shown_on = false;
  rig.on_dialog = [&](QDialog& d) {
    shown_on = AsPortSetup(d).trace_check()->isChecked() && AsPortSetup(d).trace_file()->text().toStdString() == trace;
    Trace(false, "")(d);
  };
  rig.Trigger("mnuPortSetup");
  EXPECT_TRUE(shown_on);
  // What it held, then the Run's exchange from the cable's reset on.
  const std::string written = ReadAll(trace);
  EXPECT_EQ(written.rfind("earlier\nusb> 10 20\nusb< ", 0), 0u) << written;
  EXPECT_NE(written.find("\n> 56\n"), std::string::npos) << written;
  rig.Trigger("mnuRun");  // nothing more once it is off
  EXPECT_EQ(ReadAll(trace), written);
  // A file that cannot be written is reported, and no trace runs.
  rig.on_dialog = Trace(true, dir.docs().string());
  rig.Trigger("mnuPortSetup");
  ASSERT_EQ(rig.script.shown.size(), 1u);
  EXPECT_EQ(std::tie(rig.script.shown[0].text, rig.script.shown[0].style),
            std::tuple("Can't write the wire trace to " + dir.docs().string() + ": Is a directory", 16));
  EXPECT_EQ(rig.devices.wire_trace_file(), "");
}

TEST(FlashCommands, SaveObjectDownloadFromObjectClearFlashAndVerify) {
  ScratchDir dir;
  const std::string a = dir.Doc("a.bas", kProgramA), b = dir.Doc("b.bas", kProgramB);
  IdeRig rig(dir);
  rig.Start(a);
  rig.save_names = {dir.Doc("never.obj")};
  rig.Trigger("mnuSaveObject");  // nothing compiled yet
  EXPECT_EQ(rig.script.shown.at(0).text, "No compile infomation ! Try Run !");
  EXPECT_FALSE(fs::exists(dir.Doc("never.obj.OBJ")));
  rig.Trigger("mnuSyntaxCheck");
  rig.script.shown.clear();
  rig.save_names = {dir.Doc("saved")};
  rig.Trigger("mnuSaveObject");
  const std::string file = ReadAll(dir.Doc("saved.OBJ"));
  EXPECT_EQ(file, "VN2000\x36\0"s + kBytesA);
  // Saving over it asks; No leaves the file.
  WriteAll(dir.Doc("saved.OBJ"), "old");
  rig.save_names = {dir.Doc("saved.OBJ")};
  rig.script.answers = {kAnswerNo};
  rig.Trigger("mnuSaveObject");
  EXPECT_EQ(rig.script.shown.at(0).text, "Overwrite ? [" + dir.Doc("saved.OBJ") + "] ");
  EXPECT_EQ(ReadAll(dir.Doc("saved.OBJ")), "old");
  WriteAll(dir.Doc("saved.OBJ"), file);
  // Another program goes into the module, and the object file brings A back without a compile.
  rig.open_names = {b};
  rig.Trigger("mnuOpen");
  rig.Trigger("mnuRun");
  sim::Module& module = *rig.devices.module();
  EXPECT_EQ(ModuleFlash(module, 24, 29), "\x88\x18\x00\x88\x1B\x00"s);
  rig.window->SetBreakTimer(false);
  rig.script.shown.clear();
  rig.open_names = {dir.Doc("saved.OBJ")};
  rig.Trigger("mnuDownloadfromObject");
  EXPECT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(ModuleFlash(module, 0, 0x36), kBytesA);
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 36 Byte");
  EXPECT_TRUE(rig.window->break_timer()->isActive());
  // A file that is no object file says so and sends nothing.
  const long received = module.bytes_received();
  rig.open_names = {dir.Doc("bad.obj", "VN2001\x01\x00\x00\x00"s)};
  rig.Trigger("mnuDownloadfromObject");
  EXPECT_EQ(rig.script.shown.at(0).text, "File Format Error :" + dir.Doc("bad.obj"));
  EXPECT_EQ(module.bytes_received(), received);
  // After a Run with breakpoints the module has the code with its breaks, and Save Object writes
  // the program as written; Clear Flash empties the module; Verify compares on the VNM series only.
  rig.script.shown.clear();
  rig.open_names = {a};
  rig.Trigger("mnuOpen");
  rig.window->breakpoints().Toggle(2);  // "    A = A + 1"
  rig.window->breakpoints().Toggle(3);  // "    IF A > 9 THEN GOTO DONE"
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  ASSERT_GT(rig.window->studio().compiler().CodeAddr, 0x36);
  EXPECT_NE(ModuleFlash(*rig.devices.module(), 0, 0x35), kBytesA.substr(0, 0x36));
  rig.save_names = {dir.Doc("a")};
  rig.Trigger("mnuSaveObject");
  EXPECT_EQ(ReadAll(dir.Doc("a.OBJ")), "VN2000\x36\0"s + kBytesA);
  EXPECT_GT(rig.window->studio().compiler().CodeAddr, 0x36);  // the session keeps its breaks
  rig.Trigger("mnuVerify");
  EXPECT_EQ(rig.script.shown.at(0).text, "Can not use this menu at VN serise");
  rig.script.shown.clear();
  rig.Trigger("mnuClearFlashMemory");
  EXPECT_TRUE(rig.script.shown.empty()) << rig.script.shown.front().text;
  EXPECT_EQ(ModuleFlash(*rig.devices.module(), 0, 26), std::string(24, '\x20') + "\x88\x18\x00"s);
  EXPECT_FALSE(rig.window->break_timer()->isActive());
  EXPECT_EQ(rig.window->PanelText(2), "Code Size : 1B Byte");
  ScratchDir vnm_dir;
  IdeRig vnm(vnm_dir, CableChoice{CableChoice::Cable::kUsb, true, 2});
  vnm.Start(vnm_dir.Doc("w.bas", "CONST DEVICE = WF\r\nDIM A AS BYTE\r\nA = 200\r\n"));
  vnm.Trigger("mnuRun");
  vnm.script.shown.clear();
  vnm.Trigger("mnuVerify");
  ASSERT_EQ(vnm.script.shown.size(), 1u);
  EXPECT_EQ(vnm.script.shown[0].text, "Verify OK !");
  vnm.devices.module()->ProgramFlash(28, 0x0A);
  vnm.Trigger("mnuVerify");
  EXPECT_EQ(vnm.script.shown.at(1).text, "Verify Error at 1C  PC : 12  VARNOLIC : A");
  EXPECT_EQ(vnm.script.shown.at(1).title, "VARNOLIC Studio ERROR !");
}

TEST(VirtualModulePanel, HandsOutTheSerialOutputOnceAndSendsTypedInputWithCr) {
  sim::Board io;
  VirtualModulePanel panel([&] { return &io; });
  bool restart = false;
  const std::pair<std::string, std::string> chunks[] = {
      {"AB\r\nC\x01", "AB\nC<01>"},
      {"D\r", "D"},         // the CR waits: it may be the start of CR LF
      {"\nE\xB0", "\nE"},   // CR LF is one line end; half a character waits
      {"\xA1", "가"},
      {"", ""},
  };
  for (const auto& [sent, shown] : chunks) {
    if (!sent.empty()) io.serial().Send(1, sent);
    EXPECT_EQ(panel.TakeSerialText(restart), shown);
  }
  EXPECT_FALSE(restart);
  sim::Board other;  // another program's peripherals: the text starts again
  sim::Board* current = &other;
  VirtualModulePanel switching([&] { return current; });
  switching.TakeSerialText(restart);
  current = &io;
  EXPECT_EQ(switching.TakeSerialText(restart), "AB\nC<01>D\nE가");
  EXPECT_TRUE(restart);
  EXPECT_TRUE(panel.SendSerial("go 가"));
  EXPECT_EQ(std::string(io.serial().input().begin(), io.serial().input().end()), "go \xB0\xA1\r");
  EXPECT_FALSE(panel.ToggleInput(65));
  VirtualModulePanel none([] { return static_cast<sim::Board*>(nullptr); });
  EXPECT_TRUE(none.DisplayLines().empty());
  EXPECT_FALSE(none.SendSerial("x"));
}

const fs::path kHelp = fs::path(VN_SOURCE_DIR) / "data" / "help";

TEST(HelpWindow, OpensThePagesOfTheMenuLanguageAndNeverWaitsOnAFifo) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  rig.Trigger("mnuHelp");
  HelpWindow* help = rig.commands->help_window();
  ASSERT_TRUE(help && help->isVisible());
  EXPECT_EQ(help->windowTitle(), "VARNOLIC Help");
  EXPECT_EQ(help->page(), kHelp / "vnhelpv1.htm");
  rig.Trigger("mnuUseKoreanMenu");
  rig.Trigger("mnuHelp");
  EXPECT_EQ(rig.commands->help_window(), help);  // the same window, turned to the Korean pages
  EXPECT_EQ(help->page(), kHelp / "ko" / "vnhelpv1.htm");
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("VARNOLIC 도움말"));
  help->browser()->setSource(QUrl(QStringLiteral("statements.htm#PRINT")));  // links stay in Korean
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("명령문"));

  HelpWindow other;  // a window of its own: a missing page, a FIFO, a device
  other.Navigate(dir.path() / "help" / "vnhelpv1.htm");
  const QString said = other.browser()->toPlainText();
  EXPECT_TRUE(said.contains("cannot be found") && said.contains(QString::fromStdString(dir.path().string())));
  // The pages are read through the program's file reader: a FIFO without a writer would make
  // the text browser's own reading wait for ever, /dev/zero would fill the memory.
  const fs::path page = dir.path() / "page.htm", fifo = dir.path() / "fifo.htm";
  WriteAll(page, "<html><head><title>Page</title></head><body>text</body></html>");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  other.Navigate(page);
  EXPECT_EQ(other.browser()->documentTitle(), "Page");
  other.browser()->setSource(QUrl::fromLocalFile(QString::fromStdString(fifo.string())));
  EXPECT_FALSE(other.browser()->toPlainText().contains("text"));
}

}  // namespace
}  // namespace vn::shell
