// The arguments of statements and of built-in functions: one rule per argument and one walk
// over a list of them. A statement writes its arguments straight into the code; a function
// call gathers them, behind its function code, into the operand being built in PendBuf.
// Statements that are nothing but their opcode and such a list are one row each for
// CompileStatement.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "compiler/compiler.h"

namespace vn::compiler {

// What one argument is and how it is checked.
enum class ArgKind {
  Operand,        // any operand but a function call
  OperandOrCall,  // any operand, built-in function calls included
  Port,           // an operand that passes the port check
  Single,         // a SINGLE operand
  NotSingle,      // any operand but a SINGLE one
  String,         // a STRING variable
  NonZero,        // an operand that is not the constant 0 (else `range`)
  Byte,           // one raw byte holding a constant in min..max
  Fixed,          // a fixed byte that the source does not spell out
};

struct ArgRule {
  ArgKind kind;
  long min = 0, max = 255;                   // Byte: accepted values
  const Msg* not_const = &kMsgNotAConstant;  // Byte: the token is not a constant
  const Msg* range = &kMsgNotAConstant;      // Byte: out of min..max; NonZero: the constant 0
  // A function argument that may be left out before ")": the omitted ones take their `fill`
  // bytes, so that the module always finds the same layout.
  bool optional = false;
  std::vector<int> fill{};
  int fixed = 0;                             // Fixed: the byte
  // When the operand cannot be read: a message that replaces the operand's own, or an
  // English text that replaces its English text only.
  const Msg* parse_fail = nullptr;
  const char* parse_fail_en = nullptr;
};

// Where the arguments go.
struct ArgTarget {
  enum Kind { Code, Operand } kind;
  // Operand: the function code, put in front of the operand after its first argument.
  int code = 0;
};

// Compiles one argument, reading its token unless it is Fixed. `first`: the first argument of
// a function call, which starts the operand afresh. 0 or -1.
int CompileArgument(Compiler& c, const ArgRule& rule, const ArgTarget& target, bool first = false);

// The result of CompileArguments when an optional function argument met ")": the list and its
// closing parenthesis are read.
constexpr int kArgumentsClosed = 1;

// Reads and compiles a run of arguments, a comma before each but the first (whose comma, if
// it has one, has already been read); `comma` is the message for a missing one. Returns 0,
// kArgumentsClosed or -1.
int CompileArguments(Compiler& c, std::span<const ArgRule> rules, const ArgTarget& target, const Msg* comma);

// The series that take a statement or a function.
enum class Devices {
  Both,
  VnOnly,
  VnmOnly,
  VnAddressOnly,  // a function that the VN series takes with its first argument only
};

// When a statement of the other series is refused: before anything is emitted, or after its
// opcode. The compile is abandoned either way.
enum class RefuseAt { Start, AfterOpcode };

// Which devices take the optional trailing arguments.
enum class OptionalOn { None, VnmOnly, Both };

struct Statement {
  isa::Opcode opcode;
  std::vector<ArgRule> args{};
  const Msg* comma = nullptr;  // a missing comma (none for a statement without arguments)
  Devices devices = Devices::Both;
  RefuseAt refuse_at = RefuseAt::Start;
  // Trailing arguments introduced by a comma; when they are left out, `fill` is emitted in
  // their place so that the module always finds the same layout.
  OptionalOn optional_on = OptionalOn::None;
  std::vector<ArgRule> optional{};
  std::vector<int> fill{};
  // Anything but a comma or the end of the statement after the required arguments is the
  // statement's comma error rather than the general end-of-line error.
  bool strict_comma = false;
};

// Compiles the statement whose keyword is in Token: 0 or -1.
int CompileStatement(Compiler& c, const Statement& s);

// True for a token that ends a statement: the end of the line, a comment, ":" or ELSE.
bool EndsStatement(const AnsiText& token);

}  // namespace vn::compiler
