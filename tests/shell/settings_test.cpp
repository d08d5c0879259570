// Editor settings in the registry store, the colouring of the dialect, the message box
// styles and the command line.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <tuple>

#include "compiler/words.h"
#include "shell/basic_lexer.h"
#include "shell/cable_devices.h"
#include "shell/code_editor.h"
#include "shell/editor_environment_dialog.h"
#include "shell/editor_settings.h"
#include "shell/message_box.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using testing::FakeEditor;
using testing::ReadAll;
using testing::ScratchDir;

// Every setting the dialog changes, set to a value unlike its default, comes back from the store.
TEST(EditorSettings, EverySettingRoundTripsThroughTheStore) {
  ScratchDir dir;
  EditorProfile p;
  for (int slot = 0; slot < kColorSlotCount; ++slot) p.colors[static_cast<size_t>(slot)] = 0x010203u * (slot + 1);
  p.colors[5] = kNoColor;
  std::tie(p.color_syntax, p.sel_bounds, p.left_margin, p.numbering, p.line_tool_tips) =
      std::tuple(true, false, false, true, false);
  std::tie(p.numbering_style, p.numbering_start, p.font_size) = std::tuple(2, 0, 9.5);
  p.font = {"DejaVu Sans Mono", 9, /*bold*/ true, /*italic*/ false, /*underline*/ true, /*strikethrough*/ true};
  FakeEditor editor;
  ApplyProfile(p, editor);
  {
    core::RegistryStore reg(dir.registry_path());
    SaveEditorSettings(editor, reg);
    // The switches as words, the size as a decimal, no colour as -1.
    EXPECT_EQ(std::tuple(reg.ReadString(kOptionsKey, "colorsyntax", 0), reg.ReadString(kOptionsKey, "selbounds", 0),
                         reg.ReadString(kFontKey, "size", 0), reg.ReadString(kColorsKey, ColorSlotName(5), 0),
                         reg.ReadString(kColorsKey, ColorSlotName(4), 0)),
              std::tuple("True", "False", "9.5", "-1", std::to_string(0x010203 * 5)));
  }
  FakeEditor again;
  LoadEditorSettings(core::RegistryStore(dir.registry_path()), again);
  const EditorProfile q = ReadProfile(again);
  EXPECT_EQ(q.colors, p.colors);
  EXPECT_EQ(std::tie(q.color_syntax, q.sel_bounds, q.left_margin, q.numbering, q.line_tool_tips),
            std::tie(p.color_syntax, p.sel_bounds, p.left_margin, p.numbering, p.line_tool_tips));
  EXPECT_EQ(std::tie(q.numbering_style, q.numbering_start, q.font_size, q.font.name),
            std::tie(p.numbering_style, p.numbering_start, p.font_size, p.font.name));
  EXPECT_EQ(std::tie(q.font.bold, q.font.italic, q.font.underline, q.font.strikethrough),
            std::tie(p.font.bold, p.font.italic, p.font.underline, p.font.strikethrough));
  // The white-space switch is kept apart: written at shut-down, read after the rest.
  EXPECT_EQ(again.options.count(kOptWhiteSpace), 0u);
  editor.options[kOptWhiteSpace] = 1;
  core::RegistryStore reg(dir.registry_path());
  SaveWhiteSpaceOption(editor, reg);
  LoadWhiteSpaceOption(reg, again);
  EXPECT_EQ(again.options[kOptWhiteSpace], 1);
}

// A hand-edited value that does not convert leaves the setting as an empty store gives it.
TEST(EditorSettings, TextsThatDoNotConvertKeepTheDefault) {
  ScratchDir dir;
  FakeEditor fresh;
  LoadEditorSettings(core::RegistryStore(dir.path() / "empty.ini"), fresh);
  core::RegistryStore reg(dir.registry_path());
  reg.WriteString(kColorsKey, "keyword", "blue");
  reg.WriteString(kColorsKey, "comment", "&HFF");
  reg.WriteString(kOptionsKey, "colorsyntax", "perhaps");
  reg.WriteString(kOptionsKey, "leftmargin", "0");
  reg.WriteString(kDataKey, "numberingstart", "ten");
  reg.WriteString(kFontKey, "size", "-3");
  reg.WriteString(kFontKey, "bold", "-1");
  FakeEditor editor;
  LoadEditorSettings(reg, editor);
  EXPECT_EQ(std::tuple(editor.GetColor(8), editor.options[kOptColorSyntax], editor.options[kOptNumberingStart],
                       editor.font_size),
            std::tuple(fresh.GetColor(8), fresh.options[kOptColorSyntax], fresh.options[kOptNumberingStart],
                       fresh.font_size));
  EXPECT_EQ(editor.GetColor(14), 0xFFu);
  EXPECT_EQ(editor.options[kOptLeftMargin], 0);
  EXPECT_NE(fresh.options[kOptLeftMargin], 0);
  EXPECT_GT(fresh.font_size, 0);
  EXPECT_TRUE(editor.font.bold && !fresh.font.bold);
}

