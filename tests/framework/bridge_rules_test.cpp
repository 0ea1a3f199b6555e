// The bridge's rules that do not need a window system: answer conversion, word operations,
// message filters, the subclass chain walk and the browse marker text of wheel redirection.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "framework/native/callback_result.h"
#include "framework/native/message_stack.h"
#include "framework/native/wheel_text.h"
#include "framework/native/win32fkt_place.h"
#include "framework/native/words.h"

namespace tabrix {
namespace {

TEST(CallbackResult, ConvertsEveryKindOfAnswer) {
  struct Case {
    const char* what;
    MsgResult answer;
    int64_t number;
  };
  const Case cases[] = {
      {"true", true, 1},
      {"false", false, 0},
      {"integer", 4711, 4711},
      {"negative integer", -17, -17},
      {"2.9", 2.9, 2},
      {"-2.9", -2.9, -2},
      {"0.999", 0.999, 0},
      {"huge real saturates", 1e300, std::numeric_limits<int64_t>::max()},
      {"huge negative real", -1e300, std::numeric_limits<int64_t>::min()},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), 0},
      {"date", Date{2000, 1, 1}, 2451545},
      {"empty date", Date{}, 0},
      {"one character", "A", 65},
      {"one high character", "\xFC", 252},
      {"longer text", "AB", 0},
      {"empty text", "", 0},
      {"nothing", MsgResult{}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.answer.ToNumber(), c.number);
  }
}

TEST(CallbackResult, TellsNothingFromZero) {
  EXPECT_TRUE(kNoResult.IsNone());
  EXPECT_FALSE(MsgResult(0).IsNone());
  EXPECT_FALSE(MsgResult(false).IsNone());
  EXPECT_TRUE(MsgResult(0).IsNumber());
  EXPECT_TRUE(MsgResult(-0.5).IsNumber());
  EXPECT_FALSE(MsgResult(true).IsNumber());
}

TEST(Words, SplitAndJoinSigned) {
  EXPECT_EQ(WB_LOWORD(0x0001FFFF), -1);
  EXPECT_EQ(WB_LOWORD(0x00017FFF), 32767);
  EXPECT_EQ(WB_HIWORD(0x00050000), 5);
  EXPECT_EQ(WB_HIWORD(static_cast<int64_t>(0xFFFE0000u)), -2);
  EXPECT_EQ(WB_HIWORD(-1), -1);
  EXPECT_EQ(WB_MAKELPARAM(8, 0), 8);
  EXPECT_EQ(WB_MAKELPARAM(-1, 2), 0x0002FFFF);
  EXPECT_EQ(WB_MAKELONG(0x12345, 1), 0x00012345);
  EXPECT_EQ(WB_LOWORD(WB_MAKELPARAM(-300, -7)), -300);
  EXPECT_EQ(WB_HIWORD(WB_MAKELPARAM(-300, -7)), -7);
}

TEST(MessageFilter, OffersWhatItLists) {
  EXPECT_TRUE(MessageFilter::All().Offers(15));
  EXPECT_FALSE(MessageFilter::Never().Offers(15));
  MessageFilter keys = MessageFilter::Only({256, 258});
  EXPECT_TRUE(keys.Offers(256));
  EXPECT_TRUE(keys.Offers(258));
  EXPECT_FALSE(keys.Offers(15));
  EXPECT_FALSE(MessageFilter::Only({}).Offers(0));
}

using TestCallback = std::function<int()>;
using TestStack = MessageStack<TestCallback>;

TestStack::CallbackPtr Named(int name) {
  return std::make_shared<const TestCallback>([name] { return name; });
}

// Who takes a message when the walk starts at `from`: the callback's name, 0 for the previous
// procedure, -1 for nobody.
int Taker(const TestStack& stack, size_t from, uint32_t message) {
  auto target = stack.Find(from, message);
  if (!target) return -1;
  return target->previousProcedure ? 0 : (*target->callback)();
}

