// The command line's file readers on arbitrary files: what reaches them may be any file, of any
// size and kind, that a user names on the command line or leaves in the settings folder.
//
// Input: a form byte, a kind byte, then the file's contents.
//   form % 5: 0 a regular file, 1 a symbolic link to it, 2 a FIFO (nobody writes to it),
//             3 a folder, 4 a regular file padded past the kind's size cap
//   kind % 4: 0 source (what is compiled is the compile target's), 1 object file (LoadObjectFile),
//             2 the kept virtual flash (a flash image: exactly 65,536 bytes), 3 settings
//             (read as the link's settings are)
// A regular file (or a link to one) within the cap is read byte for byte; anything else is
// refused with its path and a reason, at once: a FIFO must not block the reader.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/file_io.h"
#include "core/settings_store.h"
#include "fuzz_support.h"
#include "link/object_file.h"

namespace fs = std::filesystem;
using vn::core::FileKind;

namespace {

using vn::fuzz::Check;

constexpr FileKind kKinds[] = {FileKind::kSource, FileKind::kObject, FileKind::kFlashImage, FileKind::kSettings};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int form = data[0] % 5;
  const FileKind kind = kKinds[data[1] % 4];
  std::string contents(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t cap = vn::core::MaxFileBytes(kind);

  const fs::path dir = vn::fuzz::ScratchDir() / "case";
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directory(dir);
  const fs::path regular = dir / "file";
  const fs::path path = form == 1 ? dir / "link" : regular;
  switch (form) {
    case 0:
    case 1:
      vn::fuzz::WriteFile(regular, contents);
      if (form == 1) fs::create_symlink(regular, path);
      break;
    case 2:
      Check(::mkfifo(regular.c_str(), 0600) == 0, "FIFO not made");
      break;
    case 3:
      fs::create_directory(regular);
      break;
    case 4:
      vn::fuzz::WriteFile(regular, contents);  // then past the cap, which costs no memory
      fs::resize_file(regular, cap + 1 + contents.size() % 3);
      break;
  }

  const vn::core::FileRead read = vn::core::ReadFile(path.string(), kind);
  const bool readable = form <= 1 && contents.size() <= cap;
  Check(read.ok() == readable, "read succeeded where it must fail, or failed where it must succeed", form);
  if (read.ok()) {
    Check(read.bytes == contents, "bytes read differ from the file's");
  } else {
    Check(read.error.path == path.string(), "error without the file's path");
    Check(!read.error.Reason().empty(), "error without a reason");
    Check(read.bytes.empty(), "a refused file left bytes behind", static_cast<long>(read.bytes.size()));
    if (form == 4) Check(read.error.problem == vn::core::FileProblem::kTooLarge, "oversized file not too large");
  }

  // Then what each command does with the bytes.
  switch (data[1] % 4) {
    case 1: {
      const vn::link::ObjectFileRead obj = vn::link::LoadObjectFile(path.string());
      if (!readable) Check(obj.problem == vn::link::ObjectFileProblem::kUnreadable, "unreadable object file read");
      if (obj.problem == vn::link::ObjectFileProblem::kNone)
        Check(obj.code_addr >= 0 && obj.code.size() == static_cast<std::size_t>(obj.code_addr) + 1,
              "object file code of another length than it says", obj.code_addr);
      break;
    }
    case 2:
      // The kept flash is only taken whole: the reader must never hand over more than a flash.
      if (read.ok()) Check(read.bytes.size() <= 65536, "flash image larger than the flash");
      break;
    case 3: {
      const vn::core::IniFile ini(path);
      const long ioadr = ini.GetInt("PrintPort", "Ioadr", 888);
      Check(ioadr >= -2147483648L && ioadr <= 2147483647L, "setting outside the 32-bit range", ioadr);
      (void)ini.GetString("PrintPort", "CableMode", "0");
      break;
    }
  }
  return 0;
}
