#include "shell/editor_settings.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/settings_store.h"
#include "shell/shell_editor.h"

namespace vn::shell {

const std::array<ColorSlot, kColorSlotCount> kColorSlots = {{
    {"comment", 14, 32896},     {"bookmark", 2, -1},       {"bookmarkbk", 3, -1},  {"commentbk", 15, -1},
    {"divider", 28, -1},        {"highlight", 30, 65535},  {"keyword", 8, 0xFF0000}, {"keywordbk", 9, -1},
    {"left", 1, 0x808080},      {"linenum", 26, 0xFFFFFF}, {"linenumbk", 27, 0x808080}, {"number", 6, 0},
    {"numberbk", 7, -1},        {"operator", 10, 255},     {"operatorbk", 11, -1}, {"scope", 12, 0xFF0000},
    {"scopebk", 13, -1},        {"string", 16, 0x800080},  {"stringbk", 17, -1},   {"tagattrib", 24, 0xFF0000},
    {"tagattribbk", 25, -1},    {"tagele", 22, 128},       {"tagelebk", 23, -1},   {"tagent", 20, 255},
    {"tagentbk", 21, -1},       {"tagtxt", 18, 0},         {"tagtxtbk", 19, -1},   {"text", 4, 0},
    {"textbk", 5, -1},          {"vdivider", 29, -1},      {"window", 0, -1},
}};

const char* ColorSlotName(int slot) {
  for (const ColorSlot& c : kColorSlots)
    if (c.slot == slot) return c.name;
  return "";
}

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

unsigned ColorOf(long value) { return static_cast<unsigned>(static_cast<std::int32_t>(value)); }
std::string ColorText(unsigned color) { return std::to_string(static_cast<std::int32_t>(color)); }

bool ReadSwitch(const core::RegistryStore& reg, const char* key, const char* name, long def) {
  return ParseBoolText(reg.ReadString(key, name, def)).value_or(def != 0);
}

long ReadInteger(const core::RegistryStore& reg, const char* key, const char* name, long def) {
  return ParseIntegerText(reg.ReadString(key, name, def)).value_or(def);
}

void ApplySwitch(ShellEditor& editor, const char* option, bool on) { editor.SetOption(option, on ? 1 : 0); }

}  // namespace

std::optional<bool> ParseBoolText(std::string_view text) {
  text = Trimmed(text);
  if (SameWord(text, "true")) return true;
  if (SameWord(text, "false")) return false;
  if (auto number = ParseDecimalText(text)) return *number != 0;
  return std::nullopt;
}

std::optional<long> ParseIntegerText(std::string_view text) {
  const auto d = ParseDecimalText(text);
  if (!d || *d < -2147483648.0 || *d > 4294967295.0) return std::nullopt;
  return static_cast<long>(std::llround(*d));
}

std::optional<double> ParseDecimalText(std::string_view text) {
  const std::string s(Trimmed(text));
  if (s.empty()) return std::nullopt;
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str() + 2, &end, 16);
    if (*end != '\0' || v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  // strtod also reads "inf", "nan" and hexadecimal floats; the store never holds those.
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != '+' && c != '.' && c != 'e' && c != 'E')
      return std::nullopt;
  return v;
}

std::string BoolText(bool value) { return value ? "True" : "False"; }

std::string DecimalText(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", value);
  return buf;
}

void LoadEditorSettings(const core::RegistryStore& reg, ShellEditor& editor) {
  for (const ColorSlot& c : kColorSlots) {
    const long value = ParseIntegerText(reg.ReadString(kColorsKey, c.name, c.default_value)).value_or(c.default_value);
    editor.SetColor(c.slot, ColorOf(value));
  }
  ApplySwitch(editor, kOptColorSyntax, ReadSwitch(reg, kOptionsKey, kOptColorSyntax, 0));
  ApplySwitch(editor, kOptSelBounds, ReadSwitch(reg, kOptionsKey, kOptSelBounds, -1));
  ApplySwitch(editor, kOptLeftMargin, ReadSwitch(reg, kOptionsKey, kOptLeftMargin, -1));
  ApplySwitch(editor, kOptNumbering, ReadSwitch(reg, kDataKey, kOptNumbering, 0));
  ApplySwitch(editor, kOptLineToolTips, ReadSwitch(reg, kLineToolTipsKey, kOptLineToolTips, -1));
  editor.SetOption(kOptNumberingStyle, static_cast<int>(ReadInteger(reg, kDataKey, kOptNumberingStyle, 1)));
  editor.SetOption(kOptNumberingStart, static_cast<int>(ReadInteger(reg, kDataKey, kOptNumberingStart, 1)));

  auto font = editor.GetFont();
  font.bold = ReadSwitch(reg, kFontKey, "bold", 0);
  editor.SetFont(font);
  font.italic = ReadSwitch(reg, kFontKey, "italic", 0);
  editor.SetFont(font);
  const double size = ParseDecimalText(reg.ReadString(kFontKey, "size", 8)).value_or(8);
  editor.SetFontSize(size > 0 ? size : 8);
  font = editor.GetFont();
  font.strikethrough = ReadSwitch(reg, kFontKey, "strike", 0);
  editor.SetFont(font);
  font.underline = ReadSwitch(reg, kFontKey, "under", 0);
  editor.SetFont(font);
  const std::string name = reg.ReadString(kFontKey, "name", 0);
  if (name != "0") {
    font = editor.GetFont();
    font.name = name;
    editor.SetFont(font);
  }
}

