#pragma once
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "backends/linux/MenuViewLinux.h"
#include "platform/Window.h"

namespace zel {

// A GTK 3 top-level window: a vertical box (room for a menu bar above the
// content) holding a GtkOverlay, the content container, whose overlay child
// is the thin progress bar along the bottom edge.
//
// While a theme of ours is active (TLinuxHostStyle) the window draws its own
// title bar: the window manager's frame is switched off and a header bar at
// the top of the box, in the theme's colours, shows the caption and the
// buttons the border style allows; a border of the theme's width around the
// box is the frame, dragged to resize where the style allows it. The outer
// size and place stay as they were.
//
// Geometry is that of the outer frame as the X server sees it, decorations
// included; GTK sizes the client area, so the frame's insets are measured
// once the window manager has framed the window and every size is
// converted. Requests the window manager has not answered yet are reported
// as requested.
class TLinuxWindow : public IWindow {
 public:
  // The toolkit must be initialized.
  TLinuxWindow();
  ~TLinuxWindow() override;
  TLinuxWindow(const TLinuxWindow&) = delete;
  TLinuxWindow& operator=(const TLinuxWindow&) = delete;

  void SetCaption(const std::string& caption) override;
  std::string Caption() override { return FCaption; }
  void SetBounds(const TWindowBounds& bounds) override;
  TWindowBounds Bounds() override;
  void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) override;
  void SetCentered(bool centered) override { FCentered = centered; }
  void SetBorderStyle(TBorderStyle style) override;
  TBorderStyle BorderStyle() override { return FBorderStyle; }
  void SetState(TWindowState state) override;
  TWindowState State() override { return FState; }
  void SetStayOnTop(bool onTop) override;
  bool StayOnTop() override { return FStayOnTop; }
  void SetFullScreen(bool fullScreen) override;
  bool FullScreen() override { return FFullScreen; }
  void Show() override;
  void Hide() override;
  bool Visible() override;
  void BringToFront() override;
  void Focus() override;
  void Close() override;
  void SetCloseQuery(TCloseQuery query) override { FCloseQuery = std::move(query); }
  void SetOnClosed(std::function<void()> handler) override { FOnClosed = std::move(handler); }
  // Reports the content container's size (from its size-allocate signal).
  void ContentResized(int width, int height);
  void SetOnContentResized(std::function<void(int width, int height)> handler) override {
    FOnContentResized = std::move(handler);
  }
  TNativeHandle ContentHandle() override { return FContent; }
  void SetProgressBarVisible(bool visible) override;
  // A GtkMenuBar at the top of the window's box; the content keeps the rest.
  IMenuView& MenuBar() override;

  GtkWindow* Handle() const { return FWindow ? GTK_WINDOW(FWindow) : nullptr; }

 private:
  // Sizes of the window manager's frame around the client area.
  struct TFrameInsets {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TFrameInsets&) const = default;
  };

  // The size hints last given to GTK.
  struct THints {
    int Mask = 0;
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
    bool operator==(const THints&) const = default;
  };

  static gboolean WindowButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean WindowMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
  static gboolean WindowLeave(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  // The edge of our frame under a point of the window's own surface, where
  // the user may resize the window there.
  bool ResizeEdgeAt(GdkWindow* surface, double x, double y, GdkWindowEdge& edge) const;
  void SetFrameCursor(const char* name);
  static gboolean TitleBarButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  // The theme changed: switch the title bar, keeping the outer bounds.
  void HostStyleChanged();
  // Shows the title bar of the theme, or leaves the frame to the window
  // manager, as the theme, the border style and full screen require.
  void ApplyTitleBar();
  bool OwnTitleBar() const;
  static gboolean WindowDeleteEvent(GtkWidget* widget, GdkEvent* event, gpointer self);
  static gboolean WindowStateEvent(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
  static gboolean WindowConfigureEvent(GtkWidget* widget, GdkEventConfigure* event, gpointer self);
  static gboolean WindowPropertyEvent(GtkWidget* widget, GdkEventProperty* event, gpointer self);
  void FrameChanged(bool configured);
  static void WindowDestroy(GtkWidget* widget, gpointer self);
  static gboolean ProgressBarPulse(gpointer self);
  static gboolean LeavingFullScreenExpired(gpointer self);
  // The window is back from full screen: its normal bounds are learnt again.
  void FinishLeavingFullScreen();

  static TWindowState StateOf(GdkWindowState state);
  void TakeWindowManagerState(TWindowState state);
  bool Mapped() const;
  // The normal state requested and confirmed by the window manager, outside
  // full screen.
  bool NormalAndSettled() const;
  // The frame rectangle and insets as the X server has them now.
  bool MeasureFrame(TWindowBounds& frame, TFrameInsets& insets) const;
  // Width and height brought within the size limits.
  TWindowBounds Constrain(TWindowBounds bounds) const;
  void ApplySizeHints();
  // Asks for the client size that gives the outer size of FBounds.
  void RequestSize();
  void RequestPosition(int left, int top);
  TWindowBounds CenteredBounds() const;
  void CloseNow();
  void StopPulse();

  GtkWidget* FWindow = nullptr;
  GtkWidget* FContent = nullptr;
  GtkWidget* FProgressBar = nullptr;
  GtkWidget* FTitleBox = nullptr;  // an event box around the title bar, for dragging
  GtkWidget* FTitleBar = nullptr;
  int FStyleSubscription = 0;
  const char* FFrameCursor = nullptr;  // the resize cursor shown over our frame
  guint FPulseTimer = 0;
  guint FLeaveTimer = 0;

  std::string FCaption;
  // The outer bounds last requested or, while the window is shown in the
  // normal state, last reported by the window manager.
  TWindowBounds FBounds{0, 0, 800, 600};
  TFrameInsets FInsets;
  THints FHints;
  bool FRequestPending = false;  // a move or resize not answered yet
  bool FAwaitingFrame = false;   // shown again, the window manager's frame not there yet
  int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
  bool FCentered = false;
  bool FShownBefore = false;
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  // The state last requested or reported, and the state the window manager
  // last reported.
  TWindowState FState = TWindowState::Normal;
  TWindowState FWindowManagerState = TWindowState::Normal;
  bool FStateRequested = false;  // a change of state asked for and not yet reported
  bool FStayOnTop = false;
  bool FFullScreen = false;  // as requested, like FStayOnTop
  // Full screen ended and the window manager has not yet given the window
  // its normal size back: the frames it reports on the way are not the
  // window's bounds.
  bool FLeavingFullScreen = false;
  bool FClosed = false;
  TCloseQuery FCloseQuery;
  std::function<void()> FOnClosed;
  std::function<void(int width, int height)> FOnContentResized;
  int FContentWidth = -1, FContentHeight = -1;
  std::unique_ptr<TLinuxMenuView> FMenuBar;
};

}  // namespace zel
