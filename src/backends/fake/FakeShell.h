#pragma once
// A shell that records every request and answers what the test configured.
#include <functional>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace zel {

struct TShellRequest {
  std::string FilePath;
  std::string Arguments;
};

class TFakeShell : public IShell {
 public:
  using TCommandRunner = std::function<void(const TShellCommand& command, TOnCommandDone onDone)>;

  TShellResult Execute(const std::string& filePath, const std::string& arguments) override;
  TShellResult Explore(const std::string& filePath) override;
  // Without a runner the command ends at once, on the calling thread, with
  // CommandOutput().
  void RunCommand(const TShellCommand& command, TOnCommandDone onDone) override;
  std::vector<std::string> WindowCaptions() override { return FWindowCaptions; }

  void SetExecuteResult(TShellResult result) { FExecuteResult = std::move(result); }
  void SetExploreResult(TShellResult result) { FExploreResult = std::move(result); }
  void SetCommandOutput(std::string output) { FCommandOutput = std::move(output); }
  const std::string& CommandOutput() const { return FCommandOutput; }
  // Runs commands in its stead, for example later or on another thread.
  void SetCommandRunner(TCommandRunner runner) { FCommandRunner = std::move(runner); }
  void SetWindowCaptions(std::vector<std::string> captions) {
    FWindowCaptions = std::move(captions);
  }

  const std::vector<TShellRequest>& Executed() const { return FExecuted; }
  const std::vector<std::string>& Explored() const { return FExplored; }
  const std::vector<TShellCommand>& Commands() const { return FCommands; }

 private:
  TShellResult FExecuteResult{true, ""};
  TShellResult FExploreResult{true, ""};
  std::string FCommandOutput;
  TCommandRunner FCommandRunner;
  std::vector<std::string> FWindowCaptions;
  std::vector<TShellRequest> FExecuted;
  std::vector<std::string> FExplored;
  std::vector<TShellCommand> FCommands;
};

}  // namespace zel
