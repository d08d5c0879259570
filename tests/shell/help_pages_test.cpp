// The help pages against the compiler: an entry for every statement and function it knows and no
// entry for a word it does not, an example that compiles in each, a Korean page for every English one.
#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "compiler/compiler.h"
#include "compiler/words.h"
#include "shell_fixtures.h"

namespace vn::shell {
namespace {

namespace fs = std::filesystem;
using namespace testing;

const fs::path kHelp = fs::path(VN_SOURCE_DIR) / "data" / "help";

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
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#x27;", "'"}, {"&amp;", "&"}};
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
      for (const auto& [entity, ch] : entities)
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
