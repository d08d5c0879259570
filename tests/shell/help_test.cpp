// The about box and its firmware timer, the help window in both menu languages, the help pages
// (an entry for every statement and function the compiler knows, an example that compiles in
// each, a Korean page for every English one), and where the program finds its data files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
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

const fs::path kHelp = fs::path(VN_SOURCE_DIR) / "data" / "help";
const std::pair<const char*, const char*> kEntities[] = {
    {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#x27;", "'"}, {"&amp;", "&"}};

// Each first group of `pattern` in `page`, in order.
std::vector<std::string> All(const std::string& page, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (std::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it) out.push_back((*it)[1]);
  return out;
}

// The words of an anchor: "SET_RS232" names SET and RS232.
std::vector<std::string> AnchorWords(const std::string& anchor) {
  std::vector<std::string> out;
  std::istringstream parts(anchor);
  for (std::string part; std::getline(parts, part, '_');) out.push_back(part);
  return out;
}

TEST(AboutBox, TheFirmwareLineWaitsForACompileAndNamesTheProcessors) {
  struct Case {
    int kind;
    const char* source;
    bool unplugged;
    const char* line1;
    const char* line2;
  };
  const Case cases[] = {
      {1, "DIM A AS BYTE\r\n", false, "F/W Version is 32", ""},
      {2, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\n", false, "Main F/W is 32", "Math Chip F/W is 17"},
      {2, "CONST DEVICE = WF\r\nDIM A AS BYTE\r\n", true, "Firmware Not Found !", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line1);
    ScratchDir dir;
    const std::string path = dir.Doc("p.bas");
    WriteAll(path, c.source);
    IdeRig rig(dir, CableChoice{CableChoice::Cable::kUsb, true, c.kind});
    rig.Start(path);
    const auto about = [&](const std::function<void(AboutBox&)>& check) {
      rig.on_dialog = [&](QDialog& d) {
        auto* a = qobject_cast<AboutBox*>(&d);
        ASSERT_NE(a, nullptr);
        check(*a);
        a->ok_button()->click();
      };
      rig.Trigger("mnuAbout");
    };
    about([&](AboutBox& a) {
      EXPECT_EQ(a.windowTitle(), "About VARNOLIC studio");
      EXPECT_EQ(a.firmware_timer()->interval(), 100);
      EXPECT_FALSE(a.findChild<QLabel*>("Picture1")->pixmap().isNull());
      a.OnFirmwareTimer();  // nothing compiled: no text, no question, and the timer goes on
      EXPECT_EQ(a.firmware_line()->text(), "");
      EXPECT_TRUE(a.firmware_timer()->isActive());
    });
    EXPECT_TRUE(rig.devices.module()->commands().empty());
    rig.Trigger("mnuSyntaxCheck");
    rig.devices.virtual_usb()->faults().unplugged = c.unplugged;
    about([&](AboutBox& a) {
      a.OnFirmwareTimer();
      EXPECT_EQ(a.firmware_line()->text(), c.line1);
      EXPECT_EQ(a.firmware_line2()->text(), c.line2);
      EXPECT_FALSE(a.firmware_timer()->isActive());
    });
    EXPECT_EQ(rig.dialogs, 2);
  }
}

TEST(HelpWindow, OpensThePagesOfTheMenuLanguage) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  rig.Trigger("mnuHelp");
  HelpWindow* help = rig.commands->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->windowTitle(), "VARNOLIC Help");
  EXPECT_EQ(help->page(), kHelp / "vnhelpv1.htm");
  EXPECT_TRUE(help->browser()->toPlainText().contains("Getting started"));
  // The pages take their look from the one style sheet beside them: the heading's colour.
  const QTextBlock heading = help->browser()->document()->findBlock(0);
  EXPECT_EQ(heading.text(), "Contents | Language | Statements | Functions");
  EXPECT_EQ(heading.next().charFormat().foreground().color().name(), "#1d3f73");
  help->resize(500, 400);
  EXPECT_EQ(help->browser()->size(), help->size());

  rig.Trigger("mnuUseKoreanMenu");
  rig.Trigger("mnuHelp");
  EXPECT_EQ(rig.commands->help_window(), help);  // the same window, turned to the Korean pages
  EXPECT_EQ(help->page(), kHelp / "ko" / "vnhelpv1.htm");
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("VARNOLIC 도움말"));
  help->browser()->setSource(QUrl(QStringLiteral("statements.htm#PRINT")));  // links stay in Korean
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("명령문"));
  rig.Trigger("mnuUseKoreanMenu");
  rig.Trigger("mnuHelp");
  EXPECT_EQ(help->page(), kHelp / "vnhelpv1.htm");
  EXPECT_EQ(help->browser()->documentTitle(), "VARNOLIC Help");

  HelpWindow missing;
  missing.Navigate(dir.path() / "help" / "vnhelpv1.htm");
  EXPECT_TRUE(missing.browser()->toPlainText().contains("cannot be found"));
  EXPECT_TRUE(missing.browser()->toPlainText().contains(QString::fromStdString(dir.path().string())));
}

