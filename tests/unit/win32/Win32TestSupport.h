#pragma once
// Helpers for tests against Windows' (Wine's) real user interface.
#include <chrono>
#include <functional>
#include <string>

#include "backends/win32/Win32.h"

namespace zel::test {

// Dispatches this thread's messages until `done` or `timeoutMs` passes;
// returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Dispatches this thread's messages for `ms` milliseconds.
inline void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The first visible top-level window of this thread whose class is
// `className`, or null.
inline HWND FindThreadWindow(const wchar_t* className) {
  struct TSearch {
    const wchar_t* ClassName;
    HWND Found = nullptr;
  } search{className};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<TSearch*>(data);
        if (!IsWindowVisible(window) || ClassOf(window) != search->ClassName) return TRUE;
        search->Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// Runs `act` once, from a timer of this thread, on the first visible
// top-level window of class `className` to appear (a modal dialog's loop
// dispatches the timer). Gives up after `timeoutMs`.
class TDialogAnswer {
 public:
  TDialogAnswer(const wchar_t* className, std::function<void(HWND)> act, int timeoutMs = 10000)
      : FClassName(className), FAct(std::move(act)), FTicksLeft(timeoutMs / Interval) {
    Current() = this;
    FTimer = SetTimer(nullptr, 0, Interval, Tick);
  }
  ~TDialogAnswer() {
    KillTimer(nullptr, FTimer);
    Current() = nullptr;
  }
  TDialogAnswer(const TDialogAnswer&) = delete;
  TDialogAnswer& operator=(const TDialogAnswer&) = delete;
  bool Answered() const { return FAnswered; }

 private:
  static constexpr int Interval = 50;
  static TDialogAnswer*& Current() {
    static thread_local TDialogAnswer* current = nullptr;
    return current;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    TDialogAnswer* self = Current();
    if (self == nullptr || self->FAnswered) return;
    HWND dialog = FindThreadWindow(self->FClassName);
    if (dialog == nullptr) {
      if (--self->FTicksLeft <= 0) self->FAnswered = true;  // nothing came
      return;
    }
    self->FAnswered = true;
    self->FAct(dialog);
  }

  const wchar_t* FClassName;
  std::function<void(HWND)> FAct;
  int FTicksLeft;
  UINT_PTR FTimer = 0;
  bool FAnswered = false;
};

}  // namespace zel::test
