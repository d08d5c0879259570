// The two settings stores: "VNSTUDIO.INI", read and written with the private-profile rules the
// program was built on, and a second file of the same form that holds what once lived in the
// registry (one section per key path, e.g. "VNstudio\window\"). Both live in
// $XDG_CONFIG_HOME/vnstudio/ (default ~/.config/vnstudio/).
//
// Every call reads the file afresh and every write rewrites it at once, under a lock held from
// the read to the rename, so that two parts of the program (or two instances) never work from
// a stale copy, and a write keeps every other section and key as it found them. A file that is
// there but cannot be read (a folder, a device, larger than a settings file can be) reads as
// if it were empty and is never written over.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/file_io.h"

namespace vn::core {

inline constexpr char kSettingsFileName[] = "VNSTUDIO.INI";
inline constexpr char kRegistryFileName[] = "registry.ini";

// $XDG_CONFIG_HOME/vnstudio when XDG_CONFIG_HOME is an absolute path, else ~/.config/vnstudio.
std::filesystem::path SettingsDirectory();

class IniFile {
 public:
  explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& path() const { return path_; }

  // Why the file cannot be read; ok() when it can, or when there is none yet.
  FileError ReadError() const;

  // The value text as stored (blanks around it and one pair of enclosing quotes removed);
  // nullopt when the file, the section or the key is missing. Names are compared without
  // regard to case.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

  // The integer of a key: a missing or empty value gives `default_value`; otherwise the
  // decimal number at the start of the text (leading blanks and a sign allowed), 0 when the
  // text does not start with one. Values beyond the 32-bit range are clamped to it.
  long GetInt(std::string_view section, std::string_view key, long default_value) const;

  // The text of a key, or `default_value` when the key is missing, as it comes out of a
  // buffer of `buffer_size` characters: at most buffer_size - 1 of them.
  std::string GetString(std::string_view section, std::string_view key, std::string_view default_value,
                        std::size_t buffer_size = 100) const;

  // Stores `value` under the key, creating the directory, file, section and key as needed.
  // A line break in the value would split it into a second key, so it is stored as a blank.
  // False when a name cannot be stored (empty, a line break, a ']' in a section or a '=' in a
  // key) or the file cannot be written; the file is then left as it was.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::filesystem::path path_;
};

// The registry's part: string values under a key path.
class RegistryStore {
 public:
  explicit RegistryStore(std::filesystem::path path) : file_(std::move(path)) {}
  // The text of the value, or the decimal text of `default_value` when it is missing.
  std::string ReadString(std::string_view key, std::string_view name, long default_value) const;
  bool WriteString(std::string_view key, std::string_view name, std::string_view text);
  const IniFile& file() const { return file_; }

 private:
  IniFile file_;
};

}  // namespace vn::core
