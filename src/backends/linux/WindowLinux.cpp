#include "backends/linux/WindowLinux.h"

#include <algorithm>

#include "backends/linux/VisualStylesLinux.h"

namespace zel {
namespace {

constexpr guint PulseIntervalMs = 100;
constexpr guint LeaveFullScreenTimeoutMs = 2000;
constexpr int ProgressBarHeight = 4;

// The theme's progress bar is thicker; the bar must stay a thin line.
constexpr const char* ProgressBarCss =
    "progressbar, progressbar trough, progressbar progress {"
    " min-height: 4px; margin: 0; padding: 0; border: none; border-radius: 0; }";

GdkWindowTypeHint TypeHintOf(TBorderStyle style) {
  switch (style) {
    case TBorderStyle::Dialog:
      return GDK_WINDOW_TYPE_HINT_DIALOG;
    case TBorderStyle::ToolWindow:
    case TBorderStyle::SizeToolWindow:
      return GDK_WINDOW_TYPE_HINT_UTILITY;
    default:
      return GDK_WINDOW_TYPE_HINT_NORMAL;
  }
}

// Whether the user may resize the window. None counts as resizable: it has
// no frame to drag, but a window manager refuses to maximize a fixed-size
// window, and full screen is border None plus maximized.
// The content container's new size goes to the owner, once per change.
void ContentSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer data) {
  static_cast<TLinuxWindow*>(data)->ContentResized(allocation->width, allocation->height);
}

bool ResizableOf(TBorderStyle style) {
  return style == TBorderStyle::None || style == TBorderStyle::Sizeable ||
         style == TBorderStyle::SizeToolWindow;
}

// The buttons of our own title bar for each border style: the window
// manager shows these for the same styles.
const char* DecorationLayoutOf(TBorderStyle style) {
  switch (style) {
    case TBorderStyle::Sizeable:
      return ":minimize,maximize,close";
    case TBorderStyle::Single:
      return ":minimize,close";
    default:
      return ":close";
  }
}

// The edge of the frame under a point of the window, for resizing; the
// corners take a longer stretch of each edge.
bool FrameEdgeAt(int width, int height, int border, double x, double y, GdkWindowEdge& edge) {
  constexpr int Corner = 16;
  const bool left = x < border, right = x >= width - border;
  const bool top = y < border, bottom = y >= height - border;
  if (!left && !right && !top && !bottom) return false;
  const bool nearLeft = x < Corner, nearRight = x >= width - Corner;
  const bool nearTop = y < Corner, nearBottom = y >= height - Corner;
  if ((top && nearLeft) || (left && nearTop))
    edge = GDK_WINDOW_EDGE_NORTH_WEST;
  else if ((top && nearRight) || (right && nearTop))
    edge = GDK_WINDOW_EDGE_NORTH_EAST;
  else if ((bottom && nearLeft) || (left && nearBottom))
    edge = GDK_WINDOW_EDGE_SOUTH_WEST;
  else if ((bottom && nearRight) || (right && nearBottom))
    edge = GDK_WINDOW_EDGE_SOUTH_EAST;
  else if (left)
    edge = GDK_WINDOW_EDGE_WEST;
  else if (right)
    edge = GDK_WINDOW_EDGE_EAST;
  else if (top)
    edge = GDK_WINDOW_EDGE_NORTH;
  else
    edge = GDK_WINDOW_EDGE_SOUTH;
  return true;
}

}  // namespace

