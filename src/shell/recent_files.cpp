#include "shell/recent_files.h"

#include "core/settings_store.h"

namespace vn::shell {

namespace {
std::string Key(int slot) { return "File" + std::to_string(slot); }
}  // namespace

bool IsNoneEntry(const std::string& value) { return value.rfind(kNoneEntry, 0) == 0; }

std::string RecentFiles::Read(int slot) const {
  return ini_.GetString(kLastOpenSection, Key(slot), kNoneEntry, kRecentPathBuffer);
}

void RecentFiles::Write(int slot, const std::string& value) { ini_.WriteString(kLastOpenSection, Key(slot), value); }

void RecentFiles::Load() {
  for (int k = 1; k <= 4; ++k) items_[static_cast<size_t>(k - 1)] = Read(k);
}

void RecentFiles::Update(const std::string& path) {
  if (path == item(1)) return;
  Write(5, item(4));
  Write(4, item(3));
  Write(3, item(2));
  Write(2, item(1));
  Write(1, path);
  // The old place of the path has moved one slot down with the shift.
  if (path == item(2)) Write(3, kNoneEntry);
  if (path == item(3)) Write(4, kNoneEntry);
  if (path == item(4)) Write(5, kNoneEntry);
  // Close the one gap this can leave, reading the slots as they now stand.
  for (int slot = 2; slot <= 4; ++slot) {
    if (IsNoneEntry(Read(slot))) {
      Write(slot, Read(slot + 1));
      Write(slot + 1, kNoneEntry);
    }
  }
  Load();
}

void RecentFiles::Exchange(int k) {
  if (k < 2 || k > 4) return;
  const std::string first = Read(1);
  const std::string other = Read(k);
  Write(1, other);
  Write(k, first);
  std::swap(items_[0], items_[static_cast<size_t>(k - 1)]);
}

}  // namespace vn::shell
