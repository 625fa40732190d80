#pragma once
// In-memory, deterministic platform for unit tests: every service records
// what it was asked and answers what the test configured.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backends/fake/FakeRegistryStore.h"
#include "backends/fake/FakeShell.h"
#include "backends/fake/FakeStartupWindows.h"
#include "backends/fake/FakeSystemServices.h"
#include "backends/fake/FakeFileDialogs.h"
#include "backends/fake/FakeFileSystem.h"
#include "backends/fake/FakeMenus.h"
#include "backends/fake/FakeWindow.h"
#include "platform/Platform.h"

namespace zel {

class TFakeProcessInfo : public IProcessInfo {
 public:
  std::filesystem::path ExecutablePath() override { return FExecutablePath; }
  void SetExecutablePath(std::filesystem::path path) { FExecutablePath = std::move(path); }

 private:
  std::filesystem::path FExecutablePath = "/opt/app/app";
};

// Reads the whole file into memory: same bytes, no system mapping.
class TFakeFileMapping : public IFileMapping {
 public:
  std::unique_ptr<IMappedFile> MapReadOnly(const std::filesystem::path& path) override;
};

class TFakeLocale : public ILocale {
 public:
  std::string LanguageCode() override { return FLanguageCode; }
  void SetLanguageCode(std::string code) { FLanguageCode = std::move(code); }

 private:
  std::string FLanguageCode = "en";
};

class TFakeContentTypes : public IContentTypes {
 public:
  void AddSystemContentTypes(std::map<std::string, std::string>& table) override {
    for (const auto& [extension, type] : FTypes) table[extension] = type;
  }
  std::map<std::string, std::string>& Types() { return FTypes; }

 private:
  std::map<std::string, std::string> FTypes;
};

// One message box as it was asked for.
struct TShownMessage {
  std::string Text;
  TMessageKind Kind = TMessageKind::Information;
  TButtonSet Buttons = TButtonSet::Ok;
  std::vector<std::string> ButtonCaptions;
  std::string Caption;
};

// Records every message; answers the queued results in order, then the
// result of the set's first button, as if the user pressed Enter.
class TFakeMessageBoxes : public IMessageBoxes {
 public:
  int Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
           const std::vector<std::string>& buttonCaptions, const std::string& caption) override;

  const std::vector<TShownMessage>& Shown() const { return FShown; }
  void QueueResult(int result) { FResults.push_back(result); }
  // Called while a message is "shown", before its result is returned.
  void SetOnShow(std::function<void(const TShownMessage&)> handler) {
    FOnShow = std::move(handler);
  }

 private:
  std::vector<TShownMessage> FShown;
  std::deque<int> FResults;
  std::function<void(const TShownMessage&)> FOnShow;
};

// The names held by all processes of a test share one set: two fake
// platforms built over the same set behave like two processes.
class TFakeInstanceLock : public IInstanceLock {
 public:
  using THeldNames = std::set<std::string>;

  explicit TFakeInstanceLock(std::shared_ptr<THeldNames> heldNames)
      : FHeldNames(std::move(heldNames)) {}
  bool TryAcquire(const std::string& name) override;

  THeldNames& HeldNames() { return *FHeldNames; }
  const std::shared_ptr<THeldNames>& SharedHeldNames() const { return FHeldNames; }
  // Names this "process" holds, and every name it was asked for in order.
  const std::set<std::string>& Owned() const { return FOwned; }
  const std::vector<std::string>& Requests() const { return FRequests; }

 private:
  std::shared_ptr<THeldNames> FHeldNames;
  std::set<std::string> FOwned;
  std::set<std::string> FFirst;  // names no other "process" held when asked
  std::vector<std::string> FRequests;
};

class TFakeKnownFolders : public IKnownFolders {
 public:
  std::string LocalAppData() override { return FLocalAppData; }
  std::string RoamingAppData() override { return FRoamingAppData; }
  std::string Temp() override { return FTemp; }
  std::string Documents() override { return FDocuments; }
  std::string Desktop() override { return FDesktop; }

  void SetLocalAppData(std::string folder) { FLocalAppData = std::move(folder); }
  void SetRoamingAppData(std::string folder) { FRoamingAppData = std::move(folder); }
  void SetTemp(std::string folder) { FTemp = std::move(folder); }
  void SetDocuments(std::string folder) { FDocuments = std::move(folder); }
  void SetDesktop(std::string folder) { FDesktop = std::move(folder); }

 private:
  std::string FLocalAppData = "/home/user/.local/share/";
  std::string FRoamingAppData = "/home/user/.config/";
  std::string FTemp = "/tmp/";
  std::string FDocuments = "/home/user/Documents/";
  std::string FDesktop = "/home/user/Desktop/";
};

class TFakeEnvironment : public IEnvironment {
 public:
  std::optional<std::string> Get(const std::string& name) override;
  void Set(const std::string& name, const std::string& value) override { FValues[name] = value; }
  void Unset(const std::string& name) override { FValues.erase(name); }

  std::map<std::string, std::string>& Values() { return FValues; }

 private:
  std::map<std::string, std::string> FValues;
};

// Libraries the test registered by path, each with its symbols; any other
// path fails to load.
class TFakeSharedLibraries : public ISharedLibraries {
 public:
  using TSymbols = std::map<std::string, void*>;

  std::unique_ptr<ISharedLibrary> Load(const std::filesystem::path& path,
                                       std::string& error) override;

