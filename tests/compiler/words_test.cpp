// The language's words the editor, help pages and fuzzer share: their order, and the words the parsers compare.
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <iterator>
#include <regex>
#include "compiler/words.h"

namespace vn::compiler {
namespace {
namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every upper-case text literal (u"THEN") in the compiler's sources, with its file.
std::map<std::string, std::string> WordLiteralsOfTheCompiler() {
  std::map<std::string, std::string> words;
  const std::regex literal(R"re(u"([A-Z][A-Z0-9]*)")re");
  for (const auto& entry : fs::directory_iterator(fs::path(VN_SOURCE_DIR) / "src" / "compiler")) {
    if (entry.path().extension() != ".cpp") continue;
    const std::string text = ReadText(entry.path());
    for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) words.emplace((*it)[1], entry.path().filename().string());
  }
  return words;
}
TEST(LanguageWords, SortedOnceEachAndUpperCase) {
  const auto& words = LanguageWords();
  ASSERT_FALSE(words.empty());
  for (size_t i = 1; i < words.size(); ++i) EXPECT_LT(words[i - 1].text, words[i].text) << words[i].text;
  for (const LanguageWord& w : words) {
    EXPECT_TRUE(std::regex_match(w.text, std::regex("[A-Z][A-Z0-9]*"))) << w.text;
    EXPECT_EQ(FindLanguageWord(w.text), w.kind) << w.text;
  }
}
TEST(LanguageWords, TheStatementAndFunctionTablesAreInTheListWithTheirKind) {
  const std::vector<std::string> statements = StatementTableWords();
  const std::vector<std::string> functions = FunctionTableWords();
  // The tables are the compiler's own; their sizes here only guard against an empty read.
  ASSERT_GE(statements.size(), 40u);
  ASSERT_GE(functions.size(), 40u);
  for (const std::string& s : statements) EXPECT_EQ(FindLanguageWord(s), WordKind::kStatement) << s;
  for (const std::string& f : functions) {
    // A word in both tables would be a statement at the start of a line and a function in an
    // operand; none is today, and the list gives a word one kind only.
    EXPECT_EQ(std::count(statements.begin(), statements.end(), f), 0) << f;
    EXPECT_EQ(FindLanguageWord(f), WordKind::kFunction) << f;
  }
  // Words inside statements that are statements too keep the statement kind.
  for (const char* w : {"GOTO", "GOSUB", "HIGH", "LOW", "ON", "IF", "ELSE"}) EXPECT_EQ(FindLanguageWord(w), WordKind::kStatement) << w;
  EXPECT_EQ(FindLanguageWord("THEN"), WordKind::kKeyword);
  EXPECT_EQ(FindLanguageWord("MOD"), WordKind::kOperator);
  EXPECT_EQ(FindLanguageWord("REM"), WordKind::kComment);
  EXPECT_EQ(FindLanguageWord("KS"), WordKind::kShortForm);
  EXPECT_EQ(FindLanguageWord("HL"), WordKind::kBytePart);
  for (const char* w : {"", "NOT", "PRINTX", "then", "KS560", "A"}) EXPECT_EQ(FindLanguageWord(w), std::nullopt) << w;
}

// A parser comparing tokens with a new word must list it; the list names no word no parser compares with.
TEST(LanguageWords, TheListIsExactlyTheWordsTheCompilerComparesWith) {
  const std::map<std::string, std::string> literals = WordLiteralsOfTheCompiler();
  ASSERT_GE(literals.size(), 100u);
  for (const auto& [word, file] : literals)
    EXPECT_TRUE(FindLanguageWord(word).has_value()) << word << " in src/compiler/" << file << " is not in the list";
  for (const LanguageWord& w : LanguageWords())
    EXPECT_EQ(literals.count(w.text), 1u) << w.text << " is in the list but no compiler source compares with it";
}
}  // namespace
}  // namespace vn::compiler
