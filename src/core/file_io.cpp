#include "core/file_io.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>

namespace vn::core {

namespace {

FileError SystemError(const std::string& path, int err) {
  FileError e;
  e.problem = FileProblem::kSystem;
  e.os_error = err;
  e.path = path;
  return e;
}

FileError Problem(const std::string& path, FileProblem problem) {
  FileError e;
  e.problem = problem;
  e.path = path;
  return e;
}

// The problem with a file of this type where a regular file is wanted; kNone for one.
FileProblem TypeProblem(mode_t mode) {
  if (S_ISREG(mode)) return FileProblem::kNone;
  return S_ISDIR(mode) ? FileProblem::kDirectory : FileProblem::kNotRegular;
}

bool SameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// ---- Temporary files a signal must not leave behind -------------------------------------------
//
// The one piece of process-wide state in the file layer: a signal handler cannot be handed an
// object, yet it must find every temporary file that any writer in the process has open. The
// slots hold plain characters and lock-free atomics, which is all a handler may touch.

constexpr int kPendingSlots = 16;
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotLive = 2;
static_assert(std::atomic<int>::is_always_lock_free);

struct PendingTemp {
  std::atomic<int> state{kSlotFree};
  char path[PATH_MAX];
};

PendingTemp g_pending[kPendingSlots];

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous[std::size(kCleanupSignals)];
std::atomic<bool> g_cleanup_installed{false};

void RemoveTempFilesOnSignal(int sig) {
  const int saved_errno = errno;
  for (PendingTemp& slot : g_pending)
    if (slot.state.load(std::memory_order_acquire) == kSlotLive) ::unlink(slot.path);
  for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
    if (kCleanupSignals[i] != sig) continue;
    const struct sigaction& before = g_previous[i];
    // A handler that was there first still gets the signal; otherwise the signal does what it
    // would have done without us: end the program, with the status that says which signal.
    if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
      before.sa_handler(sig);
      errno = saved_errno;
      return;
    }
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
  errno = saved_errno;
}

// Keeps the cleanup signals away from this thread while a temporary file is created and
// registered, or renamed and forgotten, so that the handler never sees one without the other.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals) sigaddset(&set, sig);
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t old_;
};

// A slot for `path`, or -1 when all are taken.
int RegisterTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kPendingSlots; ++i) {
    int expected = kSlotFree;
    if (!g_pending[i].state.compare_exchange_strong(expected, kSlotFilling, std::memory_order_acq_rel)) continue;
    std::memcpy(g_pending[i].path, path.c_str(), path.size() + 1);
    g_pending[i].state.store(kSlotLive, std::memory_order_release);
    return i;
  }
  return -1;
}

void ForgetTemp(int slot) {
  if (slot >= 0) g_pending[slot].state.store(kSlotFree, std::memory_order_release);
}

// ---- Replacing ---------------------------------------------------------------------------------

constexpr char kNameCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// A name beside the target that nobody can guess ahead: ".NAME.XXXXXXXXXXXX". A long name is
// cut so that the temporary one still fits the file system's limit.
std::string TempName(const std::string& dir, const std::string& name, std::random_device& random) {
  std::string out = dir.empty() ? std::string() : dir == "/" ? dir : dir + "/";
  out += ".";
  out += name.substr(0, 200);
  out += ".";
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kNameCharacters) - 2);
  for (int i = 0; i < 12; ++i) out.push_back(kNameCharacters[pick(random)]);
  return out;
}

bool WriteAll(int fd, std::string_view bytes, int& err) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Where `path` leads: itself, or the file a symbolic link points to. Fills `st` and `exists`.
FileError ResolveTarget(const std::string& path, std::string& target, struct stat& st, bool& exists) {
  target = path;
  exists = false;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return SystemError(path, errno);
  }
  if (S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return errno == ENOENT ? Problem(path, FileProblem::kDanglingLink) : SystemError(path, errno);
    target = real;
    std::free(real);
    if (::stat(target.c_str(), &st) != 0) return SystemError(path, errno);
  }
  if (const FileProblem p = TypeProblem(st.st_mode); p != FileProblem::kNone) return Problem(path, p);
  exists = true;
  return {};
}

}  // namespace

std::size_t MaxFileBytes(FileKind kind) {
  switch (kind) {
    // 64,000 bytes of code come from far less text; 16 MB leaves room for any comments.
    case FileKind::kSource: return 16u << 20;
    // The signature, the length and as many code bytes as the length could ever promise, so
    // that the length decides whether a file at the cap is whole.
    case FileKind::kObject: return 6 + 2 + 65536;
    case FileKind::kFlashImage: return 65536;
    // A few dozen keys; a megabyte is already no settings file.
    case FileKind::kSettings: return 1u << 20;
    case FileKind::kProgramData: return 16u << 20;
  }
  return 0;
}

