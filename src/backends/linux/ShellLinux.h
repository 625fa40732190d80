#pragma once
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace zel {

// The desktop shell on Linux: GIO's default applications, the file manager
// over D-Bus, /bin/sh for command lines and the X server's window list.
class TLinuxShell : public IShell {
 public:
  TLinuxShell() = default;
  // Asks the file manager on the bus at `busAddress` instead of the session bus.
  explicit TLinuxShell(std::string busAddress) : FBusAddress(std::move(busAddress)) {}

  // A path that exists and is a program (IsProgram) is started with
  // `arguments` (split as the shell would); any other path is opened with
  // the default application of its content type, an address (scheme:...)
  // with that of its scheme. A bare name not found here is looked up in PATH.
  TShellResult Execute(const std::string& filePath, const std::string& arguments) override;
  // org.freedesktop.FileManager1.ShowItems on the session bus; without a
  // file manager that answers, the containing folder is opened instead.
  TShellResult Explore(const std::string& filePath) override;
  // "/bin/sh -c command" on a thread of its own: standard output and error
  // share one pipe, standard input is /dev/null, no other descriptor is
  // inherited. `onDone` is called on that thread.
  void RunCommand(const TShellCommand& command, TOnCommandDone onDone) override;
  std::vector<std::string> WindowCaptions() override { return WindowCaptionsOf(nullptr); }

  // The top-level client windows of the X display `displayName` (null: the
  // DISPLAY variable), front to back; nothing when it cannot be opened.
  static std::vector<std::string> WindowCaptionsOf(const char* displayName);
  // Whether `path` is a program that Execute starts: a regular file we may
  // execute that is an ELF image or starts with "#!". Anything else, an
  // executable text file included, is a document.
  static bool IsProgram(const std::string& path);

 private:
  std::string FBusAddress;
};

}  // namespace zel
