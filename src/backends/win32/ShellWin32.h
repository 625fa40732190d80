#pragma once
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace zel {

// The Windows shell: ShellExecuteExW for files, addresses and the file
// explorer, cmd.exe for command lines, EnumWindows for the window list.
class TWin32Shell : public IShell {
 public:
  // The verb "open" with `arguments` as parameters, a normal window owned by
  // the active one. The shell's error boxes are not shown: the caller
  // reports the system's message.
  TShellResult Execute(const std::string& filePath, const std::string& arguments) override;
  // explorer.exe "/select, "path"": the path need not exist.
  TShellResult Explore(const std::string& filePath) override;
  // "cmd.exe /C command" (the system folder's own cmd.exe) on a thread of
  // its own: standard output and error share one pipe, standard input is
  // NUL, and only those handles are inherited. `onDone` is called on that
  // thread.
  void RunCommand(const TShellCommand& command, TOnCommandDone onDone) override;
  // EnumWindows' order (front to back), each window's GetWindowTextW.
  std::vector<std::string> WindowCaptions() override;
};

}  // namespace zel
