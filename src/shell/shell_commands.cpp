#include "shell/shell_commands.h"

#include <QDialog>
#include <QFileDialog>
#include <QTime>
#include <QTimer>
#include <QToolBar>

#include "compiler/compiler.h"
#include "link/download.h"
#include "link/object_file.h"
#include "core/settings_store.h"
#include "shell/about_box.h"
#include "shell/cable_devices.h"
#include "shell/captions.h"
#include "shell/code_editor.h"
#include "shell/data_files.h"
#include "shell/main_window.h"
#include "shell/help_window.h"
#include "shell/link_download.h"
#include "shell/output_view_window.h"
#include "serial/port_session.h"
#include "shell/port_setup_dialog.h"
#include "shell/serial_monitor.h"
#include "shell/serial_plotter.h"
#include "shell/tip_dialog.h"
#include "shell/toolbar_icons.h"
#include "shell/virtual_module_dock.h"

namespace vn::shell {

namespace {

// "Text|*.obj|All|*.*" as Qt writes a filter list: "Text;;All".
QString QtFilter(const char* filter) {
  const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
  QStringList names;
  for (qsizetype i = 0; i < parts.size(); i += 2) names << parts[i];
  return names.join(QStringLiteral(";;"));
}

// The message boxes of a command that is no transfer.
class WindowBoxes : public link::MessageBoxes {
 public:
  explicit WindowBoxes(std::function<void(const core::Message&)> show) : show_(std::move(show)) {}
  void ShowMessage(const core::Message& message) override { show_(message); }

