#include "core/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/codepage.h"
#include "core/file_io.h"

namespace vn::core {

namespace {

// The store is edited line by line rather than parsed into a tree and written back whole:
// that is what keeps every line the program does not write byte for byte as it was,
// including the blank before a stored number (" 888"), comments and blank lines.
// Each line keeps its own line end, so that a file with mixed ends (one edited on Windows, one
// line added on Linux) comes back byte for byte.
struct Line {
  std::string text;  // without its line end
  std::string eol;   // "\n", "\r\n", or "" for a last line without one
};

struct Document {
  std::vector<Line> lines;
  std::string eol = "\n";  // for lines the program adds: the file's first line end
};

// Gives the last line a line end before a line is added after it.
void EndLastLine(Document& doc) {
  if (doc.lines.empty() || !doc.lines.back().eol.empty()) return;
  Line& last = doc.lines.back();
  if (!last.text.empty() && last.text.back() == '\r') {
    last.text.pop_back();
    last.eol = "\r\n";
  } else {
    last.eol = doc.eol;
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// Key and raw value of a "key=value" line; comments (';') are not keys.
bool KeyOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return !key.empty();
}

// The file's lines; nullopt when it is there but cannot be read (`error` says why). A missing
// file is an empty document.
std::optional<Document> Load(const std::filesystem::path& path, FileError* error = nullptr) {
  const FileRead read = ReadFile(path.string(), FileKind::kSettings);
  if (!read.ok()) {
    if (read.error.problem == FileProblem::kSystem && read.error.os_error == ENOENT) return Document{};
    if (error != nullptr) *error = read.error;
    return std::nullopt;
  }
  const std::string& bytes = read.bytes;
  Document doc;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    const bool has_newline = end != std::string::npos;
    if (!has_newline) end = bytes.size();
    Line line{bytes.substr(start, end - start), ""};
    if (has_newline) {
      line.eol = "\n";
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.eol = "\r\n";
      }
    }
    // A last line without a line end keeps a '\r' it ends in as part of its text; as the
    // first line it still says that the file's lines end in CR LF.
    if (doc.lines.empty() && (line.eol == "\r\n" || (!line.text.empty() && line.text.back() == '\r')))
      doc.eol = "\r\n";
    doc.lines.push_back(std::move(line));
    start = end + 1;
  }
  return doc;
}

// Index of the "[section]" line, or -1.
long FindSection(const Document& doc, std::string_view section) {
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    const auto name = SectionOf(doc.lines[i].text);
    if (name && SameName(*name, section)) return static_cast<long>(i);
  }
  return -1;
}

// Index of the key's line in the section that starts at `header`, or -1; `last` receives the
// last line of the section that is not blank.
long FindKey(const Document& doc, long header, std::string_view key, long& last) {
  last = header;
  for (size_t i = static_cast<size_t>(header) + 1; i < doc.lines.size(); ++i) {
    const std::string& text = doc.lines[i].text;
    if (SectionOf(text)) break;
    if (!Trim(text).empty()) last = static_cast<long>(i);
    std::string_view k, v;
    if (KeyOf(text, k, v) && SameName(k, key)) return static_cast<long>(i);
  }
  return -1;
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

bool Save(const std::filesystem::path& path, const Document& doc) {
  std::string bytes;
  for (const Line& line : doc.lines) bytes += line.text + line.eol;
  // Written beside the file and renamed over it, so that a crash or a full disk leaves the
  // old settings rather than half of the new ones; a settings file kept as a link (dotfile
  // managers do that) is written where it points.
  return ReplaceFile(path.string(), bytes).ok();
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::filesystem::path SettingsDirectory() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::filesystem::path(xdg) / "vnstudio";
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && h[0] != '\0') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  return std::filesystem::path(home) / ".config" / "vnstudio";
}

FileError IniFile::ReadError() const {
  FileError error;
  Load(path_, &error);
  return error;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  // Names are stored without blanks around them (WriteString trims them), so they are looked
  // up that way too: a name written with a blank in front is found under the same name.
  section = Trim(section);
  key = Trim(key);
  const auto doc = Load(path_);
  if (!doc) return std::nullopt;
  const long header = FindSection(*doc, section);
  if (header < 0) return std::nullopt;
  long last = 0;
  const long at = FindKey(*doc, header, key, last);
  if (at < 0) return std::nullopt;
  std::string_view k, v;
  KeyOf(doc->lines[static_cast<size_t>(at)].text, k, v);
  return Unquote(v);
}

long IniFile::GetInt(std::string_view section, std::string_view key, long default_value) const {
  const auto text = Find(section, key);
  if (!text || text->empty()) return default_value;
  std::string_view s = *text;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  long long value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<long>(value);
}

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view default_value,
                               std::size_t buffer_size) const {
  std::string text = Find(section, key).value_or(std::string(default_value));
  const std::size_t room = buffer_size == 0 ? 0 : buffer_size - 1;
  if (text.size() <= room) return text;
  const bool utf8 = platform::IsValidUtf8(text);
  text.resize(room);
  // Cut before a character rather than through it, so that what is returned is still text.
  if (utf8) {
    size_t start = text.size();
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0 && !platform::IsValidUtf8(text)) text.resize(start - 1);
  }
  return text;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
      section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      key.front() == ';' || key.front() == '[')
    return false;
  std::string stored(value);
  for (char& c : stored)
    if (c == '\r' || c == '\n') c = ' ';

  std::error_code ec;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ec);
  // Held from the read to the rename: another instance writing its own key at the same moment
  // would otherwise replace the file with a copy that lacks ours.
  FileLock lock;
  if (!lock.Lock(path_.string()).ok()) return false;
  auto loaded = Load(path_);
  if (!loaded) return false;  // there but unreadable: rewriting it would lose what it holds
  Document doc = std::move(*loaded);
  const std::string line = std::string(key) + "=" + stored;
  const long header = FindSection(doc, section);
  if (header < 0) {
    EndLastLine(doc);
    if (!doc.lines.empty() && !Trim(doc.lines.back().text).empty()) doc.lines.push_back({"", doc.eol});
    doc.lines.push_back({"[" + std::string(section) + "]", doc.eol});
    doc.lines.push_back({line, doc.eol});
    return Save(path_, doc);
  }
  long last = header;
  const long at = FindKey(doc, header, key, last);
  if (at >= 0) {
    doc.lines[static_cast<size_t>(at)].text = line;
  } else {
    if (static_cast<size_t>(last + 1) == doc.lines.size()) EndLastLine(doc);
    doc.lines.insert(doc.lines.begin() + last + 1, Line{line, doc.eol});
  }
  return Save(path_, doc);
}

std::string RegistryStore::ReadString(std::string_view key, std::string_view name, long default_value) const {
  return file_.Find(key, name).value_or(std::to_string(default_value));
}

bool RegistryStore::WriteString(std::string_view key, std::string_view name, std::string_view text) {
  return file_.WriteString(key, name, text);
}

}  // namespace vn::core
