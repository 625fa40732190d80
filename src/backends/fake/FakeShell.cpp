#include "backends/fake/FakeShell.h"

namespace zel {

TShellResult TFakeShell::Execute(const std::string& filePath, const std::string& arguments) {
  FExecuted.push_back({filePath, arguments});
  return FExecuteResult;
}

TShellResult TFakeShell::Explore(const std::string& filePath) {
  FExplored.push_back(filePath);
  return FExploreResult;
}

void TFakeShell::RunCommand(const TShellCommand& command, TOnCommandDone onDone) {
  FCommands.push_back(command);
  if (FCommandRunner)
    FCommandRunner(command, std::move(onDone));
  else
    onDone(FCommandOutput);
}

}  // namespace zel
