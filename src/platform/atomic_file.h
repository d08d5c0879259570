// Replacing a file whole: the new contents go to a fresh file beside it, which is then renamed
// over the old one, so that a crash or a full disk never leaves a half-written file behind.
#pragma once

#include <string>
#include <string_view>

namespace vn::platform {

// Writes `bytes` to `path`, replacing any earlier file. False when it cannot be written;
// the earlier file is then left as it was.
bool ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace vn::platform
