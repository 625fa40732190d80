#pragma once
// The subcommands of `zel`. Each returns the process exit code and reports bad
// input by throwing EToolError with one line for the user.
#include <filesystem>
#include <string>

#include "core/Error.h"

namespace CLI {
class App;
}

namespace zel {

class EToolError : public EError {
 public:
  using EError::EError;
};

struct TBuildOptions {
  std::filesystem::path AppFolder;
  std::filesystem::path Output;
  std::filesystem::path RuntimeTemplate;  // empty: zel-runtime beside `zel`
  std::filesystem::path EngineLibrary;    // empty: the target's default (see RunBuild)
  std::string Target;                     // empty: this machine's
  bool Aes = false;
};

int RunInit(const std::filesystem::path& folder, bool force);
int RunBuild(const TBuildOptions& options);
// Shows the application folder in a window until it is closed.
int RunDev(const std::filesystem::path& folder);
int RunExtract(const std::filesystem::path& executable, const std::filesystem::path& output);
int RunInspect(const std::filesystem::path& executable);
int RunKeyShow();
int RunKeyEncode(const std::string& password, const std::string& key);

// zel reg: adds its subcommands to `app`; Run carries out the one parsed.
class TRegCommand {
 public:
  explicit TRegCommand(CLI::App& app);
  // Whether the command line chose `reg`.
  bool Chosen() const;
  int Run();

 private:
  CLI::App* FCommand = nullptr;
  CLI::App* FQuery = nullptr;
  CLI::App* FAdd = nullptr;
  CLI::App* FDelete = nullptr;
  std::string FKey, FName, FValue, FType = "sz";
};

// Folder of the running `zel` executable.
std::filesystem::path ToolFolder();

}  // namespace zel
