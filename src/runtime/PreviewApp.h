#pragma once
// An application folder opened without packaging: its zel.ini and its
// application folder (DirName) on disk stand in for the package, so the main
// window runs in preview mode and answers file requests from the folder.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "runtime/AppSource.h"

namespace zel {

class TPreviewApp : public IAppSource {
 public:
  // `folder` holds zel.ini (already read into `settings`) and the folder
  // DirName; `executable` is the running program.
  TPreviewApp(const std::filesystem::path& folder, TProjectINI settings,
              std::filesystem::path executable);

  TExeZip* AppPackage() override { return nullptr; }
  const TProjectINI& ProjectINI() const override { return FProjectINI; }
  const std::string& AppID() const override { return FAppID; }
  const std::string& AppName() const override { return FAppName; }
  const std::string& AppDirName() const override { return FAppDirName; }
  const std::string& AppIndexPage() const override { return FAppIndexPage; }
  const std::vector<std::string>& Arguments() const override { return FArguments; }
  const std::filesystem::path& ExecutablePath() const override { return FExecutablePath; }
  // DirName below the folder, absolute, with a trailing slash.
  std::string FilesFolder() const override { return FFilesFolder; }
  // The folder itself (where zel.ini is), absolute, with a trailing slash:
  // files the page names relative to its executable live there, outside the
  // watched DirName folder.
  std::string AppFolder() const override { return FAppFolder; }

  // The engine's website data folder of this application's previews:
  // LocalAppData + "zel-dev/" + ID + "/", kept apart from the packaged
  // application's data. Creates it and sets the engine's variables (the
  // data folder, the settings' WebviewArguments or the runtime's default).
  std::string PrepareEngineEnvironment(IPlatform& platform) const;

 private:
  TProjectINI FProjectINI;
  std::string FAppID;
  std::string FAppName;
  std::string FAppDirName;
  std::string FAppIndexPage;
  std::vector<std::string> FArguments;
  std::filesystem::path FExecutablePath;
  std::string FFilesFolder;
  std::string FAppFolder;
};

}  // namespace zel
