// The fake backend's window manager rules and main loop, which the runtime's
// tests rely on.
#include <gtest/gtest.h>

#include <thread>

#include "backends/fake/FakePlatform.h"

namespace zel {

static void PrintTo(const TWindowBounds& b, std::ostream* os) {
  *os << b.Left << "," << b.Top << " " << b.Width << "x" << b.Height;
}

namespace {

TEST(FakeWindow, SizeLimitsApplyAtOnceAndToEveryRequest) {
  struct TCase {
    const char* Name;
    int MinWidth, MinHeight, MaxWidth, MaxHeight;
    TWindowBounds AtOnce;     // the 800 x 600 window once the limits are set
    TWindowBounds Requested;  // then asked for
    TWindowBounds Expected;
  };
  const TCase cases[] = {
      {"no limits", 0, 0, 0, 0, {10, 20, 800, 600}, {1, 2, 300, 200}, {1, 2, 300, 200}},
      {"minimum", 1000, 0, 0, 0, {10, 20, 1000, 600}, {1, 2, 300, 200}, {1, 2, 1000, 200}},
      {"maximum", 0, 0, 640, 480, {10, 20, 640, 480}, {1, 2, 900, 700}, {1, 2, 640, 480}},
      {"minimum above maximum wins",
       700,
       0,
       500,
       0,
       {10, 20, 700, 600},
       {1, 2, 600, 9},
       {1, 2, 700, 9}},
  };
  TFakeUserInterface ui;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto window = ui.CreateMainWindow();
    window->SetBounds({10, 20, 800, 600});
    window->SetSizeLimits(c.MinWidth, c.MinHeight, c.MaxWidth, c.MaxHeight);
    EXPECT_EQ(window->Bounds(), c.AtOnce);
    window->SetBounds(c.Requested);
    EXPECT_EQ(window->Bounds(), c.Expected);
  }
}

TEST(FakeWindow, FirstShowPlacesTheWindowAndMaximizedFillsTheWorkArea) {
  TFakeUserInterface ui;
  ui.SetWorkArea({0, 0, 1280, 1000});
  auto centred = ui.CreateMainWindow();
  centred->SetBounds({50, 50, 800, 600});
  centred->SetCentered(true);
  centred->Show();
  EXPECT_EQ(centred->Bounds(), (TWindowBounds{240, 200, 800, 600}));

  auto placed = ui.CreateMainWindow();
  placed->SetBounds({50, 50, 800, 600});
  placed->Show();
  EXPECT_EQ(placed->Bounds(), (TWindowBounds{32, 32, 800, 600}));  // the manager's choice
  placed->SetBounds({50, 50, 800, 600});                           // once shown it moves
  EXPECT_EQ(placed->Bounds(), (TWindowBounds{50, 50, 800, 600}));

  placed->SetState(TWindowState::Maximized);
  EXPECT_EQ(placed->Bounds(), (TWindowBounds{0, 0, 1280, 1000}));
  placed->SetState(TWindowState::Normal);
  EXPECT_EQ(placed->Bounds(), (TWindowBounds{50, 50, 800, 600}));
  EXPECT_EQ(ui.Windows().size(), 2u);
}

TEST(FakeWindow, CloseAsksTheQueryAndReportsOnce) {
  TFakeUserInterface ui;
  auto window = ui.CreateMainWindow();
  bool allow = false;
  int closed = 0;
  window->SetCloseQuery([&] { return allow; });
  window->SetOnClosed([&] { ++closed; });
  window->Show();
  window->Close();
  EXPECT_TRUE(window->Visible());
  EXPECT_EQ(closed, 0);
  allow = true;
  window->Close();
  window->Close();
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(closed, 1);
}

TEST(FakeUserInterface, TasksFromOtherThreadsWaitForTheLoop) {
  TFakeUserInterface ui;
  int ranHere = 0;
  ui.RunOnUiThread([&] { ++ranHere; });
  EXPECT_EQ(ranHere, 1);  // already on the user-interface thread

  std::vector<int> order;
  std::thread worker([&] { ui.RunOnUiThread([&] { order.push_back(1); }); });
  worker.join();
  EXPECT_TRUE(order.empty());
  ui.PostTask([&] {
    order.push_back(2);
    ui.PostTask([&] { order.push_back(3); });
    ui.Quit();
  });
  ui.PostTask([&] { order.push_back(4); });
  ui.Run();  // stops at Quit
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(ui.RunPendingTasks(), 2);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 4, 3}));
}

TEST(FakeInstanceLock, PlatformsOverOneSetAreProcessesOfOneMachine) {
  auto held = std::make_shared<TFakeInstanceLock::THeldNames>();
  TFakePlatform first(held), second(held), elsewhere;
  EXPECT_TRUE(first.InstanceLock().TryAcquire("app"));
  EXPECT_TRUE(first.InstanceLock().TryAcquire("app"));
  EXPECT_FALSE(second.InstanceLock().TryAcquire("app"));
  EXPECT_TRUE(elsewhere.InstanceLock().TryAcquire("app"));
}

}  // namespace
}  // namespace zel
