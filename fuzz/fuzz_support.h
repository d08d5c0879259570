// What the fuzz targets share: a broken invariant ends the run at once, so that libFuzzer keeps
// the input that broke it, and a scratch folder of the process's own, removed when it exits.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vn::fuzz {

// Says which invariant broke, with the value that broke it, under the target's own name.
inline void Check(bool ok, const char* what, long value = 0) {
  if (ok) return;
  std::fprintf(stderr, "%s: invariant violated: %s (%ld)\n", program_invocation_short_name, what, value);
  std::abort();
}

// A folder made for this process on first use (mkdtemp, so no other process's), removed with
// everything in it at exit.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vn_fuzz_XXXXXX").string();
    Check(::mkdtemp(pattern.data()) != nullptr, "no scratch folder");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchDir(), ec);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

// A file's bytes ("" when it cannot be read), and a file made of the given bytes; a file that
// cannot be written breaks the run.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename Bytes>
void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  Check(out.good(), "file not written");
}

}  // namespace vn::fuzz
