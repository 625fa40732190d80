#include "backends/linux/StartupWindowsLinux.h"

#include <gtk/gtk.h>

#include <cmath>
#include <optional>

#include "backends/linux/ActivityIndicatorLinux.h"
#include "backends/linux/ToolkitLinux.h"
#include "backends/linux/VisualStylesLinux.h"
#include "core/Colors.h"
#include "core/Error.h"
#include "platform/MessageBoxes.h"

namespace zel {
namespace {

void RequireToolkit() {
  if (!TLinuxToolkit::EnsureInitialized())
    throw EError("Cannot open the display: the application needs a graphical session.");
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  g_byte_array_append(static_cast<GByteArray*>(closure), data, length);
  return CAIRO_STATUS_SUCCESS;
}

// The key in the entry's text colour, as a PNG icon large enough for
// displays of twice the usual density; GTK scales it to the icon size.
void SetKeyIcon(GtkWidget* entry) {
  GdkRGBA color;
  GtkStyleContext* style = gtk_widget_get_style_context(entry);
  gtk_style_context_get_color(style, gtk_style_context_get_state(style), &color);
  constexpr int Size = 64;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Size, Size);
  cairo_t* cr = cairo_create(surface);
  DrawVectorShapes(cr, KeyShapes(Size), color.red, color.green, color.blue);
  cairo_destroy(cr);
  GByteArray* png = g_byte_array_new();
  cairo_surface_write_to_png_stream(surface, AppendPng, png);
  cairo_surface_destroy(surface);
  GBytes* bytes = g_byte_array_free_to_bytes(png);
  GIcon* icon = g_bytes_icon_new(bytes);
  g_bytes_unref(bytes);
  gtk_entry_set_icon_from_gicon(GTK_ENTRY(entry), GTK_ENTRY_ICON_PRIMARY, icon);
  g_object_unref(icon);
}

// A fixed-size top-level window centred on the screen, named `name` (also
// its style class) for themes.
GtkWidget* NewStartupWindow(const char* name, GdkWindowTypeHint typeHint) {
  RequireToolkit();
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_set_name(window, name);
  gtk_style_context_add_class(gtk_widget_get_style_context(window), name);
  gtk_window_set_type_hint(GTK_WINDOW(window), typeHint);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  return window;
}

class TLinuxPasswordPrompt : public IPasswordPrompt {
 public:
  explicit TLinuxPasswordPrompt(const TPasswordPromptLayout& layout) {
    FWindow = NewStartupWindow("zel-password-prompt", GDK_WINDOW_TYPE_HINT_DIALOG);
    // A dialog frame with a close box only: no minimize or maximize.
    g_signal_connect(FWindow, "realize", G_CALLBACK(WindowRealize), nullptr);

    GtkWidget* client = gtk_fixed_new();
    gtk_widget_set_size_request(client, layout.ClientWidth, layout.ClientHeight);
    FEdit = gtk_entry_new();
    gtk_widget_set_name(FEdit, "zel-password-edit");
    gtk_entry_set_visibility(GTK_ENTRY(FEdit), FALSE);
    gtk_entry_set_invisible_char(GTK_ENTRY(FEdit), '*');
    gtk_entry_set_input_purpose(GTK_ENTRY(FEdit), GTK_INPUT_PURPOSE_PASSWORD);
    gtk_entry_set_icon_activatable(GTK_ENTRY(FEdit), GTK_ENTRY_ICON_PRIMARY, FALSE);
    gtk_widget_set_size_request(FEdit, layout.EditWidth, layout.EditHeight);
    gtk_fixed_put(GTK_FIXED(client), FEdit, layout.EditLeft, layout.EditTop);
    gtk_container_add(GTK_CONTAINER(FWindow), client);
    gtk_widget_show_all(client);
    gtk_widget_grab_focus(FEdit);

    // The key follows the theme's text colour.
    g_signal_connect(FEdit, "style-updated", G_CALLBACK(EditStyleUpdated), nullptr);
    SetKeyIcon(FEdit);
    g_signal_connect(FEdit, "key-release-event", G_CALLBACK(EditKeyRelease), this);
    g_signal_connect(FWindow, "delete-event", G_CALLBACK(WindowDelete), this);
  }

  ~TLinuxPasswordPrompt() override {
    if (FLoop != nullptr) g_main_loop_quit(FLoop);
    gtk_widget_destroy(FWindow);
  }

  void SetCaption(const std::string& caption) override {
    gtk_window_set_title(GTK_WINDOW(FWindow), caption.c_str());
  }

  std::string EditText() override { return gtk_entry_get_text(GTK_ENTRY(FEdit)); }

  void SetOnEditKeyUp(std::function<void()> handler) override { FOnKeyUp = std::move(handler); }

  int ShowModal() override {
    FResult = 0;
    // Under a theme the prompt wears its title bar, with the caption set.
    TLinuxHostStyle::Instance().ThemeHostWindow(GTK_WINDOW(FWindow));
    gtk_window_present(GTK_WINDOW(FWindow));
    gtk_widget_grab_focus(FEdit);
    // A nested main loop, as a modal dialog runs one: the rest of the user
    // interface keeps working while the prompt waits.
    FLoop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(FLoop);
    g_main_loop_unref(FLoop);
    FLoop = nullptr;
    return FResult;
  }

  void EndModal(int result) override {
    FResult = result;
    gtk_widget_hide(FWindow);
    if (FLoop != nullptr) g_main_loop_quit(FLoop);
  }