TEST(EditorSettings, TextConversions) {
  const std::pair<const char*, std::optional<bool>> bools[] = {
      {"True", true}, {"false", false}, {" TRUE ", true}, {"-1", true}, {"0", false}, {"2.5", true}, {"yes", {}}, {"", {}}};
  for (const auto& [text, value] : bools) EXPECT_EQ(ParseBoolText(text), value) << text;
  const std::pair<const char*, std::optional<long>> ints[] = {
      {"32896", 32896}, {"-1", -1}, {"&H808080", 0x808080}, {"&HFFFFFFFF", -1}, {"1e2", 100}, {"12px", {}}, {"nan", {}},
      {"&H", {}}, {"1h", {}}, {"&O17", {}}};  // only "&H" and more is hexadecimal
  for (const auto& [text, value] : ints) EXPECT_EQ(ParseIntegerText(text), value) << text;
  EXPECT_EQ(DecimalText(10.25), "10.25");
  EXPECT_EQ(DecimalText(1980), "1980");
  EXPECT_EQ(BoolText(true) + BoolText(false), "TrueFalse");
}

// The real editor keeps each switch apart, and the colour table fills every slot once with the
// defaults a fresh store gives; the settings dialog offers each slot with its own caption.
TEST(EditorSettings, TheRealEditorTheDefaultsAndTheDialogsSlots) {
  CodeEditor editor;
  const std::string names[] = {kOptColorSyntax, kOptSelBounds, kOptLeftMargin, kOptWhiteSpace, kOptNumbering,
                               kOptLineToolTips};
  for (const std::string& on : names) {  // one switch on at a time
    for (const std::string& n : names) editor.SetOption(n, n == on);
    for (const std::string& n : names) EXPECT_EQ(editor.GetOption(n), n == on ? 1 : 0) << on << " " << n;
  }
  std::set<int> taken;
  for (const ColorSlot& c : kColorSlots) EXPECT_TRUE(taken.insert(c.slot).second) << c.name;
  EXPECT_EQ(taken.size(), static_cast<size_t>(kColorSlotCount));
  EXPECT_EQ(*taken.rbegin(), kColorSlotCount - 1);
  ScratchDir dir;
  FakeEditor fresh;
  LoadEditorSettings(core::RegistryStore(dir.registry_path()), fresh);
  for (const auto& [slot, color] : std::vector<std::pair<int, unsigned>>{
           {14, 32896}, {22, 128}, {24, 0xFF0000}, {30, 65535}, {26, 0xFFFFFF}, {17, kNoColor}})
    EXPECT_EQ(fresh.GetColor(slot), color) << slot;
  std::set<int> shown;
  for (const auto& [slot, caption] : EditorEnvironmentDialog::ShownSlots()) {
    const std::string name = ColorSlotName(slot), text = caption;
    EXPECT_TRUE(shown.insert(slot).second) << caption;
    EXPECT_EQ(name.size() > 2 && name.substr(name.size() - 2) == "bk",
              text.size() > 11 && text.substr(text.size() - 11) == " background") << caption;
  }
}

// The runs of a line as "text/style" words (d default, c comment, s string, n number, k keyword,
// o operator, l label), the blanks around names dropped (a name and the blanks beside it share
// the default style and so one run).
std::string Runs(const std::string& line) {
  std::string out;
  for (const StyleRun& r : StyleBasicLine(line)) {
    std::string text = line.substr(static_cast<size_t>(r.start), static_cast<size_t>(r.length));
    if (r.style == kStyleDefault) {
      const auto first = text.find_first_not_of(" \t");
      if (first == std::string::npos) continue;
      text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }
    out += (out.empty() ? "" : " ") + text + "/" + "dcsnkol"[r.style];
  }
  return out;
}

TEST(Colouring, TokensOfTheDialect) {
  const std::pair<std::string, std::string> cases[] = {
      {"' a comment", "' a comment/c"},
      {"    FOR I = 0 TO 3 STEP 1", "FOR/k I/d =/o 0/n TO/k 3/n STEP/k 1/n"},
      {"DONE:", "DONE:/l"},
      {"100 GOTO 100", "100/l GOTO/k 100/l"},
      {"  ON KIND GOSUB ZERO, SMALL", "ON/k KIND/d GOSUB/k ZERO/l ,/o SMALL/l"},
      {"X = &HFF + &B101 + &O17 + 1.5", "X/d =/o &HFF/n +/o &B101/n +/o &O17/n +/o 1.5/n"},
      {"PUT \"READY\", 13 ' greet", "PUT/k \"READY\"/s ,/o 13/n ' greet/c"},
      {"C = 'A'", "C/d =/o 'A'/s"},
      {"rem lower case comment", "rem lower case comment/c"},
      {"REMARK = TOTAL.H", "REMARK/d =/o TOTAL/d ./o H/d"},
      {"PRINT \"unclosed", "PRINT/k \"unclosed/s"},
      {"END: ", "END/k :/o"},
      {"점수 = 1 ' 한글", "점수/d =/o 1/n ' 한글/c"},
      {"SET HCODE KS", "SET/k HCODE/k KS/d"},
  };
  for (const auto& [line, runs] : cases) EXPECT_EQ(Runs(line), runs) << line;
}