std::string FileError::Reason() const {
  switch (problem) {
    case FileProblem::kNone: return "";
    case FileProblem::kSystem: return std::strerror(os_error);
    case FileProblem::kDirectory: return "Is a directory";
    case FileProblem::kNotRegular: return "Not a regular file";
    case FileProblem::kTooLarge:
      return "File too large (" + std::to_string(size) + " bytes, at most " + std::to_string(limit) + ")";
    case FileProblem::kSameAsInput: return "Same file as the input";
    case FileProblem::kDanglingLink: return "Symbolic link to a file that does not exist";
    case FileProblem::kBusy: return "Too many files being written at once";
  }
  return "";
}

std::string FileError::Message() const { return path + ": " + Reason(); }

FileRead ReadFile(const std::string& path, std::size_t max_bytes) {
  FileRead r;
  auto fail = [&r](FileError e) {
    r.bytes.clear();
    r.error = std::move(e);
    return r;
  };
  auto too_large = [&](std::uint64_t size) {
    FileError e = Problem(path, FileProblem::kTooLarge);
    e.size = size;
    e.limit = max_bytes;
    return fail(e);
  };
  // Looked at before it is opened: opening a device can do something by itself (a serial line
  // raises its control lines), and opening a FIFO would wait for a writer.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail(SystemError(path, errno));
  if (const FileProblem p = TypeProblem(st.st_mode); p != FileProblem::kNone) return fail(Problem(path, p));
  if (static_cast<std::uint64_t>(st.st_size) > max_bytes) return too_large(static_cast<std::uint64_t>(st.st_size));

  // O_NONBLOCK: should the name have been swapped for a FIFO in between, the open does not hang.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return fail(SystemError(path, errno));
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    const int err = errno;
    ::close(fd);
    return fail(SystemError(path, err));
  }
  if (const FileProblem p = TypeProblem(opened.st_mode); p != FileProblem::kNone) {
    ::close(fd);
    return fail(Problem(path, p));
  }
  // One byte more than allowed tells a file at the limit from one past it, whatever its size
  // said (files in /proc say 0; a file may grow while it is read).
  const std::size_t want = max_bytes + 1;
  r.bytes.resize(std::min<std::size_t>(want, static_cast<std::size_t>(opened.st_size) + 1));
  std::size_t got = 0;
  for (;;) {
    if (got == r.bytes.size()) {
      if (got >= want) break;
      r.bytes.resize(std::min(want, std::max<std::size_t>(got * 2, 4096)));
    }
    const ssize_t n = ::read(fd, r.bytes.data() + got, r.bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return fail(SystemError(path, err));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got > max_bytes) return too_large(got);
  r.bytes.resize(got);
  return r;
}

FileRead ReadFile(const std::string& path, FileKind kind) { return ReadFile(path, MaxFileBytes(kind)); }

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && SameInode(sa, sb);
}

FileError ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
  std::string target;
  struct stat old_stat {};
  bool existed = false;
  if (FileError e = ResolveTarget(path, target, old_stat, existed); !e.ok()) return e;
  if (existed) {
    for (const std::string& input : options.inputs) {
      struct stat in {};
      if (::stat(input.c_str(), &in) == 0 && SameInode(in, old_stat)) return Problem(path, FileProblem::kSameAsInput);
    }
    // A file the user may not write is not theirs to replace, even where the folder would let
    // a rename do it.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return SystemError(path, errno);
  }

  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  std::random_device random;
  std::string temp;
  int fd = -1;
  int slot = -1;
  {
    const SignalsHeld held;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      temp = TempName(dir, name, random);
      // O_EXCL and O_NOFOLLOW: a file or a link planted at the name makes the open fail
      // rather than send our bytes elsewhere. Mode 0666 lets the umask and the folder's
      // default ACL decide, as for any new file.
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) return SystemError(path, errno);
    }
    if (fd < 0) return SystemError(path, EEXIST);
    slot = RegisterTemp(temp);
    if (slot < 0) {
      ::close(fd);
      ::unlink(temp.c_str());
      return Problem(path, FileProblem::kBusy);
    }
  }
  auto fail = [&](int err) {
    if (fd >= 0) ::close(fd);
    const SignalsHeld held;
    ::unlink(temp.c_str());
    ForgetTemp(slot);
    return SystemError(path, err);
  };

  if (existed) {
    // The owner stays where we may keep it (root saving a user's file); the permission bits
    // stay, the set-ID and sticky bits go: a file we wrote must not run as someone else.
    if (old_stat.st_uid != ::geteuid() || old_stat.st_gid != ::getegid())
      (void)::fchown(fd, old_stat.st_uid, old_stat.st_gid);
    if (::fchmod(fd, old_stat.st_mode & 0777) != 0) return fail(errno);
  }
  int err = 0;
  if (!WriteAll(fd, bytes, err)) return fail(err);
  if (::fsync(fd) != 0) return fail(errno);
  if (options.after_write) options.after_write(temp);
  const int to_close = fd;
  fd = -1;
  if (::close(to_close) != 0) return fail(errno);
  {
    const SignalsHeld held;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      const int rename_err = errno;
      ::unlink(temp.c_str());
      ForgetTemp(slot);
      return SystemError(path, rename_err);
    }
    ForgetTemp(slot);
  }
  // The rename must reach the disk too, or a crash could bring the old file back.
  const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