  void AddLibrary(const std::filesystem::path& path, TSymbols symbols) {
    FLibraries[path.lexically_normal()] = std::move(symbols);
  }
  // Every path asked for, in order, loaded or not.
  const std::vector<std::filesystem::path>& LoadRequests() const { return FLoadRequests; }
  // Libraries loaded and not yet released.
  int OpenCount() const { return *FOpenCount; }

 private:
  std::map<std::filesystem::path, TSymbols> FLibraries;
  std::vector<std::filesystem::path> FLoadRequests;
  std::shared_ptr<int> FOpenCount = std::make_shared<int>(0);
};

struct TStartedProcess {
  std::filesystem::path Executable;
  std::vector<std::string> Arguments;
};

// One run with administrator rights as it was asked for.
struct TAdminRun {
  std::filesystem::path File;
  std::vector<std::string> Params;
  std::chrono::milliseconds TimeLimit{0};
};

class TFakeProcesses : public IProcesses {
 public:
  using TOnAdminRun = std::function<TAdminRunResult(const TAdminRun&)>;

  bool Start(const std::filesystem::path& executable,
             const std::vector<std::string>& arguments) override {
    FStarted.push_back({executable, arguments});
    return FStartResult;
  }
  // Records the run and answers what the handler does (the program "runs"
  // inside it); without one the program ends with exit code 0.
  TAdminRunResult ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                          const std::vector<std::string>& params,
                                          std::chrono::milliseconds timeLimit) override {
    FAdminRuns.push_back({file, params, timeLimit});
    if (FOnAdminRun) return FOnAdminRun(FAdminRuns.back());
    return {TAdminRunResult::TOutcome::Ended, 0, ""};
  }
  const std::vector<TStartedProcess>& Started() const { return FStarted; }
  void SetStartResult(bool result) { FStartResult = result; }
  const std::vector<TAdminRun>& AdminRuns() const { return FAdminRuns; }
  void SetOnAdminRun(TOnAdminRun handler) { FOnAdminRun = std::move(handler); }

 private:
  std::vector<TStartedProcess> FStarted;
  bool FStartResult = true;
  std::vector<TAdminRun> FAdminRuns;
  TOnAdminRun FOnAdminRun;
};

// Records every style applied, in order; the active one is the last.
class TFakeVisualStyles : public IVisualStyles {
 public:
  std::string ActiveStyle() override {
    return FApplied.empty() || !FApplied.back() ? std::string(SystemStyleName)
                                                : FApplied.back()->Name;
  }
  void Apply(const TThemePalette* palette) override {
    FApplied.push_back(palette ? std::optional<TThemePalette>(*palette) : std::nullopt);
  }
  // Each palette applied, none for the system's look.
  const std::vector<std::optional<TThemePalette>>& Applied() const { return FApplied; }

 private:
  std::vector<std::optional<TThemePalette>> FApplied;
};

class TFakePlatform : public IPlatform {
 public:
  // A platform of its own, as a process that is alone on the machine.
  TFakePlatform();
  // A platform whose instance locks are shared with others over `heldNames`.
  explicit TFakePlatform(std::shared_ptr<TFakeInstanceLock::THeldNames> heldNames);

  TFakeProcessInfo& ProcessInfo() override { return FProcessInfo; }
  TFakeFileMapping& FileMapping() override { return FFileMapping; }
  TFakeLocale& Locale() override { return FLocale; }
  TFakeContentTypes& ContentTypes() override { return FContentTypes; }
  TFakeUserInterface& UserInterface() override { return FUserInterface; }
  TFakeMessageBoxes& MessageBoxes() override { return FMessageBoxes; }
  TFakeInstanceLock& InstanceLock() override { return FInstanceLock; }
  TFakeKnownFolders& KnownFolders() override { return FKnownFolders; }
  TFakeEnvironment& Environment() override { return FEnvironment; }
  TFakeSharedLibraries& SharedLibraries() override { return FSharedLibraries; }
  TFakeProcesses& Processes() override { return FProcesses; }
  TFakeFileSystem& FileSystem() override { return FFileSystem; }
  TFakeFileDialogs& FileDialogs() override { return FFileDialogs; }
  TFakeShell& Shell() override { return FShell; }
  TFakeRegistryStore& RegistryStore() override { return FRegistryStore; }
  TFakeSystemServices& SystemServices() override { return FSystemServices; }
  TFakeMenus& Menus() override { return FMenus; }
  TFakeStartupWindows& StartupWindows() override { return FStartupWindows; }
  TFakeVisualStyles& VisualStyles() override { return FVisualStyles; }

 private:
  TFakeProcessInfo FProcessInfo;
  TFakeFileMapping FFileMapping;
  TFakeLocale FLocale;
  TFakeContentTypes FContentTypes;
  TFakeUserInterface FUserInterface;
  TFakeMessageBoxes FMessageBoxes;
  TFakeInstanceLock FInstanceLock;
  TFakeKnownFolders FKnownFolders;
  TFakeEnvironment FEnvironment;
  TFakeSharedLibraries FSharedLibraries;
  TFakeProcesses FProcesses;
  TFakeFileSystem FFileSystem;
  TFakeFileDialogs FFileDialogs;
  TFakeShell FShell;
  TFakeRegistryStore FRegistryStore;
  TFakeSystemServices FSystemServices;
  TFakeMenus FMenus{FFileSystem};
  TFakeStartupWindows FStartupWindows;
  TFakeVisualStyles FVisualStyles;
};

}  // namespace zel
