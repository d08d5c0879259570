#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace vn::platform {

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  // A unique name in the same directory, so that the rename stays on one file system and no
  // file of the user's is ever taken for our temporary one.
  std::vector<char> temp(path.begin(), path.end());
  for (char c : std::string_view(".XXXXXX")) temp.push_back(c);
  temp.push_back('\0');
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;

  // Keep the permissions of the file being replaced; a new file gets the usual ones.
  struct stat old_stat {};
  const mode_t mode = ::stat(path.c_str(), &old_stat) == 0 ? (old_stat.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && std::rename(temp.data(), path.c_str()) == 0) return true;
  std::remove(temp.data());
  return false;
}

}  // namespace vn::platform
