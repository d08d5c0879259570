// The settings stores on arbitrary file contents, in a temporary $XDG_CONFIG_HOME.
//
// Input, as libFuzzer's data provider reads it (numbers from the end, texts from the front, each
// text ended by a backslash and another byte): a 16-bit length L, L bytes of VNSTUDIO.INI, then
// up to 16 operations, each an operation number and its section and key:
//   op % 5 == 0: Find(section, key)
//   op % 5 == 1: GetInt(section, key, default) with default = a byte - 128
//   op % 5 == 2: GetString(section, key, default, buffer) with the default's text and buffer a byte
//   op % 5 == 3: WriteString(section, key, value) with the value's text
//   op % 5 == 4: the registry store's ReadString(key, name, 7) and WriteString(key, name, text)
// Reads must agree with each other; a write that succeeds reads back as stored and keeps every
// other line of the file byte for byte; a write that fails leaves the file as it was.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_store.h"
#include "fuzz_support.h"
#include "platform/codepage.h"

namespace fs = std::filesystem;
using vn::core::IniFile;
using vn::core::RegistryStore;

namespace {

using vn::fuzz::Check;
using vn::fuzz::ReadFile;
using vn::fuzz::WriteFile;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// The lines of a file, each with its own line end ("" for a last line without one).
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end) {
    end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
    lines.push_back(bytes.substr(start, end - start));
  }
  return lines;
}

// A write replaces one line, inserts one, or appends a section (a blank line, the header and the
// key); a last line without a line end may get one. Everything else must stay as it was.
void CheckOtherLinesKept(const std::string& before, const std::string& after) {
  const auto o = Lines(before), n = Lines(after);
  auto same = [&](std::size_t i, std::size_t j) {
    if (o[i] == n[j]) return true;
    // The old last line, ended now.
    return i + 1 == o.size() && !o[i].empty() && o[i].back() != '\n' &&
           (n[j] == o[i] + "\n" || n[j] == o[i] + "\r\n");
  };
  std::size_t p = 0;
  while (p < o.size() && p < n.size() && same(p, p)) ++p;
  std::size_t s = 0;
  while (s < o.size() - p && s < n.size() - p && o[o.size() - 1 - s] == n[n.size() - 1 - s]) ++s;
  const std::size_t old_changed = o.size() - p - s, new_changed = n.size() - p - s;
  Check(old_changed <= 1, "a write changes at most one existing line", static_cast<long>(old_changed));
  Check(new_changed <= 3 && new_changed >= old_changed, "a write adds at most a section header, a blank and a key",
        static_cast<long>(new_changed));
}

bool ValidNames(std::string_view section, std::string_view key) {
  section = Trim(section);
  key = Trim(key);
  auto breaks = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
  return !section.empty() && !key.empty() && !breaks(section) && !breaks(key) &&
         section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos &&
         key.front() != ';' && key.front() != '[';
}

// The number at the start of the value after its blanks, held to the 32-bit range: strtoll's,
// once it is sure that strtoll will skip no other white space.
long ReferenceInt(const std::optional<std::string>& text, long default_value) {
  if (!text || text->empty()) return default_value;
  const std::size_t at = std::min(text->find_first_not_of(" \t"), text->size());
  if (at == text->size() || (!std::isdigit(static_cast<unsigned char>((*text)[at])) && (*text)[at] != '-' && (*text)[at] != '+'))
    return 0;
  return static_cast<long>(std::clamp<long long>(std::strtoll(text->c_str() + at, nullptr, 10), INT_MIN, INT_MAX));
}

// `write` stores `value` under section and key of `ini` (directly or through the registry store).
void CheckWrite(const IniFile& ini, const std::string& section, const std::string& key, const std::string& value,
                const std::function<bool()>& write) {
  const std::string before = ReadFile(ini.path());
  const bool existed = fs::exists(ini.path()), ok = write();
  const std::string after = ReadFile(ini.path());
  Check(ok == ValidNames(section, key), "a write succeeds exactly when its names can be stored", ok);
  if (!ok) {
    Check(after == before && fs::exists(ini.path()) == existed, "a failed write leaves the file as it was");
    return;
  }
  std::string stored = value;
  for (char& c : stored)
    if (c == '\r' || c == '\n') c = ' ';
  const auto back = ini.Find(section, key);
  Check(back.has_value() && *back == Unquote(Trim(stored)), "a written key reads back as stored");
  CheckOtherLinesKept(before, after);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return ::setenv("XDG_CONFIG_HOME", vn::fuzz::ScratchDir().c_str(), 1); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string contents = in.ConsumeBytesAsString(in.ConsumeIntegral<std::uint16_t>());

  const fs::path dir = vn::core::SettingsDirectory();
  Check(dir == vn::fuzz::ScratchDir() / "vnstudio", "the settings live under $XDG_CONFIG_HOME");
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);
  IniFile ini(dir / vn::core::kSettingsFileName);
  RegistryStore registry(dir / vn::core::kRegistryFileName);
  WriteFile(ini.path(), contents);

  for (int count = 0; count < 16 && in.remaining_bytes() > 0; ++count) {
    const int op = in.ConsumeIntegralInRange(0, 4);
    const std::string section = in.ConsumeRandomLengthString(), key = in.ConsumeRandomLengthString();
    switch (op) {
      case 0: {
        const auto found = ini.Find(section, key);
        if (found) Check(found->find('\n') == std::string::npos, "a value holds no line break");
        break;
      }
      case 1: {
        const long def = static_cast<long>(in.ConsumeIntegral<std::uint8_t>()) - 128;
        const long v = ini.GetInt(section, key, def);
        Check(v == ReferenceInt(ini.Find(section, key), def), "GetInt reads the number at the start", v);
        break;
      }
      case 2: {
        const std::string def = in.ConsumeRandomLengthString();
        const std::size_t buffer = in.ConsumeIntegral<std::uint8_t>();
        const std::string v = ini.GetString(section, key, def, buffer);
        const std::string full = ini.Find(section, key).value_or(def);
        const std::size_t room = buffer == 0 ? 0 : buffer - 1;
        Check(v.size() <= room, "GetString fits its buffer", static_cast<long>(v.size()));
        Check(full.compare(0, v.size(), v) == 0, "GetString gives the start of the value");
        if (vn::platform::IsValidUtf8(full)) {
          Check(vn::platform::IsValidUtf8(v), "GetString never cuts a character in two");
          Check(v.size() == full.size() || v.size() + 3 >= room, "GetString keeps all whole characters",
                static_cast<long>(v.size()));
        } else {
          Check(v.size() == std::min(full.size(), room), "GetString keeps buffer - 1 bytes of other text",
                static_cast<long>(v.size()));
        }
        break;
      }
      case 3: {
        const std::string value = in.ConsumeRandomLengthString();
        CheckWrite(ini, section, key, value, [&] { return ini.WriteString(section, key, value); });
        break;
      }
      case 4: {
        const std::string text = in.ConsumeRandomLengthString();
        const auto found = registry.file().Find(section, key);
        Check(registry.ReadString(section, key, 7) == found.value_or("7"), "ReadString gives the value or the default");
        CheckWrite(registry.file(), section, key, text, [&] { return registry.WriteString(section, key, text); });
        break;
      }
    }
  }
  return 0;
}
