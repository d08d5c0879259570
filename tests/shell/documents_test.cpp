// The window logic without a window, over an in-memory view: documents, recent files,
// captions, encodings, start-up and shut-down, Run and Syntax Check; the editor settings in the
// registry store, the colouring of the dialect, the message box styles and the command line.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include "compiler/compiler.h"
#include "platform/codepage.h"
#include "shell/basic_lexer.h"
#include "shell/code_editor.h"
#include "shell/recent_files.h"
#include "shell/text_file.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using namespace testing;

TEST(Rules, CaptionExtensionFolderAndPosition) {
  EXPECT_EQ(CaptionFor("/home/Kim/PROG.BAS", false), "VARNOLIC Studio [ /home/kim/prog.bas ]");
  EXPECT_EQ(CaptionFor("Untitled.bas", true), "VARNOLIC Studio  [ untitled.bas ]");
  EXPECT_EQ(CaptionFor("/자료/A.bas", false), "VARNOLIC Studio [ /자료/a.bas ]");  // only ASCII letters change
  const std::pair<const char*, const char*> names[] = {
      {"prog", "prog.BAS"}, {"PROG.Bas", "PROG.Bas"}, {"prog.txt", "prog.txt.BAS"}, {"verbas", "verbas"}, {"ba", "ba.BAS"}, {"", ".BAS"}};
  for (const auto& [in, out] : names) EXPECT_EQ(WithBasExtension(in), out) << in;
  EXPECT_EQ(std::tuple(FolderOf("/work/x/prog.bas"), FolderOf("/prog.bas"), FolderOf("Untitled.bas")),
            std::tuple("/work/x", "/", ""));
}

TEST(RecentFilesList, OpensShiftTheListAndReopeningMovesAnEntryToTheHead) {
  ScratchDir dir;
  core::IniFile ini(dir.ini_path());
  const auto listed = [&] {
    std::vector<std::string> v;
    for (int k = 1; k <= 5; ++k) v.push_back(ini.GetString(kLastOpenSection, "File" + std::to_string(k), "-", 4096));
    return v;
  };
  RecentFiles recent(ini);
  recent.Load();
  EXPECT_FALSE(recent.visible(1));
  for (const char* p : {"A", "B", "A"}) recent.Update(p);  // few entries close their gaps
  EXPECT_THAT(listed(), ElementsAre("A", "B", "none", "none", "none"));
  EXPECT_TRUE(recent.visible(2) && !recent.visible(3));
  const std::string before = ReadAll(dir.ini_path());
  recent.Update("A");  // the newest again: the file is left alone
  EXPECT_EQ(ReadAll(dir.ini_path()), before);
  for (const char* p : {"C", "D", "E"}) recent.Update(p);  // the oldest shifts into the spare slot
  EXPECT_THAT(listed(), ElementsAre("E", "D", "C", "A", "B"));
  EXPECT_TRUE(recent.visible(4));
  recent.Update("C");
  EXPECT_THAT(listed(), ElementsAre("C", "E", "D", "A", "none"));
  recent.Update("A");  // the last visible entry
  EXPECT_THAT(listed(), ElementsAre("A", "C", "E", "D", "none"));
}

