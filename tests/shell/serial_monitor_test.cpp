// The Serial Monitor over a pseudo-terminal pair: the test holds the terminal's master, as the
// module's end of the line; the monitor opens the other side by its path, as it would an adapter.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <ctime>
#include <functional>
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

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// A monitor on one end of a fresh terminal pair, the port list holding that end as the virtual
// module's line.
struct MonitorRig {
  explicit MonitorRig(const ScratchDir& dir) : ini(dir.ini_path()) {
    std::string error;
    pty = platform::PseudoTerminal::Open(&error);
    EXPECT_TRUE(pty.is_open()) << error;
    monitor = std::make_unique<SerialMonitor>(session, ini);
    monitor->virtual_port = [this] { return pty.is_open() ? pty.path() : std::string(); };
    monitor->RefreshPorts();
  }
  bool Connect() { return monitor->ChoosePort(kVirtualPortSetting) && monitor->Connect(); }
  bool Shows(const QString& text) {
    return WaitFor([&] { return monitor->ReceivedText() == text; });
  }
  std::string ReadMaster(size_t n) {
    std::string got;
    WaitFor([&] {
      got += pty.ReadAvailable();
      return got.size() >= n;
    });
    return got;
  }
  core::IniFile ini;
  platform::PseudoTerminal pty;
  serial::PortSession session;
  std::unique_ptr<SerialMonitor> monitor;
};

