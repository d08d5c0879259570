#include "cli/cli_options.h"

#include <string>

namespace vn::cli {

CLI::Validator WholeNumberText() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
          return "'" + text + "' is not a whole number in decimal digits";
        const size_t first = text.find_first_not_of('0');
        text = first == std::string::npos ? "0" : text.substr(first);
        return {};
      },
      "");
}

}  // namespace vn::cli