TEST(SourceEncoding, EachFileComesBackByteForByteAfterALoadAndASave) {
  platform::CodePage cp;
  const std::pair<std::string, TextEncoding> cases[] = {
      {"A = 1\r\nB = 2\r\n", TextEncoding::kCp949},
      {"PRINT \"\xC7\xD1\xB1\xDB\"\r\n", TextEncoding::kCp949},
      {"' \xF2\xA2 \r\n", TextEncoding::kCp949},  // a Hanja whose UTF-8 (E5 9C B0) looks like a raw byte's
      {"PLAY 3, \"\xEB\x8F\x84" "4\"\r\n", TextEncoding::kUtf8},
      {"\xEF\xBB\xBF' \xED\x95\x9C\r\nEND\r\n", TextEncoding::kUtf8Bom},
      {"' caf\xE9 \x80\xFF\r\nX = 1\r\n", TextEncoding::kCp949},  // bytes that are no code page 949
      {"", TextEncoding::kCp949},  {"END", TextEncoding::kCp949},
      {"A = 1\nB = 2\n", TextEncoding::kCp949}, {"' \xED\x95\x9C\nEND", TextEncoding::kUtf8},  // LF stays LF
  };
  for (const auto& [bytes, encoding] : cases) {
    const DecodedText d = DecodeSourceBytes(bytes, cp);
    EXPECT_EQ(d.encoding, encoding) << bytes;
    EXPECT_EQ(d.utf8.find('\r'), std::string::npos) << bytes;
    const EncodedText e = EncodeSourceText(d.utf8, d.encoding, cp, d.lf_line_ends);
    EXPECT_EQ(std::tie(e.bytes, e.encoding), std::tie(bytes, encoding));
  }
  // Mixed line ends are all read as one; the file is then written with CR LF.
  const DecodedText mixed = DecodeSourceBytes("A\nB\rC\r\nD", cp);
  EXPECT_EQ(mixed.utf8, "A\nB\nC\nD");
  EXPECT_FALSE(mixed.lf_line_ends);
  // Korean typed into a new document is written in code page 949, unless a character the code
  // page has not (Thai ko kai) makes the file UTF-8.
  EXPECT_EQ(EncodeSourceText("' \xED\x95\x9C\n", TextEncoding::kCp949, cp).bytes, "' \xC7\xD1\r\n");
  const EncodedText e = EncodeSourceText("' \xE0\xB8\x81 \xED\x95\x9C\n", TextEncoding::kCp949, cp);
  EXPECT_EQ(e.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(e.bytes, "' \xE0\xB8\x81 \xED\x95\x9C\r\n");
}

TEST(Documents, NewAndOpenAskBeforeThrowingAwayChangesSaveKeepsTheEncodingAndFailedReadsAreReported) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  rig.Type("X = 1");
  rig.view.script.answers = {kAnswerCancel, kAnswerCancel};
  rig.studio.New();
  EXPECT_EQ(std::tie(rig.Last().title, rig.Last().style), std::tuple("Save", 35));
  rig.view.open_names = {dir.Doc("other.bas")};
  rig.studio.Open();
  EXPECT_EQ(rig.editor.Text(), "X = 1");
  EXPECT_EQ(rig.view.open_names.size(), 1u);  // the dialog was not even shown
  const std::string path = dir.Doc("Blink.BAS", "PLAY 3, \"\xEB\x8F\x84" "4\"\n");
  rig.view.script.answers = {kAnswerNo};
  rig.view.open_names = {path};
  rig.studio.Open();
  EXPECT_EQ(rig.view.caption, "VARNOLIC Studio [ " + testing::Lower(path) + " ]");
  EXPECT_EQ(rig.view.recent[1].first, path);
  EXPECT_FALSE(rig.studio.Modified());
  rig.Type(rig.editor.Text() + "BEEP 3\n");
  EXPECT_TRUE(rig.studio.SaveDocument());
  EXPECT_EQ(ReadAll(path), "PLAY 3, \"\xEB\x8F\x84" "4\"\nBEEP 3\n");  // UTF-8 and LF, as it was read
  EXPECT_EQ(rig.view.panels[4], "");
  // What cannot be read is reported, neither waited for nor written over.
  fs::create_directory(dir.docs() / "folder.bas");
  const std::string fifo = dir.Doc("pipe.bas");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A FIFO without a writer: an open that waited would hang.
  const std::pair<std::string, std::string> cases[] = {
      {dir.Doc("folder.bas"), ": Is a directory"}, {fifo, ": Not a regular file"}};
  for (const auto& [unreadable, why] : cases) {
    rig.view.open_names = {unreadable};
    rig.studio.Open();
    EXPECT_EQ(std::tuple(rig.Last().text, rig.Last().title, rig.editor.Text()),
              std::tuple("Open Error:" + unreadable + why, "VARNOLIC Studio ERROR !", ""));
  }
  // A save under the FIFO's name refuses to put a file in its place.
  rig.view.open_names = {fifo};
  rig.studio.Open();
  rig.Type("X = 1\n");
  EXPECT_FALSE(rig.studio.SaveDocument());
  EXPECT_EQ(rig.Last().text, "Save Error:" + fifo + "\nNot a regular file");
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
  EXPECT_TRUE(rig.studio.Modified());
}

