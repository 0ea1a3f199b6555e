// The array form of the font values: what the tooltip and the browse pass to CREATEFONT.
#include "browse/font_values.h"

#include <gtest/gtest.h>

#include <vector>

namespace tabrix {
namespace {

std::vector<Value> Array(Value height, Value italic, Value face) {
  return {height, int32_t{0}, int32_t{0}, int32_t{0}, int32_t{700}, italic,      false,
          true,   int32_t{1}, int32_t{0}, int32_t{0}, int32_t{2},   int32_t{34}, face};
}

TEST(FontValuesTest, ReadsTheFourteenValuesInOrder) {
  std::optional<FontValues> font =
      FontValuesFromArray(Array(int32_t{-11}, true, std::string("Arial")));
  ASSERT_TRUE(font);
  FontValues expected{-11, 0, 0, 0, 700, true, false, true, 1, 0, 0, 2, 34, "Arial"};
  EXPECT_EQ(*font, expected);
}

TEST(FontValuesTest, AcceptedKindsOfValues) {
  struct Case {
    Value height;
    Value italic;
    Value face;
    std::optional<int> wantHeight;
    bool wantItalic;
    std::string wantFace;
  };
  const Case cases[] = {
      {-10.9, false, std::string("Arial"), -10, false, "Arial"},  // reals are truncated
      {int32_t{12}, int32_t{1}, Null{}, 12, true, ""},            // flag as number, no face
      {int32_t{12}, 0.0, std::string(""), 12, false, ""},
      {std::string("12"), false, std::string("Arial"), std::nullopt, false, ""},  // text height
      {int32_t{12}, std::string("T"), std::string("Arial"), std::nullopt, false, ""},
      {int32_t{12}, false, int32_t{3}, std::nullopt, false, ""},     // face not a text
      {1e12, false, std::string("Arial"), std::nullopt, false, ""},  // beyond an int
  };
  for (const Case& c : cases) {
    std::optional<FontValues> font = FontValuesFromArray(Array(c.height, c.italic, c.face));
    ASSERT_EQ(font.has_value(), c.wantHeight.has_value());
    if (!font) continue;
    EXPECT_EQ(font->height, *c.wantHeight);
    EXPECT_EQ(font->italic, c.wantItalic);
    EXPECT_EQ(font->faceName, c.wantFace);
  }
}

TEST(FontValuesTest, RefusesArraysOfOtherLengths) {
  std::vector<Value> values = Array(int32_t{8}, false, std::string("Arial"));
  values.resize(13);
  EXPECT_FALSE(FontValuesFromArray(values));
  values.resize(15);
  EXPECT_FALSE(FontValuesFromArray(values));
  EXPECT_FALSE(FontValuesFromArray({}));
}

}  // namespace
}  // namespace tabrix
