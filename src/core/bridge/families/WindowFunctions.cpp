// The app.* functions that act on the window and the window.* functions.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/WindowStyles.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/settings/ProjectIni.h"
#include "core/text/HexDigits.h"
#include "core/text/StrUtils.h"
#include "platform/Platform.h"

namespace zel {
namespace {

IWindow& MainWindow(const TBridgeCall& call) {
  IWindow* window = call.Module.MainForm();
  if (!window) throw EError("No main window");
  return *window;
}

IBrowserAccess& Browser(const TBridgeCall& call) {
  IBrowserAccess* browser = call.Module.BrowserForm();
  if (!browser) throw EError("No browser");
  return *browser;
}

std::string Quoted(std::string_view text) { return TStrUtils::StringToJsonString(text); }

// The leading integer of `text`: optional blanks, an optional sign, then
// decimal digits ("$" or "0x" introduces hexadecimal ones) up to the first
// other character; no digits give 0.
int LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) break;
    value = value * base + digit;
    if (value > 0xFFFFFFFFLL) value = 0xFFFFFFFFLL;  // saturate instead of overflowing
  }
  if (base == 16) value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  else value = std::min<std::int64_t>(value, 0x7FFFFFFF);
  return static_cast<int>(negative ? -value : value);
}

// Shortest general form with up to 15 significant digits, in the user's
// decimal separator.
std::string FormatZoom(double factor, const std::string& decimalSeparator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", factor);
  std::string text = buffer;
  const auto point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, decimalSeparator);
  return text;
}

// A decimal number with "." as separator and no thousands separator.
std::optional<double> ParseZoom(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

void ReplyTrue(const TBridgeCall& call) { call.Success("true"); }

}  // namespace

void RegisterWindowFunctions(TBridgeDispatcher& d) {
  d.Register({50002, "app.inFullscreen", false, [](const TBridgeCall& call) {
                call.Success(call.Module.InFullscreen() ? "true" : "false");
              }});
  // No reply.
  // No reply. The window manager's full-screen state covers the whole
  // monitor without a frame (maximized without a border would stay inside
  // the desktop's panels); the window's border and state stay as they are
  // underneath.
  d.Register({50003, "app.enterFullscreen", true, [](const TBridgeCall& call) {
                if (call.Module.InFullscreen()) return;
                call.Module.SetInFullscreen(true);
                MainWindow(call).SetFullScreen(true);
              }});
  // No reply. The window is back as it was: border, state, size and place.
  d.Register({50004, "app.exitFullscreen", true, [](const TBridgeCall& call) {
                if (!call.Module.InFullscreen()) return;
                call.Module.SetInFullscreen(false);
                MainWindow(call).SetFullScreen(false);
              }});
  d.Register({50005, "app.getArgs", true, [](const TBridgeCall& call) {
                std::string result = "[";
                for (const std::string& item : call.Module.CommandLine()) {
                  if (result.size() > 1) result += ",";
                  result += Quoted(item);
                }
                call.Success(result + "]");
              }});
  d.Register({50006, "app.navigate", false, [](const TBridgeCall& call) {
                const std::string url = ReadTextArgument(call.Data, "url");
                if (url.empty()) return call.FailureText("Missing url");
                Browser(call).Navigate(url);
                ReplyTrue(call);
              }});

  d.Register({60001, "window.getStyle", false, [](const TBridgeCall& call) {
                call.Success(MainWindow(call).StayOnTop() ? "\"ontop\"" : "\"normal\"");
              }});
  d.Register({60002, "window.setStyle", true, [](const TBridgeCall& call) {
                MainWindow(call).SetStayOnTop(ReadTextArgument(call.Data, "style", "normal") == "ontop");
                ReplyTrue(call);
              }});
  d.Register({60003, "window.getState", true, [](const TBridgeCall& call) {
                call.Success(Quoted(WindowStateName(MainWindow(call).State())));
              }});
  d.Register({60004, "window.setState", true, [](const TBridgeCall& call) {
                const std::string state = ReadTextArgument(call.Data, "state", "normal");
                IWindow& window = MainWindow(call);
                const bool tray = call.Module.TrayIconVisible();
                if (state == "normal" || state == "maximized") {
                  window.SetState(state == "normal" ? TWindowState::Normal : TWindowState::Maximized);
                  if (tray) {
                    window.Show();
                    window.BringToFront();
                  }
                } else if (state == "minimized") {
                  window.SetState(TWindowState::Minimized);
                  if (tray) window.Hide();  // it lives on in the tray
                }
                ReplyTrue(call);
              }});
  d.Register({60005, "window.getTitle", false, [](const TBridgeCall& call) {
                call.SuccessText(MainWindow(call).Caption());
              }});
  d.Register({60006, "window.setTitle", true, [](const TBridgeCall& call) {
                MainWindow(call).SetCaption(ReadTextArgument(call.Data, "title"));
                ReplyTrue(call);
              }});
  d.Register({60007, "window.getZoom", false, [](const TBridgeCall& call) {
                call.SuccessText(FormatZoom(Browser(call).ZoomFactor(),
                                            call.Module.Platform().Locale().DecimalSeparator()));
              }});
  d.Register({60008, "window.setZoom", false, [](const TBridgeCall& call) {
                const auto factor = ParseZoom(ReadTextArgument(call.Data, "factor"));
                Browser(call).SetZoomFactor(factor.value_or(1.0));
                call.Success(factor ? "true" : "false");
              }});
  d.Register({60009, "window.getSize", true, [](const TBridgeCall& call) {
                const TWindowBounds b = MainWindow(call).Bounds();
                call.Success("{\"top\": " + std::to_string(b.Top) + ", \"left\": " + std::to_string(b.Left) +
                             ", \"width\": " + std::to_string(b.Width) + ", \"height\": " +
                             std::to_string(b.Height) + "}");
              }});
  d.Register({60010, "window.setSize", true, [](const TBridgeCall& call) {
                IWindow& window = MainWindow(call);
                const TWindowBounds current = window.Bounds();
                const auto read = [&](const char* key, int value) {
                  return LeadingInteger(ReadTextArgument(call.Data, key, std::to_string(value)));
                };
                TWindowBounds bounds;
                bounds.Top = read("top", current.Top);
                bounds.Left = read("left", current.Left);
                bounds.Width = read("width", current.Width);
                bounds.Height = read("height", current.Height);
                window.SetBounds(bounds);
                ReplyTrue(call);
              }});
  d.Register({60011, "window.getBorder", true, [](const TBridgeCall& call) {
                call.Success(Quoted(BorderStyleName(MainWindow(call).BorderStyle())));
              }});
  // No reply.
  d.Register({60012, "window.setBorder", true, [](const TBridgeCall& call) {
                if (const auto style = BorderStyleFromName(ReadTextArgument(call.Data, "border", "sizeable"))) {
                  MainWindow(call).SetBorderStyle(*style);
                }
              }});
}

}  // namespace zel
