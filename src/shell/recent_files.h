// The recent-files list: "File1" (newest) to "File4" of section "LastOpen" in the settings
// file, plus "File5", the spare slot the shift goes through, and the four menu items that
// show them. An unused slot holds "none".
#pragma once

#include <array>
#include <string>

namespace vn::core {
class IniFile;
}  // namespace vn::core

namespace vn::shell {

inline constexpr char kLastOpenSection[] = "LastOpen";
inline constexpr char kNoneEntry[] = "none";
// Longest path a slot keeps: Linux paths are often longer than the 99 characters the
// settings file's readers once allowed, and a cut path would open the wrong file or none.
inline constexpr std::size_t kRecentPathBuffer = 4096;

bool IsNoneEntry(const std::string& value);

class RecentFiles {
 public:
  explicit RecentFiles(core::IniFile& ini) : ini_(ini) {}

  // Reads "File1".."File4" into the items.
  void Load();
  // Puts `path` at the head of the list, removing its older place, then reloads the items.
  void Update(const std::string& path);
  // Exchanges item 1 and item k (2..4), in the menu and in the file.
  void Exchange(int k);

  // Caption of item k (1..4) and whether the menu shows it.
  const std::string& item(int k) const { return items_.at(static_cast<size_t>(k - 1)); }
  bool visible(int k) const { return !IsNoneEntry(item(k)); }

 private:
  std::string Read(int slot) const;
  void Write(int slot, const std::string& value);

  core::IniFile& ini_;
  std::array<std::string, 4> items_ = {kNoneEntry, kNoneEntry, kNoneEntry, kNoneEntry};
};

}  // namespace vn::shell