 private:
  static void WindowRealize(GtkWidget* window, gpointer) {
    gdk_window_set_functions(gtk_widget_get_window(window),
                             static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
  }

  static void EditStyleUpdated(GtkWidget* edit, gpointer) { SetKeyIcon(edit); }

  static gboolean EditKeyRelease(GtkWidget*, GdkEventKey*, gpointer data) {
    auto* self = static_cast<TLinuxPasswordPrompt*>(data);
    if (self->FOnKeyUp) self->FOnKeyUp();
    return FALSE;
  }

  // The close box: the prompt ends with "cancel" and is hidden by EndModal.
  static gboolean WindowDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<TLinuxPasswordPrompt*>(data)->EndModal(ModalResultCancel);
    return TRUE;
  }

  GtkWidget* FWindow = nullptr;
  GtkWidget* FEdit = nullptr;
  GMainLoop* FLoop = nullptr;
  int FResult = 0;
  std::function<void()> FOnKeyUp;
};

class TLinuxBusyWindow : public IBusyWindow {
 public:
  explicit TLinuxBusyWindow(const TBusyWindowLayout& layout) : FLayout(layout) {
    // A splash screen to window managers: no frame, kept in view, centred.
    FWindow = NewStartupWindow("zel-busy-window", GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
    gtk_window_set_decorated(GTK_WINDOW(FWindow), FALSE);
    FCanvas = gtk_drawing_area_new();
    gtk_widget_set_size_request(FCanvas, layout.ClientWidth, layout.ClientHeight);
    gtk_container_add(GTK_CONTAINER(FWindow), FCanvas);
    gtk_widget_show(FCanvas);
    g_signal_connect(FCanvas, "draw", G_CALLBACK(CanvasDraw), this);
    g_signal_connect(FWindow, "realize", G_CALLBACK(WindowRealize), nullptr);
    g_signal_connect(FWindow, "delete-event", G_CALLBACK(WindowDelete), this);
    // One frame per frame of the display, while the window is shown.
    gtk_widget_add_tick_callback(FCanvas, CanvasTick, this, nullptr);
  }

  ~TLinuxBusyWindow() override { gtk_widget_destroy(FWindow); }

  void SetColor(std::int32_t color) override {
    FColor = color;
    gtk_widget_queue_draw(FCanvas);
  }
  void SetIndicatorColor(TActivityIndicatorColor color) override { FIndicatorColor = color; }
  void SetIndicatorType(TActivityIndicatorType type) override { FIndicatorType = type; }
  void SetCloseQuery(std::function<bool()> query) override { FCloseQuery = std::move(query); }
  void Show() override { gtk_widget_show(FWindow); }

 private:
  // The accent colours follow the desktop's theme; the rest are the
  // classic defaults.
  TRgbColor Background() {
    GtkStyleContext* style = gtk_widget_get_style_context(FWindow);
    return ColorToRgb(FColor, [style](int index) -> std::optional<TRgbColor> {
      if (index != SystemColorHotLight && index != SystemColorHighlight &&
          index != SystemColorMenuHighlight)
        return std::nullopt;
      GdkRGBA accent;
      if (!gtk_style_context_lookup_color(style, "theme_selected_bg_color", &accent))
        return std::nullopt;
      return TRgbColor{static_cast<std::uint8_t>(accent.red * 255 + 0.5),
                       static_cast<std::uint8_t>(accent.green * 255 + 0.5),
                       static_cast<std::uint8_t>(accent.blue * 255 + 0.5)};
    });
  }

  static gboolean CanvasDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<TLinuxBusyWindow*>(data);
    const TRgbColor background = self->Background();
    cairo_set_source_rgb(cr, background.Red / 255.0, background.Green / 255.0,
                         background.Blue / 255.0);
    cairo_paint(cr);
    cairo_translate(cr, self->FLayout.IndicatorLeft, self->FLayout.IndicatorTop);
    DrawActivityIndicator(cr, self->FIndicatorType, self->FIndicatorColor,
                          self->FLayout.IndicatorSize, self->FSeconds);
    return TRUE;
  }

  static gboolean CanvasTick(GtkWidget* canvas, GdkFrameClock* clock, gpointer data) {
    auto* self = static_cast<TLinuxBusyWindow*>(data);
    const gint64 now = gdk_frame_clock_get_frame_time(clock);
    if (self->FStart == 0) self->FStart = now;
    self->FSeconds = static_cast<double>(now - self->FStart) / G_USEC_PER_SEC;
    gtk_widget_queue_draw(canvas);
    return G_SOURCE_CONTINUE;
  }

  // The "application starting" cursor: an arrow with a busy sign.
  static void WindowRealize(GtkWidget* window, gpointer) {
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow), "progress");
    gdk_window_set_cursor(gdkWindow, cursor);
    if (cursor != nullptr) g_object_unref(cursor);
  }

  static gboolean WindowDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<TLinuxBusyWindow*>(data);
    const bool allowed = !self->FCloseQuery || self->FCloseQuery();
    if (allowed) gtk_widget_hide(self->FWindow);
    return TRUE;
  }

  TBusyWindowLayout FLayout;
  GtkWidget* FWindow = nullptr;
  GtkWidget* FCanvas = nullptr;
  std::int32_t FColor = 0;
  TActivityIndicatorColor FIndicatorColor = TActivityIndicatorColor::White;
  TActivityIndicatorType FIndicatorType = TActivityIndicatorType::MomentumDots;
  std::function<bool()> FCloseQuery;
  gint64 FStart = 0;
  double FSeconds = 0;
};

}  // namespace

std::unique_ptr<IBusyWindow> TLinuxStartupWindows::CreateBusyWindow(
    const TBusyWindowLayout& layout) {
  return std::make_unique<TLinuxBusyWindow>(layout);
}

std::unique_ptr<IPasswordPrompt> TLinuxStartupWindows::CreatePasswordPrompt(
    const TPasswordPromptLayout& layout) {
  return std::make_unique<TLinuxPasswordPrompt>(layout);
}

}  // namespace zel
