// The object file reader on arbitrary file contents. The input is the file. A file read whole
// puts its code bytes into the image and its length into CodeAddr; any other file leaves both
// exactly as they were and shows one message. The outcome must match what the file's form says.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/code_image.h"
#include "core/message_table.h"
#include "fuzz_support.h"
#include "link/object_file.h"

using vn::core::CodeImage;

namespace {

using vn::fuzz::Check;

struct CountingBoxes final : vn::link::MessageBoxes {
  void ShowMessage(const vn::core::Message& message) override {
    ++shown;
    last = vn::core::MessageTextOf(message, vn::core::Language::kEnglish);
  }
  int shown = 0;
  std::string last;
};

// A recognisable image: every address holds a byte of its own.
std::uint8_t Original(long a) { return static_cast<std::uint8_t>((a * 13 + 7) & 0xFF); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = (vn::fuzz::ScratchDir() / "input.obj").string();
  vn::fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  static CodeImage* const code = new CodeImage;  // 320 KB: built once, refilled per input
  for (long a = 0; a <= CodeImage::kLastAddr; ++a) code->Set(a, Original(a));
  constexpr long kBefore = 12345;
  long code_addr = kBefore;
  CountingBoxes ui;
  const int r = vn::link::ReadObjectFile(path, *code, code_addr, ui);

  // What the file's form says.
  const bool signed_ok = size >= 8 && std::memcmp(data, vn::link::kObjectSignature, 6) == 0;
  const long n = size >= 8 ? data[6] + 256L * data[7] : -1;
  // A file larger than any object file (signature, length, 65,536 code bytes) is refused whole.
  const bool expect_ok = signed_ok && n <= CodeImage::kLastAddr + 1 && static_cast<long>(size) >= 8 + n + 1 &&
                         size <= vn::core::MaxFileBytes(vn::core::FileKind::kObject);

  Check(r == 0 || r == -1, "ReadObjectFile returns 0 or -1", r);
  Check((r == 0) == expect_ok, "the outcome follows the file's form", r);
  if (r == 0) {
    Check(ui.shown == 0, "no message after a read", ui.shown);
    Check(code_addr == n, "CodeAddr is the file's length", code_addr);
    for (long a = 0; a <= CodeImage::kLastAddr; ++a)
      Check(code->Get(a) == (a <= n ? data[8 + a] : Original(a)), "the image holds the file's bytes and nothing else changed", a);
  } else {
    Check(ui.shown == 1, "exactly one message on failure", ui.shown);
    Check(ui.last.rfind("File Format Error :", 0) == 0, "a format error says so", ui.shown);
    Check(code_addr == kBefore, "CodeAddr unchanged on failure", code_addr);
    for (long a = 0; a <= CodeImage::kLastAddr; ++a)
      Check(code->Get(a) == Original(a), "image unchanged on failure", a);
  }
  return 0;
}
