#include "core/code_image.h"

namespace vn::core {

void CodeImage::Reset() {
  bytes_.fill(0);
  lines_.fill(1);
  ClearHeader();
}

void CodeImage::ClearHeader() {
  for (long a = 0; a < kHeaderSize; ++a) bytes_[static_cast<size_t>(a)] = kHeaderFill;
}

}  // namespace vn::core
