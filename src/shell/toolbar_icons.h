// The toolbar's pictures, drawn at start-up: no icon theme or image file is needed.
#pragma once

#include <QIcon>
#include <string_view>

namespace vn::shell {

// The picture of a toolbar command (a menu item name such as "mnuRun"); null when none.
QIcon ToolIcon(std::string_view command);
// The program's own icon (also shipped as data/vnstudio.svg).
QIcon AppIcon();

}  // namespace vn::shell
