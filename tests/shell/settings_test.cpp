// Editor settings in the registry store, the colouring of the dialect, the message box
// styles and the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <tuple>

#include "compiler/words.h"
#include "shell/basic_lexer.h"
#include "shell/cable_devices.h"
#include "shell/editor_settings.h"
#include "shell/message_box.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeEditor;
using testing::ReadAll;
using testing::ScratchDir;

// Every setting the dialog changes, set to a value unlike its default, comes back from the store.
TEST(EditorSettings, EverySettingRoundTripsThroughTheStore) {
  ScratchDir dir;
  EditorProfile p;
  for (int slot = 0; slot < kColorSlotCount; ++slot) p.colors[static_cast<size_t>(slot)] = 0x010203u * (slot + 1);
  p.colors[5] = kNoColor;
  p.color_syntax = true;
  p.sel_bounds = false;
  p.left_margin = false;
  p.numbering = true;
  p.line_tool_tips = false;
  p.numbering_style = 2;
  p.numbering_start = 0;
  p.font = {"DejaVu Sans Mono", 9, /*bold*/ true, /*italic*/ false, /*underline*/ true, /*strikethrough*/ true};
  p.font_size = 9.5;
  FakeEditor editor;
  ApplyProfile(p, editor);
  {
    core::RegistryStore reg(dir.registry_path());
    SaveEditorSettings(editor, reg);
    // The switches as words, the size as a decimal, no colour as -1.
    EXPECT_EQ(reg.ReadString(kOptionsKey, "colorsyntax", 0), "True");
    EXPECT_EQ(reg.ReadString(kOptionsKey, "selbounds", 0), "False");
    EXPECT_EQ(reg.ReadString(kFontKey, "size", 0), "9.5");
    EXPECT_EQ(reg.ReadString(kColorsKey, ColorSlotName(5), 0), "-1");
    EXPECT_EQ(reg.ReadString(kColorsKey, ColorSlotName(4), 0), std::to_string(0x010203 * 5));
  }
  FakeEditor again;
  LoadEditorSettings(core::RegistryStore(dir.registry_path()), again);
  const EditorProfile q = ReadProfile(again);
  EXPECT_EQ(q.colors, p.colors);
  EXPECT_EQ(std::tie(q.color_syntax, q.sel_bounds, q.left_margin, q.numbering, q.line_tool_tips),
            std::tie(p.color_syntax, p.sel_bounds, p.left_margin, p.numbering, p.line_tool_tips));
  EXPECT_EQ(q.numbering_style, 2);
  EXPECT_EQ(q.numbering_start, 0);
  EXPECT_EQ(q.font_size, 9.5);
  EXPECT_EQ(q.font.name, "DejaVu Sans Mono");
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
  EXPECT_EQ(editor.GetColor(8), fresh.GetColor(8));
  EXPECT_EQ(editor.GetColor(14), 0xFFu);
  EXPECT_EQ(editor.options[kOptColorSyntax], fresh.options[kOptColorSyntax]);
  EXPECT_EQ(editor.options[kOptLeftMargin], 0);
  EXPECT_NE(fresh.options[kOptLeftMargin], 0);
  EXPECT_EQ(editor.options[kOptNumberingStart], fresh.options[kOptNumberingStart]);
  EXPECT_EQ(editor.font_size, fresh.font_size);
  EXPECT_GT(fresh.font_size, 0);
  EXPECT_TRUE(editor.font.bold);
  EXPECT_FALSE(fresh.font.bold);
}

TEST(EditorSettings, TextConversions) {
  const std::pair<const char*, std::optional<bool>> bools[] = {
      {"True", true}, {"false", false}, {" TRUE ", true}, {"-1", true}, {"0", false}, {"2.5", true}, {"yes", {}}, {"", {}}};
  for (const auto& [text, value] : bools) EXPECT_EQ(ParseBoolText(text), value) << text;
  const std::pair<const char*, std::optional<long>> ints[] = {
      {"32896", 32896}, {"-1", -1}, {"&H808080", 0x808080}, {"&HFFFFFFFF", -1}, {"1e2", 100}, {"12px", {}}, {"nan", {}}};
  for (const auto& [text, value] : ints) EXPECT_EQ(ParseIntegerText(text), value) << text;
  EXPECT_EQ(DecimalText(8), "8");
  EXPECT_EQ(DecimalText(10.25), "10.25");
  EXPECT_EQ(DecimalText(1980), "1980");
  EXPECT_EQ(BoolText(true), "True");
  EXPECT_EQ(BoolText(false), "False");
}

