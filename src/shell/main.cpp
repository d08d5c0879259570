// vnstudio: the IDE. vnstudio [--cable CABLE] [FILE.bas]
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "core/file_io.h"
#include "core/settings_store.h"
#include "shell/cable_devices.h"
#include "shell/debug_session.h"
#include "shell/main_window.h"
#include "shell/shell_commands.h"
#include "shell/toolbar_icons.h"

namespace {

// With VNSTUDIO_STARTUP_PROBE set, the program prints the wall-clock time of its first
// painted window and ends there (bench/ide_startup.sh measures the start-up with it).
class StartupProbe : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !fired_) {
      fired_ = true;
      QTimer::singleShot(0, [] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("first-window %lld\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        std::_Exit(0);
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool fired_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  // Ctrl-C or a kill in the middle of a save leaves no temporary file beside the document.
  vn::core::InstallTempFileCleanup();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vnstudio"));
  QApplication::setWindowIcon(vn::shell::AppIcon());

  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const vn::shell::CommandLine cl = vn::shell::ParseCommandLine(args);
  if (cl.help) {
    std::cout << vn::shell::kUsage << "\n  --cable CABLE  this run only: " << vn::shell::CableNames() << "\n";
    return 0;
  }
  if (!cl.error.empty()) {
    std::cerr << "vnstudio: " << cl.error << "\n" << vn::shell::kUsage << "\n";
    return 2;
  }

  const auto dir = vn::core::SettingsDirectory();
  vn::core::IniFile ini(dir / vn::core::kSettingsFileName);
  vn::core::RegistryStore reg(dir / vn::core::kRegistryFileName);
  vn::shell::CableDevices devices(cl.cable);

  vn::shell::MainWindow window(devices.link(), ini, reg);
  vn::shell::DebugSession debugging(window, devices.link());  // Break, the debug and variable windows
  window.studio().start_link = [&devices, &ini] { return devices.Start(ini); };
  // The commands of the views, the object files, the flash, setup, help, tips and about;
  // also Run's download.
  vn::shell::ShellCommands commands(window, devices, ini);
  StartupProbe probe;
  if (std::getenv("VNSTUDIO_STARTUP_PROBE") != nullptr) window.installEventFilter(&probe);
  window.Load(cl.file);
  window.ShowAsPlaced();
  return QApplication::exec();
}
