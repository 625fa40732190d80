#include "backends/win32/StartupWindowsWin32.h"

#include <commctrl.h>

#include <algorithm>

#include "backends/win32/ToolkitWin32.h"
#include "backends/win32/VectorShapesWin32.h"
#include "backends/win32/VisualStylesWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"
#include "core/Colors.h"
#include "platform/MessageBoxes.h"

namespace zel {
namespace {

constexpr UINT_PTR FrameTimer = 1;
constexpr UINT FrameIntervalMs = 16;

// Outer bounds for a client area of `width` x `height`, centred on the work area.
RECT CentredWindowRect(DWORD style, DWORD exStyle, int width, int height) {
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  const RECT area = Win32Toolkit::WorkAreaOf(nullptr);
  const int outerWidth = rect.right - rect.left, outerHeight = rect.bottom - rect.top;
  const int left = std::max<int>(area.left, area.left + (area.right - area.left - outerWidth) / 2);
  const int top = std::max<int>(area.top, area.top + (area.bottom - area.top - outerHeight) / 2);
  return {left, top, left + outerWidth, top + outerHeight};
}

HWND NewStartupWindow(const wchar_t* className, DWORD style, DWORD exStyle, int clientWidth,
                      int clientHeight, const wchar_t* cursor, TWin32MessageTarget* target) {
  const RECT rect = CentredWindowRect(style, exStyle, clientWidth, clientHeight);
  TWin32WindowParams params;
  params.ClassName = className;
  params.Style = style;
  params.ExStyle = exStyle;
  params.Left = rect.left;
  params.Top = rect.top;
  params.Width = rect.right - rect.left;
  params.Height = rect.bottom - rect.top;
  params.Cursor = cursor;
  return Win32Toolkit::CreateTargetWindow(params, target);
}

// The font of message boxes, for the prompt's edit.
HFONT NewMessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

class TWin32PasswordPrompt : public IPasswordPrompt, private TWin32MessageTarget {
 public:
  explicit TWin32PasswordPrompt(const TPasswordPromptLayout& layout) {
    // A dialog frame with a close box only: no minimize or maximize.
    FWindow = NewStartupWindow(L"ZelPasswordPrompt", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                               WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW, layout.ClientWidth,
                               layout.ClientHeight, nullptr, this);
    FEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
                            layout.EditLeft, layout.EditTop, layout.EditWidth, layout.EditHeight,
                            FWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    FFont = NewMessageFont();
    if (FFont) SendMessageW(FEdit, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    SendMessageW(FEdit, EM_SETPASSWORDCHAR, L'*', 0);
    // Room for the key inside the edit's left edge.
    RECT client{};
    GetClientRect(FEdit, &client);
    FKeySize = std::max(8, static_cast<int>(client.bottom) - 4);
    SendMessageW(FEdit, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(FKeySize + 4, 0));
    SetWindowSubclass(FEdit, EditProc, 0, reinterpret_cast<DWORD_PTR>(this));
    FStyleSubscription = TWin32HostStyle::Instance().Subscribe([this] { StyleChanged(); });
    TWin32HostStyle::Instance().ThemeFrame(FWindow);
  }

  ~TWin32PasswordPrompt() override {
    TWin32HostStyle::Instance().Unsubscribe(FStyleSubscription);
    FDone = true;
    RemoveWindowSubclass(FEdit, EditProc, 0);
    DestroyWindow(FWindow);
    if (FFont) DeleteObject(FFont);
  }

  void SetCaption(const std::string& caption) override {
    SetWindowTextW(FWindow, WideOf(caption).c_str());
  }

  std::string EditText() override {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(FEdit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(FEdit, text.data(), static_cast<int>(text.size()))));
    return Utf8Of(text);
  }

  void SetOnEditKeyUp(std::function<void()> handler) override { FOnKeyUp = std::move(handler); }

  int ShowModal() override {
    FResult = 0;
    FDone = false;
    ShowWindow(FWindow, SW_SHOW);
    SetForegroundWindow(FWindow);
    SetFocus(FEdit);
    // A nested message loop, as a modal dialog runs one: the rest of the
    // user interface keeps working while the prompt waits.
    MSG message;
    while (!FDone) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got <= 0) {
        // The program is quitting: the outer loop must see WM_QUIT too.
        if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
        EndModal(ModalResultCancel);
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return FResult;
  }

  void EndModal(int result) override {
    FResult = result;
    FDone = true;
    ShowWindow(FWindow, SW_HIDE);
    PostMessageW(FWindow, WM_NULL, 0, 0);  // wakes the loop
  }

  HWND Handle() const { return FWindow; }

