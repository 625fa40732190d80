// Windows' message box as the seam's dialogs: buttons, captions, answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "backends/win32/MessageBoxesWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

using test::TDialogAnswer;

// How the test answers the box.
enum class TAnswer { FirstButton, Escape, CloseBox };

struct TBoxCase {
  TButtonSet Buttons;
  std::vector<std::string> Captions;
  TAnswer Answer;
  int Expected;
  std::wstring FirstCaption;  // empty: not checked (the system's translation)
  bool CancelShown;
};

// What the box showed when it was answered.
struct TSeen {
  std::wstring Title, Text, FirstCaption;
  bool CancelVisible = false;
};

void Answer(HWND box, TAnswer answer, TSeen& seen) {
  seen.Title = test::TextOf(box);
  seen.FirstCaption = test::TextOf(GetDlgItem(box, IDOK));
  seen.CancelVisible = IsWindowVisible(GetDlgItem(box, IDCANCEL)) != FALSE;
  // The text is the static control of the box (id 0xFFFF).
  seen.Text = test::TextOf(GetDlgItem(box, 0xFFFF));
  switch (answer) {
    case TAnswer::FirstButton:
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
      break;
    case TAnswer::Escape:
      // What the dialog manager makes of the Escape key.
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
      break;
    case TAnswer::CloseBox:
      PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
  }
}

TEST(MessageBoxesWin32Test, ButtonSetsAnswerAsTheDialogsDo) {
  const TBoxCase cases[] = {
      {TButtonSet::Ok, {}, TAnswer::FirstButton, ModalResultOk, L"", false},
      {TButtonSet::Ok, {}, TAnswer::Escape, ModalResultCancel, L"", false},
      {TButtonSet::Ok, {}, TAnswer::CloseBox, ModalResultCancel, L"", false},
      {TButtonSet::Yes,
       {"Accept & go"},
       TAnswer::FirstButton,
       ModalResultYes,
       L"Accept && go",
       false},
      {TButtonSet::YesCancel, {}, TAnswer::FirstButton, ModalResultYes, L"", true},
      {TButtonSet::YesCancel,
       {"Install", "Not now"},
       TAnswer::Escape,
       ModalResultCancel,
       L"Install",
       true},
      {TButtonSet::Close, {}, TAnswer::FirstButton, ModalResultClose, L"", false},
  };
  TWin32MessageBoxes boxes;
  for (const TBoxCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    TSeen seen;
    TDialogAnswer answer(L"#32770", [&](HWND box) { Answer(box, c.Answer, seen); });
    const int result = boxes.Show("Line one\nline \xC3\xA9", TMessageKind::Confirmation, c.Buttons,
                                  c.Captions, "Caption \xE2\x9C\x93");
    ASSERT_TRUE(answer.Answered());
    EXPECT_EQ(result, c.Expected);
    EXPECT_EQ(seen.Title, L"Caption \u2713");
    EXPECT_EQ(seen.Text, L"Line one\nline \u00E9");
    EXPECT_EQ(seen.CancelVisible, c.CancelShown);
    if (!c.FirstCaption.empty()) {
      EXPECT_EQ(seen.FirstCaption, c.FirstCaption);
    }
    if (c.Buttons == TButtonSet::Yes || c.Buttons == TButtonSet::Close) {
      EXPECT_NE(seen.FirstCaption, L"OK") << "the button says what it does";
    }
  }
}

TEST(MessageBoxesWin32Test, EachKindShowsItsIcon) {
  // The box's icon is a static control with SS_ICON holding the system icon
  // of the kind (its id is 0x14 on Windows, stc1 on Wine: found by style).
  const std::pair<TMessageKind, WORD> kinds[] = {
      {TMessageKind::Information, 32516},   // IDI_INFORMATION
      {TMessageKind::Error, 32513},         // IDI_ERROR
      {TMessageKind::Confirmation, 32514},  // IDI_QUESTION
  };
  TWin32MessageBoxes boxes;
  for (const auto& [kind, iconId] : kinds) {
    HICON shown = nullptr;
    TDialogAnswer answer(L"#32770", [&](HWND box) {
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
          shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
      }
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    boxes.Show("Text", kind, TButtonSet::Ok, {}, "Caption");
    EXPECT_EQ(shown, LoadIconW(nullptr, MAKEINTRESOURCEW(iconId))) << static_cast<int>(kind);
  }
}

}  // namespace
}  // namespace zel
