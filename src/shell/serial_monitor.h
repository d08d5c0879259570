// The Serial Monitor: a window on one serial line of the PC (a USB-serial adapter, or the
// virtual module's line offered as a pseudo-terminal) that shows what a program on the module
// prints, as text in a code set or as hexadecimal with the time of each read, and sends the
// lines the user types. The port session it drives is shared with the Serial Plotter: one
// connection, both views. Its choices are kept in the settings file's [Serial Monitor].
#pragma once

#include <QStringList>
#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "serial/serial_text.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vn::core {
class IniFile;
}
namespace vn::serial {
class PortSession;
}

namespace vn::shell {

inline constexpr char kSerialMonitorSection[] = "Serial Monitor";
// The port setting that stands for the virtual module's line, whose path changes each time.
inline constexpr char kVirtualPortSetting[] = "virtual";

struct SerialMonitorSettings {
  std::string port;  // a port name, kVirtualPortSetting, or "" for none chosen yet
  int baud = 9600;
  serial::LineEnding ending = serial::LineEnding::kCr;
  serial::CodeSet code_set = serial::CodeSet::kCp949;
  bool hex = false;
  int plot_points = 200;
  bool operator==(const SerialMonitorSettings&) const = default;
};
// The plotter's window of points: at least kMinPlotPoints, at most kMaxPlotPoints.
inline constexpr int kMinPlotPoints = 10;
inline constexpr int kMaxPlotPoints = 10000;

// What the settings file holds, each value that is missing or not one the window offers
// replaced by its default.
SerialMonitorSettings ReadSerialMonitorSettings(const core::IniFile& ini);
bool WriteSerialMonitorSettings(core::IniFile& ini, const SerialMonitorSettings& settings);

// A download over the USB cable takes the FTDI chip away from the kernel's serial driver, so a
// monitor on a USB-serial adapter (/dev/ttyUSB*) must let go of it first.
bool PortSharesDownloadCable(const QString& port, bool real_usb_cable);

// The serial windows' text `name` (a row of kSerialCaptions) in the language of `korean`, its
// "%1", "%2" filled from `args` in one pass (a path may itself hold a "%2").
QString SerialText(const char* name, bool korean, const QStringList& args = {});

class SerialMonitor : public QWidget {
  Q_OBJECT
 public:
  SerialMonitor(serial::PortSession& session, core::IniFile& ini, QWidget* parent = nullptr);
  ~SerialMonitor() override;

  // The virtual module's line as a path to open, or "" while there is none.
  std::function<std::string()> virtual_port;
  // Stand-ins for tests: the save dialog (a name, "" = cancelled) and the clock of hex lines.
  std::function<std::string()> save_dialog_hook;
  std::function<std::chrono::system_clock::time_point()> clock;

  // Reads the port list again (the poll timer's tick); the chosen port stays chosen while it
  // is there.
  void RefreshPorts();
  // Opens the chosen port at the chosen baud; false with the reason shown.
  bool Connect();
  void Disconnect();
  // Sends the typed line in the code set with the chosen ending; false with the reason shown.
  bool SendLine();
  void Clear();
  // Writes the shown text (UTF-8) to a file; false with the reason shown.
  bool SaveTo(const std::string& path);
  void Save();
  // A download needs the port's adapter: the port is closed and remembered, and opened again
  // by RetakePort (or, while the adapter is still coming back, by the next poll).
  void LendPort();
  void RetakePort();
  // The port being lent, or "" when none is.
  QString lent_port() const { return lent_port_; }

  // The port whose name (or, for the virtual module's line, kVirtualPortSetting) is `name`;
  // false when the list does not hold it.
  bool ChoosePort(const QString& name);
  // Captions every text of the window, the state line's included, in Korean or in English.
  void SetLanguage(bool korean);
  bool korean() const { return korean_; }

  // The path or name the chosen item opens; "" when nothing is chosen.
  QString ChosenPort() const;
  SerialMonitorSettings CurrentSettings() const;

  QComboBox* port_box() const { return cboPort; }
  QComboBox* baud_box() const { return cboBaud; }
  QComboBox* code_set_box() const { return cboCodeSet; }
  QComboBox* ending_box() const { return cboEnding; }
  QCheckBox* hex_box() const { return chkHex; }
  QCheckBox* autoscroll_box() const { return chkAutoscroll; }
  QPushButton* connect_button() const { return cmdConnect; }
  QLineEdit* send_line() const { return txtSend; }
  QPlainTextEdit* received_view() const { return txtReceived; }
  QLabel* state_line() const { return lblState; }
  QString ReceivedText() const;

 private:
  void OnReceived(const QByteArray& bytes);
  void OnLost(const QString& message);
  void Append(const QString& text);
  // A text of the table, said again in the other language when the language changes.
  void Say(const char* name, const QStringList& args, bool problem);
  // A text from below (the port, the code set), said as it comes.
  void SetState(const QString& text, bool problem);
  void UpdateButtons();
  void ResetDecoder();
  void StoreSettings();
  void ApplySettings(const SerialMonitorSettings& s);

  serial::PortSession& session_;
  core::IniFile& ini_;
  std::optional<serial::TextDecoder> decoder_;
  serial::LineEnds line_ends_;  // a CR LF split between two reads is still one line end
  QString lent_port_;
  QString wanted_port_;  // the setting's port, chosen once the list holds it
  bool loading_ = true;
  bool korean_ = false;
  const char* said_ = nullptr;  // the row the state line shows, null for a text from below
  QStringList said_args_;
  bool said_problem_ = false;

  QLabel* lblPort;
  QComboBox* cboPort;
  QLabel* lblBaud;
  QComboBox* cboBaud;
  QPushButton* cmdConnect;
  QLabel* lblCodeSet;
  QComboBox* cboCodeSet;
  QCheckBox* chkHex;
  QCheckBox* chkAutoscroll;
  QPushButton* cmdClear;
  QPushButton* cmdSave;
  QPlainTextEdit* txtReceived;
  QLineEdit* txtSend;
  QComboBox* cboEnding;
  QPushButton* cmdSend;
  QLabel* lblState;
  QTimer* tmrPorts;
};

}  // namespace vn::shell
