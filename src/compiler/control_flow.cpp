// Control flow: the pieces of IF that the statement loop itself calls.
#include "compiler/compiler.h"

namespace vn::compiler {
namespace {

const Msg kElseWithoutIf{"Syntax Error in ELSE !", "문법에러 : IF가 없는 ELSE문입니다."};

AnsiText IfPartLabel(const AnsiText& id, int part) { return u"_y" + id + u"_" + Ansi(std::to_string(part)); }

}  // namespace

int Compiler::ElseAfterStatement() {
  if (IfState == 0) return Fail(kElseWithoutIf);
  const AnsiText& id = IfIdStack[static_cast<size_t>(IfDepth)];
  Emit(kOpJump);
  AddFixup(u"_x" + id);
  return DefineLabel(IfPartLabel(id, IfPartStack[static_cast<size_t>(IfDepth)]));
}

void Compiler::CloseSingleLineIf() {
  const AnsiText id = IfIdStack[static_cast<size_t>(IfDepth)];
  DefineLabel(u"_x" + id);
  DefineLabel(IfPartLabel(id, IfPartStack[static_cast<size_t>(IfDepth)]));
  --IfDepth;
  IfState = IfDepth == 0 ? 0 : 2;
}

// Statements still to come.
int Compiler::CompileGoto() { return NotSupportedYet(); }
int Compiler::CompileGosub() { return NotSupportedYet(); }
int Compiler::CompileReturn() { return NotSupportedYet(); }
int Compiler::CompileBreak() { return NotSupportedYet(); }
int Compiler::CompileFor() { return NotSupportedYet(); }
int Compiler::CompileNext() { return NotSupportedYet(); }
int Compiler::CompileIf() { return NotSupportedYet(); }
int Compiler::CompileElse() { return NotSupportedYet(); }
int Compiler::CompileElseIf() { return NotSupportedYet(); }
int Compiler::CompileEndIfWord() { return NotSupportedYet(); }
int Compiler::CompileEnd() { return NotSupportedYet(); }
int Compiler::CompileOn() { return NotSupportedYet(); }
int Compiler::CompileDelay() { return NotSupportedYet(); }
int Compiler::CompileReset() { return NotSupportedYet(); }

}  // namespace vn::compiler
