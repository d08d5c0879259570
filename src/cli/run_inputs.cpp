#include "cli/run_inputs.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "cli/cli_options.h"

namespace vn::cli {

namespace {

using sim::InputField;
using sim::InputKind;

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

std::string FieldError(const InputField& f, std::string_view text) {
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
std::string Form(const InputKind& k) {
  std::string form = std::string(k.key) + ":" + k.target.symbol;
  if (k.value.name != nullptr) form += "=" + std::string(k.value.symbol);
  return form;
}

// Puts the item into the peripheral registered as `owner`; false when the board has no such
// peripheral or the input did not fit.
template <class Put>
std::function<bool(sim::Board&)> ApplyTo(const char* owner, Put put) {
  return [owner, put](sim::Board& board) {
    sim::Peripheral* p = board.Find(owner);
    return p != nullptr && put(*p);
  };
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
  sim::InputLookup found = sim::FindInputKind(key);
  const bool keyed = found.kind != nullptr;
  if (!keyed) found = sim::DefaultTextInput();  // TEXT as it stands
  if (found.kind == nullptr) return Refused("the module takes no text");
  const InputKind* kind = found.kind;
  if (kind->push != nullptr) {
    // KEY:TEXT, or TEXT as it stands.
    const auto bytes = Unescape(keyed ? rest.substr(colon + 1) : rest);
    if (!bytes) return Refused("a backslash in the text must start \\r \\n \\t \\0 \\\\ or \\xHH");
    r.item.apply = ApplyTo(found.owner->name, [push = kind->push, b = *bytes](sim::Peripheral& p) { return push(p, b); });
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
  r.item.apply = ApplyTo(found.owner->name, [set = kind->set, n = *n, v](sim::Peripheral& p) {
    set(p, n, v);
    return true;
  });
  return r;
}

std::string InputHelp() {
  const auto range = [](const InputField& f) { return std::string(f.symbol) + " 0.." + std::to_string(f.max); };
  // The text items first, the first of them also without its key; then the numbered ones.
  std::string help;
  for (const sim::PeripheralRegistration& r : sim::PeripheralRegistry())
    for (const InputKind& k : r.inputs())
      if (k.push != nullptr) help += (help.empty() ? "[@MS:]TEXT | " : " | ") + std::string(k.key) + ":TEXT";
  for (const sim::PeripheralRegistration& r : sim::PeripheralRegistry()) {
    for (const InputKind& k : r.inputs()) {
      if (k.push != nullptr) continue;
      help += " | " + Form(k) + " (" + range(k.target);
      if (k.value.name != nullptr) help += ", " + range(k.value);
      help += ")";
    }
  }
  return help + " (\\r \\n \\t \\0 \\\\ \\xHH in TEXT; numbers decimal or 0x/&H hexadecimal; @MS 0.." +
         std::to_string(kMaxTimeMs) + " applies the item at that virtual time)";
}

}  // namespace vn::cli
