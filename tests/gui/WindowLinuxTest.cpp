// The GTK window, main loop and message boxes on a real X display with a
// window manager. What the X server has is read back with xwininfo and xprop,
// independently of GDK.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#include "X11Access.h"
#include "backends/linux/MessageBoxesLinux.h"
#include "backends/linux/ToolkitLinux.h"
#include "backends/linux/UserInterfaceLinux.h"
#include "backends/linux/VisualStylesLinux.h"
#include "backends/linux/WindowLinux.h"

namespace zel {

static void PrintTo(const TWindowBounds& b, std::ostream* os) {
  *os << b.Left << "," << b.Top << " " << b.Width << "x" << b.Height;
}

namespace {

constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 1024;

// Runs the main loop until `done` holds or a generous limit passes; the limit
// only keeps a broken window manager from hanging the test.
bool PumpUntil(const std::function<bool()>& done) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    if (done()) return true;
    if (std::chrono::steady_clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Lets the window manager answer what was asked so far.
void Settle() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
}

std::string Run(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

unsigned long XidOf(TLinuxWindow& window) { return test::XidOf(GTK_WIDGET(window.Handle())); }

// The outer frame as the X server has it: the top-level ancestor of the
// client window (the window manager's frame), as xwininfo reports it.
TWindowBounds XFrame(TLinuxWindow& window) {
  test::SyncX();
  const auto field = [](const std::string& info, const std::string& label) {
    std::smatch match;
    const std::regex pattern(label + ":?\\s+(-?\\w+)");
    return std::regex_search(info, match, pattern) ? match[1].str() : std::string();
  };
  std::string id = std::to_string(XidOf(window));
  for (int depth = 0; depth < 8; ++depth) {
    const std::string tree = Run("xwininfo -tree -id " + id);
    const std::string parent = field(tree, "Parent window id");
    if (parent.empty() || parent == field(tree, "Root window id")) break;
    id = parent;
  }
  const std::string info = Run("xwininfo -id " + id);
  const auto number = [&](const char* label) {
    const std::string value = field(info, label);
    return value.empty() ? -99999 : std::stoi(value);
  };
  return {number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
          number("Height")};
}

std::string XProperty(TLinuxWindow& window, const char* name) {
  test::SyncX();
  return Run("xprop -id " + std::to_string(XidOf(window)) + " " + name);
}

class LinuxWindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(TLinuxToolkit::EnsureInitialized()); }