// ---- Colouring -------------------------------------------------------------------------------------

struct Styled {
  std::string text;
  int style;
  bool operator==(const Styled&) const = default;
};
void PrintTo(const Styled& s, std::ostream* os) { *os << "{\"" << s.text << "\", " << s.style << "}"; }

// The runs of a line with the blanks around names dropped (a name and the blanks beside it
// share the default style and so one run).
std::vector<Styled> Runs(const std::string& line) {
  std::vector<Styled> out;
  for (const StyleRun& r : StyleBasicLine(line)) {
    std::string text = line.substr(static_cast<size_t>(r.start), static_cast<size_t>(r.length));
    if (r.style == kStyleDefault) {
      const auto first = text.find_first_not_of(" \t");
      if (first == std::string::npos) continue;
      text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }
    out.push_back({text, r.style});
  }
  return out;
}

TEST(Colouring, TokensOfTheDialect) {
  struct Case {
    std::string line;
    std::vector<Styled> runs;
  };
  const Case cases[] = {
      {"' a comment", {{"' a comment", kStyleComment}}},
      {"    FOR I = 0 TO 3 STEP 1",
       {{"FOR", kStyleKeyword}, {"I", kStyleDefault}, {"=", kStyleOperator}, {"0", kStyleNumber},
        {"TO", kStyleKeyword}, {"3", kStyleNumber}, {"STEP", kStyleKeyword}, {"1", kStyleNumber}}},
      {"DONE:", {{"DONE:", kStyleLabel}}},
      {"100 GOTO 100", {{"100", kStyleLabel}, {"GOTO", kStyleKeyword}, {"100", kStyleLabel}}},
      {"  ON KIND GOSUB ZERO, SMALL", {{"ON", kStyleKeyword}, {"KIND", kStyleDefault}, {"GOSUB", kStyleKeyword},
                                       {"ZERO", kStyleLabel}, {",", kStyleOperator}, {"SMALL", kStyleLabel}}},
      {"X = &HFF + &B101 + &O17 + 1.5", {{"X", kStyleDefault}, {"=", kStyleOperator}, {"&HFF", kStyleNumber},
                                        {"+", kStyleOperator}, {"&B101", kStyleNumber}, {"+", kStyleOperator},
                                        {"&O17", kStyleNumber}, {"+", kStyleOperator}, {"1.5", kStyleNumber}}},
      {"PUT \"READY\", 13 ' greet", {{"PUT", kStyleKeyword}, {"\"READY\"", kStyleString}, {",", kStyleOperator},
                                    {"13", kStyleNumber}, {"' greet", kStyleComment}}},
      {"C = 'A'", {{"C", kStyleDefault}, {"=", kStyleOperator}, {"'A'", kStyleString}}},
      {"rem lower case comment", {{"rem lower case comment", kStyleComment}}},
      {"REMARK = 1", {{"REMARK", kStyleDefault}, {"=", kStyleOperator}, {"1", kStyleNumber}}},
      {"HIGHPART = TOTAL.H", {{"HIGHPART", kStyleDefault}, {"=", kStyleOperator}, {"TOTAL", kStyleDefault},
                              {".", kStyleOperator}, {"H", kStyleDefault}}},
      {"PRINT \"unclosed", {{"PRINT", kStyleKeyword}, {"\"unclosed", kStyleString}}},
      {"END: ", {{"END", kStyleKeyword}, {":", kStyleOperator}}},
      {"점수 = 1 ' 한글", {{"점수", kStyleDefault}, {"=", kStyleOperator}, {"1", kStyleNumber}, {"' 한글", kStyleComment}}},
  };
  for (const Case& c : cases) EXPECT_THAT(Runs(c.line), ElementsAreArray(c.runs)) << c.line;
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
    switch (w.kind) {
      case WordKind::kStatement:
      case WordKind::kFunction:
      case WordKind::kKeyword:
      case WordKind::kOperator:
        EXPECT_THAT(Runs("  " + w.text), ElementsAre(Styled{w.text, kStyleKeyword})) << w.text;
        EXPECT_THAT(Runs("X " + lower + " ("), ElementsAre(Styled{"X", kStyleDefault}, Styled{lower, kStyleKeyword},
                                                          Styled{"(", kStyleOperator}))
            << w.text;
        EXPECT_TRUE(IsBasicKeyword(w.text)) << w.text;
        break;
      case WordKind::kComment:
        EXPECT_THAT(Runs("  " + lower + " x"), ElementsAre(Styled{lower + " x", kStyleComment})) << w.text;
        EXPECT_TRUE(IsBasicKeyword(w.text)) << w.text;
        break;
      case WordKind::kShortForm:
      case WordKind::kBytePart:
        EXPECT_THAT(Runs("  " + w.text), ElementsAre(Styled{w.text, kStyleDefault})) << w.text;
        EXPECT_FALSE(IsBasicKeyword(w.text)) << w.text;
        break;
    }
  }
  EXPECT_EQ(statements, compiler::StatementTableWords().size());
  EXPECT_EQ(functions, compiler::FunctionTableWords().size());
  // Names that only look like words stay names.
  for (const char* name : {"NOT", "PRINTER", "TOTAL", "KEY", "STEPS"}) EXPECT_FALSE(IsBasicKeyword(name)) << name;
  EXPECT_THAT(Runs("SET HCODE KS"), ElementsAre(Styled{"SET", kStyleKeyword}, Styled{"HCODE", kStyleKeyword},
                                                Styled{"KS", kStyleDefault}));
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

