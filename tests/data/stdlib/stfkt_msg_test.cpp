// Geometry of the bevelled message bar: the bottom bar of the two- and four-argument forms, a
// given rectangle moved by the row offset and the inset, frames, groove and text placement.

#include "data/stdlib/stfkt_msg.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

using Colour = MsgLine::Colour;

// The four lines of an outline: first colour left and top, second right and bottom.
std::vector<MsgLine> Outline(MsgRect r, Colour first, Colour second) {
  return {{first, r.left, r.top, r.left, r.bottom},
          {first, r.left, r.top, r.right, r.top},
          {second, r.right - 1, r.top, r.right - 1, r.bottom},
          {second, r.left, r.bottom - 1, r.right, r.bottom - 1}};
}

std::vector<MsgLine> Join(std::vector<MsgLine> a, const std::vector<MsgLine>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PlanMsgBar, BottomBarOfTheFourArgumentFormIsAGroove) {
  // Client 300 x 200: rectangle (0, 174, 300, 202), moved up by inset 3 + 2; the row offset
  // does not move the bottom bar.
  MsgBarPlan plan = PlanMsgBar({.inset = 3, .rowOffset = 5, .rect = std::nullopt}, 300, 200);
  const MsgRect bar{0, 169, 300, 197};
  const MsgRect outline{0, 171, 300, 197};
  EXPECT_EQ(plan.fill, outline);
  EXPECT_EQ(plan.lines, Join(Outline(outline, Colour::kBlack, Colour::kBlack),
                             Outline({10, 173, 290, 193}, Colour::kShadow, Colour::kHighlight)));
  EXPECT_EQ(bar.bottom - bar.top, 28);
  // Text one pixel in, inset + 1 higher than the rectangle, formatted.
  EXPECT_EQ(plan.text, (MsgRect{1, 170, 300, 198}));
  EXPECT_FALSE(plan.plainText);
}

TEST(PlanMsgBar, TwoArgumentFormPutsTheTextInsideTheGroove) {
  MsgBarPlan plan = PlanMsgBar({}, 300, 200);
  // Rectangle (0, 174, 300, 202) moved up by 2: the bar (0, 172, 300, 200).
  EXPECT_EQ(plan.fill, (MsgRect{0, 174, 300, 200}));
  EXPECT_EQ(plan.lines[4], (MsgLine{Colour::kShadow, 10, 176, 10, 196}));
  EXPECT_EQ(plan.text, (MsgRect{10, 178, 289, 195}));
  EXPECT_FALSE(plan.plainText);
}

TEST(PlanMsgBar, GivenRectangleMovesByTheRowOffsetAndTheInset) {
  struct Case {
    const char* name;
    MsgBarArgs args;
    MsgRect fill;
    std::vector<MsgLine> lines;
    MsgRect text;
    bool plain;
  };
  const MsgRect given{10, 20, 110, 40};
  // Row offset 3 moves it down by 6 to (10, 26, 110, 46); inset 1 moves the bar up by 3.
  const MsgRect bar{10, 23, 110, 43};
  const MsgRect text{11, 24, 110, 44};
  const Case cases[] = {
      {"raised",
       {.inset = 1, .rowOffset = 3, .rect = given, .raised = true},
       bar,
       Outline(bar, Colour::kHighlight, Colour::kShadow),
       text,
       false},
      {"sunken",
       {.inset = 1, .rowOffset = 3, .rect = given},
       bar,
       Outline(bar, Colour::kShadow, Colour::kHighlight),
       text,
       false},
      {"not framed",
       {.inset = 1, .rowOffset = 3, .rect = given, .framed = false},
       bar,
       {},
       text,
       false},
      {"plain text",
       {.inset = 1, .rowOffset = 3, .rect = given, .format = 0},
       bar,
       Outline(bar, Colour::kShadow, Colour::kHighlight),
       text,
       true},
      {"no offset, no inset",
       {.inset = 0, .rowOffset = 0, .rect = given, .raised = true},
       {10, 18, 110, 38},
       Outline({10, 18, 110, 38}, Colour::kHighlight, Colour::kShadow),
       {11, 19, 110, 39},
       false},
  };
  for (const Case& c : cases) {
    MsgBarPlan plan = PlanMsgBar(c.args, 500, 400);
    EXPECT_EQ(plan.fill, c.fill) << c.name;
    EXPECT_EQ(plan.lines, c.lines) << c.name;
    EXPECT_EQ(plan.text, c.text) << c.name;
    EXPECT_EQ(plan.plainText, c.plain) << c.name;
  }
}

TEST(PlanMsgBar, UnframedBottomBarIsOnlyFilled) {
  MsgBarPlan plan = PlanMsgBar({.inset = 0,
                                .rowOffset = 0,
                                .rect = std::nullopt,
                                .raised = false,
                                .format = 1,
                                .background = 12632256,
                                .textColour = 0,
                                .framed = false},
                               200, 100);
  EXPECT_EQ(plan.fill, (MsgRect{0, 72, 200, 100}));
  EXPECT_TRUE(plan.lines.empty());
}

}  // namespace
}  // namespace tabrix
