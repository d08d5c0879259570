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

}  // namespace vn::shell
