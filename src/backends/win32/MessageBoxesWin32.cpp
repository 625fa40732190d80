#include "backends/win32/MessageBoxesWin32.h"

#include "backends/win32/ToolkitWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

// Windows' own translation of a standard button's caption (user32's
// MB_GetString, by button identifier less one), else the English one.
std::wstring StandardCaption(int buttonId, const wchar_t* english) {
  using TGetString = LPCWSTR(WINAPI*)(UINT);
  static const auto getString = reinterpret_cast<TGetString>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "MB_GetString")));
  if (getString != nullptr) {
    if (LPCWSTR text = getString(static_cast<UINT>(buttonId - 1)); text && *text) return text;
  }
  return english;
}

// What the hook does to the box of this thread that shows next.
struct TBoxChanges {
  std::vector<std::wstring> Captions;  // of IDOK, then IDCANCEL; empty: unchanged
  bool HideCancel = false;
  HHOOK Hook = nullptr;
};

thread_local TBoxChanges* PendingChanges = nullptr;

LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
  TBoxChanges* changes = PendingChanges;
  if (code == HCBT_ACTIVATE && changes != nullptr) {
    PendingChanges = nullptr;  // the box only, not windows it may open
    auto box = reinterpret_cast<HWND>(wParam);
    const int ids[] = {IDOK, IDCANCEL};
    for (std::size_t i = 0; i < changes->Captions.size() && i < 2; ++i) {
      if (!changes->Captions[i].empty()) SetDlgItemTextW(box, ids[i], changes->Captions[i].c_str());
    }
    if (changes->HideCancel) {
      // The OK button takes the middle of the pair; Cancel stays for Escape
      // and the close box, unseen.
      HWND ok = GetDlgItem(box, IDOK), cancel = GetDlgItem(box, IDCANCEL);
      RECT okRect, cancelRect;
      GetWindowRect(ok, &okRect);
      GetWindowRect(cancel, &cancelRect);
      POINT place{(okRect.left + cancelRect.left) / 2, okRect.top};
      ScreenToClient(box, &place);
      SetWindowPos(ok, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      ShowWindow(cancel, SW_HIDE);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

UINT IconOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Error:
      return MB_ICONERROR;
    case TMessageKind::Confirmation:
      return MB_ICONQUESTION;
    case TMessageKind::Information:
      break;
  }
  return MB_ICONINFORMATION;
}

}  // namespace

int TWin32MessageBoxes::Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
                             const std::vector<std::string>& buttonCaptions,
                             const std::string& caption) {
  Win32Toolkit::EnsureInitialized();
  // The answer of the OK button, the caption it wears, and whether Cancel shows.
  int okResult = ModalResultOk;
  std::wstring okCaption;
  bool cancelShown = false;
  switch (buttons) {
    case TButtonSet::Ok:
      break;
    case TButtonSet::Yes:
      okResult = ModalResultYes;
      okCaption = StandardCaption(IDYES, L"&Yes");
      break;
    case TButtonSet::YesCancel:
      okResult = ModalResultYes;
      okCaption = StandardCaption(IDYES, L"&Yes");
      cancelShown = true;
      break;
    case TButtonSet::Close:
      okResult = ModalResultClose;
      okCaption = StandardCaption(IDCLOSE, L"&Close");
      break;
  }
  TBoxChanges changes;
  changes.Captions = {okCaption, L""};
  // Replaced captions are shown literally: "&" is no access key mark there.
  const std::size_t shown = cancelShown ? 2 : 1;
  for (std::size_t i = 0; i < shown && i < buttonCaptions.size(); ++i) {
    std::wstring literal;
    for (const wchar_t c : WideOf(buttonCaptions[i])) {
      if (c == L'&') literal += L'&';
      literal += c;
    }
    changes.Captions[i] = literal;
  }
  changes.HideCancel = !cancelShown;
  changes.Hook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
  PendingChanges = &changes;
  const int answer =
      MessageBoxW(nullptr, WideOf(text).c_str(), WideOf(caption).c_str(),
                  MB_OKCANCEL | IconOf(kind) | MB_TASKMODAL | MB_TOPMOST | MB_SETFOREGROUND);
  PendingChanges = nullptr;
  if (changes.Hook) UnhookWindowsHookEx(changes.Hook);
  return answer == IDOK ? okResult : ModalResultCancel;
}

}  // namespace zel