TLinuxWindow::TLinuxWindow() {
  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_style_context_add_class(gtk_widget_get_style_context(FWindow),
                              TLinuxHostStyle::MainWindowClass);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  // The title bar of a theme, hidden under the desktop's look.
  FTitleBar = TLinuxHostStyle::NewTitleBar(DecorationLayoutOf(FBorderStyle));
  gtk_widget_show(FTitleBar);
  FTitleBox = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(FTitleBox), FALSE);
  gtk_container_add(GTK_CONTAINER(FTitleBox), FTitleBar);
  gtk_widget_set_no_show_all(FTitleBox, TRUE);
  gtk_box_pack_start(GTK_BOX(box), FTitleBox, FALSE, FALSE, 0);
  g_signal_connect(FTitleBox, "button-press-event", G_CALLBACK(TitleBarButtonPress), this);
  // The content: the web view's host goes in here.
  FContent = gtk_overlay_new();
  gtk_box_pack_start(GTK_BOX(box), FContent, TRUE, TRUE, 0);

  // The bar lies below the content, not over it: each pulse then redraws
  // the bar alone. Over the web view it would redraw the view too, and a
  // view whose engine process is still starting blocks every draw.
  FProgressBar = gtk_progress_bar_new();
  gtk_widget_set_size_request(FProgressBar, -1, ProgressBarHeight);
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, ProgressBarCss, -1, nullptr);
  gtk_style_context_add_provider(gtk_widget_get_style_context(FProgressBar),
                                 GTK_STYLE_PROVIDER(css), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);
  gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(FProgressBar), 0.1);
  gtk_widget_set_no_show_all(FProgressBar, TRUE);
  gtk_box_pack_end(GTK_BOX(box), FProgressBar, FALSE, FALSE, 0);

  gtk_container_add(GTK_CONTAINER(FWindow), box);
  gtk_widget_show(FContent);
  gtk_widget_show(box);

  g_signal_connect(FContent, "size-allocate", G_CALLBACK(ContentSizeAllocate), this);
  g_signal_connect(FWindow, "delete-event", G_CALLBACK(WindowDeleteEvent), this);
  g_signal_connect(FWindow, "window-state-event", G_CALLBACK(WindowStateEvent), this);
  g_signal_connect(FWindow, "configure-event", G_CALLBACK(WindowConfigureEvent), this);
  // The window manager may publish a new frame after the configure event
  // that goes with it: the frame extents property is watched too.
  gtk_widget_add_events(FWindow, GDK_PROPERTY_CHANGE_MASK);
  g_signal_connect(FWindow, "property-notify-event", G_CALLBACK(WindowPropertyEvent), this);
  g_signal_connect(FWindow, "destroy", G_CALLBACK(WindowDestroy), this);
  gtk_widget_add_events(FWindow,
                        GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK);
  g_signal_connect(FWindow, "button-press-event", G_CALLBACK(WindowButtonPress), this);
  g_signal_connect(FWindow, "motion-notify-event", G_CALLBACK(WindowMotion), this);
  g_signal_connect(FWindow, "leave-notify-event", G_CALLBACK(WindowLeave), this);
  FStyleSubscription = TLinuxHostStyle::Instance().Subscribe([this] { HostStyleChanged(); });

  SetBorderStyle(FBorderStyle);
  RequestSize();
}

TLinuxWindow::~TLinuxWindow() {
  TLinuxHostStyle::Instance().Unsubscribe(FStyleSubscription);
  StopPulse();
  FinishLeavingFullScreen();
  if (FWindow != nullptr) {
    g_signal_handlers_disconnect_by_data(FWindow, this);
    gtk_widget_destroy(FWindow);
  }
}

void TLinuxWindow::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (FWindow) gtk_window_set_title(GTK_WINDOW(FWindow), caption.c_str());
  if (FTitleBar) gtk_header_bar_set_title(GTK_HEADER_BAR(FTitleBar), caption.c_str());
}

bool TLinuxWindow::Mapped() const { return FWindow != nullptr && gtk_widget_get_mapped(FWindow); }

