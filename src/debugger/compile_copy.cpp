#include "debugger/compile_copy.h"

#include <string>

#include "core/text.h"
#include "core/file_io.h"

namespace vn::debugger {

int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes) {
  const size_t keep = c.SourcePath.size() >= 4 ? c.SourcePath.size() - 4 : 0;
  c.TempSourcePath = c.SourcePath.substr(0, keep) + ".$$$";
  std::string copy;
  for (const auto& line : core::SplitSource(source_bytes).lines) copy += core::EncodeAnsi(line) + "\r\n";
  // A source named like its own compile copy ("PROG.$$$") is refused rather than written over.
  core::ReplaceOptions keep_source;
  keep_source.inputs = {c.SourcePath};
  if (const core::FileError e = core::ReplaceFile(c.TempSourcePath, copy, keep_source); !e.ok()) {
    const std::string text = "Open Error:" + c.TempSourcePath + ": " + e.Reason();
    c.Outcome = {};
    c.Outcome.open_error = true;
    c.Outcome.message = {text, text};
    return 1;
  }
  if (c.CompileSource(copy) != 0) return 1;
  c.BuildLineIndex();
  return 0;
}

int CompileWithCopy(compiler::Compiler& c, std::string_view source_bytes, const std::vector<int>& breakpoints) {
  c.BreakLines = breakpoints;
  return CompileWithCopy(c, source_bytes);
}

}  // namespace vn::debugger
