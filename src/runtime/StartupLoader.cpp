#include "runtime/StartupLoader.h"

#include <zlib.h>

#include <random>
#include <system_error>

#include "core/ArchiveKey.h"
#include "core/Error.h"
#include "core/messages/LocalizedMessages.h"
#include "core/package/EngineFiles.h"
#include "core/settings/SettingsKeys.h"
#include "core/themes/StylesUtils.h"
#include "runtime/EngineCheck.h"
#include "runtime/LocalizedMessageBox.h"

namespace zel {
namespace {

constexpr std::string_view App = ProjectIniAppSection;

// Blanks and control characters, as the settings reader trims them.
bool IsBlank(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 0x20) return false;
  return true;
}

// True when `path` holds exactly `size` bytes whose CRC-32 is `crc`.
bool FileMatches(const std::string& path, std::uint64_t size, std::uint32_t crc) {
  std::error_code error;
  if (std::filesystem::file_size(path, error) != size || error) return false;
  TFileStream file(path, TFileMode::OpenRead);
  std::vector<unsigned char> buffer(1 << 16);
  uLong sum = crc32(0L, Z_NULL, 0);
  for (std::size_t n; (n = file.Read(buffer.data(), buffer.size())) > 0;) {
    sum = crc32(sum, buffer.data(), static_cast<uInt>(n));
  }
  return sum == crc;
}

std::string RandomSuffix() {
  std::random_device random;
  return std::to_string(random()) + std::to_string(random());
}

}  // namespace

TStartupLoader::TStartupLoader(IPlatform& platform, std::vector<std::string> arguments)
    : FPlatform(platform), FArguments(std::move(arguments)) {}

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
  if (!CheckEngineIsInstalled(FPlatform.SharedLibraries(), FWebViewLoaderPath)) {
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
  const TZipEntryInfo& entry = ExeZip().Entry(static_cast<std::size_t>(index));
  if (FileMatches(target, entry.Size, entry.Crc32)) return;
  // Written beside the target and renamed into place when complete, so an
  // interrupted or failed extraction never leaves a file that later starts
  // would keep.
  const std::filesystem::path part = target + "." + RandomSuffix() + ".part";
  try {
    bool complete;
    {
      TFileStream file(part, TFileMode::Create);
      complete = ExeZip().ExtractToStream(name, file);
      file.Flush();
    }
    if (!complete) {
      throw EError("The package's entry " + std::string(name) + " cannot be read: the package is damaged.");
    }
    std::filesystem::rename(part, target);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    throw;
  }
}

void TStartupLoader::SetEngineEnvironment() {
  IEnvironment& environment = FPlatform.Environment();
  environment.Set("WEBVIEW2_USER_DATA_FOLDER", FWebViewDir);
  std::string arguments = FProjectINI.ReadString(App, "WebviewArguments", "");
  if (IsBlank(arguments)) arguments = DefaultWebViewArguments;
  environment.Set("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", arguments);
  environment.Unset("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
  environment.Unset("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE");
}

void TStartupLoader::RunInstallationBranch() { ShowLocalizedError(FPlatform, miRuntimeRequired); }

bool TStartupLoader::RequirePassword(const std::string&, const std::string&) { return true; }

}  // namespace zel