TEST(Documents, SaveAsOntoAnExistingFileAnsweredNoWritesNothingAndKeepsTheOldName) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string mine = dir.Doc("mine.bas", "X = 1\r\n"), theirs = dir.Doc("theirs.bas", "KEEP ME\r\n");
  rig.studio.Load(mine);
  rig.Type("X = 2\n");
  rig.view.save_names = {theirs};
  rig.view.script.answers = {kAnswerNo};
  EXPECT_FALSE(rig.studio.SaveDocumentAs());
  EXPECT_EQ(std::tie(rig.Last().text, rig.Last().style), std::tuple("Overwrite ? [" + theirs + "] ", 51));
  EXPECT_EQ(rig.studio.SourcePath(), mine);
  EXPECT_TRUE(rig.studio.SaveDocument());  // to the document's own file
  EXPECT_EQ(ReadAll(theirs), "KEEP ME\r\n");
  EXPECT_EQ(ReadAll(mine), "X = 2\r\n");
  rig.view.save_names = {theirs};
  rig.view.script.answers = {kAnswerYes};
  EXPECT_TRUE(rig.studio.SaveDocumentAs());
  EXPECT_EQ(ReadAll(theirs), "X = 2\r\n");
  // A recent file that is gone gives Open Error and stays listed.
  fs::remove(mine);
  rig.studio.OpenRecent(2);
  EXPECT_EQ(std::tie(rig.Last().text, rig.Last().style), std::tuple("Open Error:" + mine, 64));
  EXPECT_EQ(rig.view.recent[2].first, mine);
  EXPECT_EQ(rig.studio.SourcePath(), theirs);
}

TEST(Lifecycle, FirstRunUnloadLoadAndCloseAsksOnlyWhenModified) {
  ScratchDir dir;
  StudioRig rig(dir);
  rig.studio.Load();
  const Placement& p = rig.view.placement;
  EXPECT_EQ(std::tie(p.left, p.top, p.width, p.height, p.state), std::tuple(1980, 1980, 10080, 5640, 0));
  EXPECT_EQ(std::tie(rig.view.caption, rig.view.device_item), std::tuple("VARNOLIC Studio [ untitled.bas ]", "KF"));
  EXPECT_TRUE(rig.studio.CloseRequest());  // nothing to ask
  rig.view.placement = {300, 450, 9000, 6000, 2};
  rig.editor.SetOption(kOptWhiteSpace, 1);
  rig.studio.Unload();
  const std::string reg = ReadAll(dir.registry_path());
  const auto window = reg.find("[VNstudio\\window\\]");
  ASSERT_NE(window, std::string::npos) << reg;
  EXPECT_NE(reg.find("windowstate=2\nleft=300\ntop=450\nwidth=9000\nheight=6000", window), std::string::npos) << reg;
  rig.reg.WriteString(kWindowKey, "left", "wide");  // unreadable: the default
  StudioRig again(dir);
  again.studio.Load();
  EXPECT_EQ(std::tie(again.view.placement.left, again.view.placement.state, again.view.placement.height),
            std::tuple(1980, 2, 6000));
  EXPECT_EQ(again.editor.GetOption(kOptWhiteSpace), 1);
  again.Type("END\n");
  again.view.script.answers = {kAnswerCancel};
  EXPECT_FALSE(again.studio.CloseRequest());
  EXPECT_EQ(again.Last().text, "Document: VARNOLIC Studio [ untitled.bas ]\nDo you wish to save?");
  // Yes on an untitled document asks for a name; cancelling that keeps the window open.
  again.view.script.answers = {kAnswerYes, kAnswerYes};
  EXPECT_FALSE(again.studio.CloseRequest());
  again.view.save_names = {dir.Doc("kept.bas")};
  EXPECT_TRUE(again.studio.CloseRequest());
  EXPECT_EQ(ReadAll(dir.Doc("kept.bas")), "END\r\n");
}

