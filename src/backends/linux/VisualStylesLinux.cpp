#include "backends/linux/VisualStylesLinux.h"

#include <vector>

#include "backends/linux/ToolkitLinux.h"

namespace zel {
namespace {

// "@name" in the template is replaced by the palette's value. Every rule is
// scoped to our own windows: the main window (.zel-main), which sets no
// colour that its children would inherit, since the web view's engine reads
// its widget's style for some system colours of the page, and the other
// windows the host shows (.zel-host).
constexpr const char* StyleSheetTemplate = R"css(
window.zel-host, dialog.zel-host, messagedialog.zel-host {
  background-color: @Face; background-image: none; color: @Text; }
window.zel-main.zel-framed { background-color: @Frame; }
.zel-host label { color: @Text; }

headerbar.zel-titlebar {
  background-color: @TitleBar; background-image: linear-gradient(to bottom, @TitleBar, @TitleBarEnd);
  color: @TitleText; border: none; border-radius: 0; box-shadow: none;
  min-height: 28px; padding: 0 4px; }
headerbar.zel-titlebar:backdrop {
  background-image: linear-gradient(to bottom, mix(@TitleBar, @Face, 0.35), mix(@TitleBarEnd, @Face, 0.35));
  color: alpha(@TitleText, 0.75); }
headerbar.zel-titlebar .title, headerbar.zel-titlebar label { color: inherit; font-weight: bold; }
headerbar.zel-titlebar.zel-tool { min-height: 20px; }
headerbar.zel-titlebar.zel-tool .title { font-size: smaller; }
headerbar.zel-titlebar button.titlebutton {
  background: none; border: none; box-shadow: none; color: inherit; -gtk-icon-shadow: none;
  min-width: 22px; min-height: 22px; padding: 1px; margin: 0 1px; border-radius: @Radiuspx; }
headerbar.zel-titlebar.zel-tool button.titlebutton { min-width: 16px; min-height: 16px; padding: 0; }
headerbar.zel-titlebar button.titlebutton:hover { background-color: alpha(@TitleText, 0.18); }
headerbar.zel-titlebar button.titlebutton:active { background-color: alpha(@TitleText, 0.3); }
headerbar.zel-titlebar button.titlebutton.close:hover { background-color: #c42b1c; color: #ffffff; }
.zel-host.csd decoration {
  border-radius: 0; box-shadow: none; margin: 0; border: @FrameWidthpx solid @Frame; }
window.zel-host.solid-csd, dialog.zel-host.solid-csd, messagedialog.zel-host.solid-csd {
  margin: 0; padding: @FrameWidthpx; border: none; box-shadow: inset 0 0 0 @FrameWidthpx @Frame; }
.zel-host.solid-csd decoration { border: none; border-radius: 0; box-shadow: none; }

window.zel-main menubar { background-color: @Face; background-image: none; color: @Text;
  box-shadow: none; border-bottom: 1px solid mix(@Face, @Frame, 0.4); }
window.zel-main menubar > menuitem { color: @Text; }
window.zel-main menubar > menuitem:hover { background-color: @Accent; color: @AccentText; box-shadow: none; }
window.zel-main menubar > menuitem:disabled { color: alpha(@Text, 0.5); }
window.zel-main menubar > menuitem label { color: inherit; }

window.zel-main progressbar trough { background-color: @Face; background-image: none; }
window.zel-main progressbar progress {
  background-color: @Accent; background-image: none; border-color: @Accent; }

.zel-host button:not(.titlebutton) {
  background-color: @Button; background-image: none; color: @ButtonText; text-shadow: none;
  -gtk-icon-shadow: none; box-shadow: none; border: 1px solid mix(@Button, @Frame, 0.45);
  border-radius: @Radiuspx; }
.zel-host button:not(.titlebutton):hover { background-color: shade(@Button, 1.08); }
.zel-host button:not(.titlebutton):active { background-color: shade(@Button, 0.9); }
.zel-host button.default, .zel-host button.suggested-action {
  background-color: @Accent; color: @AccentText; border-color: shade(@Accent, 0.8); }
.zel-host button label { color: inherit; }
.zel-host entry {
  background-color: @Field; background-image: none; color: @FieldText; caret-color: @FieldText;
  border: 1px solid mix(@Field, @Frame, 0.5); border-radius: @Radiuspx; box-shadow: none; }
.zel-host entry:focus { border-color: @Accent; }
.zel-host selection { background-color: @Accent; color: @AccentText; }
)css";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

std::string StyleSheetOf(const TThemePalette& palette) {
  std::string sheet = StyleSheetTemplate;
  // Longer names first, so that @TitleBarEnd is not read as @TitleBar.
  const std::vector<std::pair<std::string, std::string>> values = {
      {"@TitleBarEnd", palette.TitleBarEnd},
      {"@TitleText", palette.TitleText},
      {"@TitleBar", palette.TitleBar},
      {"@FrameWidth", std::to_string(palette.FrameWidth)},
      {"@Frame", palette.Frame},
      {"@Face", palette.Face},
      {"@Text", palette.Text},
      {"@ButtonText", palette.ButtonText},
      {"@Button", palette.Button},
      {"@AccentText", palette.AccentText},
      {"@Accent", palette.Accent},
      {"@FieldText", palette.FieldText},
      {"@Field", palette.Field},
      {"@Radius", std::to_string(palette.Radius)},
  };
  for (const auto& [name, value] : values) ReplaceAll(sheet, name, value);
  return sheet;
}

GtkWidget* TLinuxHostStyle::NewTitleBar(const char* decorationLayout) {
  GtkWidget* bar = gtk_header_bar_new();
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), TRUE);
  gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(bar), decorationLayout);
  gtk_style_context_add_class(gtk_widget_get_style_context(bar), TitleBarClass);
  return bar;
}

