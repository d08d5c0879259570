// The operand descriptors of the byte code: the first byte of every operand. The compiler
// writes them and the virtual module's interpreter reads them, from this one definition.
#pragma once

#include <cstdint>

namespace vn::compiler {
inline namespace descriptor {

enum Descriptor : std::uint8_t {
  kByteArrayVnm = 8,
  kIntegerArray = 9,
  kLongArray = 10,
  kSingleArray = 11,
  kSingleConst = 14,
  kSingleVar = 15,
  kConst0 = 16,
  kConst1 = 17,
  kConstByte = 18,
  kConstWord = 19,
  kStringVar = 20,
  kByteVar = 21,
  kIntegerVar = 22,
  kResult = 23,
  kStringConst = 24,
  kConstLong = 25,
  kLongVar = 26,
  kBit = 27,
  kByteArrayVn = 28,
  kConstArray1 = 29,
  kConstArray2 = 30,
  kConstArray4 = 31,
};

}  // namespace descriptor
}  // namespace vn::compiler