bool TLinuxWindow::MeasureFrame(TWindowBounds& frame, TFrameInsets& insets) const {
  if (!Mapped()) return false;
  GdkWindow* gdkWindow = gtk_widget_get_window(FWindow);
  if (gdkWindow == nullptr) return false;
  // Every figure is asked of the X server now (GDK's cached size may lag
  // behind while the window manager is still changing the window).
  GdkRectangle rect{};
  gdk_window_get_frame_extents(gdkWindow, &rect);
  int x = 0, y = 0, width = 0, height = 0;
  gdk_window_get_origin(gdkWindow, &x, &y);
  gdk_window_get_geometry(gdkWindow, nullptr, nullptr, &width, &height);
  insets = {x - rect.x, y - rect.y, rect.x + rect.width - (x + width),
            rect.y + rect.height - (y + height)};
  if (insets.Left < 0 || insets.Top < 0 || insets.Right < 0 || insets.Bottom < 0) {
    // No usable frame information: the client area is the whole window.
    insets = {};
    frame = {x, y, width, height};
  } else {
    frame = {rect.x, rect.y, rect.width, rect.height};
  }
  return true;
}

bool TLinuxWindow::NormalAndSettled() const {
  return !FFullScreen && !FLeavingFullScreen && FState == TWindowState::Normal &&
         FWindowManagerState == TWindowState::Normal;
}

TWindowBounds TLinuxWindow::Bounds() {
  TWindowBounds frame;
  TFrameInsets insets;
  if (!MeasureFrame(frame, insets)) return FBounds;
  if (FFullScreen) return frame;  // the monitor's, while the normal bounds wait
  // A size, position or return to the normal state still on its way to the
  // window manager is reported as requested: that is what the window will
  // have.
  if (FState == TWindowState::Normal && (FRequestPending || !NormalAndSettled())) return FBounds;
  return frame;
}

TWindowBounds TLinuxWindow::Constrain(TWindowBounds bounds) const {
  // Like a window manager: the maximum first, then the minimum, which wins
  // when the two disagree.
  if (FMaxWidth > 0 && bounds.Width > FMaxWidth) bounds.Width = FMaxWidth;
  if (FMaxHeight > 0 && bounds.Height > FMaxHeight) bounds.Height = FMaxHeight;
  if (FMinWidth > 0 && bounds.Width < FMinWidth) bounds.Width = FMinWidth;
  if (FMinHeight > 0 && bounds.Height < FMinHeight) bounds.Height = FMinHeight;
  return bounds;
}

void TLinuxWindow::ApplySizeHints() {
  if (!FWindow) return;
  GdkGeometry geometry{};
  int mask = 0;
  const int extraWidth = FInsets.Left + FInsets.Right;
  const int extraHeight = FInsets.Top + FInsets.Bottom;
  if (!ResizableOf(FBorderStyle) && FState != TWindowState::Maximized && !FFullScreen) {
    // A fixed size: equal minimum and maximum, so the user cannot drag it
    // while the program can still resize it (GTK's own non-resizable mode
    // pins the window to its content's size instead). A maximized window
    // or full-screen window must be free to take the work area or monitor.
    mask = GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE;
    geometry.min_width = geometry.max_width = std::max(1, FBounds.Width - extraWidth);
    geometry.min_height = geometry.max_height = std::max(1, FBounds.Height - extraHeight);
  } else {
    if (FMinWidth > 0 || FMinHeight > 0) {
      mask |= GDK_HINT_MIN_SIZE;
      // -1: no minimum of ours, GTK uses the content's own.
      geometry.min_width = FMinWidth > 0 ? std::max(1, FMinWidth - extraWidth) : -1;
      geometry.min_height = FMinHeight > 0 ? std::max(1, FMinHeight - extraHeight) : -1;
    }
    if (FMaxWidth > 0 || FMaxHeight > 0) {
      mask |= GDK_HINT_MAX_SIZE;
      geometry.max_width = FMaxWidth > 0 ? std::max(1, FMaxWidth - extraWidth) : G_MAXSHORT;
      geometry.max_height = FMaxHeight > 0 ? std::max(1, FMaxHeight - extraHeight) : G_MAXSHORT;
    }
  }
  // GTK answers every call with a new configure request built from what it
  // last saw, which in the middle of a change of state can undo the window
  // manager's work: only changed hints are sent.
  const THints hints{mask, geometry.min_width, geometry.min_height, geometry.max_width,
                     geometry.max_height};
  if (hints == FHints) return;
  FHints = hints;
  gtk_window_set_geometry_hints(GTK_WINDOW(FWindow), nullptr, &geometry,
                                static_cast<GdkWindowHints>(mask));
}

