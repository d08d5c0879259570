// Source files on disk: which encoding a file is in, the text the editor gets from its bytes
// and the bytes a save writes back. Reading and writing the files themselves is
// core::ReadFile and core::ReplaceFile.
#pragma once

#include <string>
#include <string_view>

namespace vn::platform {
class CodePage;
}

namespace vn::shell {

enum class TextEncoding {
  kCp949,    // the module tools' own code page; every new document
  kUtf8,     // a file that was valid UTF-8 (and not plain ASCII) when it was read
  kUtf8Bom,  // the same, with the byte order mark it started with
};

struct DecodedText {
  std::string utf8;  // line ends are '\n'
  TextEncoding encoding = TextEncoding::kCp949;
  bool lf_line_ends = false;  // the file ended its lines with LF alone (and held no CR)
};

// The editor's text of file bytes. Plain ASCII counts as code page 949, so that Korean text
// typed into such a file later is saved the way every other tool expects. Bytes that are not
// code page 949 survive a load and a save unchanged (each one stands in the text for itself,
// as a private-use character), so opening and saving a stray binary or Latin-1 file does not
// alter it. CR LF, CR and LF all end a line.
DecodedText DecodeSourceBytes(std::string_view bytes, platform::CodePage& cp);

struct EncodedText {
  std::string bytes;             // CR LF line ends, or LF when asked for
  TextEncoding encoding = TextEncoding::kCp949;  // what was written
};

// The bytes of the text in `preferred`. A code page 949 document holding a character that code
// page cannot hold is written as UTF-8 instead, rather than losing the character. A file read
// with LF line ends keeps them (`lf_line_ends`), so that a save does not rewrite every line.
EncodedText EncodeSourceText(std::string_view utf8, TextEncoding preferred, platform::CodePage& cp,
                             bool lf_line_ends = false);

}  // namespace vn::shell