  std::unique_ptr<TLinuxWindow> ShownWindow(TWindowBounds bounds, bool centered = false) {
    auto window = std::make_unique<TLinuxWindow>();
    window->SetCaption("zel window test");
    window->SetBounds(bounds);
    window->SetCentered(centered);
    window->Show();
    TLinuxWindow* w = window.get();
    EXPECT_TRUE(PumpUntil([&] {
      const TWindowBounds frame = XFrame(*w);
      return gtk_widget_get_mapped(GTK_WIDGET(w->Handle())) && frame.Width == bounds.Width &&
             frame.Height == bounds.Height;
    })) << "the window did not reach its outer size";
    Settle();
    return window;
  }
};

TEST_F(LinuxWindowTest, OuterBoundsIncludeTheFrame) {
  auto window = ShownWindow({100, 80, 640, 480});
  // The window manager placed it; its frame has the requested outer size.
  EXPECT_EQ(window->Bounds(), XFrame(*window));
  int clientWidth = 0, clientHeight = 0;
  gtk_window_get_size(window->Handle(), &clientWidth, &clientHeight);
  EXPECT_LT(clientHeight, 480);  // the caption bar is part of the outer height

  const TWindowBounds moved{150, 120, 500, 400};
  window->SetBounds(moved);
  EXPECT_EQ(window->Bounds(), moved);  // as requested while the answer is on its way
  EXPECT_TRUE(PumpUntil([&] { return XFrame(*window) == moved; })) << "X has other bounds";
  Settle();
  EXPECT_EQ(window->Bounds(), moved);
}

TEST_F(LinuxWindowTest, CentredOnTheScreenWhenFirstShown) {
  auto window = ShownWindow({5, 5, 800, 600}, /*centered=*/true);
  const TWindowBounds frame = XFrame(*window);
  EXPECT_EQ(frame, (TWindowBounds{(ScreenWidth - 800) / 2, (ScreenHeight - 600) / 2, 800, 600}));
  EXPECT_EQ(window->Bounds(), frame);
}

TEST_F(LinuxWindowTest, SizeLimitsBringTheSizeWithinAtOnce) {
  auto window = ShownWindow({100, 100, 800, 600});
  const auto sizeIs = [&](int width, int height) {
    return PumpUntil([&] {
      const TWindowBounds frame = XFrame(*window);
      return frame.Width == width && frame.Height == height;
    });
  };
  window->SetSizeLimits(1000, 0, 0, 0);
  EXPECT_TRUE(sizeIs(1000, 600)) << XFrame(*window).Width;
  window->SetSizeLimits(0, 0, 600, 500);
  EXPECT_TRUE(sizeIs(600, 500));
  window->SetBounds({100, 100, 900, 900});
  Settle();
  EXPECT_TRUE(sizeIs(600, 500));
  EXPECT_EQ(window->Bounds().Width, 600);
  window->SetSizeLimits(0, 0, 0, 0);
  window->SetBounds({100, 100, 900, 700});
  EXPECT_TRUE(sizeIs(900, 700));
}

TEST_F(LinuxWindowTest, BorderStylesKeepTheOuterSize) {
  struct TCase {
    TBorderStyle Style;
    const char* WindowType;
    bool Decorated;
    bool Resizable;
  };
  const TCase cases[] = {
      {TBorderStyle::Single, "_NET_WM_WINDOW_TYPE_NORMAL", true, false},
      {TBorderStyle::Dialog, "_NET_WM_WINDOW_TYPE_DIALOG", true, false},
      {TBorderStyle::ToolWindow, "_NET_WM_WINDOW_TYPE_UTILITY", true, false},
      {TBorderStyle::SizeToolWindow, "_NET_WM_WINDOW_TYPE_UTILITY", true, true},
      {TBorderStyle::None, "_NET_WM_WINDOW_TYPE_NORMAL", false, true},
      {TBorderStyle::Sizeable, "_NET_WM_WINDOW_TYPE_NORMAL", true, true},
  };
  auto window = ShownWindow({200, 150, 640, 480});
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Style));
    window->SetBorderStyle(c.Style);
    EXPECT_EQ(window->BorderStyle(), c.Style);
    EXPECT_TRUE(PumpUntil([&] {
      const TWindowBounds frame = XFrame(*window);
      return frame.Width == 640 && frame.Height == 480 &&
             XProperty(*window, "_NET_WM_WINDOW_TYPE").find(c.WindowType) != std::string::npos;
    })) << XProperty(*window, "_NET_WM_WINDOW_TYPE");
    Settle();
    // A fixed size is announced to the window manager as equal minimum and
    // maximum sizes.
    const std::string hints = XProperty(*window, "WM_NORMAL_HINTS");
    std::smatch min, max;
    const bool hasMin = std::regex_search(hints, min, std::regex("minimum size: (\\d+) by (\\d+)"));
    const bool hasMax = std::regex_search(hints, max, std::regex("maximum size: (\\d+) by (\\d+)"));
    const bool fixed = hasMin && hasMax && min[1] == max[1] && min[2] == max[2];
    EXPECT_EQ(fixed, !c.Resizable) << hints;
    int clientWidth = 0, clientHeight = 0;
    gtk_window_get_size(window->Handle(), &clientWidth, &clientHeight);
    EXPECT_EQ(clientHeight == 480, !c.Decorated);
    EXPECT_EQ(XFrame(*window).Width, 640);
  }
}

TEST_F(LinuxWindowTest, StateIsTrackedFromTheWindowManager) {
  auto window = ShownWindow({100, 100, 640, 480});
  const TWindowBounds normal = XFrame(*window);
  window->SetState(TWindowState::Maximized);
  EXPECT_EQ(window->State(), TWindowState::Maximized);
  EXPECT_TRUE(PumpUntil([&] { return XFrame(*window).Width == ScreenWidth; }));
  Settle();
  EXPECT_EQ(window->Bounds().Width, ScreenWidth);

  window->SetState(TWindowState::Normal);
  EXPECT_TRUE(PumpUntil([&] { return XFrame(*window) == normal; }))
      << "the normal bounds did not come back";
  EXPECT_EQ(window->State(), TWindowState::Normal);

  // Changes made outside the window object are seen too.
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window->Handle()));
  EXPECT_TRUE(
      PumpUntil([&] { return !(gdk_window_get_state(gdkWindow) & GDK_WINDOW_STATE_MAXIMIZED); }));
  gtk_window_maximize(window->Handle());
  EXPECT_TRUE(PumpUntil([&] { return window->State() == TWindowState::Maximized; }));
  gtk_window_unmaximize(window->Handle());
  EXPECT_TRUE(PumpUntil([&] { return window->State() == TWindowState::Normal; }));
  gtk_window_iconify(window->Handle());
  EXPECT_TRUE(PumpUntil([&] { return window->State() == TWindowState::Minimized; }));
  window->SetState(TWindowState::Normal);
  EXPECT_TRUE(PumpUntil(
      [&] { return XProperty(*window, "_NET_WM_STATE").find("HIDDEN") == std::string::npos; }));
}

