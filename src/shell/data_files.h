// Where the program's own files are (the tip file, the help pages, the about box's art): the
// one place that knows, so that the build tree and an installation both find them.
//
// In this order, the first folder that exists:
//   1. $VNSTUDIO_DATA_DIR;
//   2. VN_INSTALL_DATA_DIR, when the build defines it (the installed data folder);
//   3. <folder of the executable>/../share/vnstudio (an installation under any prefix);
//   4. the source tree's data/ folder of the build tree the executable lies in (found through
//      the CMakeCache.txt of that build tree).
#pragma once

#include <filesystem>
#include <string>

namespace vn::shell {

inline constexpr char kDataDirVariable[] = "VNSTUDIO_DATA_DIR";

// The data folder, or an empty path when none of the places has one.
std::filesystem::path DataDirectory();
// A file of the data folder (`relative` as "help/vnhelpv1.htm"); the bare relative name when
// no data folder was found, so that a message can still name it.
std::filesystem::path DataFile(const std::string& relative);

// The lookup itself, for tests: `env` is the variable's value ("" unset), `exe_dir` the
// executable's folder.
std::filesystem::path FindDataDirectory(const std::string& env, const std::filesystem::path& exe_dir);

}  // namespace vn::shell
