// The about box and its firmware timer, the help window and its pages (an entry for every
// statement and function the compiler knows, an example that compiles in each), and where the
// program finds its data files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "compiler/compiler.h"
#include "compiler/words.h"
#include "shell/about_box.h"
#include "shell/data_files.h"
#include "shell/help_window.h"
#include "sim/module.h"
#include "sim/virtual_usb.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using testing::IdeRig;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

AboutBox& AsAbout(QDialog& d) {
  auto* a = qobject_cast<AboutBox*>(&d);
  EXPECT_NE(a, nullptr);
  return *a;
}

TEST(AboutBox, TheFirmwareTimerWaitsForACompileAndAsksOnce) {
  ScratchDir dir;
  const std::string path = dir.Doc("p.bas");
  WriteAll(path, "DIM A AS BYTE\r\nA = 1\r\n");
  IdeRig rig(dir);
  rig.Start(path);
  rig.on_dialog = [&](QDialog& d) {
    AboutBox& a = AsAbout(d);
    EXPECT_EQ(a.windowTitle(), "About VARNOLIC studio");
    EXPECT_EQ(a.firmware_timer()->interval(), 100);
    EXPECT_TRUE(a.firmware_timer()->isActive());
    ASSERT_NE(a.findChild<QLabel*>("Picture1"), nullptr);
    EXPECT_FALSE(a.findChild<QLabel*>("Picture1")->pixmap().isNull());
    EXPECT_FALSE(a.findChild<QLabel*>("Picture2")->pixmap().isNull());
    a.OnFirmwareTimer();
    // Nothing compiled: no text, no message, and the timer goes on.
    EXPECT_EQ(a.firmware_line()->text(), "");
    EXPECT_TRUE(a.firmware_timer()->isActive());
    a.ok_button()->click();
  };
  rig.Trigger("mnuAbout");
  EXPECT_TRUE(rig.script.shown.empty());
  EXPECT_TRUE(rig.devices.module()->commands().empty());

  rig.Trigger("mnuSyntaxCheck");
  rig.on_dialog = [&](QDialog& d) {
    AboutBox& a = AsAbout(d);
    a.OnFirmwareTimer();
    EXPECT_EQ(a.firmware_line()->text(), "F/W Version is 32");
    EXPECT_EQ(a.firmware_line2()->text(), "");
    EXPECT_FALSE(a.firmware_timer()->isActive());
    a.ok_button()->click();
  };
  rig.Trigger("mnuAbout");
  EXPECT_EQ(rig.dialogs, 2);
}

TEST(AboutBox, AVnmModuleNamesBothProcessors) {
  ScratchDir dir;
  const std::string path = dir.Doc("w.bas");
  WriteAll(path, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\n");
  IdeRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, 2});
  rig.Start(path);
  rig.Trigger("mnuSyntaxCheck");
  rig.on_dialog = [&](QDialog& d) {
    AboutBox& a = AsAbout(d);
    a.OnFirmwareTimer();
    EXPECT_EQ(a.firmware_line()->text(), "Main F/W is 32");
    EXPECT_EQ(a.firmware_line2()->text(), "Math Chip F/W is 17");
    a.ok_button()->click();
  };
  rig.Trigger("mnuAbout");
  // With the cable unplugged the line says so.
  rig.devices.virtual_usb()->faults().unplugged = true;
  rig.on_dialog = [&](QDialog& d) {
    AboutBox& a = AsAbout(d);
    a.OnFirmwareTimer();
    EXPECT_EQ(a.firmware_line()->text(), "Firmware Not Found !");
    d.close();
  };
  rig.Trigger("mnuAbout");
}