TLinuxHostStyle& TLinuxHostStyle::Instance() {
  static TLinuxHostStyle instance;
  return instance;
}

void TLinuxHostStyle::Apply(const TThemePalette* palette) {
  if (palette)
    FActive = *palette;
  else
    FActive.reset();
  LoadStyleSheet();
  FSubscribers.Notify();
}

void TLinuxHostStyle::LoadStyleSheet() {
  // Without a display nothing is drawn; the palette is kept for the windows
  // that a later display would show.
  if (!TLinuxToolkit::EnsureInitialized()) return;
  GdkScreen* screen = gdk_screen_get_default();
  if (screen == nullptr) return;
  if (FProvider == nullptr) {
    FProvider = gtk_css_provider_new();
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(FProvider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  // Loading new data restyles every widget at once; empty data is the
  // desktop's own look.
  const std::string sheet = FActive ? StyleSheetOf(*FActive) : std::string();
  gtk_css_provider_load_from_data(FProvider, sheet.c_str(), -1, nullptr);
}

void TLinuxHostStyle::ThemeHostWindow(GtkWindow* window) {
  if (!FActive || window == nullptr || gtk_widget_get_realized(GTK_WIDGET(window))) return;
  gtk_style_context_add_class(gtk_widget_get_style_context(GTK_WIDGET(window)), HostWindowClass);
  // A title bar drawn by the window itself, in the theme's colours.
  GtkWidget* bar = NewTitleBar(":close");
  gtk_header_bar_set_title(GTK_HEADER_BAR(bar), gtk_window_get_title(window));
  gtk_widget_show(bar);
  gtk_window_set_titlebar(window, bar);
}

std::string TLinuxVisualStyles::ActiveStyle() {
  const TThemePalette* active = TLinuxHostStyle::Instance().Active();
  return active ? active->Name : std::string(SystemStyleName);
}

void TLinuxVisualStyles::Apply(const TThemePalette* palette) {
  TLinuxHostStyle::Instance().Apply(palette);
}

}  // namespace zel
