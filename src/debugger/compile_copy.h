// Compiling a source file for the debugger outside the IDE: the compile copy is written beside
// the source as the editor would write it (code page 949, CR LF), so that the debug window's
// source view and the line index read the same bytes the compiler read.
#pragma once

#include <string_view>
#include <vector>

#include "compiler/compiler.h"

namespace vn::debugger {

// Sets TempSourcePath from SourcePath, writes the compile copy from `source_bytes`, compiles it
// and builds the line index. 0 or 1 as CompileProgram; an unwritable copy fails with
// Outcome.open_error and the "Open Error:" message.
int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes);
// The same with breakpoints compiled in (Compiler::BreakLines; BreakPlacements says where they
// went). The source and its compile copy keep their text; only the code gets the breaks.
int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes, const std::vector<int>& breakpoints);

}  // namespace vn::debugger