void SaveEditorSettings(const ShellEditor& editor, core::RegistryStore& reg) {
  for (const ColorSlot& c : kColorSlots) reg.WriteString(kColorsKey, c.name, ColorText(editor.GetColor(c.slot)));
  auto sw = [&](const char* key, const char* option) {
    reg.WriteString(key, option, BoolText(editor.GetOption(option) != 0));
  };
  sw(kOptionsKey, kOptColorSyntax);
  sw(kOptionsKey, kOptSelBounds);
  sw(kDataKey, kOptNumbering);
  sw(kLineToolTipsKey, kOptLineToolTips);
  reg.WriteString(kDataKey, kOptNumberingStyle, std::to_string(editor.GetOption(kOptNumberingStyle)));
  reg.WriteString(kDataKey, kOptNumberingStart, std::to_string(editor.GetOption(kOptNumberingStart)));
  sw(kOptionsKey, kOptLeftMargin);

  const auto font = editor.GetFont();
  reg.WriteString(kFontKey, "bold", BoolText(font.bold));
  reg.WriteString(kFontKey, "italic", BoolText(font.italic));
  reg.WriteString(kFontKey, "size", DecimalText(editor.FontSize()));
  reg.WriteString(kFontKey, "strike", BoolText(font.strikethrough));
  reg.WriteString(kFontKey, "under", BoolText(font.underline));
  reg.WriteString(kFontKey, "name", font.name);
}

void LoadWhiteSpaceOption(const core::RegistryStore& reg, ShellEditor& editor) {
  ApplySwitch(editor, kOptWhiteSpace, ReadSwitch(reg, kOptionsKey, kOptWhiteSpace, 0));
}

void SaveWhiteSpaceOption(const ShellEditor& editor, core::RegistryStore& reg) {
  reg.WriteString(kOptionsKey, kOptWhiteSpace, BoolText(editor.GetOption(kOptWhiteSpace) != 0));
}

EditorProfile ReadProfile(const ShellEditor& editor) {
  EditorProfile p;
  for (int slot = 0; slot < kColorSlotCount; ++slot) p.colors[static_cast<size_t>(slot)] = editor.GetColor(slot);
  p.color_syntax = editor.GetOption(kOptColorSyntax) != 0;
  p.sel_bounds = editor.GetOption(kOptSelBounds) != 0;
  p.left_margin = editor.GetOption(kOptLeftMargin) != 0;
  p.white_space = editor.GetOption(kOptWhiteSpace) != 0;
  p.numbering = editor.GetOption(kOptNumbering) != 0;
  p.line_tool_tips = editor.GetOption(kOptLineToolTips) != 0;
  p.numbering_style = editor.GetOption(kOptNumberingStyle);
  p.numbering_start = editor.GetOption(kOptNumberingStart);
  p.font = editor.GetFont();
  p.font_size = editor.FontSize();
  return p;
}

void ApplyProfile(const EditorProfile& p, ShellEditor& editor) {
  for (int slot = 0; slot < kColorSlotCount; ++slot) editor.SetColor(slot, p.colors[static_cast<size_t>(slot)]);
  ApplySwitch(editor, kOptColorSyntax, p.color_syntax);
  ApplySwitch(editor, kOptSelBounds, p.sel_bounds);
  ApplySwitch(editor, kOptLeftMargin, p.left_margin);
  ApplySwitch(editor, kOptWhiteSpace, p.white_space);
  ApplySwitch(editor, kOptNumbering, p.numbering);
  ApplySwitch(editor, kOptLineToolTips, p.line_tool_tips);
  editor.SetOption(kOptNumberingStyle, p.numbering_style);
  editor.SetOption(kOptNumberingStart, p.numbering_start);
  editor.SetFont(p.font);
  editor.SetFontSize(p.font_size);
}

}  // namespace vn::shell
