#include "shell/breakpoints.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "compiler/compiler.h"
#include "core/settings_store.h"
#include "shell/code_editor.h"
#include "shell/main_window.h"
#include "shell/studio.h"

namespace vn::shell {

namespace {

// The status bar's panel for notes.
constexpr int kNotePanel = 2;

std::string MovedText(const compiler::BreakPlacement& b, bool korean) {
  const std::string from = std::to_string(b.requested);
  if (b.line == 0)
    return korean ? from + "행의 중단점: 그 뒤로 문장이 없어 놓지 못했습니다"
                  : "breakpoint at line " + from + ": no statement from there on, not set";
  const std::string to = std::to_string(b.line);
  return korean ? from + "행의 중단점을 " + to + "행으로 옮겼습니다"
                : "breakpoint at line " + from + " moved to line " + to;
}

}  // namespace

std::string JoinLines(const std::vector<int>& lines) {
  std::string text;
  for (int line : lines) {
    if (!text.empty()) text += ',';
    text += std::to_string(line);
  }
  return text;
}

std::vector<int> ParseLines(const std::string& text) {
  std::vector<int> lines;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    int n = 0;
    const char* first = text.data() + at;
    const char* last = text.data() + end;
    while (first < last && *first == ' ') ++first;
    while (last > first && last[-1] == ' ') --last;
    const auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec == std::errc() && ptr == last && n >= 1) lines.push_back(n);
    at = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  return lines;
}

Breakpoints::Breakpoints(MainWindow& window, core::IniFile& ini) : window_(window), ini_(ini) {
  Studio& studio = window_.studio();
  studio.run_breakpoints = [this] { return RunLines(); };
  studio.breakpoints_placed = [this](const std::vector<compiler::BreakPlacement>& p) { Placed(p); };
  studio.on_document_loaded = [this] { Restore(); };
  studio.on_document_saved = [this] { Store(); };
  window_.editor().on_breakpoint_click = [this](int line) { Toggle(line); };
}

Breakpoints::~Breakpoints() {
  Studio& studio = window_.studio();
  studio.run_breakpoints = nullptr;
  studio.breakpoints_placed = nullptr;
  studio.on_document_loaded = nullptr;
  studio.on_document_saved = nullptr;
  window_.editor().on_breakpoint_click = nullptr;
}

bool Breakpoints::Korean() const { return window_.studio().UseKorean; }

void Breakpoints::Toggle(int line) {
  CodeEditor& editor = window_.editor();
  if (line < 0 || line >= editor.lines()) return;
  editor.ToggleBreakpoint(line);
  Store();
  // The running code has the breakpoints of the Run that downloaded it.
  if (session_active && session_active())
    window_.SetPanel(kNotePanel, Korean() ? "중단점은 다음 실행부터 적용됩니다"
                                          : "The breakpoint takes effect at the next Run");
}

void Breakpoints::ToggleAtCaret() {
  int line = 0, index = 0;
  window_.editor().getCursorPosition(&line, &index);
  Toggle(line);
}

void Breakpoints::RunToCursor() {
  int line = 0, index = 0;
  window_.editor().getCursorPosition(&line, &index);
  run_to_ = line + 1;
  Run();
  run_to_.reset();
}

void Breakpoints::Run() {
  moved_note_.clear();
  if (window_.before_run) window_.before_run();
  window_.studio().Run();
  if (moved_note_.empty()) return;
  // After the download's own texts, which the Run leaves in the panel.
  const std::string shown = window_.PanelText(kNotePanel).toStdString();
  window_.SetPanel(kNotePanel, shown.empty() ? moved_note_ : shown + " - " + moved_note_);
}

std::vector<int> Breakpoints::Lines() const {
  std::vector<int> lines = window_.editor().BreakpointLines();
  for (int& line : lines) ++line;
  return lines;
}

std::vector<int> Breakpoints::RunLines() const {
  std::vector<int> lines = Lines();
  if (run_to_) lines.push_back(*run_to_);
  return lines;
}

void Breakpoints::Placed(const std::vector<compiler::BreakPlacement>& placements) {
  CodeEditor& editor = window_.editor();
  const std::vector<int> marked = editor.BreakpointLines();
  std::vector<int> now = marked;
  moved_note_.clear();
  for (const compiler::BreakPlacement& b : placements) {
    if (!b.moved()) continue;
    if (!moved_note_.empty()) moved_note_ += "; ";
    moved_note_ += MovedText(b, Korean());
    // The marker goes where the program will stop; the Run to Cursor line has none.
    if (std::find(marked.begin(), marked.end(), b.requested - 1) == marked.end()) continue;
    now.erase(std::remove(now.begin(), now.end(), b.requested - 1), now.end());
    if (b.line > 0) now.push_back(b.line - 1);
  }
  if (now == marked) return;
  std::sort(now.begin(), now.end());
  now.erase(std::unique(now.begin(), now.end()), now.end());
  editor.SetBreakpoints(now);
  Store();
}

std::string Breakpoints::Key() const {
  const std::string& path = window_.studio().SourcePath();
  if (path.empty() || path == kUntitled) return {};
  std::error_code ec;
  const std::string key = std::filesystem::absolute(path, ec).lexically_normal().string();
  // A key is one line up to its '='; a name the file could not hold as a key is not kept.
  if (ec || key.find_first_of("=\r\n[];") != std::string::npos) return {};
  return key;
}

void Breakpoints::Store() {
  const std::string key = Key();
  if (key.empty()) return;
  const std::string value = JoinLines(Lines());
  // A file that never had breakpoints gets no key.
  if (value.empty() && !ini_.Find(kBreakpointsSection, key).has_value()) return;
  ini_.WriteString(kBreakpointsSection, key, value);
}

void Breakpoints::Restore() {
  const std::string key = Key();
  std::vector<int> lines;
  if (!key.empty())
    if (const auto value = ini_.Find(kBreakpointsSection, key)) lines = ParseLines(*value);
  for (int& line : lines) --line;
  window_.editor().SetBreakpoints(lines);
}

}  // namespace vn::shell
