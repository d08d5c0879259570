#include "shell/captions.h"

namespace vn::shell {

std::string_view EnglishCaption(std::string_view name) {
  for (const MenuEntry& e : kMenuTable)
    if (name == e.name) return e.english;
  return {};
}

std::string_view MenuCaption(std::string_view name, bool korean) {
  for (const MenuEntry& e : kMenuTable)
    if (name == e.name) return korean ? e.korean : e.english;
  return {};
}

std::string_view SerialCaption(std::string_view name, bool korean) {
  for (const StateCaption& c : kSerialCaptions)
    if (name == c.name) return korean ? c.korean : c.english;
  return {};
}

std::string DebugStateText(bool running, int line, bool korean) {
  const StateCaption& c = kDebugStateCaptions[running ? 0 : 1];
  std::string text = korean ? c.korean : c.english;
  if (const size_t at = text.find("%1"); at != std::string::npos) text.replace(at, 2, std::to_string(line));
  return text;
}

}  // namespace vn::shell