 private:
  std::function<void(const core::Message&)> show_;
};

// Longest stretch of real time the virtual module catches up at once (after the machine slept).
constexpr qint64 kMostCatchUpNs = 1'000'000'000;

}  // namespace

ShellCommands::ShellCommands(MainWindow& window, CableDevices& devices, core::IniFile& ini)
    : window_(window),
      devices_(devices),
      ini_(ini),
      serial_session_(new serial::PortSession(this)),
      tmrVirtualTime(new QTimer(this)) {
  window_.SetCommandHandler("mnuSaveObject", [this] { SaveObject(); });
  window_.SetCommandHandler("mnuDownloadfromObject", [this] { DownloadFromObject(); });
  window_.SetCommandHandler("mnuClearFlashMemory", [this] { ClearFlashMemory(); });
  window_.SetCommandHandler("mnuVerify", [this] { Verify(); });
  window_.SetCommandHandler("mnuViewObjectCode", [this] { ViewObjectCode(); });
  window_.SetCommandHandler("mnuViewLabelList", [this] { ViewLabelList(); });
  window_.SetCommandHandler("mnuReadFlashMemory", [this] { ReadFlashMemory(); });
  window_.SetCommandHandler("mnuUseKoreanMenu", [this] { UseKoreanMenu(); });
  window_.SetCommandHandler("mnuPortSetup", [this] { PortSetup(); });
  window_.SetCommandHandler("mnuSerialMonitor", [this] { OpenSerialMonitor(); });
  window_.SetCommandHandler("mnuSerialPlotter", [this] { OpenSerialPlotter(); });
  // Their toolbar buttons come with the windows they open, after Run and Break.
  if (auto* toolbar = window_.findChild<QToolBar*>(QStringLiteral("tbrMain"))) {
    toolbar->addSeparator();
    for (const char* name : {"mnuSerialMonitor", "mnuSerialPlotter"}) {
      QAction* a = window_.action(name);
      if (a == nullptr) continue;
      a->setIcon(ToolIcon(name));
      a->setToolTip(QString::fromUtf8(EnglishCaption(name).data(), static_cast<qsizetype>(EnglishCaption(name).size()))
                        .remove(QLatin1Char('&'))
                        .remove(QStringLiteral("...")));
      toolbar->addAction(a);
    }
  }
  window_.SetCommandHandler("mnuHelp", [this] { Help(); });
  window_.SetCommandHandler("mnuTipoftheday", [this] { TipOfTheDay(); });
  window_.SetCommandHandler("mnuAbout", [this] { About(); });
  window_.on_activate = [this] { OnActivate(); };
  window_.on_loaded = [this] {
    window_.SetPanel(1, CableName());
    UpdateDock(true);
  };
  // Run's download goes into the virtual module of the compiled series when Port Setup chose
  // the virtual module.
  window_.studio().SetDownload([this](DownloadContext& ctx) {
    devices_.FollowSeries(ctx.compiler.Device.DeviceKind);
    return WithSerialPortLent([&] { return LinkDownload(ctx); });
  });
  tmrVirtualTime->setObjectName(QStringLiteral("tmrVirtualTime"));
  tmrVirtualTime->setInterval(50);
  connect(tmrVirtualTime, &QTimer::timeout, this, [this] { OnVirtualTime(); });
  tmrVirtualTime->start();
  real_time_.start();
}

ShellCommands::~ShellCommands() {
  // The windows read this object's tables: they go with it.
  for (QPointer<OutputView>& v : views_) delete v.data();
  delete help_.data();
  delete monitor_.data();
  delete plotter_.data();
  delete dock_.data();
  window_.on_activate = nullptr;
  window_.on_loaded = nullptr;
  window_.studio().SetDownload(LinkDownload);
}

// ---- Helpers ------------------------------------------------------------------------------------

int ShellCommands::RunModal(QDialog& dialog) {
  if (!modal_hook) return dialog.exec();
  dialog.show();
  modal_hook(dialog);
  if (dialog.isVisible()) dialog.reject();
  return dialog.result();
}

void ShellCommands::ShowMessage(const std::string& text, const std::string& title, int style) {
  window_.Message(text, title, style);
}

void ShellCommands::ShowMessage(const core::Message& message) {
  const Studio& studio = window_.studio();
  const core::RenderedMessage shown = ShownMessage(message, studio.StartupLanguage(), studio.UseKorean);
  ShowMessage(shown.text, shown.title, shown.style);
}

void ShellCommands::ShowNoCompile() { ShowMessage(core::Message{core::MessageCode::kNoCompileInfo}); }

bool ShellCommands::Compiled() const { return window_.studio().compiler().CompiledOK; }

std::string ShellCommands::ChooseObjectFile(bool save) {
  if (save && save_object_dialog_hook) return save_object_dialog_hook();
  if (!save && open_object_dialog_hook) return open_object_dialog_hook();
  constexpr QFileDialog::Options kOptions = QFileDialog::DontUseNativeDialog;
  if (save) {
    const std::string initial = link::ObjectFileInitialName(window_.studio().SourcePath());
    // The overwrite question is the program's own, after ".OBJ" has been added.
    return QFileDialog::getSaveFileName(&window_, QStringLiteral("Save Object"), QString::fromStdString(initial),
                                        QtFilter(link::kSaveObjectFilter), nullptr,
                                        kOptions | QFileDialog::DontConfirmOverwrite)
        .toStdString();
  }
  return QFileDialog::getOpenFileName(&window_, QStringLiteral("Download from Object"), QString(),
                                      QtFilter(link::kOpenObjectFilter), nullptr, kOptions)
      .toStdString();
}

std::string ShellCommands::CableName() const {
  const link::Link& lnk = devices_.link();
  if (devices_.IsVirtual()) return lnk.UseUsb != 0 ? "Virtual module" : "Virtual module (parallel)";
  return lnk.cable().name();
}

// ---- Object files and the flash ------------------------------------------------------------------

void ShellCommands::SaveObject() {
  Studio& studio = window_.studio();
  if (!Compiled()) {
    ShowNoCompile();
    return;
  }
  const std::string chosen = ChooseObjectFile(true);
  bool declined = false;
  const link::Question ask = [&](const core::Message& question) {
    const core::RenderedMessage shown = ShownMessage(question, studio.StartupLanguage(), studio.UseKorean);
    const int answer = window_.Message(shown.text, shown.title, shown.style);
    if (answer == kAnswerYes) return link::Answer::kYes;
    declined = true;
    return answer == kAnswerNo ? link::Answer::kNo : link::Answer::kCancel;
  };
  WindowBoxes boxes([&](const core::Message& message) { ShowMessage(message); });
  link::SaveObjectFile(chosen, studio.ObjectCode(), studio.ObjectCodeAddr(), ask, boxes);
  if (declined) window_.editor().Focus();
}

void ShellCommands::DownloadFromObject() {
  Studio& studio = window_.studio();
  const std::string chosen = ChooseObjectFile(false);
  studio.Transfer([&](DownloadContext& ctx) {
    TransferProgress ui(ctx);
    compiler::Compiler& c = ctx.compiler;
    const int kind = c.Device.DeviceKind;
    devices_.FollowSeries(kind);
    ctx.link.LinkIdle();
    if (link::ReadObjectFile(chosen, c.Code, c.CodeAddr, ui) == -1) return -1;
    window_.SetBreakTimer(false);
    const int result =
        WithSerialPortLent([&] { return link::Download(ctx.link, c.Code, c.CodeAddr, core::SeriesOfKind(kind), ui); });
    if (result != -1) window_.SetBreakTimer(true);
    return result;
  });
}

void ShellCommands::ClearFlashMemory() {
  Studio& studio = window_.studio();
  window_.SetBreakTimer(false);
  studio.Transfer([&](DownloadContext& ctx) {
    TransferProgress ui(ctx);
    compiler::Compiler& c = ctx.compiler;
    devices_.FollowSeries(c.Device.DeviceKind);
    return link::ClearFlashMemory(ctx.link, c.Code, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), ui);
  });
  window_.editor().Focus();
}

