#include "data/stdlib/stfkt_caption.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

TEST(CaptionFromTextTest, MenuTextBecomesTitleAndDialogName) {
  struct Case {
    const char* text;
    bool keepMarks;
    const char* title;
    const char* name;  // nullptr: the dialog's name is left alone
  } cases[] = {
      {"&Kunden...", false, "Kunden", "Kunden"},
      {"&Import starten\tStrg+I", false, "Import starten", "Import starten"},
      {"&Kunden...\tF5", true, "&Kunden...", nullptr},
      {"", true, "", nullptr},
      // Windows-1252 in the title, code page 850 in the dialog's name.
      {"&\xDC"
       "bernahme",
       false,
       "\xDC"
       "bernahme",
       "\x9A"
       "bernahme"},
  };
  for (const Case& c : cases) {
    std::optional<CaptionTexts> got = CaptionFromText(c.text, c.keepMarks);
    ASSERT_TRUE(got) << c.text;
    EXPECT_EQ(got->title, c.title) << c.text;
    EXPECT_EQ(got->dialogName.has_value(), c.name != nullptr) << c.text;
    if (c.name && got->dialogName) {
      EXPECT_EQ(*got->dialogName, c.name) << c.text;
    }
  }
}

TEST(CaptionFromTextTest, EmptyTextLeavesTheTitleAlone) {
  EXPECT_FALSE(CaptionFromText("", false));
}

}  // namespace
}  // namespace tabrix
