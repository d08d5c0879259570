// Writes the seeds of the fuzz targets made from the example programs (the others, such as
// programs at the edges of the compiler's tables, damaged files and downloads of small programs
// on each cable with a fault of each kind, are in fuzz/seeds/):
//   make_seeds OUTDIR EXAMPLE.bas...
// OUTDIR/compile: each example with each device selector byte in front;
// OUTDIR/object_file, OUTDIR/file_readers: each example's object file, and its source.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "link/object_file.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Write(const fs::path& path, const Bytes& bytes) { vn::fuzz::WriteFile(path, bytes); }

// The given bytes, then the text or bytes.
template <typename Text>
Bytes Prefixed(Bytes prefix, const Text& text) {
  prefix.insert(prefix.end(), text.begin(), text.end());
  return prefix;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return std::cerr << "usage: make_seeds OUTDIR EXAMPLE.bas...\n", 2;
  const fs::path out = argv[1];
  for (const char* t : {"compile", "object_file", "file_readers"}) fs::create_directories(out / t);

  for (int i = 2; i < argc; ++i) {
    const fs::path example = argv[i];
    const std::string source = vn::fuzz::ReadFile(example);
    const std::string stem = example.stem().string();
    for (std::uint8_t selector = 0; selector < 4; ++selector)
      Write(out / "compile" / (stem + "-" + std::to_string(selector)), Prefixed({selector}, source));

    vn::compiler::Compiler c;
    vn::compiler::ApplyDeviceCode(c.Device, *vn::compiler::FindDeviceCode("KF"));
    if (c.CompileSource(source) != 0) {
      std::cerr << "make_seeds: " << example << " does not compile: " << c.Outcome.message.en << "\n";
      return 1;
    }
    const Bytes object = vn::link::ObjectFileBytes(c.Code, c.CodeAddr);
    Write(out / "object_file" / (stem + ".obj"), object);
    // The file readers' seeds: the source and the object file, each in every form of file.
    for (std::uint8_t form = 0; form < 5; ++form) {
      Write(out / "file_readers" / (stem + "-source-" + std::to_string(form)), Prefixed({form, 0}, source));
      Write(out / "file_readers" / (stem + "-object-" + std::to_string(form)), Prefixed({form, 1}, object));
    }
  }

  Write(out / "file_readers" / "flash", Prefixed({0, 2}, Bytes(65536, 0xFF)));
  return 0;
}
