#include "runtime/PreviewApp.h"

#include "runtime/StartupLoader.h"

namespace zel {
namespace {

bool IsBlank(const std::string& text) {
  for (unsigned char c : text)
    if (c > 0x20) return false;
  return true;
}

}  // namespace

TPreviewApp::TPreviewApp(const std::filesystem::path& folder, TProjectINI settings,
                         std::filesystem::path executable)
    : FProjectINI(std::move(settings)), FExecutablePath(std::move(executable)) {
  FAppID = FProjectINI.ReadString(ProjectIniAppSection, "ID", "");
  FAppName = FProjectINI.ReadString(ProjectIniAppSection, "Name", "");
  FAppDirName = FProjectINI.ReadString(ProjectIniAppSection, "DirName", "");
  FAppIndexPage = FProjectINI.ReadString(ProjectIniAppSection, "IndexHtml", "index.html");
  const std::filesystem::path appFolder = std::filesystem::absolute(folder).lexically_normal();
  FFilesFolder = (appFolder / FAppDirName).string();
  if (FFilesFolder.empty() || FFilesFolder.back() != '/') FFilesFolder += '/';
  FAppFolder = appFolder.string();
  if (FAppFolder.empty() || FAppFolder.back() != '/') FAppFolder += '/';
}

std::string TPreviewApp::PrepareEngineEnvironment(IPlatform& platform) const {
  const std::string dataFolder = platform.KnownFolders().LocalAppData() + "zel-dev/" + FAppID + "/";
  std::filesystem::create_directories(dataFolder);
  IEnvironment& environment = platform.Environment();
  environment.Set("WEBVIEW2_USER_DATA_FOLDER", dataFolder);
  std::string arguments = FProjectINI.ReadString(ProjectIniAppSection, "WebviewArguments", "");
  if (IsBlank(arguments)) arguments = TStartupLoader::DefaultWebViewArguments;
  environment.Set("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", arguments);
  return dataFolder;
}

}  // namespace zel