void TLinuxWindow::RequestSize() {
  if (!FWindow) return;
  const int width = std::max(1, FBounds.Width - FInsets.Left - FInsets.Right);
  const int height = std::max(1, FBounds.Height - FInsets.Top - FInsets.Bottom);
  if (Mapped()) {
    // A shown window that has the size already gets no request (see
    // ApplySizeHints for why).
    int currentWidth = 0, currentHeight = 0;
    gdk_window_get_geometry(gtk_widget_get_window(FWindow), nullptr, nullptr, &currentWidth,
                            &currentHeight);
    if (currentWidth == width && currentHeight == height) return;
  }
  gtk_window_resize(GTK_WINDOW(FWindow), width, height);
}

void TLinuxWindow::RequestPosition(int left, int top) {
  // With the default north-west gravity GTK places the frame's top-left
  // corner, decorations included, at the given point.
  if (FWindow) gtk_window_move(GTK_WINDOW(FWindow), left, top);
}

void TLinuxWindow::SetBounds(const TWindowBounds& bounds) {
  FBounds = Constrain(bounds);
  if (!FWindow) return;
  ApplySizeHints();
  RequestSize();
  // Before the first showing the position is kept but not applied: the
  // window is then centred or placed by the window manager.
  if (FShownBefore) RequestPosition(FBounds.Left, FBounds.Top);
  FRequestPending = Mapped();
}

void TLinuxWindow::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  FMinWidth = std::max(0, minWidth);
  FMinHeight = std::max(0, minHeight);
  FMaxWidth = std::max(0, maxWidth);
  FMaxHeight = std::max(0, maxHeight);
  ApplySizeHints();
  // The current size is brought within the new limits at once.
  const TWindowBounds current = FState == TWindowState::Normal ? Bounds() : FBounds;
  const TWindowBounds constrained = Constrain(current);
  if (constrained.Width != current.Width || constrained.Height != current.Height)
    SetBounds(constrained);
}

// How each border style is realised:
//   None            undecorated; resizable (see ResizableOf)
//   Single          decorated, fixed size, normal window
//   Sizeable        decorated, resizable, normal window
//   Dialog          decorated, fixed size, type hint DIALOG
//   ToolWindow      decorated, fixed size, type hint UTILITY (the window
//                   manager draws its small tool frame where it has one)
//   SizeToolWindow  decorated, resizable, type hint UTILITY
// A fixed size is announced with equal minimum and maximum size hints
// (ApplySizeHints).
// Window managers read the type hint when they take a window on, so a
// changed hint on a shown window is applied by hiding and showing it again.
void TLinuxWindow::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  if (!FWindow) return;
  GtkWindow* window = GTK_WINDOW(FWindow);
  ApplyTitleBar();
  ApplySizeHints();
  const GdkWindowTypeHint hint = TypeHintOf(style);
  if (gtk_window_get_type_hint(window) != hint) {
    if (Visible()) {
      const TWindowBounds bounds = Bounds();
      gtk_widget_hide(FWindow);
      gtk_window_set_type_hint(window, hint);
      RequestPosition(bounds.Left, bounds.Top);
      // Shown again, the window is first reported without a frame until the
      // window manager has framed it anew: those reports are not its size.
      FAwaitingFrame = style != TBorderStyle::None && !(FInsets == TFrameInsets{});
      gtk_widget_show(FWindow);
    } else {
      gtk_window_set_type_hint(window, hint);
    }
  }
  // The frame changes: keep the outer size (the configure handler corrects
  // it again once the new insets are known).
  RequestSize();
}

bool TLinuxWindow::OwnTitleBar() const {
  return TLinuxHostStyle::Instance().Active() != nullptr && FBorderStyle != TBorderStyle::None &&
         !FFullScreen;
}

