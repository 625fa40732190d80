#include "backends/linux/ShellLinux.h"

#include <errno.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <thread>

// Xlib last: its macros (None, Status, Bool) clash with other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zel {
namespace {

struct TGFree {
  void operator()(void* p) const { g_free(p); }
};
using TGString = std::unique_ptr<char, TGFree>;

struct TGObjectUnref {
  void operator()(void* p) const { g_object_unref(p); }
};
template <typename T>
using TGObject = std::unique_ptr<T, TGObjectUnref>;

TShellResult Refused(const std::string& message) { return {false, message}; }

// Takes the message of `error` and frees it.
TShellResult Refused(GError* error) {
  TShellResult result{false, error ? error->message : "The request failed"};
  if (error) g_error_free(error);
  return result;
}

TShellResult OpenWithDefaultApplication(const char* uri) {
  GError* error = nullptr;
  if (g_app_info_launch_default_for_uri(uri, nullptr, &error)) return {true, ""};
  return Refused(error);
}

// Starts `program` with the arguments in `arguments` and does not wait.
TShellResult StartProgram(const std::string& program, const std::string& arguments) {
  std::vector<std::string> all{program};
  if (!arguments.empty()) {
    gchar** parsed = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(arguments.c_str(), nullptr, &parsed, &error)) return Refused(error);
    for (gchar** argument = parsed; *argument; ++argument) all.emplace_back(*argument);
    g_strfreev(parsed);
  }
  std::vector<gchar*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  // The default flags start the program through an intermediate child, so it
  // is reaped by the system; its standard input is /dev/null and it
  // inherits no other descriptor.
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                     &error)) {
    return Refused(error);
  }
  return {true, ""};
}

TGString FileUri(const std::string& path) {
  TGObject<GFile> file(g_file_new_for_path(path.c_str()));
  return TGString(g_file_get_uri(file.get()));
}

// Runs the command to its end and returns everything it wrote.
std::string RunToEnd(const TShellCommand& command) {
  // Close-on-exec: no other child started meanwhile inherits the write end,
  // which would hold back the end of this command's output.
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
  const gchar* argv[] = {"/bin/sh", "-c", command.Command.c_str(), nullptr};
  GPid pid = 0;
  GError* error = nullptr;
  // Standard input stays /dev/null (the flag's default): the host's own
  // input may be a terminal, and a command waiting for it would never end.
  const gboolean started = g_spawn_async_with_pipes_and_fds(
      command.WorkingDir.empty() ? nullptr : command.WorkingDir.c_str(), argv, nullptr,
      G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, -1, pipeEnds[1], pipeEnds[1], nullptr, nullptr,
      0, &pid, nullptr, nullptr, nullptr, &error);
  close(pipeEnds[1]);
  std::string output;
  if (started) {
    // Until every holder of the write end (background children too) has closed it.
    char buffer[65536];
    while (true) {
      const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
      if (count > 0)
        output.append(buffer, static_cast<std::size_t>(count));
      else if (count < 0 && errno == EINTR)
        continue;
      else
        break;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(pid);
  } else if (error) {
    g_error_free(error);  // a missing working folder: the command cannot start
  }
  close(pipeEnds[0]);
  return output;
}

// Window lookups may meet windows that vanish meanwhile: ignore such errors.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

bool HasProperty(Display* display, Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType,
                                        &type, &format, &count, &after, &data);
  if (data) XFree(data);
  return status == Success && type != 0;
}

// The first descendant that carries WM_STATE, as xprop and xdotool find it.
Window FindClientBelow(Display* display, Window window, Atom wmState) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    if (HasProperty(display, children[i], wmState)) found = children[i];
  }
  for (unsigned int i = 0; i < count && !found; ++i)
    found = FindClientBelow(display, children[i], wmState);
  if (children) XFree(children);
  return found;
}

// A top-level window is the client itself, or a window manager's frame
// around it; a window that holds no client stands for itself.
Window ClientWindow(Display* display, Window topLevel, Atom wmState) {
  if (wmState == 0 || HasProperty(display, topLevel, wmState)) return topLevel;
  const Window client = FindClientBelow(display, topLevel, wmState);
  return client ? client : topLevel;
}

