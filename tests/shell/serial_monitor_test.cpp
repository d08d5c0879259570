// The Serial Monitor over a pseudo-terminal pair: the test holds the terminal's master, as the
// module's end of the line; the monitor opens the other side by its path, as it would an adapter.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <ctime>
#include <functional>
#include <map>
#include <regex>

#include "platform/pty.h"
#include "serial/port_session.h"
#include "shell/serial_monitor.h"
#include "shell/serial_plotter.h"
#include "shell/virtual_module_dock.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::ScratchDir;

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {  // events handled meanwhile
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// A monitor on one end of a fresh terminal pair, listed as the virtual module's line.
struct MonitorRig {
  explicit MonitorRig(const ScratchDir& dir) : ini(dir.ini_path()), pty(platform::PseudoTerminal::Open(nullptr)) {
    EXPECT_TRUE(pty.is_open());
    monitor = std::make_unique<SerialMonitor>(session, ini);
    monitor->virtual_port = [this] { return pty.is_open() ? pty.path() : std::string(); };
    monitor->RefreshPorts();
  }
  bool Connect() { return monitor->ChoosePort(kVirtualPortSetting) && monitor->Connect(); }
  bool Shows(const QString& text) { return WaitFor([&] { return monitor->ReceivedText() == text; }); }
  void Choose(QComboBox* box, const QVariant& data) { box->setCurrentIndex(box->findData(data)); }
  std::string ReadMaster(size_t n) {
    std::string got;
    WaitFor([&] { return (got += pty.ReadAvailable()).size() >= n; });
    return got;
  }
  core::IniFile ini;
  platform::PseudoTerminal pty;
  serial::PortSession session;
  std::unique_ptr<SerialMonitor> monitor;
};

TEST(SerialMonitor, ShowsReceivedTextInEachCodeSet) {
  const struct {
    const char* code_set;
    std::vector<std::string> reads;  // written one after the other
    const char* shown;
  } cases[] = {
      {"cp949", {"\xC7\xD1\xB1", "\xDB OK\r", "\nnext\rlast\n"}, "한글 OK\nnext\nlast\n"},
      {"johab", {"\xD0\x65\x8B\x69\r\n", "\x88\x61"}, "한글\n가"},
      {"utf-8", {"\xED\x95\x9C\xEA", "\xB8\x80!\n"}, "한글!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code_set);
    ScratchDir dir;
    MonitorRig rig(dir);
    ASSERT_TRUE(rig.Connect()) << rig.monitor->state_line()->text().toStdString();
    rig.Choose(rig.monitor->code_set_box(), QString::fromLatin1(c.code_set));
    for (const std::string& bytes : c.reads) {  // each part by itself: a character or CR LF split
      ASSERT_EQ(rig.pty.Write(bytes), bytes.size());
      WaitFor([] { return false; }, 80);
    }
    EXPECT_TRUE(rig.Shows(QString::fromUtf8(c.shown))) << rig.monitor->ReceivedText().toStdString();
    ASSERT_TRUE(rig.monitor->SaveTo(dir.Doc("rx.txt")));  // what is shown, as UTF-8
    EXPECT_EQ(testing::ReadAll(dir.Doc("rx.txt")), c.shown);
    rig.monitor->Clear();
    EXPECT_EQ(rig.monitor->ReceivedText(), "");
  }
}

TEST(SerialMonitor, HexModeShowsEachReadWithItsTime) {
  setenv("TZ", "UTC", 1);
  ::tzset();
  ScratchDir dir;
  MonitorRig rig(dir);
  rig.monitor->clock = [] { return std::chrono::system_clock::time_point(std::chrono::milliseconds(1'700'000'000'000LL + 23'045)); };
  rig.monitor->hex_box()->setChecked(true);
  ASSERT_TRUE(rig.Connect());
  ASSERT_EQ(rig.pty.Write("He\xB0\r\n"), 5u);
  // One line per read ("time  bytes"); the reads together hold the bytes in order.
  std::string bytes;
  const std::regex form(R"(22:13:43\.045  ((?:[0-9A-F]{2} )*[0-9A-F]{2})\n)");
  WaitFor([&] {
    bytes.clear();
    const std::string text = rig.monitor->ReceivedText().toStdString();
    for (std::sregex_iterator m(text.begin(), text.end(), form), end; m != end; ++m) bytes += (bytes.empty() ? "" : " ") + (*m)[1].str();
    return bytes.size() >= 14;
  });
  EXPECT_EQ(bytes, "48 65 B0 0D 0A");
  EXPECT_TRUE(std::regex_match(rig.monitor->ReceivedText().toStdString(), std::regex(R"((22:13:43\.045  [0-9A-F ]+\n)+)")));
}

TEST(SerialMonitor, SendsTheTypedLineWithTheChosenEnding) {
  const struct {
    const char *ending, *code_set, *typed;
    std::string bytes;
  } cases[] = {
      {"none", "cp949", "go", "go"},
      {"cr", "cp949", "가 1", "\xB0\xA1 1\r"},
      {"lf", "johab", "가", "\x88\x61\n"},
      {"crlf", "utf-8", "가", "\xEA\xB0\x80\r\n"},
  };
  ScratchDir dir;
  MonitorRig rig(dir);
  rig.monitor->send_line()->setText(QStringLiteral("x"));  // not connected: nothing goes, and why
  EXPECT_FALSE(rig.monitor->SendLine());
  EXPECT_EQ(rig.monitor->state_line()->text(), "Not connected: choose a port and press Connect");
  ASSERT_TRUE(rig.Connect());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ending);
    rig.Choose(rig.monitor->ending_box(), QString::fromLatin1(c.ending));
    rig.Choose(rig.monitor->code_set_box(), QString::fromLatin1(c.code_set));
    rig.monitor->send_line()->setText(QString::fromUtf8(c.typed));
    QTest::keyClick(rig.monitor->send_line(), Qt::Key_Return);
    EXPECT_EQ(rig.ReadMaster(c.bytes.size()), c.bytes);
    EXPECT_EQ(rig.monitor->send_line()->text(), "");
  }
  // A character the code set has no form for: nothing sent, the line kept.
  rig.Choose(rig.monitor->code_set_box(), QStringLiteral("cp949"));
  rig.monitor->send_line()->setText(QString::fromUtf8("a\xF0\x9F\x98\x80"));
  EXPECT_FALSE(rig.monitor->SendLine());
  EXPECT_EQ(rig.monitor->send_line()->text(), QString::fromUtf8("a\xF0\x9F\x98\x80"));
  EXPECT_EQ(rig.ReadMaster(0), "");
}

TEST(SerialMonitor, LendsThePortAndReportsOneThatGoesAway) {
  ScratchDir dir;
  MonitorRig rig(dir);
  ASSERT_TRUE(rig.Connect());
  rig.monitor->LendPort();  // to a download
  EXPECT_FALSE(rig.session.IsOpen());
  EXPECT_EQ(rig.monitor->lent_port().toStdString(), rig.pty.path());
  rig.monitor->RetakePort();
  EXPECT_EQ(rig.session.IsOpen() ? rig.session.port().toStdString() : "closed", rig.pty.path());
  EXPECT_EQ(rig.monitor->lent_port(), "");
  const std::string path = rig.pty.path();
  rig.pty = platform::PseudoTerminal();  // the line is gone, as an unplugged adapter
  ASSERT_TRUE(WaitFor([&] { return !rig.session.IsOpen(); })) << "the loss was not noticed";
  EXPECT_NE(rig.monitor->state_line()->text().toStdString().find(path), std::string::npos);
  EXPECT_EQ(rig.monitor->connect_button()->text(), "Connect");
  rig.monitor->send_line()->setText(QStringLiteral("x"));
  EXPECT_FALSE(rig.monitor->SendLine());
  // The list no longer offers it; a new line connects as before.
  EXPECT_EQ(rig.monitor->port_box()->findData(QString::fromLatin1(kVirtualPortSetting)), -1);
  rig.pty = platform::PseudoTerminal::Open(nullptr);
  rig.monitor->RefreshPorts();
  ASSERT_TRUE(rig.Connect()) << rig.monitor->state_line()->text().toStdString();
  ASSERT_EQ(rig.pty.Write("back\n"), 5u);
  EXPECT_TRUE(rig.Shows(QStringLiteral("back\n")));
  // Only an adapter the USB cable's chip may be, and only while that cable is in use.
  for (const auto& [port, usb, shared] : {std::tuple{"ttyUSB0", true, true}, {"/dev/ttyUSB1", true, true},
                                          {"ttyUSB0", false, false}, {"ttyACM0", true, false}, {"/dev/pts/3", true, false}})
    EXPECT_EQ(PortSharesDownloadCable(QString::fromLatin1(port), usb), shared) << port;
}

TEST(SerialMonitor, SettingsRoundTripThroughTheirSection) {
  ScratchDir dir;
  const int baud = serial::Bauds().back();
  {
    MonitorRig rig(dir);
    EXPECT_EQ(ReadSerialMonitorSettings(rig.ini), SerialMonitorSettings{});
    ASSERT_TRUE(rig.monitor->ChoosePort(kVirtualPortSetting));
    rig.Choose(rig.monitor->baud_box(), baud);
    rig.Choose(rig.monitor->ending_box(), QStringLiteral("crlf"));
    rig.Choose(rig.monitor->code_set_box(), QStringLiteral("johab"));
    rig.monitor->hex_box()->setChecked(true);
  }
  EXPECT_NE(testing::ReadAll(dir.ini_path()).find("[Serial Monitor]\nPort=virtual\n"), std::string::npos);
  MonitorRig again(dir);
  EXPECT_EQ(again.monitor->CurrentSettings(), (SerialMonitorSettings{"virtual", baud, serial::LineEnding::kCrLf, serial::CodeSet::kJohab, true, 200}));
  core::IniFile bad(dir.path() / "bad.ini");
  for (const auto& [key, value] : {std::pair{"Baud", "1234"}, {"LineEnding", "tab"}, {"CodeSet", "latin1"}, {"PlotPoints", "5"}})
    bad.WriteString(kSerialMonitorSection, key, value);
  EXPECT_EQ(ReadSerialMonitorSettings(bad), SerialMonitorSettings{});  // what the window does not offer
}

// Both windows with the program on the virtual module: the line, the plotter on the monitor's
// connection, and the captions turning with the menu language.
TEST(SerialMonitor, TalksToTheProgramOnTheVirtualModule) {
  ScratchDir dir;
  testing::IdeRig rig(dir);
  rig.ini.WriteString("Setup", "TipShow", "0");
  rig.Start(testing::CopyExample(dir, "serial_echo.bas"));
  rig.Trigger("mnuSerialMonitor");
  rig.Trigger("mnuSerialPlotter");
  SerialMonitor* m = rig.commands->serial_monitor();
  SerialPlotter* p = rig.commands->serial_plotter();
  ASSERT_TRUE(m != nullptr && p != nullptr && m->isVisible());
  // The dock names the line's terminal; the monitor offers it first, as the virtual module.
  const std::string path = rig.commands->dock()->serial_line_path();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  EXPECT_NE(rig.commands->dock()->serial_line_label()->text().toStdString().find(path), std::string::npos);
  EXPECT_EQ(m->port_box()->currentText().toStdString(), "Virtual module (" + path + ")");
  ASSERT_TRUE(m->Connect()) << m->state_line()->text().toStdString();
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  for (const char* typed : {"안녕", "t:5"}) {
    m->send_line()->setText(QString::fromUtf8(typed));
    ASSERT_TRUE(m->SendLine());
  }
  WaitFor([&] {
    rig.devices.AdvanceVirtualTime(20'000'000);
    rig.commands->OnVirtualTime();
    return m->ReceivedText() == QStringLiteral("READY\n안녕\nt:5\n");
  });
  EXPECT_EQ(m->ReceivedText().toStdString(), "READY\n안녕\nt:5\n");
  // The dock's terminal keeps the line's whole output, not only its latest part.
  EXPECT_EQ(rig.commands->dock()->serial_view()->toPlainText().toStdString().rfind("READY\n안녕\nt:5", 0), 0u);
  ASSERT_EQ(p->data().series().size(), 1u);
  EXPECT_EQ(p->data().series()[0].name + "=" + std::to_string(p->data().series()[0].points.size()), "t=1");
  EXPECT_EQ(p->data().series()[0].points.back(), QPointF(1, 5));
  p->ShowConnection();
  EXPECT_EQ(p->state_line()->text().toStdString(), "Plotting " + path + " at 9600 baud");

  // Every caption, placeholder and first list item of both windows, by object name.
  auto captions = [&] {
    std::map<QString, QString> out{{m->objectName(), m->windowTitle()}, {p->objectName(), p->windowTitle()}};
    for (QWidget* window : {static_cast<QWidget*>(m), static_cast<QWidget*>(p)})
      for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* b = qobject_cast<QAbstractButton*>(w)) out[w->objectName()] = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w)) out[w->objectName()] = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(w)) out[w->objectName()] = e->placeholderText();
        else if (auto* c = qobject_cast<QComboBox*>(w)) out[w->objectName()] = c->itemText(0);
      }
    out.erase(QString());
    return out;
  };
  const auto english = captions();
  EXPECT_EQ(english.at("cmdOpenMonitor"), "Serial Monitor...");
  EXPECT_GE(english.size(), 20u);
  rig.Trigger("mnuUseKoreanMenu");
  const auto korean = captions();
  EXPECT_EQ(korean.at("frmSerialPlotter"), "시리얼 플로터");
  EXPECT_EQ(korean.at("cmdSend"), "보내기");
  ASSERT_EQ(korean.size(), english.size());
  // Each text turns but names, numbers and the port list, which read alike in both.
  for (const auto& [name, text] : english) {
    const bool alike = text.isEmpty() || text.toInt() != 0 || name == "cboCodeSet" || name == "cboPort" || name == "cboBaud";
    EXPECT_TRUE(alike || name == "lblSerialState" || korean.at(name) != text) << name.toStdString();
  }
  const std::string bad = dir.Doc("none/rx.txt");
  EXPECT_FALSE(m->SaveTo(bad));
  EXPECT_EQ(m->state_line()->text().toStdString().rfind("저장 오류:" + bad, 0), 0u);
  rig.Trigger("mnuUseKoreanMenu");
  EXPECT_EQ(m->state_line()->text().toStdString().rfind("Save Error:" + bad, 0), 0u);
  auto back = captions();
  back.erase("lblSerialState");  // now the message
  auto before = english;
  before.erase("lblSerialState");
  EXPECT_EQ(back, before);
}

}  // namespace
}  // namespace vn::shell