void TLinuxWindow::ApplyTitleBar() {
  if (!FWindow) return;
  const TThemePalette* palette = TLinuxHostStyle::Instance().Active();
  const bool own = OwnTitleBar();
  // Under a theme the window manager draws no frame at all.
  gtk_window_set_decorated(GTK_WINDOW(FWindow), FBorderStyle != TBorderStyle::None && !palette);
  gtk_widget_set_visible(FTitleBox, own);
  gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(FTitleBar), DecorationLayoutOf(FBorderStyle));
  GtkStyleContext* title = gtk_widget_get_style_context(FTitleBar);
  const bool tool =
      FBorderStyle == TBorderStyle::ToolWindow || FBorderStyle == TBorderStyle::SizeToolWindow;
  if (tool)
    gtk_style_context_add_class(title, TLinuxHostStyle::ToolTitleBarClass);
  else
    gtk_style_context_remove_class(title, TLinuxHostStyle::ToolTitleBarClass);
  GtkStyleContext* window = gtk_widget_get_style_context(FWindow);
  if (own)
    gtk_style_context_add_class(window, TLinuxHostStyle::FramedWindowClass);
  else
    gtk_style_context_remove_class(window, TLinuxHostStyle::FramedWindowClass);
  if (!own) SetFrameCursor(nullptr);
  const int border = own ? palette->FrameWidth : 0;
  if (static_cast<int>(gtk_container_get_border_width(GTK_CONTAINER(FWindow))) != border)
    gtk_container_set_border_width(GTK_CONTAINER(FWindow), border);
}

void TLinuxWindow::HostStyleChanged() {
  if (!FWindow) return;
  // The frame moves from the window manager into the window or back: the
  // outer bounds are asked for again once the new frame is known.
  const bool keepBounds = Visible() && NormalAndSettled();
  const TWindowBounds bounds = Bounds();
  ApplyTitleBar();
  if (keepBounds) SetBounds(bounds);
}

bool TLinuxWindow::ResizeEdgeAt(GdkWindow* surface, double x, double y, GdkWindowEdge& edge) const {
  // Presses and moves over the frame around the box arrive on the window's
  // own surface; those that children left alone bubble up from theirs.
  if (!FWindow || surface != gtk_widget_get_window(FWindow)) return false;
  if (!OwnTitleBar() || !ResizableOf(FBorderStyle) || FState != TWindowState::Normal) return false;
  const int border = static_cast<int>(gtk_container_get_border_width(GTK_CONTAINER(FWindow)));
  return FrameEdgeAt(gtk_widget_get_allocated_width(FWindow),
                     gtk_widget_get_allocated_height(FWindow), border, x, y, edge);
}

gboolean TLinuxWindow::WindowButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  GdkWindowEdge edge;
  if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_PRIMARY ||
      !window->ResizeEdgeAt(event->window, event->x, event->y, edge))
    return FALSE;
  gtk_window_begin_resize_drag(GTK_WINDOW(window->FWindow), edge, static_cast<gint>(event->button),
                               static_cast<gint>(event->x_root), static_cast<gint>(event->y_root),
                               event->time);
  return TRUE;
}

gboolean TLinuxWindow::WindowMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  if (event->window != gtk_widget_get_window(window->FWindow)) return FALSE;
  GdkWindowEdge edge;
  const char* cursor = nullptr;
  if (window->ResizeEdgeAt(event->window, event->x, event->y, edge)) {
    static constexpr const char* Cursors[] = {"nw-resize", "n-resize",  "ne-resize", "w-resize",
                                              "e-resize",  "sw-resize", "s-resize",  "se-resize"};
    cursor = Cursors[edge];
  }
  window->SetFrameCursor(cursor);
  return FALSE;
}

gboolean TLinuxWindow::WindowLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  // Also when the pointer moves on into a child: children without a cursor
  // of their own would show ours.
  if (event->window == gtk_widget_get_window(window->FWindow)) window->SetFrameCursor(nullptr);
  return FALSE;
}

