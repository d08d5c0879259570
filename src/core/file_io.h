// Reading and writing the program's files. Every file the tools read or write goes through
// these few calls, so that a directory, a device, a FIFO, an endless or huge file, a write onto
// the very file being read, a link planted at a temporary name, two processes updating one
// file, or a run killed half-way is dealt with once, here, and every failure comes back as a
// value that names the path and the reason.
//
// Only the standard library and POSIX are used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn::core {

// The kinds of file the program reads; each has the largest size such a file can sensibly have,
// so that a mistaken or hostile file (a disk image, /dev/zero behind a link) cannot exhaust the
// memory.
enum class FileKind {
  kSource,       // BASIC source, its compile copy and the variable listing beside it
  kObject,       // object file: "VN2000", the 16-bit length and at most 65,536 code bytes
  kFlashImage,   // the virtual module's flash kept between runs: 65,536 bytes exactly
  kSettings,     // VNSTUDIO.INI and the registry file
  kProgramData,  // the program's own files: the tip file, help pages, art
};

// The largest file of the kind that is read.
std::size_t MaxFileBytes(FileKind kind);

enum class FileProblem {
  kNone,
  kSystem,        // the operating system refused; os_error holds its errno
  kDirectory,     // a folder where a file was expected
  kNotRegular,    // a device, FIFO or socket
  kTooLarge,      // larger than the kind of file can be
  kSameAsInput,   // writing would replace a file the command reads
  kDanglingLink,  // a symbolic link whose target does not exist
  kBusy,          // more files being written at once than can be cleaned up after a signal
};

struct FileError {
  FileProblem problem = FileProblem::kNone;
  int os_error = 0;         // kSystem: the errno
  std::uint64_t size = 0;   // kTooLarge: the size found
  std::uint64_t limit = 0;  // kTooLarge: the largest size allowed
  std::string path;

  bool ok() const { return problem == FileProblem::kNone; }
  // The reason alone, as the system's own error texts read: "Is a directory".
  std::string Reason() const;
  // "PATH: reason".
  std::string Message() const;
};

struct FileRead {
  std::string bytes;
  FileError error;
  bool ok() const { return error.ok(); }
};

// The whole of a regular file (a symbolic link to one is fine), of at most `max_bytes` bytes.
// A folder, a device, a FIFO or a socket is refused without being read, and no more than
// max_bytes + 1 bytes are ever read, so a file that grows while it is read is refused too.
FileRead ReadFile(const std::string& path, std::size_t max_bytes);
FileRead ReadFile(const std::string& path, FileKind kind);

// True when both paths exist and name the same file (device and inode), through links.
bool SameFile(const std::string& a, const std::string& b);

struct ReplaceOptions {
  // Files the command reads: a target that is one of them is refused, so that "-o" naming the
  // input cannot destroy it.
  std::vector<std::string> inputs;
  // Called with the temporary file's path once the bytes are on the disk, before the rename;
  // for tests that need the moment in between.
  std::function<void(const std::string& temp_path)> after_write;
};

// Replaces the file at `path` whole by `bytes`: they go to a new file beside it that is flushed
// to the disk and renamed over it, so that a crash, a full disk or a kill at any moment leaves
// either the old file or the new one, and nothing beside them. A symbolic link is followed and
// the file it points to replaced.
//
// Refused, with the file left as it was: a target that is not a regular file (a folder, a
// device node, a FIFO), a link to nothing, an existing file the user may not write, and a
// target that is one of `options.inputs`. A new file gets the usual mode (0666 less the
// umask); a replaced one keeps its permission bits, but never set-user-ID, set-group-ID or
// sticky.
FileError ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// Installs, once per process, the handler that removes the temporary files of replacements
// under way when SIGINT, SIGTERM or SIGHUP ends the program, and then lets the signal end it
// as it would have. A signal the process ignores stays ignored. The programs' main()s call it.
void InstallTempFileCleanup();

// A file that grows by what is appended to it, for logs written while the program runs (a
// replacement of the whole file at every line would cost ever more). Opening refuses what
// ReplaceFile refuses: a folder, a device, a FIFO or socket (without hanging on one), a link to
// nothing and a file the user may not write; a new file gets the usual mode. Every Append goes
// to the end of the file, whole or with its failure reported.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens (creating it if need be) `path`; an open file is closed first.
  FileError Open(const std::string& path);
  FileError Append(std::string_view bytes);
  void Close();
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// An advisory exclusive lock (flock) on a file that several processes may update, held from
// before reading the file to after replacing it, so that their updates follow one another and
// none is lost. Released by Unlock() or the destructor.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Unlock(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;

  // Waits until this process holds the lock of `path`. A folder or a device is refused.
  FileError Lock(const std::string& path);
  void Unlock();
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vn::core
