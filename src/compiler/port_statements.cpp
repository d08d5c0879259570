// Port, pulse and timing statements.
#include "compiler/compiler.h"

namespace vn::compiler {

// Statements still to come.
int Compiler::CompilePoke() { return NotSupportedYet(); }
int Compiler::CompileOut() { return NotSupportedYet(); }
int Compiler::CompileHigh() { return NotSupportedYet(); }
int Compiler::CompileLow() { return NotSupportedYet(); }
int Compiler::CompileByteOut() { return NotSupportedYet(); }
int Compiler::CompileToggle() { return NotSupportedYet(); }
int Compiler::CompileServo() { return NotSupportedYet(); }
int Compiler::CompilePulseOut() { return NotSupportedYet(); }
int Compiler::CompilePulse() { return NotSupportedYet(); }
int Compiler::CompileEeWrite() { return NotSupportedYet(); }
int Compiler::CompileTimeSet() { return NotSupportedYet(); }
int Compiler::CompileShiftOut() { return NotSupportedYet(); }
int Compiler::CompileStepOut() { return NotSupportedYet(); }
int Compiler::CompileFreqOut() { return NotSupportedYet(); }
int Compiler::CompilePwm() { return NotSupportedYet(); }
int Compiler::CompilePwmOff() { return NotSupportedYet(); }
int Compiler::CompileDacOut() { return NotSupportedYet(); }

}  // namespace vn::compiler
