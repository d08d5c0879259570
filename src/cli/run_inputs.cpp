#include "cli/run_inputs.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

#include "cli/cli_options.h"

namespace vn::cli {

namespace {

constexpr std::uint64_t kLastPort = sim::MachineIo::kPorts - 1;
constexpr std::uint64_t kLargestLong = std::numeric_limits<std::int32_t>::max();

// One number of an item: what it is called in a message and its largest value (the smallest is 0).
struct Field {
  const char* symbol = nullptr;  // in the item's form (port:N=L); null: the item has no such field
  const char* name = nullptr;
  std::uint64_t max = 0;
};

// The items that set a peripheral: KEY:N=V, or KEY:N when `value` has no name.
struct Kind {
  const char* key;
  Field target;
  Field value;
  void (*set)(sim::MachineIo& io, std::uint64_t target, std::uint64_t value);
};

// The ranges are the module's: a port, an ADIN or ADKEYIN channel and a CAPTURE port are the
// port numbers 0..64; PADIN's block is a byte of the code; COUNT has counters 0 and 1 and ON INT
// (VNM) lines 0 and 1. Values are what the program reads back without wrapping: an ADIN value
// fits the INTEGER it is read into, a key a BYTE, a count or a captured time a positive LONG,
// SHIFTIN at most 32 bits.
const Kind kKinds[] = {
    {"port", {"N", "port", kLastPort}, {"L", "level", 1},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetInput(static_cast<int>(n), static_cast<int>(v)); }},
    {"adc", {"N", "channel", kLastPort}, {"V", "value", 65535},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetAdc(static_cast<int>(n), static_cast<int>(v)); }},
    {"adkey", {"N", "channel", kLastPort}, {"K", "key", 255},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetAdKey(static_cast<int>(n), static_cast<int>(v)); }},
    {"keypad", {"B", "block", 255}, {"K", "key", 255},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetKeypad(static_cast<int>(n), static_cast<int>(v)); }},
    {"count", {"N", "counter", 1}, {"V", "value", kLargestLong},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetCounter(static_cast<int>(n), static_cast<long>(v)); }},
    {"capture", {"P", "port", kLastPort}, {"V", "value", kLargestLong},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t v) { io.SetCapture(static_cast<int>(n), static_cast<long>(v)); }},
    {"shiftin", {"V", "value", 0xFFFFFFFF}, {},
     [](sim::MachineIo& io, std::uint64_t v, std::uint64_t) { io.SetShiftIn(static_cast<long>(v)); }},
    {"int", {"N", "interrupt line", 1}, {},
     [](sim::MachineIo& io, std::uint64_t n, std::uint64_t) { io.TriggerInterrupt(static_cast<int>(n)); }},
};

const Kind* FindKind(std::string_view key) {
  for (const Kind& k : kKinds)
    if (key == k.key) return &k;
  return nullptr;
}

// A number from 0 to `max`: decimal digits, or hexadecimal digits after 0x or &H. No sign, no
// blanks, nothing that wraps.
std::optional<std::uint64_t> ReadNumber(std::string_view text, std::uint64_t max) {
  int base = 10;
  if (text.size() > 2 && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X" || text.substr(0, 2) == "&H" ||
                          text.substr(0, 2) == "&h")) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v > max) return std::nullopt;
  return v;
}

std::string FieldError(const Field& f, std::string_view text) {
  return "the " + std::string(f.name) + " must be a number from 0 to " + std::to_string(f.max) + ", not '" +
         std::string(text) + "'";
}

// The bytes of an --input text: \r \n \t \\ \0 and \xHH are escapes.
std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r': out.push_back('\r'); break;
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case '0': out.push_back('\0'); break;
      case '\\': out.push_back('\\'); break;
      case 'x': {
        std::uint8_t v = 0;
        const char* first = text.data() + i + 1;
        const char* last = text.data() + std::min(text.size(), i + 3);
        const auto [end, ec] = std::from_chars(first, last, v, 16);
        if (last - first != 2 || ec != std::errc() || end != last) return std::nullopt;
        out.push_back(static_cast<char>(v));
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return out;
}

// "port:N=L".
std::string Form(const Kind& k) {
  std::string form = std::string(k.key) + ":" + k.target.symbol;
  if (k.value.name != nullptr) form += "=" + std::string(k.value.symbol);
  return form;
}

InputRead Refused(std::string why) {
  InputRead r;
  r.error = std::move(why);
  return r;
}

}  // namespace

InputRead ReadInput(std::string_view text) {
  InputRead r;
  std::string_view rest = text;
  if (!rest.empty() && rest[0] == '@') {
    const size_t colon = rest.find(':');
    const std::string_view ms = rest.substr(1, colon == std::string_view::npos ? std::string_view::npos : colon - 1);
    if (colon == std::string_view::npos) return Refused("write @MS:ITEM");
    r.item.at_ms = ReadNumber(ms, kMaxTimeMs);
    if (!r.item.at_ms) return Refused(FieldError({"MS", "time in milliseconds", kMaxTimeMs}, ms));
    rest.remove_prefix(colon + 1);
  }
  const size_t colon = rest.find(':');
  const std::string_view key = colon == std::string_view::npos ? std::string_view() : rest.substr(0, colon);
  const Kind* kind = FindKind(key);
  if (kind == nullptr) {
    // serial:TEXT, or TEXT as it stands.
    const auto bytes = Unescape(key == "serial" ? rest.substr(colon + 1) : rest);
    if (!bytes) return Refused("a backslash in the text must start \\r \\n \\t \\0 \\\\ or \\xHH");
    r.item.apply = [b = *bytes](sim::MachineIo& io) { return io.PushSerialInput(b); };
    return r;
  }
  std::string_view target = rest.substr(colon + 1);
  std::string_view value;
  if (kind->value.name != nullptr) {
    const size_t eq = target.find('=');
    if (eq == std::string_view::npos) return Refused("write " + Form(*kind));
    value = target.substr(eq + 1);
    target = target.substr(0, eq);
  }
  const auto n = ReadNumber(target, kind->target.max);
  if (!n) return Refused(FieldError(kind->target, target));
  std::uint64_t v = 0;
  if (kind->value.name != nullptr) {
    const auto read = ReadNumber(value, kind->value.max);
    if (!read) return Refused(FieldError(kind->value, value));
    v = *read;
  }
  r.item.apply = [set = kind->set, n = *n, v](sim::MachineIo& io) {
    set(io, n, v);
    return true;
  };
  return r;
}

std::string InputHelp() {
  const auto range = [](const Field& f) { return std::string(f.symbol) + " 0.." + std::to_string(f.max); };
  std::string help = "[@MS:]TEXT | serial:TEXT";
  for (const Kind& k : kKinds) {
    help += " | " + Form(k) + " (" + range(k.target);
    if (k.value.name != nullptr) help += ", " + range(k.value);
    help += ")";
  }
  return help + " (\\r \\n \\t \\0 \\\\ \\xHH in TEXT; numbers decimal or 0x/&H hexadecimal; @MS 0.." +
         std::to_string(kMaxTimeMs) + " applies the item at that virtual time)";
}

}  // namespace vn::cli
