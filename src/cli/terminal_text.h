// Text of the user's on the terminal. File names, source lines, names and typed commands can
// hold any byte, and a control byte copied to a terminal is a command to it: ESC starts a
// sequence that can recolour, clear or retitle the window or move the cursor over what was
// printed, NUL and DEL are invisible and hide what the text really is.
#pragma once

#include <string>
#include <string_view>

namespace vn::cli {

// `text` with every byte a terminal would act on written as \xHH (two upper-case hexadecimal
// digits): the C0 controls except TAB (a line end inside a name is one too), DEL, the C1
// controls (U+0080..U+009F in UTF-8) and each byte of a sequence that is not UTF-8. Printable
// UTF-8 text, Korean included, stays as it is; a backslash stands for itself.
std::string Printable(std::string_view text);

// JSON text made safe for a terminal without changing what it says: the bytes JSON lets stand
// in a string that a terminal would act on (DEL and the C1 controls; JSON escapes the C0
// controls itself) become \u escapes.
std::string PrintableJson(std::string_view json);

// The line a compile error is told in, as compilers tell theirs: "FILE:LINE: error: MESSAGE"
// ("FILE: error: MESSAGE" for an error on no line), with its line end; the file name and the
// message (which may quote the source) made Printable.
std::string CompileErrorLine(std::string_view file, long line, std::string_view message);

}  // namespace vn::cli