void TLinuxWindow::SetFrameCursor(const char* name) {
  if (name == FFrameCursor || !FWindow) return;
  FFrameCursor = name;
  GdkWindow* surface = gtk_widget_get_window(FWindow);
  if (surface == nullptr) return;
  GdkCursor* cursor =
      name ? gdk_cursor_new_from_name(gdk_window_get_display(surface), name) : nullptr;
  gdk_window_set_cursor(surface, cursor);
  if (cursor) g_object_unref(cursor);
}

gboolean TLinuxWindow::TitleBarButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
  // Dragging the title bar moves the window; a double click maximizes it or
  // gives it back its size, where the border style lets the user resize.
  if (event->type == GDK_2BUTTON_PRESS) {
    if (window->FBorderStyle == TBorderStyle::Sizeable ||
        window->FBorderStyle == TBorderStyle::SizeToolWindow) {
      window->SetState(window->FState == TWindowState::Maximized ? TWindowState::Normal
                                                                 : TWindowState::Maximized);
    }
    return TRUE;
  }
  if (event->type != GDK_BUTTON_PRESS) return FALSE;
  gtk_window_begin_move_drag(GTK_WINDOW(window->FWindow), static_cast<gint>(event->button),
                             static_cast<gint>(event->x_root), static_cast<gint>(event->y_root),
                             event->time);
  return TRUE;
}

void TLinuxWindow::SetState(TWindowState state) {
  // Recorded at once so that a query right after the request answers it;
  // the window manager's next report (WindowStateEvent) replaces it.
  FState = state;
  FStateRequested = Mapped();
  if (!FWindow) return;
  GtkWindow* window = GTK_WINDOW(FWindow);
  switch (state) {
    case TWindowState::Normal:
      gtk_window_deiconify(window);
      gtk_window_unmaximize(window);
      break;
    case TWindowState::Minimized:
      gtk_window_iconify(window);
      break;
    case TWindowState::Maximized:
      ApplySizeHints();  // a fixed size must not keep it from maximizing
      gtk_window_deiconify(window);
      gtk_window_maximize(window);
      break;
  }
  if (state != TWindowState::Maximized) ApplySizeHints();
}

void TLinuxWindow::SetStayOnTop(bool onTop) {
  // GTK does not report the ABOVE state back, so the flag is the record.
  FStayOnTop = onTop;
  if (FWindow) gtk_window_set_keep_above(GTK_WINDOW(FWindow), onTop);
}

void TLinuxWindow::SetFullScreen(bool fullScreen) {
  // The window manager's state covers the monitor, panels included, and
  // gives back the window's own size and place when it ends. Requested
  // before the first showing, the window is shown full screen.
  const bool leaving = FFullScreen && !fullScreen;
  FFullScreen = fullScreen;
  if (!FWindow) return;
  ApplySizeHints();  // a fixed size must not keep it from the monitor's size
  ApplyTitleBar();
  if (fullScreen) {
    FinishLeavingFullScreen();
    gtk_window_fullscreen(GTK_WINDOW(FWindow));
    return;
  }
  gtk_window_unfullscreen(GTK_WINDOW(FWindow));
  if (leaving && Mapped()) {
    // Window managers restore in several steps (openbox moves the window,
    // then frames it, then resizes it), each reported on its own. Until the
    // window has its size back those reports are ignored; a window manager
    // that never restores it gets the request after a while.
    FLeavingFullScreen = true;
    if (FLeaveTimer != 0) g_source_remove(FLeaveTimer);
    FLeaveTimer = g_timeout_add(LeaveFullScreenTimeoutMs, LeavingFullScreenExpired, this);
  }
}

gboolean TLinuxWindow::LeavingFullScreenExpired(gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  window->FLeaveTimer = 0;
  if (!window->FLeavingFullScreen) return G_SOURCE_REMOVE;
  window->FinishLeavingFullScreen();
  if (window->NormalAndSettled()) {
    window->RequestSize();
    window->RequestPosition(window->FBounds.Left, window->FBounds.Top);
    window->FRequestPending = true;
  }
  return G_SOURCE_REMOVE;
}

void TLinuxWindow::FinishLeavingFullScreen() {
  FLeavingFullScreen = false;
  if (FLeaveTimer != 0) g_source_remove(FLeaveTimer);
  FLeaveTimer = 0;
}