TEST(SerialMonitor, ShowsReceivedTextInEachCodeSet) {
  struct Case {
    const char* code_set;
    std::vector<std::string> reads;  // written one after the other
    const char* shown;
  };
  const Case cases[] = {
      {"cp949", {"\xC7\xD1\xB1", "\xDB OK\r", "\nnext\rlast\n"}, "한글 OK\nnext\nlast\n"},
      {"johab", {"\xD0\x65\x8B\x69\r\n", "\x88\x61"}, "한글\n가"},
      {"utf-8", {"\xED\x95\x9C\xEA", "\xB8\x80!\n"}, "한글!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_set);
    ScratchDir dir;
    MonitorRig rig(dir);
    ASSERT_TRUE(rig.Connect()) << rig.monitor->state_line()->text().toStdString();
    rig.monitor->code_set_box()->setCurrentIndex(rig.monitor->code_set_box()->findData(QString::fromLatin1(c.code_set)));
    for (const std::string& bytes : c.reads) {
      ASSERT_EQ(rig.pty.Write(bytes), bytes.size());
      // Each part arrives by itself, so a character or a CR LF split between reads is tested.
      WaitFor([] { return false; }, 80);
    }
    EXPECT_TRUE(rig.Shows(QString::fromUtf8(c.shown))) << rig.monitor->ReceivedText().toStdString();
    // Save writes what is shown, as UTF-8; a place that cannot be written is said.
    ASSERT_TRUE(rig.monitor->SaveTo(dir.Doc("rx.txt")));
    EXPECT_EQ(testing::ReadAll(dir.Doc("rx.txt")), c.shown);
    EXPECT_FALSE(rig.monitor->SaveTo(dir.Doc("none/rx.txt")));
    EXPECT_EQ(rig.monitor->state_line()->text().left(10).toStdString(), "Save Error");
    rig.monitor->Clear();
    EXPECT_EQ(rig.monitor->ReceivedText(), "");
  }
}

TEST(SerialMonitor, HexModeShowsEachReadWithItsTime) {
  setenv("TZ", "UTC", 1);
  ::tzset();
  ScratchDir dir;
  MonitorRig rig(dir);
  // 22:13:43.045 UTC
  rig.monitor->clock = [] { return std::chrono::system_clock::time_point(std::chrono::milliseconds(1'700'000'000'000LL + 23'045)); };
  rig.monitor->hex_box()->setChecked(true);
  ASSERT_TRUE(rig.Connect());
  ASSERT_EQ(rig.pty.Write("He\xB0\r\n"), 5u);
  // One line per read; the reads together hold the bytes in order.
  std::string bytes;
  auto parse = [&] {
    bytes.clear();
    for (const QString& line : rig.monitor->ReceivedText().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      std::smatch m;
      const std::string s = line.toStdString();
      if (!std::regex_match(s, m, std::regex(R"(22:13:43\.045  ((?:[0-9A-F]{2} )*[0-9A-F]{2}))"))) return s;
      bytes += (bytes.empty() ? "" : " ") + m[1].str();
    }
    return std::string();
  };
  WaitFor([&] { return parse().empty() && bytes.size() >= 14; });
  EXPECT_EQ(parse(), "") << "a line not in the form of a time and bytes";
  EXPECT_EQ(bytes, "48 65 B0 0D 0A");
}

TEST(SerialMonitor, SendsTheTypedLineWithTheChosenEnding) {
  struct Case {
    const char* ending;
    const char* code_set;
    const char* typed;
    std::string bytes;
  };
  const Case cases[] = {
      {"none", "cp949", "go", "go"},
      {"cr", "cp949", "가 1", "\xB0\xA1 1\r"},
      {"lf", "johab", "가", "\x88\x61\n"},
      {"crlf", "utf-8", "가", "\xEA\xB0\x80\r\n"},
  };
  ScratchDir dir;
  MonitorRig rig(dir);
  // Not connected: nothing goes, and the window says why.
  rig.monitor->send_line()->setText(QStringLiteral("x"));
  EXPECT_FALSE(rig.monitor->SendLine());
  EXPECT_EQ(rig.monitor->state_line()->text(), "Not connected: choose a port and press Connect");
  ASSERT_TRUE(rig.Connect());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ending);
    rig.monitor->ending_box()->setCurrentIndex(rig.monitor->ending_box()->findData(QString::fromLatin1(c.ending)));
    rig.monitor->code_set_box()->setCurrentIndex(rig.monitor->code_set_box()->findData(QString::fromLatin1(c.code_set)));
    rig.monitor->send_line()->setText(QString::fromUtf8(c.typed));
    QTest::keyClick(rig.monitor->send_line(), Qt::Key_Return);
    EXPECT_EQ(rig.ReadMaster(c.bytes.size()), c.bytes);
    EXPECT_EQ(rig.monitor->send_line()->text(), "");
  }
  // A character the code set has no form for: nothing sent, the line kept.
  rig.monitor->code_set_box()->setCurrentIndex(rig.monitor->code_set_box()->findData(QStringLiteral("cp949")));
  rig.monitor->send_line()->setText(QString::fromUtf8("a\xF0\x9F\x98\x80"));
  EXPECT_FALSE(rig.monitor->SendLine());
  EXPECT_EQ(rig.monitor->send_line()->text(), QString::fromUtf8("a\xF0\x9F\x98\x80"));
  EXPECT_NE(rig.monitor->state_line()->text(), "");
  EXPECT_EQ(rig.ReadMaster(0), "");
}

TEST(SerialMonitor, APortThatGoesAwayIsReportedAndTheWindowStaysUsable) {
  ScratchDir dir;
  MonitorRig rig(dir);
  ASSERT_TRUE(rig.Connect());
  const std::string path = rig.pty.path();
  rig.pty = platform::PseudoTerminal();  // the line is gone, as an unplugged adapter
  ASSERT_TRUE(WaitFor([&] { return !rig.session.IsOpen(); })) << "the loss was not noticed";
  const std::string said = rig.monitor->state_line()->text().toStdString();
  EXPECT_NE(said.find(path), std::string::npos) << said;
  EXPECT_EQ(rig.monitor->connect_button()->text(), "Connect");
  EXPECT_TRUE(rig.monitor->port_box()->isEnabled());
  rig.monitor->send_line()->setText(QStringLiteral("x"));
  EXPECT_FALSE(rig.monitor->SendLine());
  // The list no longer offers it; a new line connects as before.
  EXPECT_EQ(rig.monitor->port_box()->findData(QString::fromLatin1(kVirtualPortSetting)), -1);
  std::string error;
  rig.pty = platform::PseudoTerminal::Open(&error);
  rig.monitor->RefreshPorts();
  ASSERT_TRUE(rig.Connect()) << rig.monitor->state_line()->text().toStdString();
  ASSERT_EQ(rig.pty.Write("back\n"), 5u);
  EXPECT_TRUE(rig.Shows(QStringLiteral("back\n")));
}

TEST(SerialMonitor, LendsThePortToADownloadAndTakesItBack) {
  ScratchDir dir;
  MonitorRig rig(dir);
  ASSERT_TRUE(rig.Connect());
  rig.monitor->LendPort();
  EXPECT_FALSE(rig.session.IsOpen());
  EXPECT_EQ(rig.monitor->lent_port().toStdString(), rig.pty.path());
  rig.monitor->RetakePort();
  EXPECT_TRUE(rig.session.IsOpen());
  EXPECT_EQ(rig.session.port().toStdString(), rig.pty.path());
  EXPECT_EQ(rig.monitor->lent_port(), "");
  // Only an adapter the USB cable's chip may be, and only while that cable is in use.
  for (const auto& [port, usb, shared] : {std::tuple{"ttyUSB0", true, true}, {"/dev/ttyUSB1", true, true},
                                          {"ttyUSB0", false, false}, {"ttyACM0", true, false}, {"/dev/pts/3", true, false}})
    EXPECT_EQ(PortSharesDownloadCable(QString::fromLatin1(port), usb), shared) << port;
}

TEST(SerialMonitor, SettingsRoundTripThroughTheirSection) {
  ScratchDir dir;
  const int baud = serial::Bauds().back();
  ASSERT_NE(baud, 9600);
  {
    MonitorRig rig(dir);
    EXPECT_EQ(ReadSerialMonitorSettings(rig.ini), SerialMonitorSettings{});
    ASSERT_TRUE(rig.monitor->ChoosePort(kVirtualPortSetting));
    rig.monitor->baud_box()->setCurrentIndex(rig.monitor->baud_box()->findData(baud));
    rig.monitor->ending_box()->setCurrentIndex(rig.monitor->ending_box()->findData(QStringLiteral("crlf")));
    rig.monitor->code_set_box()->setCurrentIndex(rig.monitor->code_set_box()->findData(QStringLiteral("johab")));
    rig.monitor->hex_box()->setChecked(true);
  }
  const std::string ini = testing::ReadAll(dir.ini_path());
  for (const std::string& line : {std::string("[Serial Monitor]"), std::string("Port=virtual"),
                                  "Baud=" + std::to_string(baud), std::string("LineEnding=crlf"),
                                  std::string("CodeSet=johab"), std::string("Hex=1")})
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
  MonitorRig again(dir);
  const SerialMonitorSettings s = again.monitor->CurrentSettings();
  EXPECT_EQ(s, (SerialMonitorSettings{"virtual", baud, serial::LineEnding::kCrLf, serial::CodeSet::kJohab, true, 200}));
  EXPECT_EQ(again.monitor->ChosenPort().toStdString(), again.pty.path());

  // Values the window does not offer read as the defaults.
  core::IniFile bad(dir.path() / "bad.ini");
  for (const auto& [key, value] : {std::pair{"Baud", "1234"}, {"LineEnding", "tab"}, {"CodeSet", "latin1"},
                                   {"PlotPoints", "5"}})
    bad.WriteString(kSerialMonitorSection, key, value);
  EXPECT_EQ(ReadSerialMonitorSettings(bad), SerialMonitorSettings{});
}

TEST(SerialMonitor, BothWindowsTurnWithTheMenuLanguageWhileOpen) {
  ScratchDir dir;
  testing::IdeRig rig(dir);
  rig.ini.WriteString("Setup", "TipShow", "0");
  rig.Start();
  rig.Trigger("mnuSerialMonitor");
  rig.Trigger("mnuSerialPlotter");
  QWidget* m = rig.commands->serial_monitor();
  QWidget* p = rig.commands->serial_plotter();
  ASSERT_TRUE(m != nullptr && p != nullptr);
  const struct {
    QWidget* window;
    const char *name, *english, *korean;
  } cases[] = {
      {m, "frmSerialMonitor", "Serial Monitor", "시리얼 모니터"}, {m, "lblPort", "Port", "포트"}, {m, "lblBaud", "Baud", "통신속도"},
      {m, "cmdConnect", "Connect", "연결"}, {m, "lblCodeSet", "Code set", "문자 코드"}, {m, "cboCodeSet", "cp949", "cp949"},
      {m, "chkHex", "Hex", "16진수"}, {m, "chkAutoscroll", "Autoscroll", "자동 스크롤"}, {m, "cmdClear", "Clear", "지우기"},
      {m, "cmdSave", "Save...", "저장하기..."}, {m, "txtSend", "Text to send (Enter sends it)", "보낼 내용 (Enter를 누르면 보냅니다)"},
      {m, "cboEnding", "No line ending", "줄바꿈 없음"}, {m, "cmdSend", "Send", "보내기"}, {m, "lblSerialState", "Not connected", "연결되지 않음"},
      {p, "frmSerialPlotter", "Serial Plotter", "시리얼 플로터"}, {p, "lblPoints", "Points", "표시 개수"}, {p, "chkPause", "Pause", "일시정지"},
      {p, "cmdPlotClear", "Clear", "지우기"}, {p, "cmdExportPng", "Export PNG...", "PNG로 내보내기..."}, {p, "cmdExportCsv", "Export CSV...", "CSV로 내보내기..."},
      {p, "cmdOpenMonitor", "Serial Monitor...", "시리얼 모니터..."},
      {p, "lblPlotState", "Not connected: connect a port in the Serial Monitor", "연결되지 않음: 시리얼 모니터에서 포트를 연결하십시오"}};
  for (bool korean : {true, false}) {
    rig.Trigger("mnuUseKoreanMenu");
    for (const auto& c : cases) {
      QWidget* w = c.window->objectName() == c.name ? c.window : c.window->findChild<QWidget*>(c.name);
      ASSERT_NE(w, nullptr) << c.name;  // a button's or label's caption, a field's placeholder, a list's first item
      const QString shown = qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                            : qobject_cast<QLabel*>(w)        ? qobject_cast<QLabel*>(w)->text()
                            : qobject_cast<QLineEdit*>(w)     ? qobject_cast<QLineEdit*>(w)->placeholderText()
                            : qobject_cast<QComboBox*>(w)     ? qobject_cast<QComboBox*>(w)->itemText(0)
                                                              : w->windowTitle();
      EXPECT_EQ(shown.toStdString(), korean ? c.korean : c.english) << c.name;
    }
  }
  // A message names its path in the language shown, and turns with it.
  const std::string bad = dir.Doc("none/rx.txt");
  rig.Trigger("mnuUseKoreanMenu");
  EXPECT_FALSE(rig.commands->serial_monitor()->SaveTo(bad));
  for (const std::string& said : {"저장 오류:" + bad, "Save Error:" + bad}) {
    EXPECT_EQ(rig.commands->serial_monitor()->state_line()->text().toStdString().rfind(said, 0), 0u) << said;
    rig.Trigger("mnuUseKoreanMenu");
  }
}

TEST(SerialMonitor, TalksToTheProgramOnTheVirtualModule) {
  ScratchDir dir;
  testing::IdeRig rig(dir);
  rig.ini.WriteString("Setup", "TipShow", "0");
  rig.Start(testing::CopyExample(dir, "serial_echo.bas"));
  rig.Trigger("mnuSerialMonitor");
  SerialMonitor* m = rig.commands->serial_monitor();
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->isVisible());
  // The dock names the line's terminal; the monitor offers it first, as the virtual module.
  const std::string path = rig.commands->dock()->serial_line_path();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  EXPECT_NE(rig.commands->dock()->serial_line_label()->text().toStdString().find(path), std::string::npos);
  EXPECT_EQ(m->port_box()->currentText().toStdString(), "Virtual module (" + path + ")");
  ASSERT_TRUE(m->Connect()) << m->state_line()->text().toStdString();
  rig.Trigger("mnuRun");
  ASSERT_TRUE(rig.script.shown.empty()) << rig.script.shown[0].text;
  // The plotter reads the same connection.
  rig.Trigger("mnuSerialPlotter");
  SerialPlotter* plotter = rig.commands->serial_plotter();
  ASSERT_NE(plotter, nullptr);
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
  ASSERT_EQ(plotter->data().series().size(), 1u);
  EXPECT_EQ(plotter->data().series()[0].name, "t");
  EXPECT_EQ(plotter->data().series()[0].points, std::deque<QPointF>{QPointF(1, 5)});
  plotter->ShowConnection();
  EXPECT_EQ(plotter->state_line()->text().toStdString(), "Plotting " + path + " at 9600 baud");
}

}  // namespace
}  // namespace vn::shell
