#include "runtime/StartupLoader.h"

#include <algorithm>
#include <system_error>

#include "core/ArchiveKey.h"
#include "core/Error.h"
#include "core/messages/LocalizedMessages.h"
#include "core/package/EngineFiles.h"
#include "core/settings/SettingsKeys.h"
#include "core/themes/StylesUtils.h"
#include "runtime/EngineCheck.h"
#include "runtime/InstallationBranch.h"
#include "runtime/LocalizedMessageBox.h"
#include "runtime/PackageEntryFile.h"
#include "runtime/RequirePasswordForm.h"

namespace zel {
namespace {

constexpr std::string_view App = ProjectIniAppSection;

// Blanks and control characters, as the settings reader trims them.
bool IsBlank(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

constexpr const char* AutomationArgument = "--automation";
constexpr const char* EngineAutomationSwitch = "--enable-automation";
constexpr const char* InspectorServerVariable = "WEBKIT_INSPECTOR_SERVER";

// `text` without the blank-separated words equal to `word` (quoted or not);
// other text, blanks included, stays as it is.
std::string WithoutWord(const std::string& text, std::string_view word) {
  std::string result;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t start = at;
    while (start < text.size() && IsBlank(std::string_view(&text[start], 1))) ++start;
    std::size_t end = start;
    while (end < text.size() && !IsBlank(std::string_view(&text[end], 1))) ++end;
    std::string_view found(text.data() + start, end - start);
    if (found.size() >= 2 && found.front() == '"' && found.back() == '"')
      found = found.substr(1, found.size() - 2);
    if (found != word) result.append(text, at, end - at);
    at = end;
  }
  return result;
}

}  // namespace

TStartupLoader::TStartupLoader(IPlatform& platform, std::vector<std::string> arguments,
                               const TEngineEntryPoints& engineEntryPoints)
    : FPlatform(platform), FArguments(std::move(arguments)), FEngineEntryPoints(engineEntryPoints) {}

bool TStartupLoader::FirstArgumentIsAppID() const {
  return !FArguments.empty() && FArguments[0] == FAppID;
}

bool TStartupLoader::Execute() {
  // Step 1: the objects that live for the whole run.
  FExecutablePath = FPlatform.ProcessInfo().ExecutablePath();
  FExeUtils = std::make_unique<TExeUtils>(FExecutablePath);
  FProjectINI.Clear();

  if (!CheckAttachedPackage()) return false;  // step 2
  OpenPackage();                              // steps 3 and 4
  LoadSettings();                             // step 5
  if (!ReadAppValues()) return false;         // step 6
  ApplyTheme();                               // step 7
  PrepareFolders();                           // step 8
  SetEngineEnvironment();                     // step 9

  // Step 10.
  if (!CheckEngineIsInstalled(FPlatform.SharedLibraries(), FWebViewLoaderPath, FEngineEntryPoints)) {
    RunInstallationBranch();
    return false;
  }

  // Step 11: a process started for another window of this application.
  if (FirstArgumentIsAppID()) return true;

  // Step 12.
  const std::string password = FProjectINI.ReadString(App, "Password", "");
  if (password.empty()) return true;
  return RequirePassword(FAppName, password);
}

bool TStartupLoader::CheckAttachedPackage() {
  if (FExeUtils->ExeHasAttachedStub()) return true;
  ShowLocalizedError(FPlatform, miNoPackage);
  return false;
}

void TStartupLoader::OpenPackage() {
  // Opened in place: the archive reads the mapped executable, nothing is
  // copied, so start-up costs the same for any package size.
  FPackage = TAttachedPackage::Open(FPlatform.FileMapping(), FExecutablePath, ArchivePassword());
}

void TStartupLoader::LoadSettings() {
  // A missing or unreadable zel.ini leaves the store empty; step 6 then ends
  // start-up.
  FProjectINI.LoadFromBytes(ExeZip().ExtractToString(ProjectIniEntryName));
}

bool TStartupLoader::ReadAppValues() {
  FAppID = FProjectINI.ReadString(App, "ID", "");
  FAppName = FProjectINI.ReadString(App, "Name", "");
  FAppDirName = FProjectINI.ReadString(App, "DirName", "");
  FAppIndexPage = FProjectINI.ReadString(App, "IndexHtml", "index.html");
  return !FAppID.empty() && !FAppName.empty() && !FAppDirName.empty();
}

void TStartupLoader::ApplyTheme() {
  // "Windows" is the system's own look: nothing to apply. A name no theme
  // bears is reported and start-up goes on in the system's look.
  const std::string theme = FProjectINI.ReadString(App, "Theme", std::string(SystemStyleName));
  if (theme != SystemStyleName) TStylesUtils::TrySetStyle(FPlatform, theme, true);
}

void TStartupLoader::PrepareFolders() {
  // Without a known data folder the path is relative: AppID and a separator.
  FAppCacheDir = FPlatform.KnownFolders().LocalAppData() + FAppID + "/";
  std::filesystem::create_directories(FAppCacheDir);
  FWebViewDir = FAppCacheDir + std::string(EngineFiles.FolderName);
  FWebViewLoaderPath = FWebViewDir + std::string(EngineFiles.LibraryName);
  std::filesystem::create_directories(FWebViewDir);
  ExtractEngineFile(EngineFiles.LibraryName);
  if (!EngineFiles.CompanionName.empty()) ExtractEngineFile(EngineFiles.CompanionName);
}

void TStartupLoader::ExtractEngineFile(std::string_view name) {
  // A package without the file leaves none: the engine check then finds no
  // engine, and a later package that carries it still gets extracted.
  const std::int64_t index = ExeZip().FindFile(name);
  if (index < 0) return;
  // A file left by an earlier start is used as it is when it is the
  // package's own. The engine is built with the runtime and shares its
  // interfaces, so one left by another version would crash this runtime: it
  // is replaced.
  const std::string target = FWebViewDir + std::string(name);
  if (FileHoldsEntry(ExeZip(), name, target)) return;
  ExtractEntryToFile(ExeZip(), name, target);
}

bool TStartupLoader::StartedByWebDriver() {
  bool asked = std::find(FArguments.begin(), FArguments.end(), AutomationArgument) != FArguments.end();
  std::optional<std::string> inspector = FPlatform.Environment().Get(InspectorServerVariable);
  return asked && inspector && !inspector->empty();
}

void TStartupLoader::SetEngineEnvironment() {
  IEnvironment& environment = FPlatform.Environment();
  environment.Set("WEBVIEW2_USER_DATA_FOLDER", FWebViewDir);
  std::string arguments = FProjectINI.ReadString(App, "WebviewArguments", "");
  if (IsBlank(arguments)) arguments = DefaultWebViewArguments;
  // Automation is the driver's to turn on, never the package's; without a
  // driver the engine gets no inspector address, so it opens no port.
  arguments = WithoutWord(arguments, EngineAutomationSwitch);
  if (StartedByWebDriver())
    arguments += " " + std::string(EngineAutomationSwitch);
  else
    environment.Unset(InspectorServerVariable);
  environment.Set("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", arguments);
  environment.Unset("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
  environment.Unset("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE");
}

void TStartupLoader::RunInstallationBranch() { zel::RunInstallationBranch(FPlatform, *this); }

bool TStartupLoader::RequirePassword(const std::string& caption, const std::string& password) {
  TRequirePasswordForm form(FPlatform.StartupWindows());
  form.SetCaption(caption);
  form.SetPassword(password);
  return form.ShowModal() == ModalResultOk;
}

}  // namespace zel
