#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "BridgeTestSupport.h"
#include "backends/linux/ShellLinux.h"

// Xlib last: its macros (Success, None, Bool) clash with other headers.
#include <X11/Xlib.h>

extern char** environ;

namespace zel {
namespace {

// An X server of its own for one test; skipped when Xvfb cannot start.
class TXvfb {
 public:
  TXvfb() {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    const char* argv[] = {"Xvfb",    "-displayfd", "1",          "-nolisten", "tcp",
                          "-screen", "0",          "640x480x24", nullptr};
    const bool started =
        posix_spawnp(&FPid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string number;
    char c = 0;
    while (started && read(pipeEnds[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipeEnds[0]);
    if (!started) FPid = 0;
    if (!number.empty()) FName = ":" + number;
  }
  ~TXvfb() {
    if (FPid > 0) {
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
  }
  // Empty when no server runs.
  const std::string& Name() const { return FName; }

 private:
  pid_t FPid = 0;
  std::string FName;
};

TEST(ShellLinuxWindowsTest, CaptionsOfTopLevelClientsFrontToBackHiddenOnesIncluded) {
  TXvfb server;
  if (server.Name().empty()) GTEST_SKIP() << "Xvfb is not available: window captions not tested";
  Display* display = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(display, nullptr);
  const Window root = DefaultRootWindow(display);
  const auto create = [&](Window parent) {
    return XCreateSimpleWindow(display, parent, 0, 0, 50, 50, 0, 0, 0);
  };
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);

  const Window hidden = create(root);  // never mapped
  XStoreName(display, hidden, "legacy name");
  const std::string netName = "Hidden zel window \xC3\xA9";
  XChangeProperty(display, hidden, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(netName.data()),
                  static_cast<int>(netName.size()));
  const Window latin1 = create(root);
  XStoreName(display, latin1, "Caf\xE9");  // WM_NAME as ISO Latin-1
  const Window nameless = create(root);
  XMapWindow(display, nameless);
  // A window manager's frame around a client that carries WM_STATE.
  const Window frame = create(root);
  const Window client = create(frame);
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  const long state[2] = {1, 0};
  XChangeProperty(display, client, wmState, wmState, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(state), 2);
  XStoreName(display, client, "Framed client");
  XMapWindow(display, client);
  XMapWindow(display, frame);
  XRaiseWindow(display, latin1);  // stacking, not creation, gives the order
  XSync(display, False);

  const std::vector<std::string> captions = TLinuxShell::WindowCaptionsOf(server.Name().c_str());
  EXPECT_EQ(captions, (std::vector<std::string>{"Caf\xC3\xA9", "Framed client", "", netName}));

  // Through the bridge: the blank caption is left out.
  TFakePlatform platform;
  test::TRecordingBrowser browser;
  TBrowserExternalModule module(platform);
  module.SetBrowserForm(&browser);
  platform.Shell().SetWindowCaptions(captions);
  test::TMessage message(R"({"id":70004,"uuid":"w","data":{}})");
  module.EdgeBrowserWebMessageReceived(message);
  ASSERT_EQ(browser.Posted.size(), 1u);
  EXPECT_EQ(
      browser.Posted[0],
      "{\"uuid\": \"w\", \"success\": true, \"result\": [\"Caf\xC3\xA9\",\"Framed client\",\"" +
          netName + "\"]}");
  XCloseDisplay(display);
}

TEST(ShellLinuxWindowsTest, NoDisplayGivesNoCaptions) {
  EXPECT_TRUE(TLinuxShell::WindowCaptionsOf("/nonexistent-zel-display:0").empty());
}

}  // namespace
}  // namespace zel
