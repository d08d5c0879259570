#include "shell/serial_monitor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/file_io.h"
#include "core/settings_store.h"
#include "serial/port_session.h"
#include "shell/captions.h"

namespace vn::shell {

namespace {

constexpr serial::CodeSet kCodeSets[] = {serial::CodeSet::kCp949, serial::CodeSet::kJohab, serial::CodeSet::kUtf8};
constexpr const char* kCodeSetCaptions[] = {"cp949", "Johab", "UTF-8"};
constexpr serial::LineEnding kEndings[] = {serial::LineEnding::kNone, serial::LineEnding::kCr, serial::LineEnding::kLf,
                                           serial::LineEnding::kCrLf};
constexpr const char* kEndingCaptions[] = {"endNone", "endCr", "endLf", "endCrLf"};
// Received text kept on screen; older lines go (a program that prints for hours would
// otherwise fill the memory).
constexpr int kMaxShownLines = 5000;
constexpr int kPortPollMs = 1000;

bool IsBaud(long baud) {
  const auto bauds = serial::Bauds();
  return std::find(bauds.begin(), bauds.end(), baud) != bauds.end();
}

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

SerialMonitorSettings ReadSerialMonitorSettings(const core::IniFile& ini) {
  SerialMonitorSettings s;
  const char* section = kSerialMonitorSection;
  s.port = ini.GetString(section, "Port", "", 260);
  const long baud = ini.GetInt(section, "Baud", s.baud);
  if (IsBaud(baud)) s.baud = static_cast<int>(baud);
  if (auto e = serial::LineEndingFromName(ini.GetString(section, "LineEnding", ""))) s.ending = *e;
  if (auto c = serial::CodeSetFromName(ini.GetString(section, "CodeSet", ""))) s.code_set = *c;
  s.hex = ini.GetInt(section, "Hex", 0) != 0;
  const long points = ini.GetInt(section, "PlotPoints", s.plot_points);
  if (points >= kMinPlotPoints && points <= kMaxPlotPoints) s.plot_points = static_cast<int>(points);
  return s;
}

bool WriteSerialMonitorSettings(core::IniFile& ini, const SerialMonitorSettings& s) {
  const char* section = kSerialMonitorSection;
  bool ok = ini.WriteString(section, "Port", s.port);
  ok = ini.WriteString(section, "Baud", std::to_string(s.baud)) && ok;
  ok = ini.WriteString(section, "LineEnding", serial::LineEndingName(s.ending)) && ok;
  ok = ini.WriteString(section, "CodeSet", serial::CodeSetName(s.code_set)) && ok;
  ok = ini.WriteString(section, "Hex", s.hex ? "1" : "0") && ok;
  ok = ini.WriteString(section, "PlotPoints", std::to_string(s.plot_points)) && ok;
  return ok;
}

QString SerialText(const char* name, bool korean, const QStringList& args) {
  const QString text = Text(SerialCaption(name, korean));
  switch (args.size()) {
    case 0: return text;
    case 1: return text.arg(args[0]);
    default: return text.arg(args[0], args[1]);
  }
}

bool PortSharesDownloadCable(const QString& port, bool real_usb_cable) {
  if (!real_usb_cable) return false;
  const QString name = port.section(QLatin1Char('/'), -1);
  return name.startsWith(QStringLiteral("ttyUSB"));
}

SerialMonitor::SerialMonitor(serial::PortSession& session, core::IniFile& ini, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      ini_(ini),
      lblPort(new QLabel),
      cboPort(new QComboBox),
      lblBaud(new QLabel),
      cboBaud(new QComboBox),
      cmdConnect(new QPushButton),
      lblCodeSet(new QLabel),
      cboCodeSet(new QComboBox),
      chkHex(new QCheckBox),
      chkAutoscroll(new QCheckBox),
      cmdClear(new QPushButton),
      cmdSave(new QPushButton),
      txtReceived(new QPlainTextEdit),
      txtSend(new QLineEdit),
      cboEnding(new QComboBox),
      cmdSend(new QPushButton),
      lblState(new QLabel),
      tmrPorts(new QTimer(this)) {
  setObjectName(QStringLiteral("frmSerialMonitor"));
  lblPort->setObjectName(QStringLiteral("lblPort"));
  lblBaud->setObjectName(QStringLiteral("lblBaud"));
  lblCodeSet->setObjectName(QStringLiteral("lblCodeSet"));
  cboPort->setObjectName(QStringLiteral("cboPort"));
  cboPort->setMinimumContentsLength(24);
  cboPort->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cboBaud->setObjectName(QStringLiteral("cboBaud"));
  for (int baud : serial::Bauds()) cboBaud->addItem(QString::number(baud), baud);
  cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
  cboCodeSet->setObjectName(QStringLiteral("cboCodeSet"));
  for (size_t i = 0; i < std::size(kCodeSets); ++i)
    cboCodeSet->addItem(QString::fromLatin1(kCodeSetCaptions[i]), Text(serial::CodeSetName(kCodeSets[i])));
  chkHex->setObjectName(QStringLiteral("chkHex"));
  chkAutoscroll->setObjectName(QStringLiteral("chkAutoscroll"));
  chkAutoscroll->setChecked(true);
  cmdClear->setObjectName(QStringLiteral("cmdClear"));
  cmdSave->setObjectName(QStringLiteral("cmdSave"));
  txtReceived->setObjectName(QStringLiteral("txtReceived"));
  txtReceived->setReadOnly(true);
  txtReceived->setMaximumBlockCount(kMaxShownLines);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  txtReceived->setFont(fixed);
  txtSend->setObjectName(QStringLiteral("txtSend"));
  cboEnding->setObjectName(QStringLiteral("cboEnding"));
  for (size_t i = 0; i < std::size(kEndings); ++i)
    cboEnding->addItem(SerialText(kEndingCaptions[i], false), Text(serial::LineEndingName(kEndings[i])));
  cmdSend->setObjectName(QStringLiteral("cmdSend"));
  lblState->setObjectName(QStringLiteral("lblSerialState"));
  lblState->setTextFormat(Qt::PlainText);
  lblState->setWordWrap(true);

  auto* port_row = new QHBoxLayout;
  port_row->addWidget(lblPort);
  port_row->addWidget(cboPort, 1);
  port_row->addWidget(lblBaud);
  port_row->addWidget(cboBaud);
  port_row->addWidget(cmdConnect);
  auto* view_row = new QHBoxLayout;
  view_row->addWidget(lblCodeSet);
  view_row->addWidget(cboCodeSet);
  view_row->addWidget(chkHex);
  view_row->addWidget(chkAutoscroll);
  view_row->addStretch(1);
  view_row->addWidget(cmdClear);
  view_row->addWidget(cmdSave);
  auto* send_row = new QHBoxLayout;
  send_row->addWidget(txtSend, 1);
  send_row->addWidget(cboEnding);
  send_row->addWidget(cmdSend);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(port_row);
  layout->addLayout(view_row);
  layout->addWidget(txtReceived, 1);
  layout->addLayout(send_row);
  layout->addWidget(lblState);
  resize(640, 420);

  connect(cmdConnect, &QPushButton::clicked, this, [this] {
    if (session_.IsOpen() || !lent_port_.isEmpty()) Disconnect();
    else Connect();
  });
  connect(cmdSend, &QPushButton::clicked, this, [this] { SendLine(); });
  connect(txtSend, &QLineEdit::returnPressed, this, [this] { SendLine(); });
  connect(cmdClear, &QPushButton::clicked, this, [this] { Clear(); });
  connect(cmdSave, &QPushButton::clicked, this, [this] { Save(); });
  connect(cboCodeSet, &QComboBox::currentIndexChanged, this, [this] {
    ResetDecoder();
    StoreSettings();
  });
  connect(chkHex, &QCheckBox::toggled, this, [this] {
    ResetDecoder();
    StoreSettings();
  });
  for (QComboBox* box : {cboPort, cboBaud, cboEnding})
    connect(box, &QComboBox::currentIndexChanged, this, [this] { StoreSettings(); });
  connect(&session_, &serial::PortSession::Received, this, &SerialMonitor::OnReceived);
  connect(&session_, &serial::PortSession::Lost, this, &SerialMonitor::OnLost);

  // Adapters come and go while the window is open: the list follows them.
  tmrPorts->setObjectName(QStringLiteral("tmrPorts"));
  tmrPorts->setInterval(kPortPollMs);
  connect(tmrPorts, &QTimer::timeout, this, [this] {
    if (isVisible() || !lent_port_.isEmpty()) RefreshPorts();
  });
  tmrPorts->start();

  ApplySettings(ReadSerialMonitorSettings(ini_));
  RefreshPorts();
  loading_ = false;
  ResetDecoder();
  if (session_.IsOpen()) Say("stConnected", {session_.port(), QString::number(session_.baud())}, false);
  else Say("stNotConnected", {}, false);
  SetLanguage(false);
}

void SerialMonitor::SetLanguage(bool korean) {
  korean_ = korean;
  setWindowTitle(SerialText("frmSerialMonitor", korean));
  lblPort->setText(SerialText("lblPort", korean));
  lblBaud->setText(SerialText("lblBaud", korean));
  lblCodeSet->setText(SerialText("lblCodeSet", korean));
  cboCodeSet->setToolTip(SerialText("tipCodeSet", korean));
  chkHex->setText(SerialText("chkHex", korean));
  chkHex->setToolTip(SerialText("tipHex", korean));
  chkAutoscroll->setText(SerialText("chkAutoscroll", korean));
  cmdClear->setText(SerialText("cmdClear", korean));
  cmdSave->setText(SerialText("cmdSave", korean));
  txtSend->setPlaceholderText(SerialText("txtSend", korean));
  for (int i = 0; i < static_cast<int>(std::size(kEndingCaptions)); ++i)
    cboEnding->setItemText(i, SerialText(kEndingCaptions[i], korean));
  cmdSend->setText(SerialText("cmdSend", korean));
  // The list keeps its items and its choice; only the virtual module's caption changes.
  if (const int at = cboPort->findData(QString::fromLatin1(kVirtualPortSetting)); at >= 0 && virtual_port)
    cboPort->setItemText(at, SerialText("itmVirtual", korean, {QString::fromStdString(virtual_port())}));
  if (said_ != nullptr) Say(said_, said_args_, said_problem_);
  UpdateButtons();
}

SerialMonitor::~SerialMonitor() = default;

void SerialMonitor::ApplySettings(const SerialMonitorSettings& s) {
  wanted_port_ = QString::fromStdString(s.port);
  cboBaud->setCurrentIndex(std::max(0, cboBaud->findData(s.baud)));
  cboEnding->setCurrentIndex(std::max(0, cboEnding->findData(Text(serial::LineEndingName(s.ending)))));
  cboCodeSet->setCurrentIndex(std::max(0, cboCodeSet->findData(Text(serial::CodeSetName(s.code_set)))));
  chkHex->setChecked(s.hex);
}

SerialMonitorSettings SerialMonitor::CurrentSettings() const {
  // The plotter's points are the plotter's: what the file holds stays.
  SerialMonitorSettings s = ReadSerialMonitorSettings(ini_);
  const QString port = cboPort->currentData().toString();
  s.port = (port.isEmpty() ? wanted_port_ : port).toStdString();
  s.baud = cboBaud->currentData().toInt();
  s.ending = serial::LineEndingFromName(cboEnding->currentData().toString().toStdString()).value_or(s.ending);
  s.code_set = serial::CodeSetFromName(cboCodeSet->currentData().toString().toStdString()).value_or(s.code_set);
  s.hex = chkHex->isChecked();
  return s;
}

void SerialMonitor::StoreSettings() {
  if (loading_) return;
  const QString port = cboPort->currentData().toString();
  if (!port.isEmpty()) wanted_port_ = port;
  WriteSerialMonitorSettings(ini_, CurrentSettings());
}

void SerialMonitor::RefreshPorts() {
  QList<QPair<QString, QString>> items;  // what the item stands for, its caption
  const std::string virtual_path = virtual_port ? virtual_port() : std::string();
  if (!virtual_path.empty())
    items.append({QString::fromLatin1(kVirtualPortSetting),
                  SerialText("itmVirtual", korean_, {QString::fromStdString(virtual_path)})});
  for (const serial::PortChoice& p : serial::PresentPorts()) {
    // The virtual module's own terminal is listed once, as the virtual module.
    if (!virtual_path.empty() && (p.name == QString::fromStdString(virtual_path))) continue;
    items.append({p.name, p.description.isEmpty() ? p.name : p.name + QStringLiteral("  ") + p.description});
  }
  bool same = items.size() == cboPort->count();
  for (qsizetype i = 0; same && i < items.size(); ++i)
    same = cboPort->itemData(static_cast<int>(i)).toString() == items[i].first &&
           cboPort->itemText(static_cast<int>(i)) == items[i].second;
  if (!same) {
    const QString chosen = cboPort->currentData().toString();
    const bool was_loading = loading_;
    loading_ = true;  // a list that changes under the user is no choice of theirs
    cboPort->clear();
    for (const auto& [name, caption] : items) cboPort->addItem(caption, name);
    // The user's last choice, else what was chosen, else the virtual module's line.
    int index = cboPort->findData(wanted_port_.isEmpty() ? QString::fromLatin1(kVirtualPortSetting) : wanted_port_);
    if (index < 0) index = cboPort->findData(chosen);
    cboPort->setCurrentIndex(index >= 0 ? index : (cboPort->count() > 0 ? 0 : -1));
    loading_ = was_loading;
  }
  // A port lent to a download comes back once its adapter is there again.
  if (!lent_port_.isEmpty() && !session_.IsOpen()) RetakePort();
  UpdateButtons();
}

bool SerialMonitor::ChoosePort(const QString& name) {
  const int index = cboPort->findData(name);
  if (index < 0) return false;
  cboPort->setCurrentIndex(index);
  return true;
}

QString SerialMonitor::ChosenPort() const {
  const QString name = cboPort->currentData().toString();
  if (name == QLatin1String(kVirtualPortSetting))
    return virtual_port ? QString::fromStdString(virtual_port()) : QString();
  return name;
}

bool SerialMonitor::Connect() {
  const QString port = ChosenPort();
  if (port.isEmpty()) {
    Say("stNoPort", {}, true);
    return false;
  }
  lent_port_.clear();
  if (session_.IsOpen()) session_.Close();
  QString error;
  const int baud = cboBaud->currentData().toInt();
  if (!session_.Open(port, baud, &error)) {
    SetState(error, true);
    UpdateButtons();
    return false;
  }
  ResetDecoder();
  Say("stConnected", {port, QString::number(baud)}, false);
  StoreSettings();
  UpdateButtons();
  return true;
}

void SerialMonitor::Disconnect() {
  lent_port_.clear();
  session_.Close();
  Say("stDisconnected", {}, false);
  UpdateButtons();
}

bool SerialMonitor::SendLine() {
  const serial::CodeSet set =
      serial::CodeSetFromName(cboCodeSet->currentData().toString().toStdString()).value_or(serial::CodeSet::kCp949);
  const serial::LineEnding ending =
      serial::LineEndingFromName(cboEnding->currentData().toString().toStdString()).value_or(serial::LineEnding::kNone);
  if (!session_.IsOpen()) {
    Say("stSendNotConnected", {}, true);
    return false;
  }
  const serial::Outgoing out = serial::EncodeLine(txtSend->text().toStdString(), set, ending);
  if (!out.ok()) {
    SetState(QString::fromStdString(out.error), true);
    return false;
  }
  QString error;
  if (!session_.Send(QByteArray(out.bytes.data(), static_cast<qsizetype>(out.bytes.size())), &error)) {
    SetState(error, true);
    return false;
  }
  txtSend->clear();
  return true;
}

void SerialMonitor::Clear() {
  txtReceived->clear();
  ResetDecoder();
}

QString SerialMonitor::ReceivedText() const { return txtReceived->toPlainText(); }

bool SerialMonitor::SaveTo(const std::string& path) {
  const QByteArray text = txtReceived->toPlainText().toUtf8();
  const core::FileError e = core::ReplaceFile(path, std::string_view(text.constData(), static_cast<size_t>(text.size())));
  if (!e.ok()) {
    Say("stSaveError", {QString::fromStdString(path), QString::fromStdString(e.Reason())}, true);
    return false;
  }
  Say("stSaved", {QString::fromStdString(path)}, false);
  return true;
}

void SerialMonitor::Save() {
  const std::string path =
      save_dialog_hook ? save_dialog_hook()
                       : QFileDialog::getSaveFileName(this, SerialText("dlgSave", korean_), QStringLiteral("serial.txt"),
                                                      SerialText("dlgSaveFilter", korean_), nullptr,
                                                      QFileDialog::DontUseNativeDialog)
                             .toStdString();
  if (!path.empty()) SaveTo(path);
}

void SerialMonitor::LendPort() {
  if (!session_.IsOpen()) return;
  lent_port_ = session_.port();
  session_.Close();
  Say("stLent", {lent_port_}, false);
  UpdateButtons();
}

void SerialMonitor::RetakePort() {
  if (lent_port_.isEmpty() || session_.IsOpen()) return;
  QString error;
  const int baud = cboBaud->currentData().toInt();
  // The adapter may need a moment to come back after the download: the poll tries again.
  if (!session_.Open(lent_port_, baud, &error)) {
    Say("stWaiting", {lent_port_}, false);
    return;
  }
  Say("stConnected", {lent_port_, QString::number(baud)}, false);
  lent_port_.clear();
  ResetDecoder();
  UpdateButtons();
}

void SerialMonitor::OnReceived(const QByteArray& bytes) {
  const std::string_view raw(bytes.constData(), static_cast<size_t>(bytes.size()));
  if (chkHex->isChecked()) {
    if (raw.empty()) return;
    const auto when = clock ? clock() : std::chrono::system_clock::now();
    Append(QString::fromStdString(serial::HexLine(raw, when)) + QLatin1Char('\n'));
    return;
  }
  if (!decoder_) ResetDecoder();
  // CR LF, CR and LF each end one line, even when a CR LF pair is split between two reads.
  const std::string shown = line_ends_.Feed(decoder_->Feed(raw));
  if (!shown.empty()) Append(QString::fromStdString(shown));
}

void SerialMonitor::Append(const QString& text) {
  QScrollBar* bar = txtReceived->verticalScrollBar();
  const int kept = bar->value();
  QTextCursor cursor(txtReceived->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  if (chkAutoscroll->isChecked()) bar->setValue(bar->maximum());
  else bar->setValue(kept);
}

void SerialMonitor::OnLost(const QString& message) {
  lent_port_.clear();
  SetState(message, true);
  RefreshPorts();
  UpdateButtons();
}

void SerialMonitor::Say(const char* name, const QStringList& args, bool problem) {
  SetState(SerialText(name, korean_, args), problem);
  said_ = name;
  said_args_ = args;
  said_problem_ = problem;
}

void SerialMonitor::SetState(const QString& text, bool problem) {
  said_ = nullptr;
  lblState->setText(text);
  lblState->setStyleSheet(problem ? QStringLiteral("QLabel { color: #b00020; }") : QString());
}

void SerialMonitor::UpdateButtons() {
  const bool open = session_.IsOpen() || !lent_port_.isEmpty();
  cmdConnect->setText(SerialText(open ? "cmdDisconnect" : "cmdConnect", korean_));
  cboPort->setEnabled(!open);
  cboBaud->setEnabled(!open);
  cmdSend->setEnabled(session_.IsOpen());
}

void SerialMonitor::ResetDecoder() {
  const serial::CodeSet set =
      serial::CodeSetFromName(cboCodeSet->currentData().toString().toStdString()).value_or(serial::CodeSet::kCp949);
  decoder_.emplace(set);
  line_ends_.Reset();
}

}  // namespace vn::shell
