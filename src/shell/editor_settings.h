// The editor's appearance and behaviour settings: the 31 colour slots, the switches, the line
// numbering and the font, kept as string values of the registry store and applied to the
// editor at start-up; written back whenever "Editor Environment..." closes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "shell/editor.h"

namespace vn::core {
class RegistryStore;
}  // namespace vn::core

namespace vn::shell {

class ShellEditor;

inline constexpr char kColorsKey[] = "VNstudio\\colors\\";
inline constexpr char kOptionsKey[] = "VNstudio\\options\\";
inline constexpr char kDataKey[] = "VNstudio\\data\\";
inline constexpr char kFontKey[] = "VNstudio\\font\\";
// "lttips" lives beside the other switches: that is where it has always been read from.
inline constexpr const char* kLineToolTipsKey = kOptionsKey;

inline constexpr int kColorSlotCount = 31;

struct ColorSlot {
  const char* name;  // registry value name
  int slot;
  long default_value;  // -1: no colour
};

// In the order the settings are read and written.
extern const std::array<ColorSlot, kColorSlotCount> kColorSlots;
// The value name of slot n (0..30).
const char* ColorSlotName(int slot);

// Text conversions of the stored values. A text that does not convert gives nullopt and the
// caller keeps the default: a hand-edited value should not turn the editor black or its font
// to size 0.
std::optional<bool> ParseBoolText(std::string_view text);
std::optional<long> ParseIntegerText(std::string_view text);
std::optional<double> ParseDecimalText(std::string_view text);
std::string BoolText(bool value);       // "True" / "False"
std::string DecimalText(double value);  // 8, 8.5, 10.25

// Reads every value and applies it to the editor, in the fixed order: the colours, the
// switches, the numbering, the font.
void LoadEditorSettings(const core::RegistryStore& reg, ShellEditor& editor);
// Reads the settings back from the editor and writes them, in the fixed order.
void SaveEditorSettings(const ShellEditor& editor, core::RegistryStore& reg);
// The white-space switch: read at start-up after the other settings, written at shut-down.
void LoadWhiteSpaceOption(const core::RegistryStore& reg, ShellEditor& editor);
void SaveWhiteSpaceOption(const ShellEditor& editor, core::RegistryStore& reg);

// Everything the settings dialog shows and changes, taken from and given to the editor.
struct EditorProfile {
  std::array<unsigned, kColorSlotCount> colors{};  // by slot number
  bool color_syntax = false;
  bool sel_bounds = true;
  bool left_margin = true;
  bool white_space = false;
  bool numbering = false;
  bool line_tool_tips = true;
  int numbering_style = 1;
  int numbering_start = 1;
  shell::EditorComponent::Font font;
  double font_size = 8;
};
EditorProfile ReadProfile(const ShellEditor& editor);
void ApplyProfile(const EditorProfile& profile, ShellEditor& editor);

}  // namespace vn::shell