TEST(Compile, SyntaxCheckSaysWhatIsWrongWhereWithoutSaving) {
  ScratchDir dir;
  StudioRig rig(dir);
  const std::string path = dir.Doc("bad.bas");
  rig.studio.Load(path);
  rig.editor.SetText("DIM A AS BYTE\nA = 1\nA = = 2\nEND\n");
  EXPECT_EQ(rig.studio.SyntaxCheck(), 1);
  EXPECT_EQ(std::tuple(rig.editor.SelectionEndLine(), rig.editor.ErrorLine()), std::tuple(2, 2));
  EXPECT_EQ(std::tie(rig.Last().text, rig.Last().title, rig.Last().style),
            std::tuple(rig.studio.compiler().Outcome.message.en, "VARNOLIC Studio ERROR !", 64));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(dir.Doc("bad.$$$")));
  // An open IF is reported without moving the caret.
  rig.editor.SetText("DIM A AS BYTE\nIF A = 1 THEN\nA = 2\n");
  EXPECT_EQ(rig.studio.SyntaxCheck(), 1);
  EXPECT_EQ(rig.Last().text, "IF without END IF !   Line : 2");
  EXPECT_EQ(std::tuple(rig.editor.SelectionEndLine(), rig.editor.ErrorLine()), std::tuple(0, -1));
  rig.editor.SetText("DIM A AS BYTE\nA = 1\n");
  EXPECT_EQ(rig.studio.SyntaxCheck(), 0);
  EXPECT_EQ(rig.Last().text, "Syntax is OK !. Very Good !");
}

