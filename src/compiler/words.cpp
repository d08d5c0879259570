#include "compiler/words.h"

#include <algorithm>
#include <iterator>

namespace vn::compiler {
namespace {

struct FixedWord {
  const char* text;
  WordKind kind;
};

// The words that the statement parsers compare tokens with, beyond the statement and
// function words. A word added to a parser belongs here too; a test reads the compiler's
// sources for such words and fails on one that is missing.
const FixedWord kInnerWords[] = {
    {"REM", WordKind::kComment},
    {"AND", WordKind::kOperator},   {"OR", WordKind::kOperator},     {"XOR", WordKind::kOperator},
    {"MOD", WordKind::kOperator},
    // DIM and CONST
    {"AS", WordKind::kKeyword},     {"BYTE", WordKind::kKeyword},    {"INTEGER", WordKind::kKeyword},
    {"LONG", WordKind::kKeyword},   {"SINGLE", WordKind::kKeyword},  {"STRING", WordKind::kKeyword},
    {"DEVICE", WordKind::kKeyword},
    // IF, FOR
    {"THEN", WordKind::kKeyword},   {"TO", WordKind::kKeyword},      {"STEP", WordKind::kKeyword},
    // ON INT / ON TIMER / ON RECV
    {"INT", WordKind::kKeyword},    {"TIMER", WordKind::kKeyword},   {"RECV", WordKind::kKeyword},
    // SET and its switches
    {"RS232", WordKind::kKeyword},  {"VARNOBUS", WordKind::kKeyword}, {"HCODE", WordKind::kKeyword},
    {"JOHAP", WordKind::kKeyword},  {"KS5601", WordKind::kKeyword},  {"KS", WordKind::kShortForm},
    {"ONINT", WordKind::kKeyword},  {"ONTIMER", WordKind::kKeyword}, {"ONRECV", WordKind::kKeyword},
    {"OFF", WordKind::kKeyword},
    // SERIN's clauses
    {"WAIT", WordKind::kKeyword},   {"UNTIL", WordKind::kKeyword},   {"SKIP", WordKind::kKeyword},
    // the bytes of a variable
    {"L", WordKind::kBytePart},     {"H", WordKind::kBytePart},      {"HL", WordKind::kBytePart},
    {"HH", WordKind::kBytePart},
};

std::vector<LanguageWord> BuildWords() {
  std::vector<LanguageWord> words;
  const auto add = [&words](const std::string& text, WordKind kind) {
    const bool known = std::any_of(words.begin(), words.end(), [&](const LanguageWord& w) { return w.text == text; });
    if (!known) words.push_back({text, kind});
  };
  for (const std::string& w : StatementTableWords()) add(w, WordKind::kStatement);
  for (const std::string& w : FunctionTableWords()) add(w, WordKind::kFunction);
  for (const FixedWord& w : kInnerWords) add(w.text, w.kind);
  std::sort(words.begin(), words.end(), [](const LanguageWord& a, const LanguageWord& b) { return a.text < b.text; });
  return words;
}

}  // namespace

const std::vector<LanguageWord>& LanguageWords() {
  static const std::vector<LanguageWord> words = BuildWords();
  return words;
}

std::optional<WordKind> FindLanguageWord(std::string_view upper_word) {
  const auto& words = LanguageWords();
  const auto it = std::lower_bound(words.begin(), words.end(), upper_word,
                                   [](const LanguageWord& w, std::string_view t) { return w.text < t; });
  if (it == words.end() || it->text != upper_word) return std::nullopt;
  return it->kind;
}

}  // namespace vn::compiler