TEST(MessageStack, WalksFromTheNewestDownThroughTheFilters) {
  TestStack stack;
  EXPECT_EQ(stack.ChainLength(), 0u);
  EXPECT_EQ(Taker(stack, 1, 15), -1);
  stack.StartChain(0x1234);
  EXPECT_EQ(stack.Push(Named(1), MessageFilter::All()), 1u);
  EXPECT_EQ(stack.Push(Named(2), MessageFilter::Only({256, 258})), 2u);
  EXPECT_EQ(stack.Push(nullptr, MessageFilter::All()), 3u);  // inert entry
  EXPECT_EQ(stack.Push(Named(4), MessageFilter::Never()), 4u);
  ASSERT_EQ(stack.ChainLength(), 5u);
  EXPECT_EQ(stack.PreviousProcedure(), 0x1234u);

  EXPECT_EQ(Taker(stack, 5, 256), 2);  // 4 never, inert skipped, 2 takes keys
  EXPECT_EQ(Taker(stack, 5, 15), 1);   // WM_PAINT passes the key filter
  EXPECT_EQ(Taker(stack, 3, 258), 2);
  EXPECT_EQ(Taker(stack, 2, 258), 1);  // element 2 is the oldest callback
  EXPECT_EQ(Taker(stack, 1, 256), 0);  // only the previous procedure is left
  EXPECT_EQ(Taker(stack, 0, 256), -1);
  EXPECT_EQ(Taker(stack, 6, 256), -1);
}

TEST(WheelText, ReadsTheBrowseMarker) {
  EXPECT_TRUE(IsBrowseScrollText("B\t123\t456"));
  EXPECT_FALSE(IsBrowseScrollText("B 123"));
  EXPECT_FALSE(IsBrowseScrollText("b\t1\t2"));
  EXPECT_FALSE(IsBrowseScrollText("B"));
  struct Case {
    const char* text;
    int64_t receiver, scrollBar;
  };
  const Case cases[] = {
      {"B\t123\t456", 123, 456},
      {"B\t 77x\t-5", 77, -5},
      {"B\t9", 9, 0},
      {"B\t\t", 0, 0},
      {"B\t99999999999999999999999\t1", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    BrowseScrollTarget t = ParseBrowseScrollText(c.text);
    EXPECT_EQ(t.receiver, c.receiver);
    EXPECT_EQ(t.scrollBar, c.scrollBar);
  }
}

TEST(MonitorPlacement, ClipsOrCentersWithoutResizing) {
  const PlaceRect area{0, 0, 1280, 984};
  struct Case {
    const char* what;
    PlaceRect rect;
    int flags;
    bool dialog;
    PlaceRect placed;
  };
  const Case cases[] = {
      {"inside stays", {100, 100, 500, 400}, kPlaceWorkArea, false, {100, 100, 500, 400}},
      {"half outside right", {1100, 100, 1500, 400}, kPlaceWorkArea, false, {880, 100, 1280, 400}},
      {"dialog one pixel in", {1100, 100, 1500, 400}, kPlaceWorkArea, true, {879, 100, 1279, 400}},
      {"above and left", {-50, -20, 350, 280}, kPlaceWorkArea, false, {0, 0, 400, 300}},
      {"dialog above and left", {-50, -20, 350, 280}, 2, true, {1, 1, 401, 301}},
      {"below", {10, 900, 110, 1000}, kPlaceWorkArea, false, {10, 884, 110, 984}},
      {"wider than area", {300, 0, 1700, 100}, kPlaceWorkArea, false, {0, 0, 1400, 100}},
      {"centered", {0, 0, 400, 300}, kPlaceCenter | kPlaceWorkArea, false, {440, 342, 840, 642}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlaceOnMonitor(c.rect, area, area, c.flags, c.dialog), c.placed);
  }
}

}  // namespace
}  // namespace tabrix
