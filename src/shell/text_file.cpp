#include "shell/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>

#include "platform/codepage.h"

namespace vn::shell {

namespace {

// Private-use code points U+F700..U+F7FF stand for the raw bytes 00..FF of a code page 949
// file that are not code page 949 text. Code page 949 maps nothing into this block, so such a
// character in a decoded file can only be one of ours.
constexpr char32_t kRawByteBase = 0xF700;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Code page 949 bytes to UTF-8, keeping undecodable bytes as raw-byte characters.
std::string Cp949ToText(std::string_view bytes, platform::CodePage& cp) {
  std::string whole = cp.Cp949ToUtf8(bytes);
  if (whole.find(kReplacement) == std::string::npos) return whole;
  std::string out;
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    if (platform::IsCp949LeadByte(b) && i + 1 < bytes.size()) {
      const std::string one = cp.Cp949ToUtf8(bytes.substr(i, 2));
      if (one.find(kReplacement) == std::string::npos && !one.empty()) {
        out += one;
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, kRawByteBase + b);
    ++i;
  }
  return out;
}

std::string NormalizeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string WithCrLf(std::string_view text) {
  const std::string lf = NormalizeLineEnds(text);
  std::string out;
  out.reserve(lf.size() + lf.size() / 16);
  for (char c : lf) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

// Splits off the raw-byte characters: runs of ordinary text go through the code page, each
// raw-byte character becomes its byte again. nullopt when a run has no code page 949 form.
std::optional<std::string> TextToCp949(std::string_view text, platform::CodePage& cp) {
  std::string out;
  size_t run = 0;
  size_t i = 0;
  auto flush = [&](size_t end) -> bool {
    if (end == run) return true;
    auto part = cp.Utf8ToCp949(text.substr(run, end - run));
    if (!part) return false;
    out += *part;
    return true;
  };
  while (i < text.size()) {
    // U+F700..U+F7FF is EF 9C 80 .. EF 9F BF.
    if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]);
      const auto b2 = static_cast<unsigned char>(text[i + 2]);
      if (b1 >= 0x9C && b1 <= 0x9F && (b2 & 0xC0) == 0x80) {
        if (!flush(i)) return std::nullopt;
        out.push_back(static_cast<char>(((b1 - 0x9C) << 6) | (b2 & 0x3F)));
        i += 3;
        run = i;
        continue;
      }
    }
    ++i;
  }
  if (!flush(text.size())) return std::nullopt;
  return out;
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string ErrorText(int err) { return std::strerror(err); }

}  // namespace

DecodedText DecodeSourceBytes(std::string_view bytes, platform::CodePage& cp) {
  DecodedText d;
  if (bytes.substr(0, kBom.size()) == kBom && platform::IsValidUtf8(bytes.substr(kBom.size()))) {
    d.encoding = TextEncoding::kUtf8Bom;
    d.utf8 = NormalizeLineEnds(bytes.substr(kBom.size()));
  } else if (!IsAscii(bytes) && platform::IsValidUtf8(bytes)) {
    d.encoding = TextEncoding::kUtf8;
    d.utf8 = NormalizeLineEnds(bytes);
  } else {
    d.encoding = TextEncoding::kCp949;
    d.utf8 = NormalizeLineEnds(Cp949ToText(bytes, cp));
  }
  return d;
}

EncodedText EncodeSourceText(std::string_view utf8, TextEncoding preferred, platform::CodePage& cp) {
  const std::string crlf = WithCrLf(utf8);
  EncodedText e;
  if (preferred == TextEncoding::kCp949) {
    if (auto bytes = TextToCp949(crlf, cp)) {
      e.bytes = std::move(*bytes);
      e.encoding = TextEncoding::kCp949;
      return e;
    }
    preferred = TextEncoding::kUtf8;
  }
  e.encoding = preferred;
  e.bytes = preferred == TextEncoding::kUtf8Bom ? std::string(kBom) + crlf : crlf;
  return e;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = ErrorText(EISDIR);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    if (error) *error = ErrorText(EIO);
    return false;
  }
  return true;
}

std::string ReplaceFileSafely(const std::string& path, std::string_view bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = path;
  // Replace what a link points to, not the link.
  for (int depth = 0; depth < 16 && fs::is_symlink(target, ec); ++depth) {
    fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();

  struct stat old_stat {};
  const bool existed = ::stat(target.c_str(), &old_stat) == 0;
  if (existed && S_ISDIR(old_stat.st_mode)) return ErrorText(EISDIR);

  std::random_device rd;
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = (dir / ("." + target.filename().string() + ".save-" + std::to_string(rd() % 1000000))).string();
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return ErrorText(errno);
  }
  if (fd < 0) return ErrorText(EEXIST);

  auto fail = [&](int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return ErrorText(err);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    done += static_cast<size_t>(n);
  }
  if (existed) (void)::fchmod(fd, old_stat.st_mode & 07777);
  if (::fsync(fd) != 0) return fail(errno);
  const int fd_to_close = fd;
  fd = -1;
  if (::close(fd_to_close) != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  // The rename itself must reach the disk too, or a crash could bring back the old name.
  const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

}  // namespace vn::shell
