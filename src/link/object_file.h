// Object files: the signature "VN2000", the code length n (16 bits, low byte first) and the
// n + 1 code bytes of addresses 0..n.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/code_image.h"

namespace vn::link {

inline constexpr char kObjectSignature[] = "VN2000";

// The bytes of the object file of the code image up to `code_addr`.
std::vector<std::uint8_t> ObjectFileBytes(const compiler::CodeImage& code, long code_addr);

// Writes the object file through a temporary file renamed into place, so that an earlier file
// is either replaced whole or left as it was. False when it cannot be written.
bool WriteObjectFile(const std::string& path, const compiler::CodeImage& code, long code_addr);

}  // namespace vn::link
