// The Win32 main window and message loop against Windows' user32 (Wine's
// under test).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Win32TestSupport.h"
#include "backends/win32/UserInterfaceWin32.h"
#include "backends/win32/Win32.h"
#include "backends/win32/WindowWin32.h"

namespace zel {
namespace {

using test::Pump;
using test::PumpUntil;

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

TWindowBounds BoundsOfRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

TMenuItem Leaf(std::uint32_t key, const std::string& caption) {
  TMenuItem item;
  item.Key = key;
  item.Tag = static_cast<std::int32_t>(key);
  item.Caption = caption;
  item.Leaf = true;
  return item;
}

struct TBorderCase {
  TBorderStyle Style;
  bool Caption;
  bool SizingFrame;
  bool ToolWindow;
  bool MinimizeBox;
  bool MaximizeBox;
};

class WindowWin32Test : public ::testing::Test {
 protected:
  TWin32UserInterface FInterface;
};

TEST_F(WindowWin32Test, EachBorderStyleHasItsFrameAndKeepsTheOuterBounds) {
  const TBorderCase cases[] = {
      {TBorderStyle::None, false, false, false, false, false},
      {TBorderStyle::Single, true, false, false, true, false},
      {TBorderStyle::Sizeable, true, true, false, true, true},
      {TBorderStyle::Dialog, true, false, false, false, false},
      {TBorderStyle::ToolWindow, true, false, true, false, false},
      {TBorderStyle::SizeToolWindow, true, true, true, false, false},
  };
  TWin32Window window;
  const TWindowBounds bounds{40, 50, 500, 400};
  window.SetBounds(bounds);
  window.Show();
  for (const TBorderCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Style));
    window.SetBorderStyle(c.Style);
    Pump(20);
    const auto style = static_cast<DWORD>(GetWindowLongW(window.Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window.Handle(), GWL_EXSTYLE));
    EXPECT_EQ((style & WS_CAPTION) == WS_CAPTION, c.Caption);
    EXPECT_EQ((style & WS_POPUP) != 0, !c.Caption);
    EXPECT_EQ((style & WS_THICKFRAME) != 0, c.SizingFrame);
    EXPECT_EQ((exStyle & WS_EX_TOOLWINDOW) != 0, c.ToolWindow);
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, c.MinimizeBox);
    EXPECT_EQ((style & WS_MAXIMIZEBOX) != 0, c.MaximizeBox);
    EXPECT_EQ((exStyle & WS_EX_DLGMODALFRAME) != 0, c.Style == TBorderStyle::Dialog);
    EXPECT_TRUE(style & WS_VISIBLE) << "the window stays shown";
    EXPECT_EQ(window.BorderStyle(), c.Style);
    EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), bounds);
    EXPECT_EQ(window.Bounds(), bounds);
  }
}

TEST_F(WindowWin32Test, BoundsAreOuterAndTheContentFillsTheClientArea) {
  TWin32Window window;
  int reportedWidth = 0, reportedHeight = 0;
  window.SetOnContentResized([&](int width, int height) {
    reportedWidth = width;
    reportedHeight = height;
  });
  window.SetBounds({100, 120, 640, 480});
  window.Show();
  Pump(20);
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), (TWindowBounds{100, 120, 640, 480}));
  RECT client{};
  GetClientRect(window.Handle(), &client);
  EXPECT_LT(client.bottom, 480) << "the caption lies outside the client area";
  auto content = static_cast<HWND>(window.ContentHandle());
  ASSERT_TRUE(IsWindow(content));
  EXPECT_EQ(GetParent(content), window.Handle());
  RECT contentRect{};
  GetClientRect(content, &contentRect);
  EXPECT_EQ(contentRect.right, client.right);
  EXPECT_EQ(contentRect.bottom, client.bottom);
  EXPECT_EQ(reportedWidth, client.right);
  EXPECT_EQ(reportedHeight, client.bottom);

  // The progress bar takes a thin strip below the content.
  window.SetProgressBarVisible(true);
  EXPECT_TRUE(IsWindowVisible(window.ProgressBarHandle()));
  RECT bar{};
  GetClientRect(window.ProgressBarHandle(), &bar);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_GT(bar.bottom, 0);
  EXPECT_LE(bar.bottom, 8);
  EXPECT_EQ(reportedHeight, client.bottom - bar.bottom);
  window.SetProgressBarVisible(false);
  EXPECT_EQ(reportedHeight, client.bottom);
}

