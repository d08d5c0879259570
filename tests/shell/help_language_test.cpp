// The help pages in both menu languages: a Korean page for every English one, with the same
// entries, links and examples, and the help window opening the pages of the menu language.
#include <gtest/gtest.h>

#include <QTextBrowser>
#include <QUrl>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "shell/help_window.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;

using testing::IdeRig;
using testing::ReadAll;
using testing::ScratchDir;

std::vector<std::string> All(const std::string& page, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (std::sregex_iterator it(page.begin(), page.end(), re), end; it != end; ++it) out.push_back((*it)[1]);
  return out;
}

std::set<std::string> Pages(const fs::path& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".htm") out.insert(e.path().filename().string());
  return out;
}

TEST(HelpPages, EachEnglishPageHasAKoreanOneWithTheSameEntriesLinksAndExamples) {
  const fs::path help = fs::path(VN_SOURCE_DIR) / "data" / "help";
  const std::set<std::string> english = Pages(help);
  ASSERT_EQ(english, (std::set<std::string>{"functions.htm", "language.htm", "statements.htm", "vnhelpv1.htm"}));
  EXPECT_EQ(Pages(help / "ko"), english);
  for (const std::string& name : english) {
    SCOPED_TRACE(name);
    const std::string en = ReadAll(help / name);
    const std::string ko = ReadAll(help / "ko" / name);
    ASSERT_FALSE(ko.empty());
    EXPECT_EQ(All(ko, "<a name=\"([^\"]+)\">"), All(en, "<a name=\"([^\"]+)\">"));
    EXPECT_EQ(All(ko, "href=\"([^\"]+)\""), All(en, "href=\"([^\"]+)\""));
    // The examples and the forms are the language's own text: the same in both.
    EXPECT_EQ(All(ko, "(<pre[^>]*>[\\s\\S]*?</pre>)"), All(en, "(<pre[^>]*>[\\s\\S]*?</pre>)"));
    EXPECT_EQ(All(ko, "(<p class=\"syntax\">.*</p>)"), All(en, "(<p class=\"syntax\">.*</p>)"));
    // Translated: the title, the heading and every paragraph of prose hold Hangul.
    const std::string hangul = "[\xEA-\xED][\x80-\xBF][\x80-\xBF]";
    for (const char* part : {"<title>(.*)</title>", "<h1>(.*)</h1>"}) {
      const auto found = All(ko, part);
      ASSERT_EQ(found.size(), 1u) << part;
      EXPECT_TRUE(std::regex_search(found[0], std::regex(hangul))) << found[0];
    }
    for (const std::string& p : All(ko, "<p>([^<][^\\n]*)"))
      EXPECT_TRUE(std::regex_search(p, std::regex(hangul))) << p;
    EXPECT_NE(ko.find("<html lang=\"ko\">"), std::string::npos);
  }
}

TEST(HelpWindow, OpensThePagesOfTheMenuLanguage) {
  ScratchDir dir;
  IdeRig rig(dir);
  rig.Start();
  rig.Trigger("mnuHelp");
  HelpWindow* help = rig.commands->help_window();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->page().lexically_relative(help->page().parent_path().parent_path()), fs::path("help/vnhelpv1.htm"));
  EXPECT_EQ(help->browser()->documentTitle(), "VARNOLIC Help");

  rig.Trigger("mnuUseKoreanMenu");
  rig.Trigger("mnuHelp");
  EXPECT_EQ(rig.commands->help_window(), help);  // the same window, turned to the Korean pages
  EXPECT_EQ(help->page().parent_path().filename(), "ko");
  EXPECT_EQ(help->page().filename(), "vnhelpv1.htm");
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("VARNOLIC 도움말"));
  EXPECT_TRUE(help->browser()->toPlainText().contains(QString::fromUtf8("시작하기")));
  // Its links stay among the Korean pages.
  help->browser()->setSource(QUrl(QStringLiteral("statements.htm#PRINT")));
  EXPECT_EQ(help->browser()->documentTitle(), QString::fromUtf8("명령문"));

  rig.Trigger("mnuUseKoreanMenu");
  rig.Trigger("mnuHelp");
  EXPECT_EQ(help->page().filename(), "vnhelpv1.htm");
  EXPECT_EQ(help->page().parent_path().filename(), "help");
  EXPECT_EQ(help->browser()->documentTitle(), "VARNOLIC Help");
  EXPECT_TRUE(help->browser()->toPlainText().contains("Getting started"));
}

}  // namespace
}  // namespace vn::shell