TEST(Run, SavesCompilesAndHandsTheWindowToTheDownload) {
  ScratchDir dir;
  {  // An untitled document whose Save As is cancelled is neither compiled nor sent.
    StudioRig rig(dir);
    rig.studio.Load();
    int downloads = 0;
    rig.studio.SetDownload([&](DownloadContext&) { return ++downloads, 0; });
    rig.Type("DIM A AS BYTE\nA = 1\n");
    rig.view.save_names = {""};
    EXPECT_EQ(rig.studio.Run(), -1);
    EXPECT_TRUE(rig.view.save_names.empty());  // it was asked
    EXPECT_EQ(downloads + rig.studio.compiler().CompiledOK, 0);
  }
  StudioRig named(dir);  // without a download Run saves, compiles and says so; a compile error stops it
  named.studio.Load(dir.Doc("run.bas"));
  named.Type("DIM A AS BYTE\nA = 1\n");
  EXPECT_EQ(named.studio.Run(), 0);
  EXPECT_EQ(ReadAll(dir.Doc("run.bas")), "DIM A AS BYTE\r\nA = 1\r\n");
  EXPECT_THAT(named.view.panel_history, ::testing::IsSupersetOf({"2:Now Compile...", "2:"}));
  EXPECT_EQ(named.view.panels[2], kNoDownloadText);
  named.Type("GOTO NOWHERE\n");
  EXPECT_EQ(named.studio.Run(), 1);
  EXPECT_EQ(named.Last().text, "Invalid label : NOWHERE");
  // The download's result arms the break timer; the window is blocked while it runs.
  const struct { const char* source; int result; bool timer, variable_items; } cases[] = {
      {"CONST DEVICE = WF\nDIM A AS BYTE\n", 0, true, true}, {"DIM A AS BYTE\n", -1, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    StudioRig rig(dir);
    rig.studio.Load(dir.Doc("run.bas"));
    rig.editor.SetText(c.source);
    rig.view.break_timer = true;
    bool blocked = false, timer_during = true;
    int kind = 0;
    rig.studio.SetDownload([&](DownloadContext& ctx) {
      blocked = rig.view.in_transfer;
      timer_during = rig.view.break_timer;
      kind = core::KindOfSeries(ctx.link.series());
      ctx.ui.progress_max(ctx.compiler.CodeAddr / 2);
      return c.result;
    });
    EXPECT_EQ(rig.studio.Run(), c.result);
    EXPECT_TRUE(blocked && !rig.view.in_transfer && !timer_during);
    EXPECT_EQ(kind, rig.studio.compiler().Device.DeviceKind);
    EXPECT_EQ(rig.view.break_timer, c.timer);
    EXPECT_EQ(rig.view.variable_items, c.variable_items);
    EXPECT_EQ(rig.view.progress_max, rig.studio.compiler().CodeAddr / 2);
  }
}

TEST(EditorSettings, EverySettingRoundTripsThroughTheStore) {
  ScratchDir dir;
  EditorProfile p;
  for (int slot = 0; slot < kColorSlotCount; ++slot) p.colors[static_cast<size_t>(slot)] = 0x010203u * (slot + 1);
  p.colors[5] = kNoColor;
  std::tie(p.color_syntax, p.sel_bounds, p.left_margin, p.numbering, p.line_tool_tips) =
      std::tuple(true, false, false, true, false);
  std::tie(p.numbering_style, p.numbering_start, p.font_size) = std::tuple(2, 0, 9.5);
  p.font = {"DejaVu Sans Mono", 9, /*bold*/ true, /*italic*/ false, /*underline*/ true, /*strikethrough*/ true};
  CodeEditor editor;
  ApplyProfile(p, editor);
  editor.SetOption(kOptWhiteSpace, 1);
  {
    core::RegistryStore reg(dir.registry_path());
    SaveEditorSettings(editor, reg);
    // The switches as words, the size as a decimal, no colour as -1.
    EXPECT_EQ(std::tuple(reg.ReadString(kOptionsKey, "colorsyntax", 0), reg.ReadString(kOptionsKey, "selbounds", 0),
                         reg.ReadString(kFontKey, "size", 0), reg.ReadString(kColorsKey, ColorSlotName(5), 0),
                         reg.ReadString(kColorsKey, ColorSlotName(4), 0)),
              std::tuple("True", "False", "9.5", "-1", std::to_string(0x010203 * 5)));
  }
  CodeEditor again;
  LoadEditorSettings(core::RegistryStore(dir.registry_path()), again);
  const EditorProfile q = ReadProfile(again);
  const auto fields = [](const EditorProfile& x) {
    return std::tie(x.colors, x.color_syntax, x.sel_bounds, x.left_margin, x.numbering, x.line_tool_tips,
                    x.numbering_style, x.numbering_start, x.font_size, x.font.name, x.font.bold, x.font.italic,
                    x.font.underline, x.font.strikethrough);
  };
  EXPECT_EQ(fields(q), fields(p));
  EXPECT_EQ(again.GetOption(kOptWhiteSpace), 0);  // kept apart: written at shut-down
  // The real editor keeps each switch apart: one on at a time.
  const std::string names[] = {kOptColorSyntax, kOptSelBounds, kOptLeftMargin, kOptWhiteSpace, kOptNumbering,
                               kOptLineToolTips};
  for (const std::string& on : names) {
    for (const std::string& n : names) again.SetOption(n, n == on);
    for (const std::string& n : names) EXPECT_EQ(again.GetOption(n), n == on ? 1 : 0) << on << " " << n;
  }
}

TEST(EditorSettings, TextConversionsAndTextsThatDoNotConvertKeepTheDefault) {
  ScratchDir dir;
  CodeEditor fresh;
  LoadEditorSettings(core::RegistryStore(dir.path() / "empty.ini"), fresh);
  core::RegistryStore reg(dir.registry_path());
  for (const auto& [key, name, value] : {std::tuple{kColorsKey, "keyword", "blue"}, {kColorsKey, "comment", "&HFF"},
           {kOptionsKey, "colorsyntax", "perhaps"}, {kOptionsKey, "leftmargin", "0"}, {kDataKey, "numberingstart", "ten"},
           {kFontKey, "size", "-3"}, {kFontKey, "bold", "-1"}})
    reg.WriteString(key, name, value);
  CodeEditor editor;
  LoadEditorSettings(reg, editor);
  EXPECT_EQ(std::tuple(editor.GetColor(8), editor.GetOption(kOptColorSyntax), editor.GetOption(kOptNumberingStart),
                       editor.FontSize()),
            std::tuple(fresh.GetColor(8), fresh.GetOption(kOptColorSyntax), fresh.GetOption(kOptNumberingStart),
                       fresh.FontSize()));
  EXPECT_EQ(std::tuple(editor.GetColor(14), editor.GetOption(kOptLeftMargin), editor.GetFont().bold),
            std::tuple(0xFFu, 0, true));
  EXPECT_TRUE(fresh.GetOption(kOptLeftMargin) != 0 && fresh.FontSize() > 0 && !fresh.GetFont().bold);
  // The conversions themselves.
  const std::pair<const char*, std::optional<bool>> bools[] = {
      {"True", true}, {"false", false}, {" TRUE ", true}, {"-1", true}, {"0", false}, {"2.5", true}, {"yes", {}}, {"", {}}};
  for (const auto& [text, value] : bools) EXPECT_EQ(ParseBoolText(text), value) << text;
  const std::pair<const char*, std::optional<long>> ints[] = {
      {"32896", 32896}, {"-1", -1}, {"&H808080", 0x808080}, {"&HFFFFFFFF", -1}, {"1e2", 100}, {"12px", {}}, {"nan", {}},
      {"&H", {}}, {"1h", {}}, {"&O17", {}}};  // only "&H" and more is hexadecimal
  for (const auto& [text, value] : ints) EXPECT_EQ(ParseIntegerText(text), value) << text;
  EXPECT_EQ(DecimalText(10.25) + " " + DecimalText(1980) + " " + BoolText(true) + BoolText(false), "10.25 1980 TrueFalse");
}

// The runs of a line as "text/style" words (d default, c comment, s string, n number, k keyword,
// o operator, l label), the blanks around names dropped (a name and the blanks beside it share
// the default style and so one run). Every byte is styled once: a gap or overlap fails the test.
std::string Runs(const std::string& line) {
  std::string out;
  int next = 0;
  for (const StyleRun& r : StyleBasicLine(line)) {
    EXPECT_TRUE(r.start == next && r.length > 0) << line << " at " << r.start;
    next = r.start + r.length;
    std::string text = line.substr(static_cast<size_t>(r.start), static_cast<size_t>(r.length));
    if (r.style == kStyleDefault) {
      const auto first = text.find_first_not_of(" \t");
      if (first == std::string::npos) continue;
      text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }
    out += (out.empty() ? "" : " ") + text + "/" + "dcsnkol"[r.style];
  }
  EXPECT_EQ(next, static_cast<int>(line.size())) << line;
  return out;
}

TEST(Colouring, TokensOfTheDialect) {
  const std::pair<std::string, std::string> cases[] = {
      {"' a comment", "' a comment/c"},                 {"DONE:", "DONE:/l"},
      {"    FOR I = 0 TO 3 STEP 1", "FOR/k I/d =/o 0/n TO/k 3/n STEP/k 1/n"},
      {"100 GOTO 100", "100/l GOTO/k 100/l"},           {"C = 'A'", "C/d =/o 'A'/s"},
      {"  ON KIND GOSUB ZERO, SMALL", "ON/k KIND/d GOSUB/k ZERO/l ,/o SMALL/l"},
      {"X = &HFF + &B101 + &O17 + 1.5", "X/d =/o &HFF/n +/o &B101/n +/o &O17/n +/o 1.5/n"},
      {"PUT \"READY\", 13 ' greet", "PUT/k \"READY\"/s ,/o 13/n ' greet/c"},
      {"rem lower case comment", "rem lower case comment/c"}, {"END: ", "END/k :/o"},
      {"REMARK = TOTAL.H", "REMARK/d =/o TOTAL/d ./o H/d"}, {"SET HCODE KS", "SET/k HCODE/k KS/d"},
      {"PRINT \"unclosed", "PRINT/k \"unclosed/s"},    {"점수 = 1 ' 한글", "점수/d =/o 1/n ' 한글/c"},
  };
  for (const auto& [line, runs] : cases) EXPECT_EQ(Runs(line), runs) << line;
  for (const char* line : {"", "   ", "A=1:B=2", "도4레4 \"미\" '파", "\t&H", "X = '"}) Runs(line);  // its own checks
}

TEST(CommandLineArgs, CableAndFile) {
  using C = CableChoice::Cable;
  const struct { std::vector<std::string> args; std::optional<CableChoice> cable; std::string file; bool error; } cases[] = {
      {{}, {}, "", false},                 {{"prog.bas"}, {}, "prog.bas", false},
      {{"--cable", "usb", "a.bas"}, CableChoice{C::kUsb, false, 1}, "a.bas", false},
      {{"--cable=revb"}, CableChoice{C::kRevB, false, 1}, "", false},
      {{"a.bas", "--cable", "dummy"}, CableChoice{C::kDummy, false, 1}, "a.bas", false},
      {{"--cable", "virtual"}, CableChoice{C::kUsb, true, 1}, "", false},
      {{"--cable", "virtual-dummy-vnm"}, CableChoice{C::kDummy, true, 2}, "", false},
      {{"--", "-odd.bas"}, {}, "-odd.bas", false},
      {{"--cable"}, {}, "", true},         {{"--cable", "serial"}, {}, "", true},
      {{"--verbose"}, {}, "", true},       {{"a.bas", "b.bas"}, {}, "a.bas", true},
  };
  for (const auto& c : cases) {
    const CommandLine cl = ParseCommandLine(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(!cl.error.empty(), c.error) << label;
    if (!c.error) { EXPECT_EQ(std::tie(cl.cable, cl.file), std::tie(c.cable, c.file)) << label; }
  }
}

}  // namespace
}  // namespace vn::shell
