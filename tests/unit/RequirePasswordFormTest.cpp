// The password prompt's rule on the fake start-up windows: it opens at the
// key release whose text is exactly the password, and at nothing else.
#include <gtest/gtest.h>

#include "backends/fake/FakeStartupWindows.h"
#include "platform/MessageBoxes.h"
#include "runtime/RequirePasswordForm.h"

namespace zel {
namespace {

using TKind = TPromptAction::TKind;

TEST(RequirePasswordFormTest, OpensOnlyAtTheKeyReleaseThatCompletesTheExactPassword) {
  struct TCase {
    const char* Name;
    std::vector<TPromptAction> User;
    int Result;
    int ActionsPlayed;  // where the prompt ended
  };
  const TCase cases[] = {
      {"typed letter by letter",
       {{TKind::Type, "p"},
        {TKind::Type, "pä"},
        {TKind::Type, "päss"},
        {TKind::Type, "päss w"},
        {TKind::Type, "päss wörd"}},
       ModalResultOk,
       5},
      {"other letter case",
       {{TKind::Type, "PÄSS WÖRD"}, {TKind::Type, "Päss wörd"}, {TKind::CloseBox, ""}},
       ModalResultCancel,
       3},
      {"trailing blank",
       {{TKind::Type, "päss wörd "}, {TKind::CloseBox, ""}},
       ModalResultCancel,
       2},
      {"prefix only", {{TKind::Type, "päss wör"}, {TKind::CloseBox, ""}}, ModalResultCancel, 2},
      {"pasted with the mouse waits for a key",
       {{TKind::PasteMouse, "päss wörd"}, {TKind::Type, "päss wörd"}},
       ModalResultOk,
       2},
      {"pasted with the mouse, then closed",
       {{TKind::PasteMouse, "päss wörd"}, {TKind::CloseBox, ""}},
       ModalResultCancel,
       2},
      {"no limit on attempts",
       {{TKind::Type, "a"},
        {TKind::Type, "b"},
        {TKind::Type, "c"},
        {TKind::Type, "d"},
        {TKind::Type, "e"},
        {TKind::Type, "päss wörd"}},
       ModalResultOk,
       6},
      {"closed at once", {{TKind::CloseBox, ""}}, ModalResultCancel, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeStartupWindows windows;
    windows.QueuePromptActions(c.User);
    windows.QueuePromptActions({{TKind::Type, "left over"}});
    TRequirePasswordForm form(windows);
    form.SetCaption("Notes");
    form.SetPassword("päss wörd");
    EXPECT_EQ(form.ShowModal(), c.Result);
    ASSERT_EQ(windows.Prompts().size(), 1u);
    const TPromptRecord& prompt = *windows.Prompts()[0];
    EXPECT_EQ(prompt.ActionsPlayed, c.ActionsPlayed);
    EXPECT_FALSE(prompt.Visible);
    EXPECT_EQ(prompt.Caption, "Notes");
  }
}

}  // namespace
}  // namespace zel
