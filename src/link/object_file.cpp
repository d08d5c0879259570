#include "link/object_file.h"

#include <cstdio>
#include <fstream>

namespace vn::link {

std::vector<std::uint8_t> ObjectFileBytes(const compiler::CodeImage& code, long code_addr) {
  std::vector<std::uint8_t> bytes(kObjectSignature, kObjectSignature + 6);
  bytes.push_back(static_cast<std::uint8_t>(code_addr & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((code_addr >> 8) & 0xFF));
  for (long a = 0; a <= code_addr; ++a) bytes.push_back(code.Get(a));
  return bytes;
}

bool WriteObjectFile(const std::string& path, const compiler::CodeImage& code, long code_addr) {
  const auto bytes = ObjectFileBytes(code, code_addr);
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace vn::link