void ShellCommands::Verify() {
  window_.studio().Transfer([&](DownloadContext& ctx) {
    TransferProgress ui(ctx);
    compiler::Compiler& c = ctx.compiler;
    if (c.CompiledOK) devices_.FollowSeries(c.Device.DeviceKind);
    return link::VerifyCommand(ctx.link, c.CompiledOK, c.Code, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), flash_, ui);
  });
}

// ---- The views ------------------------------------------------------------------------------------

OutputView* ShellCommands::view(OutputViewKind kind) const { return views_[static_cast<int>(kind)].data(); }
HelpWindow* ShellCommands::help_window() const { return help_.data(); }
VirtualModuleDock* ShellCommands::dock() const { return dock_.data(); }
SerialMonitor* ShellCommands::serial_monitor() const { return monitor_.data(); }
SerialPlotter* ShellCommands::serial_plotter() const { return plotter_.data(); }

OutputView& ShellCommands::ViewWindow(OutputViewKind kind) {
  QPointer<OutputView>& v = views_[static_cast<int>(kind)];
  if (!v) {
    v = new OutputView(
        kind,
        [this, kind](long top_row, int max_rows) {
          return ViewRows(kind, window_.studio().compiler(), flash_, top_row, max_rows);
        },
        &window_);
  }
  return *v;
}

void ShellCommands::ViewObjectCode() {
  if (!Compiled()) {
    ShowNoCompile();
    return;
  }
  ViewWindow(OutputViewKind::kCode)
      .Open(ScrollMaximum(OutputViewKind::kCode, window_.studio().compiler().CodeAddr));
}

void ShellCommands::ViewLabelList() {
  if (!Compiled()) {
    ShowNoCompile();
    return;
  }
  ViewWindow(OutputViewKind::kLabel).Open(kLabelScrollMaximum);
}

void ShellCommands::ReadFlashMemory() {
  if (!Compiled()) {
    ShowNoCompile();
    return;
  }
  // The read-back's result is not examined: the view shows what has been read.
  window_.studio().Transfer([&](DownloadContext& ctx) {
    TransferProgress ui(ctx);
    compiler::Compiler& c = ctx.compiler;
    devices_.FollowSeries(c.Device.DeviceKind);
    return link::ReadFlashMemory(ctx.link, c.CompiledOK, c.CodeAddr, core::SeriesOfKind(c.Device.DeviceKind), flash_, ui);
  });
  ViewWindow(OutputViewKind::kFlash)
      .Open(ScrollMaximum(OutputViewKind::kFlash, window_.studio().compiler().CodeAddr));
}

// ---- Setup ----------------------------------------------------------------------------------------

void ShellCommands::UseKoreanMenu() {
  window_.studio().SwitchLanguage();
  // The serial windows are open beside the main window: they turn with its menus.
  if (monitor_) monitor_->SetLanguage(window_.studio().UseKorean);
  if (plotter_) plotter_->SetLanguage(window_.studio().UseKorean);
}

void ShellCommands::PortSetup() {
  const std::vector<link::LinkMessage> messages =
      PortSetupCommand(devices_.link(), devices_, ini_, [this](PortSetupModel& model) {
        PortSetupDialog dialog(model, &window_);
        RunModal(dialog);
      });
  for (const link::LinkMessage& m : messages) ShowMessage(m);
  window_.SetPanel(1, CableName());
  UpdateDock(true);
}