TEST_F(WindowWin32Test, SizeLimitsConstrainTheWindowAndAnswerWindowsQuestion) {
  TWin32Window window;
  window.SetBounds({10, 10, 300, 900});
  window.Show();
  window.SetSizeLimits(400, 200, 700, 500);
  Pump(20);
  EXPECT_EQ(window.Bounds(), (TWindowBounds{10, 10, 400, 500}));
  MINMAXINFO info{};
  info.ptMaxTrackSize = {9999, 9999};
  SendMessageW(window.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 400);
  EXPECT_EQ(info.ptMinTrackSize.y, 200);
  EXPECT_EQ(info.ptMaxTrackSize.x, 700);
  EXPECT_EQ(info.ptMaxTrackSize.y, 500);
  window.SetBounds({10, 10, 100, 100});
  EXPECT_EQ(window.Bounds(), (TWindowBounds{10, 10, 400, 200}));
  // 0 lifts a limit (down to the system's own minimum for a caption's buttons).
  window.SetSizeLimits(0, 0, 0, 0);
  window.SetBounds({10, 10, 200, 150});
  EXPECT_EQ(window.Bounds(), (TWindowBounds{10, 10, 200, 150}));
}

TEST_F(WindowWin32Test, StatesKeepTheNormalBoundsToReturnTo) {
  TWin32Window window;
  window.SetBounds({60, 70, 500, 300});
  // Asked for before the first showing, the window is shown maximized.
  window.SetState(TWindowState::Maximized);
  EXPECT_EQ(window.State(), TWindowState::Maximized);
  window.Show();
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(window.Handle()) != FALSE; }));
  EXPECT_EQ(window.State(), TWindowState::Maximized);
  EXPECT_EQ(window.Bounds(), (TWindowBounds{60, 70, 500, 300}));
  // Bounds given while maximized are those it returns to.
  window.SetBounds({80, 90, 450, 350});
  window.SetState(TWindowState::Normal);
  ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(window.Handle()); }));
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), (TWindowBounds{80, 90, 450, 350}));
  window.SetState(TWindowState::Minimized);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(window.Handle()) != FALSE; }));
  EXPECT_EQ(window.State(), TWindowState::Minimized);
  EXPECT_EQ(window.Bounds(), (TWindowBounds{80, 90, 450, 350}));
}

TEST_F(WindowWin32Test, FullScreenCoversTheMonitorAndGivesEverythingBack) {
  TWin32Window window;
  window.SetBorderStyle(TBorderStyle::Single);
  window.SetBounds({30, 40, 420, 320});
  window.Show();
  window.SetFullScreen(true);
  Pump(20);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window.Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), BoundsOfRect(monitor.rcMonitor));
  EXPECT_FALSE(GetWindowLongW(window.Handle(), GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(window.FullScreen());
  EXPECT_EQ(window.Bounds(), (TWindowBounds{30, 40, 420, 320})) << "the bounds to return to";
  window.SetFullScreen(false);
  Pump(20);
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), (TWindowBounds{30, 40, 420, 320}));
  EXPECT_EQ(GetWindowLongW(window.Handle(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(window.BorderStyle(), TBorderStyle::Single);
}

TEST_F(WindowWin32Test, AMaximizedWindowIsMaximizedAgainAfterFullScreen) {
  TWin32Window window;
  window.SetBounds({30, 40, 420, 320});
  window.Show();
  window.SetState(TWindowState::Maximized);
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(window.Handle()) != FALSE; }));
  const RECT maximized = WindowRect(window.Handle());
  window.SetFullScreen(true);
  Pump(20);
  window.SetFullScreen(false);
  // Wine's X11 driver applies the state in its own time.
  EXPECT_TRUE(PumpUntil([&] {
    return window.State() == TWindowState::Maximized &&
           BoundsOfRect(WindowRect(window.Handle())) == BoundsOfRect(maximized);
  }));
  EXPECT_EQ(window.State(), TWindowState::Maximized);
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), BoundsOfRect(maximized));
  window.SetState(TWindowState::Normal);
  ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(window.Handle()); }));
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), (TWindowBounds{30, 40, 420, 320}));
}

