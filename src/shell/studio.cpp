#include "shell/studio.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "compiler/compiler.h"
#include "core/devices.h"
#include "core/messages.h"
#include "link/link_setup.h"
#include "platform/codepage.h"
#include "core/file_io.h"
#include "core/settings_store.h"
#include "shell/captions.h"
#include "shell/editor_settings.h"
#include "shell/shell_editor.h"

namespace vn::shell {

namespace {

std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

std::string CaptionFor(const std::string& path, bool after_new) {
  return std::string(after_new ? "VARNOLIC Studio  [ " : "VARNOLIC Studio [ ") + AsciiLower(path) + " ]";
}

std::string WithBasExtension(const std::string& name) {
  const std::string tail = name.size() >= 3 ? name.substr(name.size() - 3) : name;
  return AsciiUpper(tail) == "BAS" ? name : name + ".BAS";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string PositionText(int end_line, int end_column, int line_count) {
  return "Ln " + std::to_string(end_line + 1) + ", Col. " + std::to_string(end_column) + ", Lines " +
         std::to_string(line_count);
}

Studio::Studio(StudioView& view, ShellEditor& editor, link::Link& link, core::IniFile& ini,
               core::RegistryStore& reg)
    : view_(view),
      editor_(editor),
      link_(link),
      ini_(ini),
      reg_(reg),
      compiler_(std::make_unique<compiler::Compiler>()),
      code_page_(std::make_unique<platform::CodePage>()),
      recent_(ini) {
  compiler_->SourcePath = kUntitled;
}

Studio::~Studio() = default;

const std::string& Studio::SourcePath() const { return compiler_->SourcePath; }
void Studio::SetSourcePath(const std::string& path) { compiler_->SourcePath = path; }

// ---- Start-up and shut-down ---------------------------------------------------------------------

void Studio::Load(const std::string& file) {
  SrcTopLine = 1;
  if (start_link) {
    // The cable's complaints are shown, but the program starts all the same.
    for (const link::LinkMessage& m : start_link()) {
      const core::RenderedMessage shown = core::Render(m, core::LanguageOf(UseKorean));
      view_.Message(shown.text, shown.title, shown.style);
    }
  }
  compiler_->CompiledOK = false;
  InDebug = 0;

  recent_.Load();
  ShowRecentItems();

  UseKorean = ini_.GetInt("MenuSetting", "Korean", 0) == -1;
  compiler_->UseKorean = UseKorean;
  view_.ApplyMenuLanguage(UseKorean);
  TipShow = static_cast<int>(ini_.GetInt("Setup", "TipShow", 1));

  ReadPlacement();
  LoadEditorSettings(reg_, editor_);
  LoadWhiteSpaceOption(reg_, editor_);

  startup_language_ = core::LanguageOf(UseKorean);

  if (file.empty()) {
    SetSourcePath(ini_.GetString(kLastOpenSection, "File1", kUntitled, kRecentPathBuffer));
  } else {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(file, ec);
    SetSourcePath(ec ? file : absolute.lexically_normal().string());
  }
  OpenDocument();
  const std::string folder = FolderOf(SourcePath());
  if (!folder.empty()) (void)::chdir(folder.c_str());

  SetDefaultDevice();
}

bool Studio::CloseRequest() { return ConfirmDiscard(); }

void Studio::Unload() {
  link::LinkShutdown(link_);
  WritePlacement();
  SaveWhiteSpaceOption(editor_, reg_);
}

void Studio::ReadPlacement() {
  const Placement defaults;
  Placement p;
  auto read = [&](const char* name, double def) {
    return ParseDecimalText(reg_.ReadString(kWindowKey, name, static_cast<long>(def))).value_or(def);
  };
  p.left = read("left", defaults.left);
  p.top = read("top", defaults.top);
  p.width = read("width", defaults.width);
  p.height = read("height", defaults.height);
  p.state = static_cast<int>(ParseIntegerText(reg_.ReadString(kWindowKey, "windowstate", 0)).value_or(0));
  p.first_run = true;
  for (const char* name : {"left", "top", "width", "height"})
    if (reg_.file().Find(kWindowKey, name)) p.first_run = false;
  view_.ApplyPlacement(p);
}

void Studio::WritePlacement() {
  const Placement p = view_.CurrentPlacement();
  reg_.WriteString(kWindowKey, "windowstate", std::to_string(p.state));
  reg_.WriteString(kWindowKey, "left", DecimalText(p.left));
  reg_.WriteString(kWindowKey, "top", DecimalText(p.top));
  reg_.WriteString(kWindowKey, "width", DecimalText(p.width));
  reg_.WriteString(kWindowKey, "height", DecimalText(p.height));
}

// ---- Documents ----------------------------------------------------------------------------------

bool Studio::ConfirmDiscard() {
  if (!modified_) return true;
  const int answer = view_.Message("Document: " + caption_ + "\n" + "Do you wish to save?", kTitleSave, kStyleAskSave);
  if (answer == kAnswerNo) return true;
  if (answer == kAnswerYes && SaveDocument()) return true;
  // Cancel, or a save that did not happen (dialog cancelled, overwrite refused, write failed):
  // the text is still only in the editor, so it stays there.
  editor_.Focus();
  return false;
}

void Studio::New() {
  if (!ConfirmDiscard()) return;
  editor_.SetText("");
  SetSourcePath(kUntitled);
  encoding_ = TextEncoding::kCp949;
  lf_line_ends_ = false;
  caption_ = CaptionFor(SourcePath(), true);
  view_.SetCaption(caption_);
  modified_ = false;
  view_.SetPanel(3, "");
  view_.SetPanel(4, "");
  editor_.SetLanguage("BASIC");
}

void Studio::Open() {
  if (!ConfirmDiscard()) return;
  const std::string path = view_.AskOpenPath();
  if (path.empty()) return;
  SetSourcePath(path);
  OpenDocument();
  editor_.Focus();
}

void Studio::OpenDocument() {
  const std::string& path = SourcePath();
  const core::FileRead read = core::ReadFile(path, core::FileKind::kSource);
  if (read.ok()) {
    DecodedText text = DecodeSourceBytes(read.bytes, *code_page_);
    encoding_ = text.encoding;
    lf_line_ends_ = text.lf_line_ends;
    editor_.SetText(text.utf8);
  } else {
    encoding_ = TextEncoding::kCp949;
    lf_line_ends_ = false;
    editor_.SetText("");
    // A missing file is a new document. One that is there but cannot be read must not look
    // like an empty file: a save would replace it.
    const bool missing = read.error.problem == core::FileProblem::kSystem && read.error.os_error == ENOENT;
    if (!missing) view_.Message("Open Error:" + path + ": " + read.error.Reason(), kTitleError, kStyleInformation);
  }
  modified_ = false;
  view_.SetPanel(4, "");
  editor_.SetLanguage("BASIC");
  caption_ = CaptionFor(path, false);
  view_.SetCaption(caption_);
  view_.SetBreakTimer(false);
  recent_.Update(path);
  ShowRecentItems();
  SetDefaultDevice();
  OnSelectionChanged();
  if (on_document_loaded) on_document_loaded();
}

bool Studio::WriteDocument(const std::string& path) {
  EncodedText out = EncodeSourceText(editor_.Text(), encoding_, *code_page_, lf_line_ends_);
  if (const core::FileError e = core::ReplaceFile(path, out.bytes); !e.ok()) {
    view_.Message("Save Error:" + path + "\n" + e.Reason(), kTitleError, kStyleInformation);
    return false;
  }
  encoding_ = out.encoding;
  return true;
}

bool Studio::SaveDocument() {
  if (SourcePath() == kUntitled) return SaveDocumentAs();
  if (!WriteDocument(SourcePath())) return false;
  modified_ = false;
  view_.SetPanel(4, "");
  recent_.Update(SourcePath());
  ShowRecentItems();
  if (on_document_saved) on_document_saved();
  return true;
}

bool Studio::SaveDocumentAs() {
  const std::string chosen = view_.AskSavePath();
  if (chosen.empty()) return false;
  const std::string path = WithBasExtension(chosen);
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    const int answer = view_.Message("Overwrite ? [" + path + "] ", kTitleStudio, kStyleAskWarn);
    if (answer != kAnswerYes) {
      // The document keeps its old name: under the refused one, the next Save would write
      // over the very file the user chose to keep.
      editor_.Focus();
      return false;
    }
  }
  if (!WriteDocument(path)) return false;
  SetSourcePath(path);
  caption_ = CaptionFor(path, false);
  view_.SetCaption(caption_);
  modified_ = false;
  view_.SetPanel(4, "");
  recent_.Update(path);
  ShowRecentItems();
  if (on_document_saved) on_document_saved();
  return true;
}

void Studio::OpenRecent(int k) {
  if (k < 1 || k > 4) return;
  const std::string path = recent_.item(k);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    view_.Message("Open Error:" + path, kTitleError, kStyleInformation);
    return;
  }
  if (!ConfirmDiscard()) return;
  SetSourcePath(path);
  OpenDocument();
  if (SourcePath() != recent_.item(1)) {
    recent_.Exchange(k);
    ShowRecentItems();
  }
}

void Studio::ShowRecentItems() {
  for (int k = 1; k <= 4; ++k) view_.SetRecentItem(k, recent_.item(k), recent_.visible(k));
}

// ---- Compile and run ----------------------------------------------------------------------------

// The plain code of a Run with breakpoints, and the code it stands in for: the session's code
// as that Run left it. Anything that later replaces the session's code (a compile, an object
// file read in) makes the two differ, and the plain copy no longer applies.
struct Studio::PlainCode {
  core::CodeImage code;
  long code_addr = 0;
  core::CodeImage with_breaks;
  long with_breaks_addr = 0;
};

std::string Studio::DocumentBytes() const {
  // The compile copy holds the text as the editor saves it: code page 949, CR LF line ends.
  return EncodeSourceText(editor_.Text(), TextEncoding::kCp949, *code_page_).bytes;
}

int Studio::Compile(const std::string& document_bytes) {
  plain_code_.reset();
  compiler_->UseKorean = UseKorean;
  const int result = compiler_->CompileProgram(document_bytes);
  // CONST DEVICE may have chosen another device.
  view_.CheckDeviceItem(compiler_->Device.DeviceItem);
  link_.UseSeries(core::SeriesOfKind(compiler_->Device.DeviceKind));
  if (result != 0) {
    const compiler::CompileOutcome& o = compiler_->Outcome;
    if (o.caret && o.line > 0) {
      editor_.GoToLine(o.line - 1);
      editor_.MarkErrorLine(o.line - 1);
    }
    view_.Message(compiler_->OutcomeText(), kTitleError, kStyleInformation);
  }
  return result;
}

int Studio::Run() {
  // An Untitled document whose Save As was cancelled has no file and no folder: nothing is
  // compiled (no compile copy in whatever folder the program was started from), nothing sent.
  if (!SaveDocument() && SourcePath() == kUntitled) {
    editor_.Focus();
    return -1;
  }
  view_.SetPanel(2, core::kNowCompile);
  compiler_->BreakLines = run_breakpoints ? run_breakpoints() : std::vector<int>{};
  const bool with_breaks = !compiler_->BreakLines.empty();
  const compiler::DeviceSettings device = compiler_->Device;
  const std::string document = DocumentBytes();
  const int result = Compile(document);
  // Only Run compiles breaks in: Syntax Check, Save Object and the views get the plain code.
  compiler_->BreakLines.clear();
  if (result == 0 && with_breaks) KeepPlainCode(document, device);
  view_.SetPanel(2, "");
  if (result != 0) return result;
  if (breakpoints_placed) breakpoints_placed(compiler_->BreakPlacements);
  if (!download_) {
    view_.SetPanel(2, kNoDownloadText);
    editor_.Focus();
    return 0;
  }
  view_.SetBreakTimer(false);
  link_.LinkIdle();
  const int downloaded = Download();
  view_.SetVariableItemsEnabled(compiler_->Device.DeviceKind != 1);
  if (downloaded != -1) view_.SetBreakTimer(true);
  editor_.Focus();
  return downloaded == -1 ? -1 : 0;
}

void Studio::KeepPlainCode(const std::string& document_bytes, const compiler::DeviceSettings& device) {
  auto plain = std::make_unique<compiler::Compiler>();
  plain->Device = device;  // as the session's compile began, CONST DEVICE not yet applied
  plain->UseKorean = UseKorean;
  // CompileSource writes no file: the compile copy and the line index stay the session's.
  if (plain->CompileSource(document_bytes) != 0) return;
  auto kept = std::make_unique<PlainCode>();
  kept->code = plain->Code;
  kept->code_addr = plain->CodeAddr;
  kept->with_breaks = compiler_->Code;
  kept->with_breaks_addr = compiler_->CodeAddr;
  plain_code_ = std::move(kept);
}

const Studio::PlainCode* Studio::CurrentPlainCode() const {
  if (!plain_code_ || plain_code_->with_breaks_addr != compiler_->CodeAddr) return nullptr;
  for (long a = 0; a <= core::CodeImage::kLastAddr; ++a)
    if (plain_code_->with_breaks.Get(a) != compiler_->Code.Get(a)) return nullptr;
  return plain_code_.get();
}

const core::CodeImage& Studio::ObjectCode() const {
  const PlainCode* plain = CurrentPlainCode();
  return plain ? plain->code : compiler_->Code;
}

long Studio::ObjectCodeAddr() const {
  const PlainCode* plain = CurrentPlainCode();
  return plain ? plain->code_addr : compiler_->CodeAddr;
}

int Studio::SyntaxCheck() {
  const int result = Compile(DocumentBytes());
  if (result == 0) view_.Message(core::kSyntaxOk, kTitleMessage, kStyleInformation);
  return result;
}

int Studio::Download() {
  if (!download_) return -1;
  return Transfer(download_);
}

int Studio::Transfer(const DownloadHook& operation) {
  link_.UseSeries(core::SeriesOfKind(compiler_->Device.DeviceKind));
  DownloadContext ctx{*compiler_, link_, startup_language_, UseKorean, {}};
  ctx.ui.status = [this](const std::string& text) { view_.SetPanel(2, text); };
  ctx.ui.progress_max = [this](long max) { view_.SetProgressMax(max); };
  ctx.ui.progress = [this](long value) { view_.SetProgress(value); };
  ctx.ui.message = [this](const std::string& text, const std::string& title, int style) {
    view_.Message(text, title, style);
  };
  view_.BeginTransfer();
  const int result = operation(ctx);
  view_.EndTransfer();
  return result;
}

// ---- Device, events, settings ---------------------------------------------------------------------

void Studio::SelectDevice(const std::string& code) {
  for (const core::DeviceInfo& item : core::kDevices) {
    if (!item.has_menu_item() || code != item.code) continue;
    // The menu sets the series and the family only; the compiler derives the memory layout
    // from the series at the next compile.
    compiler_->Device.DeviceSeries = item.menu_series;
    compiler_->Device.DeviceKind = item.kind;
    compiler_->Device.DeviceItem = item.code;
    link_.UseSeries(core::SeriesOfKind(item.kind));
    view_.CheckDeviceItem(item.code);
  }
}

void Studio::SetDefaultDevice() {
  compiler::ApplyDeviceCode(compiler_->Device, *compiler::FindDeviceCode("KF"));
  link_.UseSeries(core::SeriesOfKind(compiler_->Device.DeviceKind));
  view_.CheckDeviceItem(compiler_->Device.DeviceItem);
}

void Studio::OnTextChanged() {
  if (modified_) return;
  modified_ = true;
  view_.SetPanel(4, "Modified");
}

void Studio::OnSelectionChanged() {
  view_.SetPanel(3, PositionText(editor_.SelectionEndLine(), editor_.SelectionEndColumn(), editor_.LineCount()));
}

void Studio::SwitchLanguage() {
  UseKorean = !UseKorean;
  compiler_->UseKorean = UseKorean;
  view_.ApplyMenuLanguage(UseKorean);
  // The settings file keeps the language as the flag it always held.
  ini_.WriteString("MenuSetting", "Korean", UseKorean ? "-1" : "0");
}

void Studio::EditorEnvironment() {
  editor_.ExecuteCommand(224, 0);
  SaveEditorSettings(editor_, reg_);
}

}  // namespace vn::shell
