// The main window's logic without its widgets: start-up and shut-down, the document commands,
// the recent-files list, the caption, the device selection, Run and Syntax Check. The window
// (MainWindow) owns one Studio, forwards its menu commands and editor events to it and shows
// what it asks for through StudioView.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/message_table.h"
#include "link/link.h"
#include "shell/recent_files.h"
#include "shell/text_file.h"

namespace vn::compiler {
class Compiler;
struct BreakPlacement;
struct DeviceSettings;
}
namespace vn::platform {
class CodePage;
}  // namespace vn::platform
namespace vn::core {
class CodeImage;
class IniFile;
class RegistryStore;
}  // namespace vn::core

namespace vn::shell {

class ShellEditor;

// Message box styles: buttons plus icon, as the message table gives them.
inline constexpr int kStylePlain = core::kStylePlain;
inline constexpr int kStyleCritical = core::kStyleCritical;
inline constexpr int kStyleInformation = core::kStyleInformation;
inline constexpr int kStyleAskSave = core::kStyleYesNoCancelQuestion;
inline constexpr int kStyleAskWarn = core::kStyleYesNoCancelWarning;

// Answers of a message box.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The window's titles, as the message table spells them.
inline constexpr const char* kTitleError = core::kTitleErrorCaps;
inline constexpr const char* kTitleMessage = core::kTitleMessage;
inline constexpr const char* kTitleStudio = core::kTitleStudio;
inline constexpr char kTitleSave[] = "Save";
inline constexpr char kUntitled[] = "Untitled.bas";
inline constexpr char kNoDownloadText[] = "Compiled. No download is available in this build.";

inline constexpr char kWindowKey[] = "VNstudio\\window\\";
// The window placement is kept in twips, 15 to a pixel of a 96 dpi screen.
inline constexpr double kTwipsPerPixel = 15.0;

// "VARNOLIC Studio [ path ]" with the path in lower case; New leaves two blanks before "[".
std::string CaptionFor(const std::string& path, bool after_new);
// A chosen save name whose last three characters are not "BAS" in any case gets ".BAS".
std::string WithBasExtension(const std::string& name);
// Everything before the last '/', or "" when there is none.
std::string FolderOf(const std::string& path);
// Text of the status bar's position panel.
std::string PositionText(int end_line, int end_column, int line_count);

struct Placement {
  double left = 1980, top = 1980, width = 10080, height = 5640;  // twips
  int state = 0;                                                 // 0 normal, 1 minimized, 2 maximized
  // Nothing stored yet: the window picks a size that fits the screen instead of the rectangle.
  bool first_run = false;
};

// What the logic asks of the window.
class StudioView {
 public:
  virtual ~StudioView() = default;
  // Shows a message box and returns the answer (kAnswerOk, kAnswerYes, ...).
  virtual int Message(const std::string& text, const std::string& title, int style) = 0;
  // The file dialogs; an empty name when cancelled.
  virtual std::string AskOpenPath() = 0;
  virtual std::string AskSavePath() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Status bar panel 1..4.
  virtual void SetPanel(int panel, const std::string& text) = 0;
  virtual void SetProgressMax(long max) = 0;
  virtual void SetProgress(long value) = 0;
  virtual void SetRecentItem(int k, const std::string& caption, bool visible) = 0;
  // Checks the device menu item of a device code ("KF") and unchecks the others.
  virtual void CheckDeviceItem(const std::string& code) = 0;
  virtual void SetVariableItemsEnabled(bool enabled) = 0;
  virtual void SetBreakTimer(bool enabled) = 0;
  virtual bool BreakTimerEnabled() const = 0;
  virtual void ApplyMenuLanguage(bool korean) = 0;
  virtual void ApplyPlacement(const Placement& placement) = 0;
  // The current state with the rectangle of the normal (restored) window.
  virtual Placement CurrentPlacement() const = 0;
  // A transfer blocks the window's commands but lets it paint.
  virtual void BeginTransfer() = 0;
  virtual void EndTransfer() = 0;
};

// The window's side of a download: panel 2, the progress bar and the message boxes.
struct TransferUi {
  std::function<void(const std::string&)> status;
  std::function<void(long)> progress_max;
  std::function<void(long)> progress;
  // Shows one message box (text, title, style).
  std::function<void(const std::string&, const std::string&, int)> message;
};

struct DownloadContext {
  compiler::Compiler& compiler;  // code image, CodeAddr, device
  link::Link& link;
  // The language the program started in, for the messages shown in it; none before start-up
  // has read it.
  std::optional<core::Language> startup_language;
  bool use_korean;  // messages in Korean
  TransferUi ui;
};
// Downloads the compiled code into the module of the selected series: 0 or -1.
using DownloadHook = std::function<int(DownloadContext&)>;

class Studio {
 public:
  Studio(StudioView& view, ShellEditor& editor, link::Link& link, core::IniFile& ini,
         core::RegistryStore& reg);
  ~Studio();
  Studio(const Studio&) = delete;
  Studio& operator=(const Studio&) = delete;

