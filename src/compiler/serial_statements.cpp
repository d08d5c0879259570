// Serial and bus statements, and the output item list shared with PRINT.
#include "compiler/compiler.h"

namespace vn::compiler {

// Statements still to come.
int Compiler::CompileGet() { return NotSupportedYet(); }
int Compiler::CompileSerIn() { return NotSupportedYet(); }
int Compiler::CompileSerOut() { return NotSupportedYet(); }
int Compiler::CompileBusOut() { return NotSupportedYet(); }
int Compiler::CompilePut() { return NotSupportedYet(); }
int Compiler::CompileBclr() { return NotSupportedYet(); }
int Compiler::CompileSet() { return NotSupportedYet(); }
int Compiler::CompileOutputList() { return NotSupportedYet(); }

}  // namespace vn::compiler
