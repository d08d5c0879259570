#include "link/object_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace vn::link {

std::vector<std::uint8_t> ObjectFileBytes(const core::CodeImage& code, long code_addr) {
  std::vector<std::uint8_t> bytes(kObjectSignature, kObjectSignature + 6);
  bytes.push_back(static_cast<std::uint8_t>(code_addr & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((code_addr >> 8) & 0xFF));
  for (long a = 0; a <= code_addr; ++a) bytes.push_back(code.Get(a));
  return bytes;
}

core::FileError WriteObjectFile(const std::string& path, const core::CodeImage& code, long code_addr,
                                    const core::ReplaceOptions& options) {
  const auto bytes = ObjectFileBytes(code, code_addr);
  return core::ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               options);
}

namespace {

// The largest length a file may announce: its program bytes 0..n - 1 fit the image; the one
// byte past the program (n itself) is dropped when it lies beyond address 64000.
constexpr long kLargestLength = core::CodeImage::kLastAddr + 1;

int FileError(MessageBoxes& ui, core::MessageCode code, const std::string& name) {
  ui.ShowMessage({code, {}, name});
  return -1;
}

}  // namespace

ObjectFileRead LoadObjectFile(const std::string& path) {
  ObjectFileRead r;
  core::FileRead file = core::ReadFile(path, core::FileKind::kObject);
  if (!file.ok()) {
    r.problem = ObjectFileProblem::kUnreadable;
    r.error = std::move(file.error);
    return r;
  }
  const std::string& bytes = file.bytes;
  constexpr size_t kSig = sizeof kObjectSignature - 1;
  if (bytes.size() < kSig + 2 || bytes.compare(0, kSig, kObjectSignature) != 0) {
    r.problem = ObjectFileProblem::kSignature;
    return r;
  }
  // The length is unsigned: files of 32768 bytes and more are written too.
  const long n = static_cast<unsigned char>(bytes[kSig]) | static_cast<long>(static_cast<unsigned char>(bytes[kSig + 1])) << 8;
  r.code_addr = n;
  if (n > kLargestLength) {
    r.problem = ObjectFileProblem::kTooLong;
    return r;
  }
  if (bytes.size() < kSig + 2 + static_cast<size_t>(n) + 1) {
    r.problem = ObjectFileProblem::kCutShort;
    return r;
  }
  const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(kSig + 2);
  r.code.assign(first, first + n + 1);
  return r;
}

std::string ObjectFileInitialName(const std::string& source_path) {
  const std::size_t keep = source_path.size() >= 4 ? source_path.size() - 4 : 0;
  return source_path.substr(0, keep) + ".obj";
}

std::string ObjectFileName(const std::string& chosen) {
  if (chosen.size() >= 3) {
    std::string tail = chosen.substr(chosen.size() - 3);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (tail == "OBJ") return chosen;
  }
  return chosen + ".OBJ";
}

int SaveObjectFile(const std::string& chosen, const core::CodeImage& code, long code_addr,
                   const Question& ask_overwrite, MessageBoxes& ui) {
  if (chosen.empty()) return -1;
  const std::string name = ObjectFileName(chosen);
  std::error_code ec;
  if (std::filesystem::exists(name, ec)) {
    const Answer a = ask_overwrite ? ask_overwrite({core::MessageCode::kOverwriteObject, {}, name})
                                   : Answer::kCancel;
    if (a != Answer::kYes) return -1;
  }
  // A length the file cannot carry would be read back as a different program.
  if (code_addr < 0 || code_addr > kLargestLength) return FileError(ui, core::MessageCode::kObjectOpenError, name);
  if (const core::FileError e = WriteObjectFile(name, code, code_addr); !e.ok())
    return FileError(ui, core::MessageCode::kObjectOpenError, name + ": " + e.Reason());
  return 0;
}

int ReadObjectFile(const std::string& chosen, core::CodeImage& code, long& code_addr, MessageBoxes& ui) {
  if (chosen.empty()) return -1;
  const ObjectFileRead r = LoadObjectFile(chosen);
  switch (r.problem) {
    case ObjectFileProblem::kNone: break;
    case ObjectFileProblem::kUnreadable:
      // Too large to be an object file is a matter of its form, not of opening it.
      return FileError(ui,
                       r.error.problem == core::FileProblem::kTooLarge ? core::MessageCode::kObjectFormatError
                                                                       : core::MessageCode::kObjectReadOpenError,
                       chosen + ": " + r.error.Reason());
    default: return FileError(ui, core::MessageCode::kObjectFormatError, chosen);
  }
  // Only a file read whole replaces the program.
  for (long a = 0; a <= r.code_addr; ++a) code.Set(a, r.code[static_cast<size_t>(a)]);
  code_addr = r.code_addr;
  return 0;
}

int DownloadFromObject(Link& link, const std::string& chosen, core::CodeImage& code, long& code_addr,
                       core::Series series, DownloadProgress& ui) {
  link.UseSeries(series);
  link.LinkIdle();
  if (ReadObjectFile(chosen, code, code_addr, ui) == -1) return -1;
  return Download(link, code, code_addr, series, ui);
}

}  // namespace vn::link