void ShellCommands::UpdateDock(bool show) {
  if (!devices_.IsVirtual()) {
    if (dock_) {
      dock_->hide();
      dock_->CloseSerialLine();
    }
    if (monitor_) monitor_->RefreshPorts();
    return;
  }
  if (!dock_) {
    dock_ = new VirtualModuleDock([this] { return devices_.board(); },
                                  [this] { return devices_.VirtualModuleStatus(); }, &window_);
    window_.addDockWidget(Qt::RightDockWidgetArea, dock_);
  }
  if (show) dock_->show();
  dock_->OpenSerialLine();
  dock_->Refresh();
  if (monitor_) monitor_->RefreshPorts();
}

void ShellCommands::OnVirtualTime() {
  const qint64 ns = real_time_.nsecsElapsed();
  real_time_.restart();
  // A transfer runs the module on its own time; what passed meanwhile is not made up for.
  if (window_.transfer_active() || !devices_.IsVirtual()) return;
  devices_.AdvanceVirtualTime(std::min(ns, kMostCatchUpNs));
  if (dock_) dock_->PumpSerialLine();
  if (dock_ && dock_->isVisible()) dock_->Refresh();
}

// ---- The serial line's windows ---------------------------------------------------------------------

void ShellCommands::OpenSerialMonitor() {
  if (!monitor_) {
    monitor_ = new SerialMonitor(*serial_session_, ini_, &window_);
    monitor_->virtual_port = [this] {
      return dock_ && devices_.IsVirtual() ? dock_->serial_line_path() : std::string();
    };
    monitor_->RefreshPorts();
  }
  monitor_->SetLanguage(window_.studio().UseKorean);
  monitor_->show();
  monitor_->raise();
  monitor_->activateWindow();
}

void ShellCommands::OpenSerialPlotter() {
  if (!plotter_) {
    plotter_ = new SerialPlotter(*serial_session_, ini_, &window_);
    plotter_->open_monitor = [this] { OpenSerialMonitor(); };
  }
  plotter_->SetLanguage(window_.studio().UseKorean);
  plotter_->show();
  plotter_->raise();
  plotter_->activateWindow();
}

int ShellCommands::WithSerialPortLent(const std::function<int()>& transfer) {
  const bool real_usb = !devices_.IsVirtual() && devices_.link().UseUsb != 0;
  const bool lend = monitor_ && serial_session_->IsOpen() && PortSharesDownloadCable(serial_session_->port(), real_usb);
  if (lend) monitor_->LendPort();
  const int result = transfer();
  if (lend) monitor_->RetakePort();
  return result;
}

// ---- Help, tips, about ------------------------------------------------------------------------------

void ShellCommands::Help() {
  // The pages of the menu language; a window left open in the other one turns to them.
  const auto page = DataFile(HelpPageFor(window_.studio().UseKorean));
  if (!help_) {
    help_ = new HelpWindow(&window_);
    help_->UseStyleSheet(DataFile(kHelpStyleSheet));
  }
  if (help_->page() != page) help_->Navigate(page);
  help_->show();
  help_->raise();
  help_->activateWindow();
}

bool ShellCommands::ShowTips() {
  Studio& studio = window_.studio();
  if (tips_.Load(DataFile(kTipFileName)) != 0) {
    ShowMessage(studio.UseKorean ? kTipOpenErrorKo : kTipOpenErrorEn, kTipOpenErrorTitle, link::kStyleInformation);
    return false;
  }
  tips_.StartAt(time_digit ? time_digit() : QTime::currentTime().second() % 10);
  TipDialog dialog(
      tips_, studio.TipShow, [this](const char* value) { ini_.WriteString("Setup", "TipShow", value); },
      [&studio] { studio.TipShow = 0; }, &window_);
  RunModal(dialog);
  return true;
}

void ShellCommands::TipOfTheDay() { ShowTips(); }

void ShellCommands::OnActivate() {
  // The tip comes by itself once, at the start, and only with the Korean menus.
  if (start_tip_done_) return;
  start_tip_done_ = true;
  const Studio& studio = window_.studio();
  if (studio.TipShow == 1 && studio.UseKorean) ShowTips();
}

void ShellCommands::About() {
  AboutBox box([this]() -> std::optional<link::FirmwareLines> {
    compiler::Compiler& c = window_.studio().compiler();
    if (!c.CompiledOK || window_.transfer_active()) return std::nullopt;
    devices_.FollowSeries(c.Device.DeviceKind);
    return link::FirmwareQuery(devices_.link(), c.CompiledOK, core::SeriesOfKind(c.Device.DeviceKind));
  }, core::LanguageOf(window_.studio().UseKorean), &window_);
  RunModal(box);
}

}  // namespace vn::shell