TWindowBounds TLinuxWindow::CenteredBounds() const {
  TWindowBounds bounds = FBounds;
  GdkDisplay* display = gtk_widget_get_display(FWindow);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0)
    monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return bounds;
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  // A window larger than the work area keeps its caption on the screen.
  bounds.Left = std::max(area.x, area.x + (area.width - bounds.Width) / 2);
  bounds.Top = std::max(area.y, area.y + (area.height - bounds.Height) / 2);
  return bounds;
}

void TLinuxWindow::Show() {
  if (!FWindow || Visible()) return;
  if (!FShownBefore) {
    FShownBefore = true;
    if (FCentered) {
      FBounds = CenteredBounds();
      RequestPosition(FBounds.Left, FBounds.Top);
    }
  } else {
    RequestPosition(FBounds.Left, FBounds.Top);
  }
  FClosed = false;
  gtk_widget_show(FWindow);
}

void TLinuxWindow::Hide() {
  if (!FWindow || !Visible()) return;
  TWindowBounds frame;
  TFrameInsets insets;
  if (NormalAndSettled() && !FRequestPending && MeasureFrame(frame, insets)) FBounds = frame;
  FRequestPending = false;
  gtk_widget_hide(FWindow);
}

bool TLinuxWindow::Visible() { return FWindow != nullptr && gtk_widget_get_visible(FWindow); }

void TLinuxWindow::BringToFront() {
  if (!Mapped()) return;
  if (GdkWindow* gdkWindow = gtk_widget_get_window(FWindow)) gdk_window_raise(gdkWindow);
}

void TLinuxWindow::Focus() {
  if (FWindow) gtk_window_present(GTK_WINDOW(FWindow));
}

void TLinuxWindow::Close() {
  if (!FWindow) return;
  if (FCloseQuery && !FCloseQuery()) return;
  CloseNow();
}

void TLinuxWindow::CloseNow() {
  Hide();
  if (FClosed) return;
  FClosed = true;
  // The handler may destroy this window: call a copy and touch nothing after.
  const auto handler = FOnClosed;
  if (handler) handler();
}

IMenuView& TLinuxWindow::MenuBar() {
  if (!FMenuBar) {
    GtkWidget* bar = gtk_menu_bar_new();
    // Above the content, in the client area the window already has: the
    // content shrinks, the outer size stays.
    if (FContent) {
      GtkWidget* box = gtk_widget_get_parent(FContent);
      gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
      gtk_box_reorder_child(GTK_BOX(box), bar, 1);  // below the title bar
    }
    FMenuBar = std::make_unique<TLinuxMenuView>(GTK_MENU_SHELL(bar));
  }
  return *FMenuBar;
}

void TLinuxWindow::SetProgressBarVisible(bool visible) {
  if (!FProgressBar) return;
  gtk_widget_set_visible(FProgressBar, visible);
  if (visible && FPulseTimer == 0) {
    FPulseTimer = g_timeout_add(PulseIntervalMs, ProgressBarPulse, this);
  } else if (!visible) {
    StopPulse();
  }
}

void TLinuxWindow::StopPulse() {
  if (FPulseTimer != 0) g_source_remove(FPulseTimer);
  FPulseTimer = 0;
}

gboolean TLinuxWindow::ProgressBarPulse(gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  if (window->FProgressBar == nullptr) {
    window->FPulseTimer = 0;
    return G_SOURCE_REMOVE;
  }
  gtk_progress_bar_pulse(GTK_PROGRESS_BAR(window->FProgressBar));
  return G_SOURCE_CONTINUE;
}

gboolean TLinuxWindow::WindowDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  // Handled here in every case: GTK's default would destroy the widget that
  // this object owns.
  if (!window->FCloseQuery || window->FCloseQuery()) window->CloseNow();
  return TRUE;
}

