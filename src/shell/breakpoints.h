// Breakpoints in the IDE: markers in the editor's breakpoint margin (the margin click, "Toggle
// Breakpoint"), compiled in by Run as the break instruction without touching the source, moved
// to where the compile put them, Run to Cursor, and kept per file in the settings
// ([Breakpoints], the file's absolute path = comma-separated 1-based lines).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vn::compiler {
struct BreakPlacement;
}
namespace vn::core {
class IniFile;
}

namespace vn::shell {

class MainWindow;

inline constexpr char kBreakpointsSection[] = "Breakpoints";

// "3,7,12" for {3, 7, 12}, and back; the parse skips what is not a line number from 1 up.
std::string JoinLines(const std::vector<int>& lines);
std::vector<int> ParseLines(const std::string& text);

class Breakpoints {
 public:
  // Connects itself to the window's editor and Studio; both outlive it.
  Breakpoints(MainWindow& window, core::IniFile& ini);
  ~Breakpoints();
  Breakpoints(const Breakpoints&) = delete;
  Breakpoints& operator=(const Breakpoints&) = delete;

  // Toggles the breakpoint on a zero-based line, or on the caret's line.
  void Toggle(int line);
  void ToggleAtCaret();
  // Run, then the breakpoints the compile moved said in the status bar.
  void Run();
  // Run with one more breakpoint at the caret's line, for this Run only.
  void RunToCursor();
  // The 1-based lines marked now.
  std::vector<int> Lines() const;

  // Whether a debugging session is on (a program downloaded by Run, or the debug window open):
  // a breakpoint toggled then is only in the code at the next Run. Unset: never.
  std::function<bool()> session_active;

 private:
  // Run's lines: the marked ones and the Run to Cursor line.
  std::vector<int> RunLines() const;
  void Placed(const std::vector<compiler::BreakPlacement>& placements);
  // The document's file as the settings key, or "" for one that has no file of its own.
  std::string Key() const;
  void Store();
  void Restore();
  bool Korean() const;

  MainWindow& window_;
  core::IniFile& ini_;
  std::optional<int> run_to_;  // 1-based, during Run to Cursor's Run
  std::string moved_note_;     // what the last Run's compile moved, for the status bar
};

}  // namespace vn::shell