void InstallTempFileCleanup() {
  if (g_cleanup_installed.exchange(true)) return;
  for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
    struct sigaction before {};
    if (::sigaction(kCleanupSignals[i], nullptr, &before) != 0) continue;
    // nohup and "&" in a shell without job control ignore these; they stay ignored.
    if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler == SIG_IGN) continue;
    g_previous[i] = before;
    struct sigaction ours {};
    ours.sa_handler = RemoveTempFilesOnSignal;
    sigemptyset(&ours.sa_mask);
    for (int sig : kCleanupSignals) sigaddset(&ours.sa_mask, sig);
    ours.sa_flags = SA_RESTART;
    ::sigaction(kCleanupSignals[i], &ours, nullptr);
  }
}

// ---- Locking -----------------------------------------------------------------------------------

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Unlock();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void FileLock::Unlock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the flock
  fd_ = -1;
}

// ReplaceFile puts a new inode under the name, so a lock on the inode a process opened may be a
// lock on a file that is no longer there: the lock is taken, then the name is checked to still
// lead to the locked inode, and taken again on the new one if not. While there is no file yet,
// the lock is on its folder instead (and checked in the same way to still find no file), which
// creates nothing: an empty file made only to be locked would be taken by the next reader for
// a settings file without settings or a flash image of the wrong size, and a lock file beside
// it would be one more file for the user to wonder about. The first writer's rename ends the
// folder's part; later ones lock the file it created.
FileError FileLock::Lock(const std::string& path) {
  Unlock();
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    bool on_folder = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
      if (errno != ENOENT) return SystemError(path, errno);
      struct stat link {};
      if (::lstat(path.c_str(), &link) == 0) return Problem(path, FileProblem::kDanglingLink);
      fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd < 0) return SystemError(path, errno);
      on_folder = true;
    } else {
      struct stat st {};
      if (::fstat(fd, &st) != 0 || TypeProblem(st.st_mode) != FileProblem::kNone) {
        const FileProblem p = TypeProblem(st.st_mode);
        ::close(fd);
        return p == FileProblem::kNone ? SystemError(path, EIO) : Problem(path, p);
      }
    }
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      return SystemError(path, err);
    }
    struct stat now {};
    const bool named = ::stat(path.c_str(), &now) == 0;
    bool still = false;
    if (on_folder) {
      still = !named;
    } else {
      struct stat held {};
      still = named && ::fstat(fd, &held) == 0 && SameInode(held, now);
    }
    if (still) {
      fd_ = fd;
      return {};
    }
    ::close(fd);
  }
  return SystemError(path, EAGAIN);
}

FileError AppendFile::Open(const std::string& path) {
  Close();
  std::string target;
  struct stat st {};
  bool exists = false;
  if (FileError e = ResolveTarget(path, target, st, exists); !e.ok()) return e;
  // O_NONBLOCK: should the name have been swapped for a FIFO in between, the open does not hang;
  // the type is checked again on what was opened.
  const int fd = ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return SystemError(path, errno);
  struct stat opened {};
  if (::fstat(fd, &opened) != 0 || TypeProblem(opened.st_mode) != FileProblem::kNone) {
    const FileProblem p = TypeProblem(opened.st_mode);
    ::close(fd);
    return p == FileProblem::kNone ? SystemError(path, EIO) : Problem(path, p);
  }
  fd_ = fd;
  path_ = path;
  return {};
}

FileError AppendFile::Append(std::string_view bytes) {
  if (fd_ < 0) return SystemError(path_, EBADF);
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemError(path_, errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

void AppendFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace vn::core