 private:
  void StyleChanged() {
    TWin32HostStyle::Instance().ThemeFrame(FWindow);
    RedrawWindow(FWindow, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
  }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    TWin32HostStyle& style = TWin32HostStyle::Instance();
    switch (message) {
      case WM_CLOSE:
        // The close box: the prompt ends with "cancel".
        EndModal(ModalResultCancel);
        return 0;
      case WM_ERASEBKGND: {
        RECT rect;
        GetClientRect(window, &rect);
        FillRect(reinterpret_cast<HDC>(wParam), &rect,
                 style.Brush(&TThemePalette::Face, COLOR_BTNFACE));
        return 1;
      }
      case WM_CTLCOLOREDIT: {
        auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, style.Color(&TThemePalette::FieldText, COLOR_WINDOWTEXT));
        SetBkColor(dc, style.Color(&TThemePalette::Field, COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(style.Brush(&TThemePalette::Field, COLOR_WINDOW));
      }
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) SetFocus(FEdit);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR data) {
    auto* self = reinterpret_cast<TWin32PasswordPrompt*>(data);
    switch (message) {
      case WM_CHAR:
        // A single-line edit beeps at Enter and Escape: the prompt has no
        // button for them.
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
        break;
      case WM_KEYUP: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        // The handler may end the prompt: call a copy.
        const auto handler = self->FOnKeyUp;
        if (handler) handler();
        return result;
      }
      case WM_PAINT: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        self->DrawKey(edit);
        return result;
      }
      default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
  }

  // The key in the edit's text colour, in its left margin.
  void DrawKey(HWND edit) {
    HDC dc = GetDC(edit);
    RECT client{};
    GetClientRect(edit, &client);
    const int top = (client.bottom - FKeySize) / 2;
    const COLORREF color =
        TWin32HostStyle::Instance().Color(&TThemePalette::FieldText, COLOR_WINDOWTEXT);
    DrawVectorShapes(dc, KeyShapes(FKeySize), color, 2, top);
    ReleaseDC(edit, dc);
  }

  HWND FWindow = nullptr;
  HWND FEdit = nullptr;
  HFONT FFont = nullptr;
  int FKeySize = 16;
  int FStyleSubscription = 0;
  bool FDone = true;
  int FResult = 0;
  std::function<void()> FOnKeyUp;
};

class TWin32BusyWindow : public IBusyWindow, private TWin32MessageTarget {
 public:
  explicit TWin32BusyWindow(const TBusyWindowLayout& layout) : FLayout(layout) {
    FWindow = NewStartupWindow(L"ZelBusyWindow", WS_POPUP, WS_EX_APPWINDOW, layout.ClientWidth,
                               layout.ClientHeight, IDC_APPSTARTING, this);
  }

  ~TWin32BusyWindow() override { DestroyWindow(FWindow); }

  void SetColor(std::int32_t color) override {
    FColor = color;
    InvalidateRect(FWindow, nullptr, FALSE);
  }
  void SetIndicatorColor(TActivityIndicatorColor color) override { FIndicatorColor = color; }
  void SetIndicatorType(TActivityIndicatorType type) override { FIndicatorType = type; }
  void SetCloseQuery(std::function<bool()> query) override { FCloseQuery = std::move(query); }
  void Show() override {
    ShowWindow(FWindow, SW_SHOW);
    UpdateWindow(FWindow);
    SetTimer(FWindow, FrameTimer, FrameIntervalMs, nullptr);
  }

  // The background: the setting's colour, a system colour as Windows has it.
  COLORREF Background() const {
    const TRgbColor rgb = ColorToRgb(FColor, [](int index) -> std::optional<TRgbColor> {
      if (index < 0 || index > COLOR_MENUBAR) return std::nullopt;
      const COLORREF color = GetSysColor(index);
      return TRgbColor{GetRValue(color), GetGValue(color), GetBValue(color)};
    });
    return RGB(rgb.Red, rgb.Green, rgb.Blue);
  }

 private:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_TIMER:
        if (FStart == 0) FStart = GetTickCount64();
        InvalidateRect(window, nullptr, FALSE);
        return 0;
      case WM_ERASEBKGND:
        return 1;  // painted whole, without flicker
      case WM_PAINT:
        Paint(window);
        return 0;
      case WM_CLOSE:
        if (!FCloseQuery || FCloseQuery()) {
          KillTimer(window, FrameTimer);
          ShowWindow(window, SW_HIDE);
        }
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    // Drawn off screen, then copied in one step.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HBRUSH background = CreateSolidBrush(Background());
    FillRect(memory, &client, background);
    DeleteObject(background);
    const double seconds = FStart == 0 ? 0.0 : (GetTickCount64() - FStart) / 1000.0;
    const COLORREF indicator =
        FIndicatorColor == TActivityIndicatorColor::Black ? RGB(0, 0, 0) : RGB(255, 255, 255);
    DrawVectorShapes(memory,
                     ActivityIndicatorShapes(FIndicatorType, FLayout.IndicatorSize, seconds),
                     indicator, FLayout.IndicatorLeft, FLayout.IndicatorTop);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &paint);
  }

  TBusyWindowLayout FLayout;
  HWND FWindow = nullptr;
  std::int32_t FColor = 0;
  TActivityIndicatorColor FIndicatorColor = TActivityIndicatorColor::White;
  TActivityIndicatorType FIndicatorType = TActivityIndicatorType::MomentumDots;
  std::function<bool()> FCloseQuery;
  ULONGLONG FStart = 0;
};

}  // namespace

std::unique_ptr<IPasswordPrompt> TWin32StartupWindows::CreatePasswordPrompt(
    const TPasswordPromptLayout& layout) {
  return std::make_unique<TWin32PasswordPrompt>(layout);
}

std::unique_ptr<IBusyWindow> TWin32StartupWindows::CreateBusyWindow(
    const TBusyWindowLayout& layout) {
  return std::make_unique<TWin32BusyWindow>(layout);
}

}  // namespace zel
