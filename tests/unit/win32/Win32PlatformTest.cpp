// The Win32 services gathered as the runtime uses them.
#include <gtest/gtest.h>

#include "backends/win32/Win32Platform.h"
#include "core/messages/LocalizedMessages.h"
#include "runtime/StartupLoader.h"
#include "Win32TestSupport.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

using test::TDialogAnswer;
using test::TextOf;

// Started without a package (this test program has none), the runtime's
// start-up shows the error in a real message box of the user's language and
// goes no further.
TEST(Win32PlatformTest, StartUpWithoutAPackageShowsTheErrorBox) {
  auto platform = CreateWin32Platform();
  TStartupLoader loader(*platform, {});
  std::wstring caption, text, button;
  TDialogAnswer answer(L"#32770", [&](HWND box) {
    caption = TextOf(box);
    text = TextOf(GetDlgItem(box, 0xFFFF));  // the box's text
    button = TextOf(GetDlgItem(box, IDOK));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
  });
  EXPECT_FALSE(loader.Execute());
  ASSERT_TRUE(answer.Answered());
  const std::string expected = GetLocalizedMessage(miNoPackage, platform->Locale());
  EXPECT_EQ(text, WideOf(expected));
  EXPECT_EQ(caption, WideOf(GetLocalizedMessage(miErrorCaption, platform->Locale())));
  EXPECT_EQ(button, WideOf(GetLocalizedMessage(miAcceptButton, platform->Locale())));
}

}  // namespace
}  // namespace zel
