#pragma once
// The start-up loader: finds and opens the package appended to the running
// executable, loads its settings, prepares the engine's folder and process
// environment, checks that a web engine is installed and asks for the
// application's password. It owns, for the whole run, the package, the
// settings and the start-up values that the main window reads.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/package/AttachedPackage.h"
#include "core/package/ExeUtils.h"
#include "core/settings/ProjectIni.h"
#include "platform/Platform.h"
#include "runtime/AppSource.h"
#include "runtime/WebViewLoader.h"

namespace zel {

class TStartupLoader : public IAppSource {
 public:
  // Browser switches used when the settings give none.
  static constexpr std::string_view DefaultWebViewArguments =
      "--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity "
      "--enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required";

  // `arguments` is the command line without the program's own path.
  // `engineEntryPoints` says how the engine library of this build is called.
  TStartupLoader(IPlatform& platform, std::vector<std::string> arguments,
                 const TEngineEntryPoints& engineEntryPoints = SharedInterfaceEntryPoints);
  ~TStartupLoader() override = default;
  TStartupLoader(const TStartupLoader&) = delete;
  TStartupLoader& operator=(const TStartupLoader&) = delete;

  // Runs the loader's steps. True when start-up is complete; false when it
  // ended in order (the process then ends with exit code 0). Errors escape
  // as exceptions.
  bool Execute();

  // The start-up values, set once by Execute.
  TExeUtils& ExeUtils() { return *FExeUtils; }
  TExeZip& ExeZip() { return FPackage->Zip(); }
  TAttachedPackage* Package() { return FPackage.get(); }
  TExeZip* AppPackage() override { return FPackage ? &FPackage->Zip() : nullptr; }
  const TProjectINI& ProjectINI() const override { return FProjectINI; }
  const std::string& AppID() const override { return FAppID; }
  const std::string& AppName() const override { return FAppName; }
  const std::string& AppDirName() const override { return FAppDirName; }
  const std::string& AppIndexPage() const override { return FAppIndexPage; }
  const std::string& AppCacheDir() const { return FAppCacheDir; }
  const std::string& WebViewDir() const { return FWebViewDir; }
  const std::string& WebViewLoaderPath() const { return FWebViewLoaderPath; }
  const TEngineEntryPoints& EngineEntryPoints() const { return FEngineEntryPoints; }
  const std::vector<std::string>& Arguments() const override { return FArguments; }
  const std::filesystem::path& ExecutablePath() const override { return FExecutablePath; }
  IPlatform& Platform() { return FPlatform; }

  // True when argument 1 equals AppID exactly.
  bool FirstArgumentIsAppID() const;

 private:
  bool CheckAttachedPackage();
  void OpenPackage();
  void LoadSettings();
  bool ReadAppValues();
  void ApplyTheme();
  void PrepareFolders();
  void ExtractEngineFile(std::string_view name);
  void SetEngineEnvironment();
  // "--automation" on the command line and the driver's inspector address.
  bool StartedByWebDriver();
  // Loader step 10, the engine is missing: the installation branch, which
  // always ends the process.
  void RunInstallationBranch();
  // Loader step 12: the password prompt with `caption` that waits for
  // `password`; true when the user typed it, false when the prompt was
  // closed.
  bool RequirePassword(const std::string& caption, const std::string& password);

  IPlatform& FPlatform;
  std::vector<std::string> FArguments;
  const TEngineEntryPoints& FEngineEntryPoints;
  std::filesystem::path FExecutablePath;
  std::unique_ptr<TExeUtils> FExeUtils;
  std::unique_ptr<TAttachedPackage> FPackage;
  TProjectINI FProjectINI;
  std::string FAppID;
  std::string FAppName;
  std::string FAppDirName;
  std::string FAppIndexPage;
  std::string FAppCacheDir;
  std::string FWebViewDir;
  std::string FWebViewLoaderPath;
};

}  // namespace zel