// The colouring takes its words from the compiler: every statement, function and word inside a
// statement is a keyword wherever it stands in a line, in any case; REM starts a comment; a
// byte part and the short spelling KS stay names, as a program may use them as variables.
TEST(Colouring, EveryWordOfTheCompilerIsColouredByItsKind) {
  using compiler::WordKind;
  size_t statements = 0, functions = 0;
  for (const compiler::LanguageWord& w : compiler::LanguageWords()) {
    std::string lower = w.text;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    statements += w.kind == WordKind::kStatement;
    functions += w.kind == WordKind::kFunction;
    const bool name = w.kind == WordKind::kShortForm || w.kind == WordKind::kBytePart;
    EXPECT_EQ(IsBasicKeyword(w.text), !name) << w.text;
    const std::string line = name ? "  " + w.text : w.kind == WordKind::kComment ? "  " + lower + " x" : "X " + lower + " (";
    EXPECT_EQ(Runs(line), name ? w.text + "/d" : w.kind == WordKind::kComment ? lower + " x/c" : "X/d " + lower + "/k (/o");
  }
  EXPECT_EQ(statements, compiler::StatementTableWords().size());
  EXPECT_EQ(functions, compiler::FunctionTableWords().size());
  for (const char* name : {"PRINTER", "STEPS"}) EXPECT_FALSE(IsBasicKeyword(name)) << name;
}

TEST(Colouring, EveryByteIsStyledOnce) {
  for (const std::string line : {"", "   ", "A=1:B=2", "도4레4 \"미\" '파", "\t&H", "X = '"}) {
    int next = 0;
    for (const StyleRun& r : StyleBasicLine(line)) {
      EXPECT_EQ(r.start, next) << line;
      EXPECT_GT(r.length, 0) << line;
      next = r.start + r.length;
    }
    EXPECT_EQ(next, static_cast<int>(line.size())) << line;
  }
}

TEST(MessageStyles, EachStyleHasItsButtonsAndIcon) {
  const struct {
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
  } cases[] = {
      {0, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
      {16, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
      {64, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
      {35, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
      {51, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
  };
  for (const auto& c : cases) {
    const MessageBoxLook look = LookOfStyle(c.style);
    EXPECT_EQ(std::tie(look.icon, look.buttons, look.escape_button), std::tie(c.icon, c.buttons, c.escape)) << c.style;
  }
  EXPECT_EQ(LookOfStyle(35).default_button, QMessageBox::Yes);
  EXPECT_EQ(std::tuple(AnswerOf(QMessageBox::Yes), AnswerOf(QMessageBox::No), AnswerOf(QMessageBox::Cancel),
                       AnswerOf(QMessageBox::Ok)), std::tuple(6, 7, 2, 1));
}

TEST(CommandLineArgs, CableAndFile) {
  using C = CableChoice::Cable;
  const struct {
    std::vector<std::string> args;
    std::optional<CableChoice> cable;
    std::string file;
    bool error;
  } cases[] = {
      {{}, {}, "", false},
      {{"prog.bas"}, {}, "prog.bas", false},
      {{"--cable", "usb", "a.bas"}, CableChoice{C::kUsb, false, 1}, "a.bas", false},
      {{"--cable=revb"}, CableChoice{C::kRevB, false, 1}, "", false},
      {{"a.bas", "--cable", "dummy"}, CableChoice{C::kDummy, false, 1}, "a.bas", false},
      {{"--cable", "virtual"}, CableChoice{C::kUsb, true, 1}, "", false},
      {{"--cable", "virtual-dummy-vnm"}, CableChoice{C::kDummy, true, 2}, "", false},
      {{"--", "-odd.bas"}, {}, "-odd.bas", false},
      {{"--cable"}, {}, "", true},
      {{"--cable", "serial"}, {}, "", true},
      {{"--verbose"}, {}, "", true},
      {{"a.bas", "b.bas"}, {}, "a.bas", true},
  };
  for (const auto& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(!cl.error.empty(), c.error) << label;
    if (!c.error) {
      EXPECT_EQ(std::tie(cl.cable, cl.file), std::tie(c.cable, c.file)) << label;
    }
  }
}

TEST(CommandLineArgs, TheCableChoiceOverridesTheSettingsWithoutWritingThem) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  ini.WriteString("PrintPort", "UseUsb", "1");
  const std::string before = ReadAll(dir.ini_path());
  CableDevices devices(CableChoice{CableChoice::Cable::kRevB, true, 1});
  EXPECT_TRUE(devices.Start(ini).empty());
  EXPECT_EQ(std::tuple(devices.link().UseUsb, devices.link().CableMode), std::tuple(0, 1));
  EXPECT_EQ(ReadAll(dir.ini_path()), before);
  CableDevices from_file(CableChoice{CableChoice::Cable::kUsb, true, 1});
  ini.WriteString("PrintPort", "UseUsb", "0");
  from_file.Start(ini);
  EXPECT_EQ(from_file.link().UseUsb, -1);
}

}  // namespace
}  // namespace vn::shell
