// Helpers of the shell tests: a scratch settings directory, an in-memory view for the window
// logic over the real editor, and a main window with its modal parts answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "core/settings_store.h"
#include "shell/cable_devices.h"
#include "shell/code_editor.h"
#include "shell/editor_settings.h"
#include "shell/main_window.h"
#include "shell/shell_commands.h"
#include "shell/shell_editor.h"
#include "shell/studio.h"

namespace vn::shell::testing {

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteAll(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}
// Lower case, as the window caption shows paths (the tests' paths are ASCII).
inline std::string Lower(const std::string& s) { return QString::fromStdString(s).toLower().toStdString(); }

// A fresh directory for settings and documents; the working directory is put back afterwards
// (the start-up moves it to the document's folder).
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/vnshell-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    fs::create_directories(path_ / "config");
    fs::create_directories(path_ / "docs");
    old_cwd_ = fs::current_path();
    fs::current_path(path_ / "docs");
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::current_path(old_cwd_, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path docs() const { return path_ / "docs"; }
  fs::path ini_path() const { return path_ / "config" / core::kSettingsFileName; }
  fs::path registry_path() const { return path_ / "config" / core::kRegistryFileName; }
  std::string Doc(const std::string& name) const { return (docs() / name).string(); }
  // Writes `text` as the document `name`; its path.
  std::string Doc(const std::string& name, const std::string& text) const {
    WriteAll(Doc(name), text);
    return Doc(name);
  }

 private:
  fs::path path_, old_cwd_;
};

// A copy of one of examples/ in the scratch documents folder: Run saves the document and every
// compile writes its compile copy beside it, and neither may touch the source tree.
inline std::string CopyExample(const ScratchDir& dir, const std::string& name) {
  const std::string copy = dir.Doc(name);
  fs::copy_file(fs::path(VN_SOURCE_DIR) / "examples" / name, copy, fs::copy_options::overwrite_existing);
  return copy;
}

struct ShownMessage { std::string text, title; int style; };

// A message box stand-in: records every box and answers from a script; a question nobody
// scripted fails the test.
class MessageScript {
 public:
  int Answer(const std::string& text, const std::string& title, int style) {
    shown.push_back({text, title, style});
    if ((style & 7) == 0) return kAnswerOk;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return kAnswerCancel;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<int> answers;
  std::vector<ShownMessage> shown;
};

inline std::string Next(std::deque<std::string>& q) {
  std::string s = q.empty() ? std::string() : q.front();
  if (!q.empty()) q.pop_front();
  return s;
}

// The window without widgets.
class FakeView : public StudioView {
 public:
  int Message(const std::string& t, const std::string& ti, int s) override { return script.Answer(t, ti, s); }
  std::string AskOpenPath() override { return Next(open_names); }
  std::string AskSavePath() override { return Next(save_names); }
  void SetCaption(const std::string& c) override { caption = c; }
  void SetPanel(int panel, const std::string& text) override {
    panels[panel] = text;
    panel_history.push_back(std::to_string(panel) + ":" + text);
  }
  void SetProgressMax(long max) override { progress_max = max; }
  void SetProgress(long) override {}
  void SetRecentItem(int k, const std::string& c, bool visible) override { recent[k] = {c, visible}; }
  void CheckDeviceItem(const std::string& code) override { device_item = code; }
  void SetVariableItemsEnabled(bool enabled) override { variable_items = enabled; }
  void SetBreakTimer(bool enabled) override { break_timer = enabled; }
  bool BreakTimerEnabled() const override { return break_timer; }
  void ApplyMenuLanguage(bool) override {}
  void ApplyPlacement(const Placement& p) override { placement = p; }
  Placement CurrentPlacement() const override { return placement; }
  void BeginTransfer() override { in_transfer = true; }
  void EndTransfer() override { in_transfer = false; }