TEST_F(LinuxWindowTest, StayOnTopIsRecordedAndSent) {
  auto window = ShownWindow({100, 100, 400, 300});
  window->SetStayOnTop(true);
  EXPECT_TRUE(window->StayOnTop());
  EXPECT_TRUE(PumpUntil([&] {
    return XProperty(*window, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE") != std::string::npos;
  }));
  window->SetStayOnTop(false);
  EXPECT_FALSE(window->StayOnTop());
  EXPECT_TRUE(PumpUntil([&] {
    return XProperty(*window, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE") == std::string::npos;
  }));
}

TEST_F(LinuxWindowTest, CloseQueryDecidesAndClosedIsReportedOnce) {
  auto window = ShownWindow({100, 100, 400, 300});
  bool allow = false;
  int asked = 0, closed = 0;
  window->SetCloseQuery([&] {
    ++asked;
    return allow;
  });
  window->SetOnClosed([&] { ++closed; });
  gtk_window_close(window->Handle());  // as the close box does
  Settle();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window->Visible());
  allow = true;
  gtk_window_close(window->Handle());
  EXPECT_TRUE(PumpUntil([&] { return closed == 1; }));
  EXPECT_FALSE(window->Visible());
  window->Close();
  EXPECT_EQ(closed, 1);
}

// The bar lies below the content rather than over it, so its pulses never
// redraw the web view; the content gets the whole client area back when the
// bar hides.
TEST_F(LinuxWindowTest, ProgressBarIsAThinLineAlongTheBottomBelowTheContent) {
  auto window = ShownWindow({100, 100, 400, 300});
  GtkWidget* content = static_cast<GtkWidget*>(window->ContentHandle());
  GtkWidget* box = gtk_widget_get_parent(content);
  ASSERT_TRUE(GTK_IS_BOX(box));
  GtkWidget* bar = nullptr;
  gtk_container_forall(
      GTK_CONTAINER(box),
      [](GtkWidget* child, gpointer found) {
        if (GTK_IS_PROGRESS_BAR(child)) *static_cast<GtkWidget**>(found) = child;
      },
      &bar);
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(gtk_widget_get_visible(bar));
  const int clientHeight = gtk_widget_get_allocated_height(box);
  EXPECT_EQ(gtk_widget_get_allocated_height(content), clientHeight);

  window->SetProgressBarVisible(true);
  Settle();
  int x = -1, y = -1;
  ASSERT_TRUE(gtk_widget_translate_coordinates(bar, box, 0, 0, &x, &y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(gtk_widget_get_allocated_height(bar), 4);
  EXPECT_EQ(gtk_widget_get_allocated_width(bar), gtk_widget_get_allocated_width(box));
  EXPECT_EQ(y + 4, clientHeight);
  EXPECT_EQ(gtk_widget_get_allocated_height(content), clientHeight - 4);

  window->SetProgressBarVisible(false);
  Settle();
  EXPECT_FALSE(gtk_widget_get_visible(bar));
  EXPECT_EQ(gtk_widget_get_allocated_height(content), clientHeight);
}

TEST_F(LinuxWindowTest, TasksFromOtherThreadsRunInTheMainLoop) {
  TLinuxUserInterface ui;
  std::thread::id ranOn;
  std::thread worker([&] {
    ui.RunOnUiThread([&] {
      ranOn = std::this_thread::get_id();
      ui.Quit();
    });
  });
  ui.Run();  // returns at Quit
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// What a message box showed, and how the test answered it.
struct TDialogSeen {
  std::string Title;
  std::map<int, std::string> Buttons;  // result -> caption
  GtkMessageType Type = GTK_MESSAGE_OTHER;
};

GtkWidget* FindMessageDialog() {
  GtkWidget* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next)
    if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data)))
      found = GTK_WIDGET(item->data);
  g_list_free(windows);
  return found;
}

