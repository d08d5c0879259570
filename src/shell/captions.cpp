#include "shell/captions.h"

namespace vn::shell {

std::string_view EnglishCaption(std::string_view name) {
  for (const MenuEntry& e : kMenuTable)
    if (name == e.name) return e.english;
  return {};
}

}  // namespace vn::shell
