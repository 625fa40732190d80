#pragma once
// The desktop shell: opening files and addresses, showing a file in the file
// manager, running command lines and listing the captions of top-level windows.
#include <functional>
#include <string>
#include <vector>

namespace zel {

// What became of a request to the shell.
struct TShellResult {
  bool Success = false;
  // The system's message when the request was refused.
  std::string Message;
};

struct TShellCommand {
  // A command line for the system's command interpreter.
  std::string Command;
  // Working folder of the command; empty: the current folder.
  std::string WorkingDir;
  // Shows the command's console window, where the system has one.
  bool ShowWindow = false;
};

class IShell {
 public:
  // Receives the bytes a command wrote to its standard output and standard
  // error, in the order written; empty when the command could not start.
  // Called exactly once, on any thread.
  using TOnCommandDone = std::function<void(std::string output)>;

  virtual ~IShell() = default;
  // Opens `filePath` (a file, a folder or an address) with its default
  // application; an executable file is started with `arguments`. Does not
  // wait for the started program.
  virtual TShellResult Execute(const std::string& filePath, const std::string& arguments) = 0;
  // Shows `filePath` selected in the file manager, or opens its folder.
  virtual TShellResult Explore(const std::string& filePath) = 0;
  // Starts `command` and returns at once; `onDone` follows once the command
  // has ended and every holder of its output has closed it.
  virtual void RunCommand(const TShellCommand& command, TOnCommandDone onDone) = 0;
  // The captions of the desktop's top-level windows, front to back, hidden
  // ones included; a window without a caption gives an empty text.
  virtual std::vector<std::string> WindowCaptions() = 0;
};

}  // namespace zel
