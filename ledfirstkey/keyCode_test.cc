#include "keyCode.h"

#include <gtest/gtest.h>

namespace ledfirstkey {
namespace {

TEST(KeyCodeTest, TwelfthFieldAfterTheHeadingCountedAcrossLines) {
  const struct {
    const char *text;
    int key_code;
  } cases[] = {
      {"keys\n2,3,4,5,6,7,8,9,10,11,55,42\n", 42},  // the code of the # key
      // Five fields, then ten: the seventh of the third line.
      {"keys\n1,2,3,4,5\n6,7,8,9,10,11,77,13,14,15\n", 77},
      {"keys\n1,2,3,4,5,6,7,8,9,10,11\n", kNoKeyCode},
      // The heading's fields do not count.
      {"1,2,3,4,5,6,7,8,9,10,11,12,13\n", kNoKeyCode},
      {"", kNoKeyCode},
      // Commas side by side separate once: there are no empty fields. The
      // number is read like atoi.
      {"keys\n1,,2,3,4,5,6,7,8,9,10,11,,, 30 \n", 30},
      {"keys\n,,,,,,,,,,,,30\n", kNoKeyCode},
      {"keys\n1,2,3,4,5,6,7,8,9,10,11,x\n", 0},
      {"keys\r\n1,2,3,4,5,6,7,8,9,10,11,-5\r\n", -5},
  };
  for (const auto &c : cases) EXPECT_EQ(ReadKeyCode(c.text), c.key_code) << c.text;
}

}  // namespace
}  // namespace ledfirstkey