// ---- Message boxes and the command line -------------------------------------------------------------

TEST(MessageStyles, EachStyleHasItsButtonsAndIcon) {
  struct Case {
    int style;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
  };
  const Case cases[] = {
      {0, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
      {16, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
      {64, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
      {35, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
      {51, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel},
  };
  for (const Case& c : cases) {
    const MessageBoxLook look = LookOfStyle(c.style);
    EXPECT_EQ(look.icon, c.icon) << c.style;
    EXPECT_EQ(look.buttons, c.buttons) << c.style;
    EXPECT_EQ(look.escape_button, c.escape) << c.style;
  }
  EXPECT_EQ(LookOfStyle(35).default_button, QMessageBox::Yes);
  EXPECT_EQ(AnswerOf(QMessageBox::Yes), 6);
  EXPECT_EQ(AnswerOf(QMessageBox::No), 7);
  EXPECT_EQ(AnswerOf(QMessageBox::Cancel), 2);
  EXPECT_EQ(AnswerOf(QMessageBox::Ok), 1);
}

TEST(CommandLineArgs, CableAndFile) {
  using C = CableChoice::Cable;
  struct Case {
    std::vector<std::string> args;
    std::optional<CableChoice> cable;
    std::string file;
    bool error;
  };
  const Case cases[] = {
      {{}, {}, "", false},
      {{"prog.bas"}, {}, "prog.bas", false},
      {{"--cable", "usb", "a.bas"}, CableChoice{C::kUsb, false, 1}, "a.bas", false},
      {{"--cable=revb"}, CableChoice{C::kRevB, false, 1}, "", false},
      {{"a.bas", "--cable", "dummy"}, CableChoice{C::kDummy, false, 1}, "a.bas", false},
      {{"--cable", "virtual"}, CableChoice{C::kUsb, true, 1}, "", false},
      {{"--cable", "virtual-dummy-vnm"}, CableChoice{C::kDummy, true, 2}, "", false},
      {{"--cable", "virtual-revb"}, CableChoice{C::kRevB, true, 1}, "", false},
      {{"--", "-odd.bas"}, {}, "-odd.bas", false},
      {{"--cable"}, {}, "", true},
      {{"--cable", "serial"}, {}, "", true},
      {{"--cable", "virtualusb"}, {}, "", true},
      {{"--verbose"}, {}, "", true},
      {{"a.bas", "b.bas"}, {}, "a.bas", true},
  };
  for (const Case& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(!cl.error.empty(), c.error) << label;
    if (c.error) continue;
    EXPECT_EQ(cl.cable, c.cable) << label;
    EXPECT_EQ(cl.file, c.file) << label;
  }
}

TEST(CommandLineArgs, TheCableChoiceOverridesTheSettingsWithoutWritingThem) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  ini.WriteString("PrintPort", "UseUsb", "1");
  const std::string before = ReadAll(dir.ini_path());
  CableDevices devices(CableChoice{CableChoice::Cable::kRevB, true, 1});
  EXPECT_TRUE(devices.Start(ini).empty());
  EXPECT_EQ(devices.link().UseUsb, 0);
  EXPECT_EQ(devices.link().CableMode, 1);
  EXPECT_EQ(ReadAll(dir.ini_path()), before);
  CableDevices from_file(CableChoice{CableChoice::Cable::kUsb, true, 1});
  ini.WriteString("PrintPort", "UseUsb", "0");
  from_file.Start(ini);
  EXPECT_EQ(from_file.link().UseUsb, -1);
}

}  // namespace
}  // namespace vn::shell