TEST(HelpWindow, OpensOurFirstPageAndSaysWhenItIsMissing) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  rig.Trigger("mnuHelp");
  HelpWindow* help = rig.commands->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->windowTitle(), "VARNOLIC Help");
  EXPECT_EQ(help->browser()->documentTitle(), "VARNOLIC Help");
  EXPECT_TRUE(help->browser()->toPlainText().contains("Getting started"));
  // The pages take their look from the one style sheet beside them: the heading's colour.
  const QTextBlock heading = help->browser()->document()->findBlock(0);
  EXPECT_EQ(heading.text(), "Contents | Language | Statements | Functions");
  EXPECT_EQ(heading.next().charFormat().foreground().color().name(), "#1d3f73") << heading.next().text().toStdString();
  // Its links lead to the other pages.
  help->browser()->setSource(QUrl(QStringLiteral("statements.htm#PRINT")));
  EXPECT_EQ(help->browser()->documentTitle(), "Statements");
  // The browser follows the window's size.
  help->resize(500, 400);
  EXPECT_EQ(help->browser()->size(), help->size());
  // Opened again: the same window.
  rig.Trigger("mnuHelp");
  EXPECT_EQ(rig.commands->help_window(), help);

  HelpWindow missing;
  missing.Navigate(dir.path() / "help" / "vnhelpv1.htm");
  EXPECT_TRUE(missing.browser()->toPlainText().contains("cannot be found"));
  EXPECT_TRUE(missing.browser()->toPlainText().contains(QString::fromStdString(dir.path().string())));
}

TEST(HelpWindow, ALinkToAFifoOrADeviceShowsNothingAndDoesNotHang) {
  // The pages are read through the program's file reader: a FIFO without a writer would make
  // the text browser's own reading wait for ever, /dev/zero would fill the memory.
  ScratchDir dir;
  const fs::path page = dir.path() / "page.htm";
  WriteAll(page.string(), "<html><head><title>Page</title></head><body>text</body></html>");
  const fs::path fifo = dir.path() / "fifo.htm";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  HelpWindow help;
  help.Navigate(page);
  EXPECT_EQ(help.browser()->documentTitle(), "Page");
  for (const fs::path& target : {fifo, fs::path("/dev/zero")}) {
    SCOPED_TRACE(target.string());
    help.browser()->setSource(QUrl::fromLocalFile(QString::fromStdString(target.string())));
    EXPECT_FALSE(help.browser()->toPlainText().contains("text"));
  }
}

// The example blocks of a help page, with the HTML entities read back.
std::vector<std::string> Examples(const std::string& page) {
  std::vector<std::string> out;
  const std::regex block(R"(<pre class="example">([\s\S]*?)</pre>)");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), block); it != std::sregex_iterator(); ++it) {
    std::string s = (*it)[1];
    for (const auto& [entity, ch] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#x27;", "'"}, {"&amp;", "&"}}) {
      for (size_t p = s.find(entity); p != std::string::npos; p = s.find(entity, p + ch.size()))
        s.replace(p, entity.size(), ch);
    }
    out.push_back(s);
  }
  return out;
}

// The anchors of a help page: <a name="X"></a>.
std::set<std::string> Anchors(const std::string& page) {
  std::set<std::string> out;
  const std::regex anchor("<a name=\"([^\"]+)\"></a>");
  for (std::sregex_iterator it(page.begin(), page.end(), anchor), end; it != end; ++it) out.insert((*it)[1]);
  return out;
}

// The parts of an anchor: "SET_RS232" names SET and RS232.
std::vector<std::string> AnchorWords(const std::string& anchor) {
  std::vector<std::string> out;
  std::istringstream parts(anchor);
  for (std::string part; std::getline(parts, part, '_');) out.push_back(part);
  return out;
}

// Every statement the compiler takes has an entry named after it (alone, or with the words of a
// form: ON_GOTO, SET_RS232), and every function an entry of its own name.
TEST(HelpPages, EveryStatementAndFunctionOfTheCompilerHasAnEntry) {
  const fs::path help = fs::path(VN_SOURCE_DIR) / "data" / "help";
  const std::set<std::string> statements = Anchors(ReadAll(help / "statements.htm"));
  const std::set<std::string> functions = Anchors(ReadAll(help / "functions.htm"));
  size_t checked = 0;
  for (const compiler::LanguageWord& w : compiler::LanguageWords()) {
    if (w.kind == compiler::WordKind::kFunction) {
      EXPECT_EQ(functions.count(w.text), 1u) << w.text << " has no entry in functions.htm";
      ++checked;
    } else if (w.kind == compiler::WordKind::kStatement || w.kind == compiler::WordKind::kComment) {
      const bool entry = std::any_of(statements.begin(), statements.end(),
                                     [&](const std::string& a) { return AnchorWords(a).front() == w.text; });
      EXPECT_TRUE(entry) << w.text << " has no entry in statements.htm";
      ++checked;
    }
  }
  EXPECT_EQ(checked, compiler::StatementTableWords().size() + compiler::FunctionTableWords().size() + 1);
  // The forms of the statements that have several, and the lines that are no statement word.
  for (const char* form : {"ON_GOTO", "ON_GOSUB", "ON_INT", "ON_TIMER", "ON_RECV", "SET_RS232", "SET_VARNOBUS",
                           "SET_ONINT", "SET_HCODE", "CONST_DEVICE", "END_IF", "LABEL", "ASSIGN"})
    EXPECT_EQ(statements.count(form), 1u) << form;
}

