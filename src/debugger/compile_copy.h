// Compiling a source file for the debugger outside the IDE: the compile copy is written beside
// the source as the editor would write it (code page 949, CR LF), so that the debug window's
// source view and the line index read the same bytes the compiler read.
#pragma once

#include <string_view>

#include "compiler/compiler.h"

namespace vn::debugger {

// Sets TempSourcePath from SourcePath, writes the compile copy from `source_bytes`, compiles it
// and builds the line index. 0 or 1 as CompileProgram; an unwritable copy fails with
// Outcome.open_error and the "Open Error:" message.
int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes);

}  // namespace vn::debugger
