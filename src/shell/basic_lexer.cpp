#include "shell/basic_lexer.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "compiler/words.h"

namespace vn::shell {

namespace {

// The colouring shows the compiler's own words as keywords, so a new statement or function is
// coloured without an edit here. A byte part (X.H) and the short spelling KS stay plain: a
// program may name a variable H or KS, and the compiler takes them as words in one place only.
bool ColouredKind(compiler::WordKind kind) {
  switch (kind) {
    case compiler::WordKind::kStatement:
    case compiler::WordKind::kFunction:
    case compiler::WordKind::kKeyword:
    case compiler::WordKind::kOperator:
    case compiler::WordKind::kComment: return true;
    case compiler::WordKind::kShortForm:
    case compiler::WordKind::kBytePart: return false;
  }
  return false;
}

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }
bool IsOperatorChar(unsigned char c) {
  return std::string_view("+-*/^=<>()[]{},:;~.&").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

// Length in bytes of the UTF-8 character that starts with `c`.
int CharLength(unsigned char c) {
  if (c < 0xC0) return 1;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return 4;
}

class LineStyler {
 public:
  explicit LineStyler(std::string_view line) : s_(line), n_(static_cast<int>(line.size())) {}

  std::vector<StyleRun> Run() {
    int i = 0;
    bool at_start = true;       // nothing but blanks so far on the line
    bool label_list = false;    // after GOTO / GOSUB, names are labels
    char last_significant = 0;  // last operator character, for the character constant
    while (i < n_) {
      const auto c = static_cast<unsigned char>(s_[static_cast<size_t>(i)]);
      if (IsBlank(c)) {
        Add(i, 1, kStyleDefault);
        ++i;
        continue;
      }
      if (i == 0 && (IsWordStart(c) || IsDigit(c))) {
        // A label is defined in column 1: a name followed by ":", or a line number.
        int j = 0;
        while (j < n_ && IsWordChar(static_cast<unsigned char>(s_[static_cast<size_t>(j)]))) ++j;
        const std::string word = Upper(s_.substr(0, static_cast<size_t>(j)));
        const bool numeric = IsDigit(c) && std::all_of(word.begin(), word.end(), [](char ch) {
                               return IsDigit(static_cast<unsigned char>(ch));
                             });
        if (numeric || (!IsBasicKeyword(word) && j < n_ && s_[static_cast<size_t>(j)] == ':')) {
          const int len = numeric ? j : j + 1;
          Add(0, len, kStyleLabel);
          i = len;
          at_start = false;
          continue;
        }
      }
      if (c == '\'') {
        // 'A' where an operand is expected is a character constant; elsewhere ' starts a comment.
        const int clen = i + 1 < n_ ? CharLength(static_cast<unsigned char>(s_[static_cast<size_t>(i + 1)])) : 0;
        if (!at_start && last_significant != 0 && clen > 0 && i + 1 + clen < n_ &&
            s_[static_cast<size_t>(i + 1 + clen)] == '\'') {
          Add(i, clen + 2, kStyleString);
          i += clen + 2;
          last_significant = 0;
          continue;
        }
        Add(i, n_ - i, kStyleComment);
        break;
      }
      at_start = false;
      if (c == '"') {
        int j = i + 1;
        while (j < n_ && s_[static_cast<size_t>(j)] != '"') ++j;
        if (j < n_) ++j;
        Add(i, j - i, kStyleString);
        i = j;
        last_significant = 0;
        continue;
      }
      if (c == '&' && i + 1 < n_) {
        const char k = static_cast<char>(std::toupper(static_cast<unsigned char>(s_[static_cast<size_t>(i + 1)])));
        if (k == 'H' || k == 'O' || k == 'B') {
          int j = i + 2;
          while (j < n_ && std::isalnum(static_cast<unsigned char>(s_[static_cast<size_t>(j)]))) ++j;
          Add(i, j - i, kStyleNumber);
          i = j;
          last_significant = 0;
          continue;
        }
      }
      if (IsDigit(c) || (c == '.' && i + 1 < n_ && IsDigit(static_cast<unsigned char>(s_[static_cast<size_t>(i + 1)])) &&
                         (i == 0 || !IsWordChar(static_cast<unsigned char>(s_[static_cast<size_t>(i - 1)]))))) {
        int j = i;
        while (j < n_ && IsDigit(static_cast<unsigned char>(s_[static_cast<size_t>(j)]))) ++j;
        if (j + 1 < n_ && s_[static_cast<size_t>(j)] == '.' && IsDigit(static_cast<unsigned char>(s_[static_cast<size_t>(j + 1)]))) {
          ++j;
          while (j < n_ && IsDigit(static_cast<unsigned char>(s_[static_cast<size_t>(j)]))) ++j;
        } else if (j < n_ && s_[static_cast<size_t>(j)] == '.' && (j + 1 == n_ || !IsWordStart(static_cast<unsigned char>(s_[static_cast<size_t>(j + 1)])))) {
          ++j;  // "0." is a number too
        }
        if (j == i) ++j;
        Add(i, j - i, label_list ? kStyleLabel : kStyleNumber);
        i = j;
        last_significant = 0;
        continue;
      }
      if (IsWordStart(c)) {
        int j = i;
        while (j < n_ && IsWordChar(static_cast<unsigned char>(s_[static_cast<size_t>(j)]))) j += CharLength(static_cast<unsigned char>(s_[static_cast<size_t>(j)]));
        j = std::min(j, n_);
        const std::string word = Upper(s_.substr(static_cast<size_t>(i), static_cast<size_t>(j - i)));
        if (word == "REM" && (j == n_ || !IsWordChar(static_cast<unsigned char>(s_[static_cast<size_t>(j)])))) {
          Add(i, n_ - i, kStyleComment);
          break;
        }
        if (IsBasicKeyword(word)) {
          Add(i, j - i, kStyleKeyword);
          label_list = word == "GOTO" || word == "GOSUB";
        } else {
          Add(i, j - i, label_list ? kStyleLabel : kStyleDefault);
        }
        i = j;
        last_significant = 0;
        continue;
      }
      if (IsOperatorChar(c)) {
        Add(i, 1, kStyleOperator);
        if (c == ':') label_list = false;
        last_significant = static_cast<char>(c);
        ++i;
        continue;
      }
      const int len = std::min(CharLength(c), n_ - i);
      Add(i, len, kStyleDefault);
      i += len;
    }
    return runs_;
  }

 private:
  void Add(int start, int length, int style) {
    if (length <= 0) return;
    if (!runs_.empty() && runs_.back().style == style && runs_.back().start + runs_.back().length == start) {
      runs_.back().length += length;
    } else {
      runs_.push_back({start, length, style});
    }
  }

  std::string_view s_;
  int n_;
  std::vector<StyleRun> runs_;
};

}  // namespace

bool IsBasicKeyword(std::string_view upper_word) {
  const std::optional<compiler::WordKind> kind = compiler::FindLanguageWord(upper_word);
  return kind.has_value() && ColouredKind(*kind);
}

std::vector<StyleRun> StyleBasicLine(std::string_view line) { return LineStyler(line).Run(); }

}  // namespace vn::shell