std::string Latin1ToUtf8(const unsigned char* text, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// _NET_WM_NAME (UTF-8) when set, else WM_NAME in its own encoding.
std::string Caption(Display* display, Window window, Atom netWmName, Atom utf8String) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string caption;
  if (XGetWindowProperty(display, window, netWmName, 0, LONG_MAX / 4, False, utf8String, &type,
                         &format, &count, &after, &data) == Success &&
      type == utf8String && format == 8 && count > 0) {
    caption.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data) XFree(data);
  if (!caption.empty()) return caption;

  XTextProperty name{};
  if (!XGetWMName(display, window, &name) || !name.value) return {};
  if (name.format == 8 && name.encoding == XA_STRING) {
    caption = Latin1ToUtf8(name.value, name.nitems);
  } else if (name.format == 8 && name.encoding == utf8String) {
    caption.assign(reinterpret_cast<const char*>(name.value), name.nitems);
  } else {
    char** list = nullptr;
    int listCount = 0;
    if (Xutf8TextPropertyToTextList(display, &name, &list, &listCount) >= Success && list) {
      if (listCount > 0 && list[0]) caption = list[0];
      XFreeStringList(list);
    }
  }
  XFree(name.value);
  return caption;
}

}  // namespace

bool TLinuxShell::IsProgram(const std::string& path) {
  // Only a regular file is read: a pipe or a device could keep the
  // user-interface thread waiting.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0)
    return false;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  char start[4] = {};
  ssize_t count;
  do {
    count = read(fd, start, sizeof start);
  } while (count < 0 && errno == EINTR);
  close(fd);
  // The content type would not do: the x bit is on every file of a FAT or
  // CIFS disk, and a text file run as a program goes to /bin/sh.
  constexpr char ElfMagic[4] = {0x7F, 'E', 'L', 'F'};
  if (count >= 4 && std::memcmp(start, ElfMagic, 4) == 0) return true;
  return count >= 2 && start[0] == '#' && start[1] == '!';
}

TShellResult TLinuxShell::Execute(const std::string& filePath, const std::string& arguments) {
  struct stat info {};
  if (stat(filePath.c_str(), &info) != 0) {
    const int error = errno;
    if (g_uri_peek_scheme(filePath.c_str()) != nullptr)
      return OpenWithDefaultApplication(filePath.c_str());
    if (filePath.find('/') == std::string::npos) {
      const TGString program(g_find_program_in_path(filePath.c_str()));
      if (program) return StartProgram(program.get(), arguments);
    }
    return Refused(g_strerror(error));
  }
  if (IsProgram(filePath)) return StartProgram(filePath, arguments);
  return OpenWithDefaultApplication(FileUri(filePath).get());
}

TShellResult TLinuxShell::Explore(const std::string& filePath) {
  TGObject<GFile> file(g_file_new_for_path(filePath.c_str()));
  const TGString uri(g_file_get_uri(file.get()));
  TGObject<GDBusConnection> bus(
      FBusAddress.empty()
          ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)
          : g_dbus_connection_new_for_address_sync(
                FBusAddress.c_str(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr));
  if (bus) {
    const gchar* uris[] = {uri.get(), nullptr};
    // A short wait: the window stays unresponsive meanwhile.
    GVariant* reply = g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, 3000, nullptr, nullptr);
    if (!FBusAddress.empty()) g_dbus_connection_close_sync(bus.get(), nullptr, nullptr);
    if (reply) {
      g_variant_unref(reply);
      return {true, ""};
    }
  }
  TGObject<GFile> parent(g_file_get_parent(file.get()));
  const TGString folderUri(g_file_get_uri(parent ? parent.get() : file.get()));
  return OpenWithDefaultApplication(folderUri.get());
}

void TLinuxShell::RunCommand(const TShellCommand& command, TOnCommandDone onDone) {
  // The console window of `ShowWindow` has no counterpart here.
  std::thread([command, onDone = std::move(onDone)] { onDone(RunToEnd(command)); }).detach();
}

std::vector<std::string> TLinuxShell::WindowCaptionsOf(const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return {};
  const auto previousHandler = XSetErrorHandler(IgnoreXError);
  const Atom wmState = XInternAtom(display, "WM_STATE", True);
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8String = XInternAtom(display, "UTF8_STRING", False);
  std::vector<std::string> captions;
  for (int screen = 0; screen < ScreenCount(display); ++screen) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, RootWindow(display, screen), &root, &parent, &children, &count))
      continue;
    // The tree lists the children bottom to top.
    for (unsigned int i = count; i-- > 0;) {
      const Window client = ClientWindow(display, children[i], wmState);
      captions.push_back(Caption(display, client, netWmName, utf8String));
    }
    if (children) XFree(children);
  }
  XSync(display, False);
  XSetErrorHandler(previousHandler);
  XCloseDisplay(display);
  return captions;
}

}  // namespace zel