TEST(HelpWindow, ALinkToAFifoOrADeviceShowsNothingAndDoesNotHang) {
  // The pages are read through the program's file reader: a FIFO without a writer would make
  // the text browser's own reading wait for ever, /dev/zero would fill the memory.
  ScratchDir dir;
  const fs::path page = dir.path() / "page.htm", fifo = dir.path() / "fifo.htm";
  WriteAll(page, "<html><head><title>Page</title></head><body>text</body></html>");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  HelpWindow help;
  help.Navigate(page);
  EXPECT_EQ(help.browser()->documentTitle(), "Page");
  for (const fs::path& target : {fifo, fs::path("/dev/zero")}) {
    help.browser()->setSource(QUrl::fromLocalFile(QString::fromStdString(target.string())));
    EXPECT_FALSE(help.browser()->toPlainText().contains("text")) << target;
  }
}

// Every statement and function of the compiler's tables has an entry named after it (a
// statement alone or with the words of a form: ON_GOTO), every entry names words the compiler
// knows, and every link of an index leads to an entry of its page.
TEST(HelpPages, TheEntriesAreTheCompilersWords) {
  std::set<std::string> anchors[2];
  for (int f = 0; f < 2; ++f) {
    const std::string page = ReadAll(kHelp / (f ? "functions.htm" : "statements.htm"));
    for (const std::string& a : All(page, "<a name=\"([^\"]+)\"></a>")) anchors[f].insert(a);
    for (const std::string& link : All(page, "<a href=\"#([^\"]+)\">"))
      EXPECT_EQ(anchors[f].count(link), 1u) << "link to #" << link << ", which is not there";
  }
  const auto has_entry = [&](int f, const std::string& word) {
    return std::any_of(anchors[f].begin(), anchors[f].end(),
                       [&](const std::string& a) { return AnchorWords(a).front() == word; });
  };
  for (const std::string& s : compiler::StatementTableWords()) EXPECT_TRUE(has_entry(0, s)) << s;
  for (const std::string& s : compiler::FunctionTableWords()) EXPECT_EQ(anchors[1].count(s), 1u) << s;
  EXPECT_TRUE(has_entry(0, "REM"));
  for (int f = 0; f < 2; ++f) {
    for (const std::string& anchor : anchors[f]) {
      // LABEL and ASSIGN are the forms without a word of their own; VNM is the series of a form.
      if (anchor == "LABEL" || anchor == "ASSIGN") continue;
      const std::vector<std::string> words = AnchorWords(anchor);
      const auto kind = compiler::FindLanguageWord(words.front());
      if (f == 1) EXPECT_EQ(kind, compiler::WordKind::kFunction) << anchor;
      else EXPECT_TRUE(kind == compiler::WordKind::kStatement || kind == compiler::WordKind::kComment) << anchor;
      for (size_t i = 1; i < words.size(); ++i)
        EXPECT_TRUE(compiler::FindLanguageWord(words[i]).has_value() || words[i] == "VNM") << anchor;
    }
  }
}

TEST(HelpPages, EveryExampleCompilesAndEachPageHasItsKoreanTwin) {
  const std::string hangul = "[\xEA-\xED][\x80-\xBF][\x80-\xBF]";
  size_t examples = 0, pages = 0;
  for (const auto& e : fs::directory_iterator(kHelp)) {
    if (e.path().extension() != ".htm") continue;
    const std::string name = e.path().filename().string();
    SCOPED_TRACE(name);
    ++pages;
    const std::string en = ReadAll(e.path()), ko = ReadAll(kHelp / "ko" / name);
    for (std::string s : All(en, R"(<pre class="example">([\s\S]*?)</pre>)")) {
      ++examples;
      for (const auto& [entity, ch] : kEntities)
        for (size_t p = s.find(entity); p != std::string::npos; p = s.find(entity, p + 1))
          s.replace(p, std::string(entity).size(), ch);
      std::string source;
      for (char ch : s) source += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
      compiler::Compiler c;
      EXPECT_EQ(c.CompileSource(source + "\r\n"), 0) << s << "\n" << c.OutcomeText();
    }
    // The Korean page: the same entries, links, examples and forms; its prose translated.
    ASSERT_FALSE(ko.empty());
    for (const char* part : {"<a name=\"([^\"]+)\">", "href=\"([^\"]+)\"", "(<pre[^>]*>[\\s\\S]*?</pre>)",
                             "(<p class=\"syntax\">.*</p>)"})
      EXPECT_EQ(All(ko, part), All(en, part)) << part;
    for (const char* part : {"<title>(.*)</title>", "<h1>(.*)</h1>", "<p>([^<][^\\n]*)"})
      for (const std::string& text : All(ko, part)) EXPECT_TRUE(std::regex_search(text, std::regex(hangul))) << text;
    EXPECT_EQ(All(ko, "<title>(.*)</title>").size(), 1u);
    EXPECT_NE(ko.find("<html lang=\"ko\">"), std::string::npos);
  }
  EXPECT_GE(pages, 4u);
  EXPECT_GE(examples, 100u);
}

}  // namespace
}  // namespace vn::shell