TEST_F(LinuxWindowTest, MessageBoxesReplaceCaptionsAndMapClosingToCancel) {
  enum class TAnswer { FirstButton, SecondButton, EscapeKey, CloseBox };
  struct TCase {
    const char* Name;
    TButtonSet Buttons;
    std::vector<std::string> Captions;
    TAnswer Answer;
    int Expected;
    std::map<int, std::string> ExpectedButtons;
  };
  const TCase cases[] = {
      {"Yes replaced", TButtonSet::Yes, {"Aceptar"}, TAnswer::FirstButton, 6, {{6, "Aceptar"}}},
      {"Cancel replaced",
       TButtonSet::YesCancel,
       {"Aceptar", "Cancelar"},
       TAnswer::SecondButton,
       2,
       {{6, "Aceptar"}, {2, "Cancelar"}}},
      {"Escape",
       TButtonSet::YesCancel,
       {"Accept", "Cancel"},
       TAnswer::EscapeKey,
       2,
       {{6, "Accept"}, {2, "Cancel"}}},
      {"close box", TButtonSet::Yes, {"Accept"}, TAnswer::CloseBox, 2, {{6, "Accept"}}},
      {"fewer captions than buttons",
       TButtonSet::YesCancel,
       {"Only"},
       TAnswer::FirstButton,
       6,
       {{6, "Only"}, {2, "_Cancel"}}},
      {"Close set", TButtonSet::Close, {}, TAnswer::FirstButton, 8, {{8, "_Close"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TDialogSeen seen;
    struct TContext {
      const TCase* Case;
      TDialogSeen* Seen;
    } context{&c, &seen};
    g_timeout_add(
        50,
        [](gpointer data) -> gboolean {
          auto* context = static_cast<TContext*>(data);
          GtkWidget* dialog = FindMessageDialog();
          if (dialog == nullptr) return G_SOURCE_CONTINUE;
          context->Seen->Title = gtk_window_get_title(GTK_WINDOW(dialog));
          g_object_get(dialog, "message-type", &context->Seen->Type, nullptr);
          GtkWidget* first = nullptr;
          for (int result : {1, 2, 6, 8}) {
            GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), result);
            if (button == nullptr) continue;
            context->Seen->Buttons[result] = gtk_button_get_label(GTK_BUTTON(button));
            if (first == nullptr || result == 6) first = button;
          }
          switch (context->Case->Answer) {
            case TAnswer::FirstButton:
              gtk_button_clicked(GTK_BUTTON(first));
              break;
            case TAnswer::SecondButton:
              gtk_button_clicked(
                  GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), 2)));
              break;
            case TAnswer::EscapeKey:
              g_spawn_command_line_async("xdotool key Escape", nullptr);
              break;
            case TAnswer::CloseBox:
              gtk_window_close(GTK_WINDOW(dialog));
              break;
          }
          return G_SOURCE_REMOVE;
        },
        &context);
    TLinuxMessageBoxes boxes;
    const int result = boxes.Show("Text of the message", TMessageKind::Confirmation, c.Buttons,
                                  c.Captions, "Título");
    EXPECT_EQ(result, c.Expected);
    EXPECT_EQ(seen.Title, "Título");
    EXPECT_EQ(seen.Type, GTK_MESSAGE_QUESTION);
    EXPECT_EQ(seen.Buttons, c.ExpectedButtons);
  }
}

// A palette with a wide frame, so that the frame can be grabbed.
TThemePalette TestPalette() {
  return {"Test",    "#103050", "#0a2038", "#ffffff", "#000000", "#f0f0f0", "#101010", "#e0e0e0",
          "#101010", "#2060c0", "#ffffff", "#ffffff", "#101010", 3,         6};
}

// The mapped header bar of our title bars inside `widget`, or null.
GtkWidget* FindTitleBar(GtkWidget* widget) {
  if (GTK_IS_HEADER_BAR(widget) && gtk_widget_get_mapped(widget) &&
      gtk_style_context_has_class(gtk_widget_get_style_context(widget),
                                  TLinuxHostStyle::TitleBarClass))
    return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item && !found; item = item->next)
    found = FindTitleBar(GTK_WIDGET(item->data));
  g_list_free(children);
  if (!found && GTK_IS_WINDOW(widget) && gtk_window_get_titlebar(GTK_WINDOW(widget)))
    found = FindTitleBar(gtk_window_get_titlebar(GTK_WINDOW(widget)));
  return found;
}

