#include "shell/data_files.h"

#include <QCoreApplication>
#include <cstdlib>
#include <string_view>

#include "core/file_io.h"

namespace vn::shell {

namespace fs = std::filesystem;

namespace {

bool IsDir(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

// The source folder a build tree was configured from, read from its CMakeCache.txt.
fs::path SourceOfBuildTree(const fs::path& build_dir) {
  const core::FileRead cache = core::ReadFile((build_dir / "CMakeCache.txt").string(), core::FileKind::kProgramData);
  if (!cache.ok()) return {};
  constexpr std::string_view kKey = "CMAKE_HOME_DIRECTORY:INTERNAL=";
  std::string_view rest = cache.bytes;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with(kKey)) return fs::path(line.substr(kKey.size()));
  }
  return {};
}

}  // namespace

fs::path FindDataDirectory(const std::string& env, const fs::path& exe_dir) {
  if (IsDir(env)) return fs::path(env);
#ifdef VN_INSTALL_DATA_DIR
  if (IsDir(VN_INSTALL_DATA_DIR)) return fs::path(VN_INSTALL_DATA_DIR);
#endif
  if (exe_dir.empty()) return {};
  const fs::path installed = (exe_dir / ".." / "share" / "vnstudio").lexically_normal();
  if (IsDir(installed)) return installed;
  // A build tree: the executable is at its top or in a folder below (tests/).
  fs::path dir = exe_dir;
  for (int up = 0; up < 3 && !dir.empty(); ++up) {
    const fs::path source = SourceOfBuildTree(dir);
    if (!source.empty() && IsDir(source / "data")) return source / "data";
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  return {};
}

fs::path DataDirectory() {
  const char* env = std::getenv(kDataDirVariable);
  fs::path exe_dir;
  if (QCoreApplication::instance() != nullptr) exe_dir = QCoreApplication::applicationDirPath().toStdString();
  return FindDataDirectory(env != nullptr ? env : "", exe_dir);
}

fs::path DataFile(const std::string& relative) {
  const fs::path dir = DataDirectory();
  return dir.empty() ? fs::path(relative) : dir / relative;
}

}  // namespace vn::shell
