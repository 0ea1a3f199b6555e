// The width of a viewer column in average characters, at both limits and past them.
#include <gtest/gtest.h>

#include "converter/viewer_columns.h"

namespace tabrix {
namespace {

TEST(ViewerColumns, AFieldGetsItsLengthBetweenThreeAndFifteenCharacters) {
  struct Case {
    int fieldLength;
    int chars;
  };
  const Case kCases[] = {
      {0, 3},    {1, 3},   {2, 3},   {3, 3},   {4, 4},    // a logical or a one-letter flag: 3
      {8, 8},    {14, 14}, {15, 15}, {16, 15}, {80, 15},  // an address line: 15
      {254, 15},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ViewerColumnChars(c.fieldLength), c.chars) << "length " << c.fieldLength;
  }
}

}  // namespace
}  // namespace tabrix
