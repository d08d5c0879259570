#include "debugger/compile_copy.h"

#include <string>

#include "compiler/text.h"
#include "platform/atomic_file.h"

namespace vn::debugger {

int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes) {
  const size_t keep = c.SourcePath.size() >= 4 ? c.SourcePath.size() - 4 : 0;
  c.TempSourcePath = c.SourcePath.substr(0, keep) + ".$$$";
  std::string copy;
  for (const auto& line : compiler::SplitSource(source_bytes).lines) copy += compiler::EncodeAnsi(line) + "\r\n";
  if (!platform::ReplaceFile(c.TempSourcePath, copy)) {
    c.Outcome = {};
    c.Outcome.open_error = true;
    c.Outcome.message = {"Open Error:" + c.TempSourcePath, "Open Error:" + c.TempSourcePath};
    return 1;
  }
  if (c.CompileSource(copy) != 0) return 1;
  c.BuildLineIndex();
  return 0;
}

}  // namespace vn::debugger
