// Notifications as balloons of a notification-area icon.
#include <gtest/gtest.h>

#include <optional>

#include "Win32TestSupport.h"
#include "backends/win32/NotificationCenterWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

void ShellSays(const TWin32NotificationCenter& center, UINT event) {
  SendMessageW(center.Handle(), TWin32NotificationCenter::CallbackMessage, 0,
               MAKELPARAM(event, TWin32NotificationCenter::IconId));
}

TEST(NotificationCenterWin32Test, PresentedBalloonsReportClicksByTheNameShown) {
  TWin32NotificationCenter center({"Zel app", ""});
  std::vector<std::string> clicked;
  center.SetOnClick([&](const std::string& name) { clicked.push_back(name); });
  std::optional<bool> first, second;
  center.Present({"first", "Title", "Body"}, [&](bool presented) { first = presented; });
  EXPECT_FALSE(first.has_value()) << "answered from the loop";
  ASSERT_TRUE(test::PumpUntil([&] { return first.has_value(); }));
  // Wine's virtual desktop has a notification area.
  EXPECT_TRUE(*first);
  // A second one replaces the balloon: a click names it.
  center.Present({"second", "", "Body only"}, [&](bool presented) { second = presented; });
  ASSERT_TRUE(test::PumpUntil([&] { return second.has_value(); }));
  EXPECT_TRUE(*second);
  ShellSays(center, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(clicked, std::vector<std::string>{"second"});
  // Clicked, the icon is gone: a late event reports nothing.
  ShellSays(center, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(clicked.size(), 1u);
  // A balloon that times out takes its icon away too.
  std::optional<bool> third;
  center.Present({"third", "T", "B"}, [&](bool presented) { third = presented; });
  ASSERT_TRUE(test::PumpUntil([&] { return third.has_value(); }));
  ShellSays(center, NIN_BALLOONTIMEOUT);
  ShellSays(center, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(clicked.size(), 1u);
}

TEST(NotificationCenterWin32Test, AnswersPendingAtDestructionAreDropped) {
  bool called = false;
  {
    TWin32NotificationCenter center({"Zel app", ""});
    center.Present({"n", "T", "B"}, [&](bool) { called = true; });
  }
  test::Pump(100);
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace zel
