#include "link/object_file.h"

#include "platform/atomic_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vn::link {

std::vector<std::uint8_t> ObjectFileBytes(const compiler::CodeImage& code, long code_addr) {
  std::vector<std::uint8_t> bytes(kObjectSignature, kObjectSignature + 6);
  bytes.push_back(static_cast<std::uint8_t>(code_addr & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((code_addr >> 8) & 0xFF));
  for (long a = 0; a <= code_addr; ++a) bytes.push_back(code.Get(a));
  return bytes;
}

bool WriteObjectFile(const std::string& path, const compiler::CodeImage& code, long code_addr) {
  const auto bytes = ObjectFileBytes(code, code_addr);
  return platform::ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

namespace {

// The largest length a file may announce: its program bytes 0..n - 1 fit the image; the one
// byte past the program (n itself) is dropped when it lies beyond address 64000.
constexpr long kLargestLength = compiler::CodeImage::kLastAddr + 1;

compiler::Msg EnglishOnly(const std::string& text) { return {text, text}; }

int FileError(MessageBoxes& ui, const char* what, const std::string& name, const char* title) {
  ui.ShowMessage(EnglishOnly(what + name), title, kStyleInformation);
  return -1;
}

}  // namespace

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

int SaveObjectFile(const std::string& chosen, const compiler::CodeImage& code, long code_addr,
                   const Question& ask_overwrite, MessageBoxes& ui) {
  if (chosen.empty()) return -1;
  const std::string name = ObjectFileName(chosen);
  std::error_code ec;
  if (std::filesystem::exists(name, ec)) {
    const Answer a = ask_overwrite ? ask_overwrite(EnglishOnly("Overwrite ? [" + name + "] "), "VARNOLIC Studio",
                                                   kStyleYesNoCancelWarning)
                                   : Answer::kCancel;
    if (a != Answer::kYes) return -1;
  }
  // A length the file cannot carry would be read back as a different program.
  if (code_addr < 0 || code_addr > kLargestLength || !WriteObjectFile(name, code, code_addr))
    return FileError(ui, "File Open Error :", name, "VARNOLIC Studio !");
  return 0;
}

int ReadObjectFile(const std::string& chosen, compiler::CodeImage& code, long& code_addr, MessageBoxes& ui) {
  if (chosen.empty()) return -1;
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(chosen, ec)) in.open(chosen, std::ios::binary);
  if (!in.is_open()) return FileError(ui, "File Open Error :", chosen, kTitleErrorCaps);
  auto format_error = [&] { return FileError(ui, "File Format Error :", chosen, kTitleErrorCaps); };

  for (int k = 0; k < 6; ++k) {
    const int c = in.get();
    if (c != static_cast<unsigned char>(kObjectSignature[k])) return format_error();
  }
  const int lo = in.get();
  const int hi = in.get();
  if (lo == EOF || hi == EOF) return format_error();
  // The length is unsigned: files of 32768 bytes and more are written too.
  const long n = static_cast<long>(hi) * 256 + lo;
  if (n > kLargestLength) return format_error();
  std::vector<char> bytes(static_cast<std::size_t>(n + 1));
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return format_error();

  // Only a file read whole replaces the program.
  for (long a = 0; a <= n; ++a) code.Set(a, static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(a)]));
  code_addr = n;
  return 0;
}

int DownloadFromObject(Link& link, const std::string& chosen, compiler::CodeImage& code, long& code_addr,
                       int device_kind, DownloadProgress& ui) {
  link.DeviceKind = device_kind == 1 ? 1 : 2;
  link.LinkIdle();
  if (ReadObjectFile(chosen, code, code_addr, ui) == -1) return -1;
  return Download(link, code, code_addr, device_kind, ui);
}

}  // namespace vn::link