// The pages' entries and their index name only words the compiler knows, and every link of an
// index leads to an entry of its page.
TEST(HelpPages, TheIndexNamesOnlyWordsTheCompilerKnows) {
  const fs::path help = fs::path(VN_SOURCE_DIR) / "data" / "help";
  // Entries about a form that has no word of its own, and the series a form is for.
  const std::set<std::string> topics = {"LABEL", "ASSIGN"};
  const std::set<std::string> series = {"VNM"};
  for (const char* name : {"statements.htm", "functions.htm"}) {
    const std::string page = ReadAll(help / name);
    const std::set<std::string> anchors = Anchors(page);
    ASSERT_GE(anchors.size(), 40u) << name;
    const bool functions = std::string(name) == "functions.htm";
    for (const std::string& anchor : anchors) {
      if (topics.count(anchor) != 0) continue;
      const std::vector<std::string> words = AnchorWords(anchor);
      const auto first = compiler::FindLanguageWord(words.front());
      if (functions) {
        EXPECT_EQ(first, compiler::WordKind::kFunction) << name << ": " << anchor;
      } else {
        EXPECT_TRUE(first == compiler::WordKind::kStatement || first == compiler::WordKind::kComment)
            << name << ": " << anchor;
      }
      for (size_t i = 1; i < words.size(); ++i)
        EXPECT_TRUE(compiler::FindLanguageWord(words[i]).has_value() || series.count(words[i]) != 0)
            << name << ": " << anchor;
    }
    const std::regex link("<a href=\"#([^\"]+)\">");
    for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it)
      EXPECT_EQ(anchors.count((*it)[1]), 1u) << name << " links to #" << (*it)[1] << ", which is not there";
  }
}

TEST(HelpPages, EveryExampleCompiles) {
  const fs::path help = fs::path(VN_SOURCE_DIR) / "data" / "help";
  size_t count = 0;
  for (const char* page : {"vnhelpv1.htm", "language.htm", "statements.htm", "functions.htm"}) {
    for (const std::string& example : Examples(ReadAll(help / page))) {
      ++count;
      compiler::Compiler c;
      std::string source;
      for (char ch : example) source += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
      EXPECT_EQ(c.CompileSource(source + "\r\n"), 0) << page << ":\n" << example << "\n" << c.OutcomeText();
    }
  }
  EXPECT_GE(count, 100u);
}

TEST(DataFiles, TheFolderIsFoundInItsPlaces) {
  ScratchDir dir;
  const fs::path root = dir.path();
  // An installation: bin/vnstudio beside share/vnstudio.
  fs::create_directories(root / "usr" / "bin");
  fs::create_directories(root / "usr" / "share" / "vnstudio");
  // A build tree whose cache names its source tree.
  fs::create_directories(root / "src" / "data");
  fs::create_directories(root / "build" / "tests");
  WriteAll(root / "build" / "CMakeCache.txt", "# cache\nCMAKE_HOME_DIRECTORY:INTERNAL=" + (root / "src").string() + "\n");
  fs::create_directories(root / "elsewhere");
  struct Case {
    const char* what;
    std::string env;
    fs::path exe_dir;
    fs::path expected;
  };
  const std::vector<Case> cases = {
      {"the variable first", (root / "elsewhere").string(), root / "usr" / "bin", root / "elsewhere"},
      {"a variable naming nothing is passed over", (root / "none").string(), root / "usr" / "bin",
       root / "usr" / "share" / "vnstudio"},
      {"installed", "", root / "usr" / "bin", root / "usr" / "share" / "vnstudio"},
      {"the build tree's top", "", root / "build", root / "src" / "data"},
      {"a folder of the build tree", "", root / "build" / "tests", root / "src" / "data"},
      {"nowhere", "", root / "elsewhere", fs::path()},
  };
  for (const Case& c : cases) EXPECT_EQ(FindDataDirectory(c.env, c.exe_dir), c.expected) << c.what;
}

}  // namespace
}  // namespace vn::shell