  // Opens the cable at start-up and returns what it has to report. Unset: nothing is opened.
  std::function<std::vector<link::LinkMessage>()> start_link;

  // Breakpoints: the 1-based source lines Run compiles with the break instruction (unset: none),
  // told where they went after Run's compile; a document read into the editor and one written.
  std::function<std::vector<int>()> run_breakpoints;
  std::function<void(const std::vector<compiler::BreakPlacement>&)> breakpoints_placed;
  std::function<void()> on_document_loaded;
  std::function<void()> on_document_saved;

  // The start-up sequence. `file`, when not empty, is opened instead of the last file.
  void Load(const std::string& file = {});
  // The close box: false when the window stays open.
  bool CloseRequest();
  // The shut-down sequence after an accepted close.
  void Unload();

  // ---- Documents ----------------------------------------------------------------------------
  void New();
  void Open();
  void OpenDocument();
  // Both return true when the document was written.
  bool SaveDocument();
  bool SaveDocumentAs();
  void OpenRecent(int k);

  // ---- Compile and run ----------------------------------------------------------------------
  int Run();
  int SyntaxCheck();
  void SetDownload(DownloadHook hook) { download_ = std::move(hook); }
  bool HasDownload() const { return static_cast<bool>(download_); }
  // Runs the download with the window blocked; -1 when none is connected.
  int Download();

  // ---- Device menu, editor events, settings -------------------------------------------------
  void SelectDevice(const std::string& code);
  void SetDefaultDevice();
  void OnTextChanged();
  void OnSelectionChanged();
  // Runs the editor's settings dialog, then writes the settings.
  void EditorEnvironment();
  // "&Use Korean Menu": the other language for the menus and the messages chosen when shown,
  // kept as "MenuSetting"/"Korean" ("-1" or "0"). The message table keeps its start-up language.
  void SwitchLanguage();
  // Runs a link operation with the window blocked as a download is: `operation` gets the
  // context of the current compile and returns 0 or -1.
  int Transfer(const DownloadHook& operation);

  // ---- State --------------------------------------------------------------------------------
  compiler::Compiler& compiler() { return *compiler_; }
  // The code an object file is to hold: the compiler's, except that where Run compiled
  // breakpoints into it and nothing has replaced that code since, the same source compiled
  // without them (an object file holds the program as written, not the debugging copy).
  const core::CodeImage& ObjectCode() const;
  long ObjectCodeAddr() const;
  const std::string& SourcePath() const;
  bool Modified() const { return modified_; }
  TextEncoding encoding() const { return encoding_; }
  const std::string& caption() const { return caption_; }
  const RecentFiles& recent() const { return recent_; }
  bool UseKorean = false;
  int TipShow = 1;
  int InDebug = 0;
  int SrcTopLine = 1;
  // The language the program started in (read at start-up; none before), in which some
  // messages stay until the next start (core::MessageRow::in_startup_language).
  std::optional<core::Language> StartupLanguage() const { return startup_language_; }

 private:
  // Asks about unsaved changes before they would be thrown away; false: keep them.
  bool ConfirmDiscard();
  bool WriteDocument(const std::string& path);
  int Compile(const std::string& document_bytes);
  // The editor's text as it is compiled: code page 949, CR LF line ends.
  std::string DocumentBytes() const;
  // After a Run that compiled breakpoints in: the same bytes compiled without them, into a
  // compiler of its own, so the session's compiler and its debugger tables stay as they are.
  void KeepPlainCode(const std::string& document_bytes, const compiler::DeviceSettings& device);
  void ShowRecentItems();
  void SetSourcePath(const std::string& path);
  void ReadPlacement();
  void WritePlacement();

  StudioView& view_;
  ShellEditor& editor_;
  link::Link& link_;
  core::IniFile& ini_;
  core::RegistryStore& reg_;
  std::unique_ptr<compiler::Compiler> compiler_;
  struct PlainCode;
  // The kept plain code while the session's code is still the one it was kept for, else null.
  const PlainCode* CurrentPlainCode() const;
  std::unique_ptr<PlainCode> plain_code_;
  std::optional<core::Language> startup_language_;
  std::unique_ptr<platform::CodePage> code_page_;
  RecentFiles recent_;
  DownloadHook download_;
  bool modified_ = false;
  TextEncoding encoding_ = TextEncoding::kCp949;
  bool lf_line_ends_ = false;  // the open file's lines end in LF alone; a save keeps that
  std::string caption_;
};

}  // namespace vn::shell
