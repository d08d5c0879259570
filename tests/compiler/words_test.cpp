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
// Each table word's kind is checked with its help page; here the kinds of the other words, and the list against the
// words the compiler compares with.
TEST(LanguageWords, KindsAndTheListIsExactlyTheWordsTheCompilerComparesWith) {
  // Words inside statements that are statements too keep the statement kind.
  for (const char* w : {"GOTO", "GOSUB", "HIGH", "LOW", "ON", "IF", "ELSE"}) EXPECT_EQ(FindLanguageWord(w), WordKind::kStatement) << w;
  const std::pair<const char*, WordKind> kinds[] = {{"THEN", WordKind::kKeyword}, {"MOD", WordKind::kOperator}, {"REM", WordKind::kComment},
                                                    {"KS", WordKind::kShortForm}, {"HL", WordKind::kBytePart}};
  for (const auto& [w, kind] : kinds) EXPECT_EQ(FindLanguageWord(w), kind) << w;
  for (const char* w : {"", "NOT", "PRINTX", "then", "KS560", "A"}) EXPECT_EQ(FindLanguageWord(w), std::nullopt) << w;
  // A parser comparing tokens with a new word must list it; the list names no word no parser compares with; it is
  // sorted, once each, for the lookup.
  const std::map<std::string, std::string> literals = WordLiteralsOfTheCompiler();
  ASSERT_GE(literals.size(), 100u);
  for (const auto& [word, file] : literals)
    EXPECT_TRUE(FindLanguageWord(word).has_value()) << word << " in src/compiler/" << file << " is not in the list";
  const auto& words = LanguageWords();
  EXPECT_EQ(std::adjacent_find(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.text >= b.text; }), words.end());
  for (const LanguageWord& w : words) {
    EXPECT_EQ(literals.count(w.text), 1u) << w.text << " is in the list but no compiler source compares with it";
    EXPECT_EQ(FindLanguageWord(w.text), w.kind) << w.text;
  }
}
}  // namespace
}  // namespace vn::compiler
