// The password prompt and the busy window drawn by the host on Win32.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "../ActivityIndicatorTestSupport.h"
#include "Win32TestSupport.h"
#include "backends/win32/StartupWindowsWin32.h"
#include "backends/win32/VectorShapesWin32.h"
#include "backends/win32/Win32.h"
#include "platform/MessageBoxes.h"

namespace zel {
namespace {

using test::PumpUntil;
using test::TDialogAnswer;

constexpr TPasswordPromptLayout PromptLayout{260, 44, 10, 10, 240, 24};

HWND EditOf(HWND prompt) { return FindWindowExW(prompt, nullptr, L"EDIT", nullptr); }

void Type(HWND edit, const std::wstring& text) {
  for (const wchar_t c : text) {
    PostMessageW(edit, WM_CHAR, c, 1);
    PostMessageW(edit, WM_KEYUP, VkKeyScanW(c) & 0xFF, 0xC0000001);
  }
}

TEST(StartupWindowsWin32Test, PromptEndsAtTheKeyReleaseThatCompletesThePassword) {
  TWin32StartupWindows windows;
  auto prompt = windows.CreatePasswordPrompt(PromptLayout);
  prompt->SetCaption("Password \xE2\x9C\x93");
  std::vector<std::string> seen;
  prompt->SetOnEditKeyUp([&] {
    seen.push_back(prompt->EditText());
    if (prompt->EditText() == "Password") prompt->EndModal(ModalResultOk);
  });
  DWORD style = 0;
  RECT client{}, editRect{};
  wchar_t passwordChar = 0;
  LONG editStyle = 0;
  std::wstring caption;
  TDialogAnswer answer(L"ZelPasswordPrompt", [&](HWND window) {
    style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    caption = test::TextOf(window);
    GetClientRect(window, &client);
    HWND edit = EditOf(window);
    GetWindowRect(edit, &editRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&editRect), 2);
    passwordChar = static_cast<wchar_t>(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0));
    editStyle = GetWindowLongW(edit, GWL_STYLE);
    Type(edit, L"Passwordx");  // ends at "Password": the "x" never arrives
  });
  EXPECT_EQ(prompt->ShowModal(), ModalResultOk);
  ASSERT_TRUE(answer.Answered());
  EXPECT_EQ(caption, L"Password \u2713");
  EXPECT_EQ(client.right, PromptLayout.ClientWidth);
  EXPECT_EQ(client.bottom, PromptLayout.ClientHeight);
  EXPECT_EQ(editRect.left, PromptLayout.EditLeft);
  EXPECT_EQ(editRect.top, PromptLayout.EditTop);
  EXPECT_EQ(editRect.right - editRect.left, PromptLayout.EditWidth);
  EXPECT_TRUE(style & WS_SYSMENU) << "a close box";
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(editStyle & ES_PASSWORD);
  EXPECT_EQ(passwordChar, L'*');
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), "P");
  EXPECT_EQ(seen.back(), "Password");
}

TEST(StartupWindowsWin32Test, PromptsCloseBoxCancels) {
  TWin32StartupWindows windows;
  auto prompt = windows.CreatePasswordPrompt(PromptLayout);
  TDialogAnswer answer(L"ZelPasswordPrompt",
                       [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); });
  EXPECT_EQ(prompt->ShowModal(), ModalResultCancel);
  EXPECT_EQ(test::FindThreadWindow(L"ZelPasswordPrompt"), nullptr) << "hidden";
}

TEST(StartupWindowsWin32Test, BusyWindowIsBorderlessBusyAndRefusesToClose) {
  TWin32StartupWindows windows;
  const TBusyWindowLayout layout{80, 80, 16, 16, 48};
  auto busy = windows.CreateBusyWindow(layout);
  bool allow = false;
  busy->SetCloseQuery([&] { return allow; });
  // 0x00BBGGRR: pure red.
  busy->SetColor(0x000000FF);
  busy->SetIndicatorType(TActivityIndicatorType::SectorRing);
  busy->Show();
  HWND window = test::FindThreadWindow(L"ZelBusyWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & (WS_CAPTION | WS_THICKFRAME),
            0u);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 80);
  EXPECT_EQ(client.bottom, 80);
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(window, GCLP_HCURSOR)),
            LoadCursorW(nullptr, MAKEINTRESOURCEW(32650)))  // IDC_APPSTARTING
      << "the application-starting cursor";
  // The corner shows the background colour.
  test::Pump(100);
  HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 0, 0));
  // A system colour index takes Windows' colour.
  busy->SetColor(static_cast<std::int32_t>(0xFF000000u | COLOR_HIGHLIGHT));
  test::Pump(100);
  EXPECT_EQ(GetPixel(dc, 2, 2), GetSysColor(COLOR_HIGHLIGHT));
  ReleaseDC(window, dc);

  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(window)) << "the form refuses";
  allow = true;
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST(StartupWindowsWin32Test, IndicatorFramesMoveInTheirColour) {
  test::ExpectIndicatorFramesMoveInTheirColour(RenderActivityIndicator);
}

}  // namespace
}  // namespace zel