TWindowState TLinuxWindow::StateOf(GdkWindowState state) {
  if (state & GDK_WINDOW_STATE_ICONIFIED) return TWindowState::Minimized;
  if (state & GDK_WINDOW_STATE_MAXIMIZED) return TWindowState::Maximized;
  return TWindowState::Normal;
}

void TLinuxWindow::TakeWindowManagerState(TWindowState state) {
  const TWindowState previous = FState;
  FWindowManagerState = state;
  FState = state;
  // Fixed-size hints are lifted while maximized.
  if ((previous == TWindowState::Maximized) != (state == TWindowState::Maximized)) ApplySizeHints();
}

gboolean TLinuxWindow::WindowStateEvent(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  // A hidden window keeps the state it will be shown in.
  if (event->new_window_state & GDK_WINDOW_STATE_WITHDRAWN) return FALSE;
  window->FStateRequested = false;
  window->TakeWindowManagerState(StateOf(event->new_window_state));
  return FALSE;
}

gboolean TLinuxWindow::WindowConfigureEvent(GtkWidget*, GdkEventConfigure*, gpointer self) {
  static_cast<TLinuxWindow*>(self)->FrameChanged(true);
  return FALSE;
}

gboolean TLinuxWindow::WindowPropertyEvent(GtkWidget*, GdkEventProperty* event, gpointer self) {
  static const GdkAtom extents = gdk_atom_intern_static_string("_NET_FRAME_EXTENTS");
  if (event->atom == extents) static_cast<TLinuxWindow*>(self)->FrameChanged(false);
  return FALSE;
}

// From a configure event (`configured`), which answers a request of ours, or
// from a new frame extents property, which only changes the insets.
void TLinuxWindow::FrameChanged(bool configured) {
  TWindowBounds frame;
  TFrameInsets insets;
  if (!MeasureFrame(frame, insets)) return;
  if (FAwaitingFrame) {
    if (insets == TFrameInsets{}) return;
    FAwaitingFrame = false;
  }
  if (FLeavingFullScreen) {
    GdkWindow* gdkWindow = gtk_widget_get_window(FWindow);
    const bool stillFullScreen = (gdk_window_get_state(gdkWindow) & GDK_WINDOW_STATE_FULLSCREEN) != 0;
    if (stillFullScreen || frame.Width != FBounds.Width || frame.Height != FBounds.Height) {
      FInsets = insets;
      return;
    }
    FinishLeavingFullScreen();
  }
  if (!configured) {
    if (insets == FInsets) return;
  } else {
    FRequestPending = false;
  }
  // GDK reports a state only when it differs from the one it saw last, so a
  // change undone before GDK saw it goes unreported: the window's state is
  // read again here, unless a request of ours is still unanswered.
  const TWindowState current =
      StateOf(gdk_window_get_state(gtk_widget_get_window(FWindow)));
  if (FStateRequested && current == FState) FStateRequested = false;
  if (!FStateRequested && current != FState)
    TakeWindowManagerState(current);
  if (!(insets == FInsets)) {
    // The frame is known now, or has changed with the border style or the
    // state: in the normal state ask again for the client size that gives
    // the requested outer size.
    FInsets = insets;
    ApplySizeHints();
    if (NormalAndSettled()) {
      RequestSize();
      FRequestPending = true;
    }
    return;
  }
  // Only the normal state's bounds are kept: they are restored after
  // maximizing, and a change of state may still be on its way.
  if (configured && NormalAndSettled()) FBounds = frame;
}

void TLinuxWindow::WindowDestroy(GtkWidget*, gpointer self) {
  auto* window = static_cast<TLinuxWindow*>(self);
  window->StopPulse();
  window->FinishLeavingFullScreen();
  window->FWindow = nullptr;
  window->FContent = nullptr;
  window->FProgressBar = nullptr;
  window->FTitleBox = nullptr;
  window->FTitleBar = nullptr;
}

void TLinuxWindow::ContentResized(int width, int height) {
  if (width == FContentWidth && height == FContentHeight) return;
  FContentWidth = width;
  FContentHeight = height;
  if (FOnContentResized) FOnContentResized(width, height);
}

}  // namespace zel