TEST_F(WindowWin32Test, StayOnTopAndCaptionReachTheSystem) {
  TWin32Window window;
  window.SetCaption("Zel \xE2\x9C\x93 caption");
  EXPECT_EQ(test::TextOf(window.Handle()), L"Zel \u2713 caption");
  EXPECT_EQ(window.Caption(), "Zel \xE2\x9C\x93 caption");
  window.SetStayOnTop(true);
  EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  // A new border style keeps the window on top.
  window.SetBorderStyle(TBorderStyle::ToolWindow);
  EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  window.SetStayOnTop(false);
  EXPECT_FALSE(GetWindowLongW(window.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowWin32Test, CloseAttemptsAskTheCloseQuery) {
  TWin32Window window;
  bool allow = false;
  int asked = 0, closed = 0;
  window.SetCloseQuery([&] {
    ++asked;
    return allow;
  });
  window.SetOnClosed([&] { ++closed; });
  window.Show();
  // The close box and Alt+F4 send WM_CLOSE.
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(IsWindow(window.Handle())) << "never destroyed behind the owner's back";
  allow = true;
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(closed, 1);
  window.Close();
  EXPECT_EQ(closed, 1) << "closed once";
}

TEST_F(WindowWin32Test, CentredOnTheWorkAreaWhenFirstShown) {
  TWin32Window window;
  window.SetBounds({0, 0, 400, 300});
  window.SetCentered(true);
  window.Show();
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const TWindowBounds bounds = window.Bounds();
  EXPECT_EQ(bounds.Left, area.left + (area.right - area.left - 400) / 2);
  EXPECT_EQ(bounds.Top, area.top + (area.bottom - area.top - 300) / 2);
}

TEST_F(WindowWin32Test, MenuBarShowsWhileItHasItemsAndReportsChoices) {
  TWin32Window window;
  window.SetBounds({20, 20, 500, 400});
  window.Show();
  RECT clientBefore{};
  GetClientRect(window.Handle(), &clientBefore);
  std::vector<std::uint32_t> clicks;
  window.MenuBar().SetOnItemClick([&](std::uint32_t key) { clicks.push_back(key); });
  const TMenuItem open = Leaf(11, "&Open");
  TMenuItem saveAs = Leaf(12, "Save && close");
  saveAs.Enabled = false;
  const TMenuItem separator = Leaf(13, "-");
  TMenuItem file = Leaf(10, "&File");
  file.Leaf = false;
  file.Submenu = true;
  file.Items = {open, separator, saveAs};
  const TMenuItem help = Leaf(20, "Help");
  window.MenuBar().SetItems({file, help});

  HMENU bar = GetMenu(window.Handle());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  wchar_t text[64];
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&File");
  GetMenuStringW(bar, 1, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&Help") << "a free access key is given";
  HMENU fileMenu = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(fileMenu), 3);
  GetMenuStringW(fileMenu, 2, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"&Save && close");
  EXPECT_TRUE(GetMenuState(fileMenu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(fileMenu, 2, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(fileMenu, 0, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_EQ(BoundsOfRect(WindowRect(window.Handle())), (TWindowBounds{20, 20, 500, 400}))
      << "the outer size stays";
  RECT clientWith{};
  GetClientRect(window.Handle(), &clientWith);
  EXPECT_LT(clientWith.bottom, clientBefore.bottom);

  // Choices arrive by position.
  SendMessageW(window.Handle(), WM_MENUCOMMAND, 0, reinterpret_cast<LPARAM>(fileMenu));
  SendMessageW(window.Handle(), WM_MENUCOMMAND, 1, reinterpret_cast<LPARAM>(bar));
  SendMessageW(window.Handle(), WM_MENUCOMMAND, 0, reinterpret_cast<LPARAM>(bar));  // a submenu
  EXPECT_EQ(clicks, (std::vector<std::uint32_t>{11, 20}));

  // An update redraws the item in place.
  saveAs.Enabled = true;
  saveAs.Caption = "Save &as";
  window.MenuBar().UpdateItem(saveAs);
  fileMenu = GetSubMenu(GetMenu(window.Handle()), 0);
  GetMenuStringW(fileMenu, 2, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Save &as");
  EXPECT_FALSE(GetMenuState(fileMenu, 2, MF_BYPOSITION) & MF_GRAYED);

  window.MenuBar().SetItems({});
  EXPECT_EQ(GetMenu(window.Handle()), nullptr);
}

TEST_F(WindowWin32Test, TheKeyboardGoesToTheContent) {
  TWin32Window window;
  window.Show();
  SetFocus(window.Handle());
  EXPECT_EQ(GetFocus(), static_cast<HWND>(window.ContentHandle()));
  // A view inside the content takes it.
  HWND view = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                              static_cast<HWND>(window.ContentHandle()), nullptr, nullptr, nullptr);
  SetFocus(window.Handle());
  EXPECT_EQ(GetFocus(), view);
}

TEST(UserInterfaceWin32Test, TheProcessIsPerMonitorDpiAware) {
  TWin32UserInterface ui;
  using TGetContext = HANDLE(WINAPI*)();
  using TAwareness = int(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto getContext = reinterpret_cast<TGetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  auto awareness = reinterpret_cast<TAwareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_NE(getContext, nullptr);
  ASSERT_NE(awareness, nullptr);
  EXPECT_EQ(awareness(getContext()), 2);  // DPI_AWARENESS_PER_MONITOR_AWARE
}

TEST(UserInterfaceWin32Test, TasksFromOtherThreadsRunInTheLoopInOrder) {
  TWin32UserInterface ui;
  std::vector<int> order;
  const DWORD uiThread = GetCurrentThreadId();
  std::atomic<bool> elsewhere = false;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i)
      ui.PostToUiThread([&, i] {
        if (GetCurrentThreadId() != uiThread) elsewhere = true;
        order.push_back(i);
      });
    ui.RunOnUiThread([&] { ui.Quit(); });
  });
  ui.Run();
  worker.join();
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
  EXPECT_FALSE(elsewhere);
}

TEST(UserInterfaceWin32Test, QuitBeforeRunReturnsAtOnceAndPostedTasksWait) {
  TWin32UserInterface ui;
  bool ran = false;
  ui.RunOnUiThread([&] { ran = true; });
  EXPECT_TRUE(ran) << "on the user-interface thread, at once";
  bool posted = false;
  ui.PostToUiThread([&] { posted = true; });
  EXPECT_FALSE(posted) << "posted tasks wait for the loop";
  ui.Quit();
  ui.Run();
  ui.PostToUiThread([&] { ui.Quit(); });
  ui.Run();
  EXPECT_TRUE(posted);
}

TEST(UserInterfaceWin32Test, TheSessionsEndIsRefusedWhileAHandlerDecides) {
  TWin32UserInterface ui;
  int asked = 0;
  ui.SetOnEndRequested([&] { ++asked; });
  // Windows asks every top-level window of the process.
  HWND target = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        if (test::ClassOf(window) == L"ZelUserInterface") *reinterpret_cast<HWND*>(data) = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&target));
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(SendMessageW(target, WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_TRUE(PumpUntil([&] { return asked == 1; }));
  ui.SetOnEndRequested(nullptr);
  EXPECT_EQ(SendMessageW(target, WM_QUERYENDSESSION, 0, 0), TRUE);
}

}  // namespace
}  // namespace zel
