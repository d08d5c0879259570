// The words of the language as the compiler knows them, for everything outside the compiler
// that must agree with it: the editor's colouring, the help pages' index, the fuzzer's
// dictionary and their tests. The statement and function words come from the tables the
// compiler dispatches on, so a statement added there is here without a second edit.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn::compiler {

enum class WordKind {
  kStatement,  // starts a statement (PRINT, GOTO, SET ...)
  kFunction,   // names a built-in function inside an operand (ADIN, LEFT ...)
  kKeyword,    // a word inside a statement (THEN, TO, STEP, AS BYTE, ON INT, SET RS232 ...)
  kOperator,   // an operator written as a word (AND, OR, XOR, MOD)
  kComment,    // REM: the rest of the line is a comment
  kShortForm,  // a second spelling of a keyword (KS for KS5601)
  kBytePart,   // a byte of a variable after a dot (X.L, X.H, X.HL, X.HH)
};

struct LanguageWord {
  std::string text;  // upper case, as the compiler compares it
  WordKind kind;
  bool operator==(const LanguageWord&) const = default;
};

// Every word of the language once, sorted by text. A word that is both a statement and a
// word inside statements (GOTO, ON, HIGH ...) is listed once as a statement; a statement word
// outranks a function word, which outranks the other kinds.
const std::vector<LanguageWord>& LanguageWords();

// The kind of `upper_word`, or nothing for a word the language does not have.
std::optional<WordKind> FindLanguageWord(std::string_view upper_word);

// The words of the statement table and of the function table, in table order. They are the
// tables the compiler runs on; LanguageWords is built from them.
std::vector<std::string> StatementTableWords();
std::vector<std::string> FunctionTableWords();

}  // namespace vn::compiler
