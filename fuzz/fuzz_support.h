// What the fuzz targets share: a broken invariant ends the run at once, so that libFuzzer keeps
// the input that broke it, and a scratch folder of the process's own, removed when it exits.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace vn::fuzz {

// Says which invariant broke, with the value that broke it, under the target's own name.
[[noreturn]] inline void Violated(const char* what, long value) {
  std::fprintf(stderr, "%s: invariant violated: %s (%ld)\n", program_invocation_short_name, what, value);
  std::abort();
}

inline void Check(bool ok, const char* what, long value = 0) {
  if (!ok) Violated(what, value);
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

}  // namespace vn::fuzz
