// Display and melody statements.
#include "compiler/compiler.h"

namespace vn::compiler {

// Statements still to come.
int Compiler::CompilePrint() { return NotSupportedYet(); }
int Compiler::CompileCls() { return NotSupportedYet(); }
int Compiler::CompileCsrOn() { return NotSupportedYet(); }
int Compiler::CompileCsrOff() { return NotSupportedYet(); }
int Compiler::CompileLcdInit() { return NotSupportedYet(); }
int Compiler::CompileLocate() { return NotSupportedYet(); }
int Compiler::CompilePlay() { return NotSupportedYet(); }
int Compiler::CompileSound() { return NotSupportedYet(); }
int Compiler::CompileBeep() { return NotSupportedYet(); }

}  // namespace vn::compiler