  MessageScript script;
  std::deque<std::string> open_names, save_names;
  std::string caption, device_item;
  std::map<int, std::string> panels;
  std::vector<std::string> panel_history;
  long progress_max = 0;
  std::map<int, std::pair<std::string, bool>> recent;
  bool variable_items = false, break_timer = false, in_transfer = false;
  Placement placement;
};

inline constexpr CableChoice kVirtualUsb{CableChoice::Cable::kUsb, true, 1};

// The Studio over the in-memory view and the real editor, with a virtual cable and the scratch settings.
struct StudioRig {
  explicit StudioRig(const ScratchDir& dir)
      : devices(kVirtualUsb), ini(dir.ini_path()), reg(dir.registry_path()),
        studio(view, editor, devices.link(), ini, reg) {
    studio.start_link = [this] { return devices.Start(ini); };
  }
  // Types `text` into the document as a user would: the editor changes and says so.
  void Type(const std::string& text) {
    editor.SetText(text);
    studio.OnTextChanged();
  }
  const ShownMessage& Last() const { return view.script.shown.back(); }
  CableDevices devices;
  core::IniFile ini;
  core::RegistryStore reg;
  FakeView view;
  CodeEditor editor;
  Studio studio;
};

// The real main window on the scratch settings, with the virtual module behind a virtual USB
// cable, its message boxes and file dialogs answered by the test.
struct WindowRig {
  explicit WindowRig(const ScratchDir& dir, std::optional<CableChoice> cable = kVirtualUsb)
      : devices(cable), ini(dir.ini_path()), reg(dir.registry_path()) {
    window = std::make_unique<MainWindow>(devices.link(), ini, reg);
    window->message_hook = [this](const std::string& t, const std::string& ti, int s) { return script.Answer(t, ti, s); };
    window->open_dialog_hook = [this] { return Next(open_names); };
    window->save_dialog_hook = [this] { return Next(save_names); };
    window->exit_hook = [this] { ++exits; };
    window->studio().start_link = [this] { return devices.Start(ini); };
  }
  void Start(const std::string& file = {}) {
    window->Load(file);
    window->ShowAsPlaced();
    QApplication::processEvents();
  }
  void Trigger(const char* name) {
    QAction* a = window->action(name);
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  // Closes through the close box; true when the window closed.
  bool Close() {
    window->close();
    QApplication::processEvents();
    return !window->isVisible();
  }

  CableDevices devices;
  core::IniFile ini;
  core::RegistryStore reg;
  std::unique_ptr<MainWindow> window;
  MessageScript script;
  std::deque<std::string> open_names, save_names;
  int exits = 0;
};

// The main window with every command connected (the views, object files, flash, setup, help,
// tips, about), the data folder of the source tree, and the modal dialogs handed to the test:
// `on_dialog` gets each one shown and clicks what it wants; a dialog nobody expected fails the
// test.
struct IdeRig : WindowRig {
  explicit IdeRig(const ScratchDir& dir, std::optional<CableChoice> cable = kVirtualUsb) : WindowRig(dir, cable) {
    setenv("VNSTUDIO_DATA_DIR", VN_SOURCE_DIR "/data", 1);
    commands = std::make_unique<ShellCommands>(*window, devices, ini);
    commands->modal_hook = [this](QDialog& d) {
      ++dialogs;
      if (on_dialog) on_dialog(d);
      else ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
    };
    commands->save_object_dialog_hook = [this] { return Next(save_names); };
    commands->open_object_dialog_hook = [this] { return Next(open_names); };
    commands->time_digit = [this] { return time_digit; };
  }
  ~IdeRig() { commands.reset(); }  // before the window it works on
  // Starts the window and lets its activation (the tip of the day) come.
  void Start(const std::string& file = {}) {
    WindowRig::Start(file);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  std::unique_ptr<ShellCommands> commands;
  std::function<void(QDialog&)> on_dialog;
  int dialogs = 0;
  int time_digit = 0;
};

}  // namespace vn::shell::testing
