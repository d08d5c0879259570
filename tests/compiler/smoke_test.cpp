#include <gtest/gtest.h>
#include "compiler/compiler.h"
TEST(Smoke, EmptyProgram) {
  vn::compiler::Compiler c;
  ASSERT_EQ(c.CompileSource(""), 0);
  EXPECT_EQ(c.CodeAddr, 27);
}
