// Object files: the signature "VN2000", the code length n (16 bits, low byte first) and the
// n + 1 code bytes of addresses 0..n.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/code_image.h"
#include "core/messages.h"
#include "link/download.h"
#include "link/link.h"
#include "core/file_io.h"

namespace vn::link {

inline constexpr char kObjectSignature[] = "VN2000";

// The bytes of the object file of the code image up to `code_addr`.
std::vector<std::uint8_t> ObjectFileBytes(const core::CodeImage& code, long code_addr);

// Writes the object file through a temporary file renamed into place, so that an earlier file
// is either replaced whole or left as it was (core::ReplaceFile; `options.inputs` names the
// files the command read, which are never written over).
core::FileError WriteObjectFile(const std::string& path, const core::CodeImage& code, long code_addr,
                                    const core::ReplaceOptions& options = {});

// What reading an object file found.
enum class ObjectFileProblem {
  kNone,
  kUnreadable,  // `error` says why; a file larger than any object file is one
  kSignature,   // no "VN2000", or no length after it
  kTooLong,     // a length past the end of the code image
  kCutShort,    // fewer code bytes than the length promises
};

struct ObjectFileRead {
  ObjectFileProblem problem = ObjectFileProblem::kNone;
  core::FileError error;       // kUnreadable
  long code_addr = -1;             // the length n, once it could be read
  std::vector<std::uint8_t> code;  // kNone: the n + 1 code bytes of addresses 0..n
};

// Reads and checks an object file, the one reader of them for the IDE and the command line.
ObjectFileRead LoadObjectFile(const std::string& path);

// ---- Save Object and Download from Object -----------------------------------------------------
// The file dialogs belong to the IDE; these take the name the user chose ("" = cancelled).

// The dialogs' settings: the save dialog starts on the source path with its last four
// characters replaced by ".obj"; the filters have no English variant.
std::string ObjectFileInitialName(const std::string& source_path);
inline constexpr char kSaveObjectFilter[] = "VARNOLIC 오브젝트파일(*.obj)|*.obj|모든 파일(*.*)|*.*";
inline constexpr char kOpenObjectFilter[] = "VARNOLIC 오브젝트 파일(*.obj)|*.obj|모든 파일(*.*)|*.*";
inline constexpr int kObjectDialogFlags = 4;  // hide the read-only box

// The name a chosen name is saved under: kept when its last three characters are "obj" in any
// letter case, else with ".OBJ" appended.
std::string ObjectFileName(const std::string& chosen);

// The answer to a Yes/No/Cancel question.
enum class Answer { kYes, kNo, kCancel };
// Asks the question (a message of style 51) and returns the user's answer.
using Question = std::function<Answer(const core::Message& question)>;

// Saves the code image up to `code_addr` under ObjectFileName(chosen). An existing file is
// replaced only after `ask_overwrite` says Yes, and whole (a new file renamed into place), so
// neither a shorter save nor a crash leaves bytes of the old one behind. 0 saved, -1 cancelled
// or not written (after the open-error message, with the reason after the name). The IDE
// gives the editor the focus after a No or Cancel.
int SaveObjectFile(const std::string& chosen, const core::CodeImage& code, long code_addr,
                   const Question& ask_overwrite, MessageBoxes& ui);

// Reads the object file `chosen` into the code image and `code_addr`. The length is read as
// unsigned 16 bits; a file whose signature differs, that ends before the n + 1 code bytes its
// length promises, or whose length passes the end of the code image is a "File Format Error",
// and so is a file larger than any object file (with the reason after the name). A file that
// cannot be read (missing, a folder, a device) is a "File Open Error", with the reason after
// the name. 0 read; -1 cancelled ("") or failed (after its one message), with the image and
// `code_addr` as they were. Bytes after the code (an old file saved over) are ignored.
int ReadObjectFile(const std::string& chosen, core::CodeImage& code, long& code_addr, MessageBoxes& ui);

// Download from Object: the parallel lines put at rest, the file read, then the download of
// `series`. 0 or -1; nothing is sent when the file could not be read.
int DownloadFromObject(Link& link, const std::string& chosen, core::CodeImage& code, long& code_addr,
                       core::Series series, DownloadProgress& ui);

}  // namespace vn::link