TEST_F(LinuxWindowTest, UnderAThemeTheWindowDrawsItsTitleBarAndKeepsItsOuterBounds) {
  auto window = ShownWindow({100, 80, 500, 360});
  window->SetCaption("Themed caption");
  const TWindowBounds before = XFrame(*window);
  ASSERT_EQ(FindTitleBar(GTK_WIDGET(window->Handle())), nullptr);
  const TThemePalette palette = TestPalette();
  TLinuxHostStyle::Instance().Apply(&palette);
  EXPECT_TRUE(PumpUntil([&] {
    return XProperty(*window, "_NET_FRAME_EXTENTS").find("= 0, 0, 0, 0") != std::string::npos &&
           XFrame(*window) == before;
  })) << "no frame of our own at the old bounds: "
      << XProperty(*window, "_NET_FRAME_EXTENTS");
  Settle();
  EXPECT_EQ(XFrame(*window), before);
  EXPECT_EQ(window->Bounds(), before);
  GtkWidget* bar = FindTitleBar(GTK_WIDGET(window->Handle()));
  ASSERT_NE(bar, nullptr);
  EXPECT_STREQ(gtk_header_bar_get_title(GTK_HEADER_BAR(bar)), "Themed caption");
  EXPECT_STREQ(gtk_header_bar_get_decoration_layout(GTK_HEADER_BAR(bar)),
               ":minimize,maximize,close");

  // The frame of the theme resizes the window: drag the bottom right corner.
  const std::string corner = std::to_string(before.Left + before.Width - 2) + " " +
                             std::to_string(before.Top + before.Height - 2);
  g_spawn_command_line_async(
      ("sh -c 'xdotool mousemove " + corner +
       " mousedown 1 sleep 0.2 mousemove_relative 40 30 sleep 0.2 mouseup 1'")
          .c_str(),
      nullptr);
  EXPECT_TRUE(PumpUntil([&] {
    const TWindowBounds frame = XFrame(*window);
    return frame.Width == before.Width + 40 && frame.Height == before.Height + 30;
  })) << "the frame did not resize the window";
  Settle();
  const TWindowBounds resized = XFrame(*window);

  // A fixed size shows no maximize button.
  window->SetBorderStyle(TBorderStyle::Single);
  Settle();
  EXPECT_STREQ(gtk_header_bar_get_decoration_layout(GTK_HEADER_BAR(bar)), ":minimize,close");
  window->SetBorderStyle(TBorderStyle::Sizeable);
  Settle();

  // Back to the desktop's look: the window manager's frame at the same bounds.
  TLinuxHostStyle::Instance().Apply(nullptr);
  EXPECT_TRUE(PumpUntil([&] {
    return XProperty(*window, "_NET_FRAME_EXTENTS").find("= 0, 0, 0, 0") == std::string::npos &&
           XFrame(*window) == resized;
  })) << "the window manager's frame did not come back at the same bounds";
  EXPECT_EQ(FindTitleBar(GTK_WIDGET(window->Handle())), nullptr);
}

TEST_F(LinuxWindowTest, MessageBoxesWearTheThemesTitleBar) {
  const TThemePalette palette = TestPalette();
  TLinuxHostStyle::Instance().Apply(&palette);
  std::string title;
  g_timeout_add(
      50,
      [](gpointer data) -> gboolean {
        GtkWidget* dialog = FindMessageDialog();
        if (dialog == nullptr) return G_SOURCE_CONTINUE;
        if (GtkWidget* bar = FindTitleBar(dialog))
          *static_cast<std::string*>(data) = gtk_header_bar_get_title(GTK_HEADER_BAR(bar));
        gtk_window_close(GTK_WINDOW(dialog));
        return G_SOURCE_REMOVE;
      },
      &title);
  TLinuxMessageBoxes boxes;
  boxes.Show("Text", TMessageKind::Error, TButtonSet::Close, {}, "Error");
  TLinuxHostStyle::Instance().Apply(nullptr);
  EXPECT_EQ(title, "Error");
}

}  // namespace
}  // namespace zel
