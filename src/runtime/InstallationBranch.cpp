#include "runtime/InstallationBranch.h"

#include <charconv>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "core/messages/LocalizedMessages.h"
#include "core/package/EngineFiles.h"
#include "core/settings/SettingsKeys.h"
#include "runtime/EdgeInstallerForm.h"
#include "runtime/EngineCheck.h"
#include "runtime/LocalizedMessageBox.h"
#include "runtime/PackageEntryFile.h"
#include "runtime/StartupLoader.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view App = ProjectIniAppSection;

// The time limit, or the one the environment sets (whole seconds, 1 to a
// day); anything else there is ignored.
std::chrono::milliseconds TimeLimit(IEnvironment& environment) {
  const auto value = environment.Get(std::string(InstallerTimeLimitVariable));
  if (value) {
    long seconds = 0;
    const auto [end, error] =
        std::from_chars(value->data(), value->data() + value->size(), seconds);
    if (error == std::errc() && end == value->data() + value->size() && seconds > 0 &&
        seconds <= 24 * 60 * 60)
      return std::chrono::seconds(seconds);
  }
  return InstallerTimeLimit;
}

std::vector<std::string> InstallerParameters() {
  std::vector<std::string> parameters;
  std::istringstream words{std::string(EngineFiles.InstallerParameters)};
  for (std::string word; words >> word;) parameters.push_back(word);
  return parameters;
}

// Deletes the folder with everything in it; what cannot be deleted stays.
void DeleteDirectory(const std::string& folder) {
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

// Why the installation failed, for the line below message 9; empty when the
// installer ended well and the engine is still missing (nothing more to say).
std::string FailureDetail(const TAdminRunResult& run, std::chrono::milliseconds limit,
                          ILocale& locale) {
  switch (run.Outcome) {
    case TAdminRunResult::TOutcome::TimedOut: {
      const auto minutes = std::chrono::ceil<std::chrono::minutes>(limit).count();
      return GetInstallerTimeLimitMessage(static_cast<int>(minutes), locale.LanguageCode());
    }
    case TAdminRunResult::TOutcome::NotStarted:
      return run.Reason;
    case TAdminRunResult::TOutcome::Ended:
      return run.ExitCode == 0 ? std::string() : run.Reason;
  }
  return {};
}

}  // namespace

void RunInstallationBranch(IPlatform& platform, TStartupLoader& startup) {
  const TProjectINI& settings = startup.ProjectINI();
  ILocale& locale = platform.Locale();

  // Installing from the package is switched off: the folder stays.
  if (!settings.ReadBool(App, "EdgeInstaller", true)) {
    ShowLocalizedError(platform, miRuntimeRequired);
    return;
  }

  const int answer = ShowLocalizedMessage(
      platform.MessageBoxes(), GetLocalizedMessage(miInstallPrompt, locale),
      TMessageKind::Confirmation, TButtonSet::YesCancel,
      {GetLocalizedMessage(miAcceptButton, locale), GetLocalizedMessage(miCancelButton, locale)},
      GetLocalizedMessage(miConfirmCaption, locale));
  if (answer == ModalResultCancel) {
    DeleteDirectory(startup.AppCacheDir());
    ShowLocalizedError(platform, miCannotContinue);
    return;
  }

  // The installer runs with the administrator's rights, so only the
  // package's own is run: one left by an interrupted attempt is used when it
  // is that, anything else of that name (the folder is the user's to write)
  // is replaced, and without an installer in the package nothing runs.
  const fs::path installer =
      fs::absolute(startup.AppCacheDir() + std::string(EngineFiles.InstallerName));
  const bool present =
      FileHoldsEntry(startup.ExeZip(), EngineFiles.InstallerName, installer) ||
      ExtractEntryToFile(startup.ExeZip(), EngineFiles.InstallerName, installer);

  TEdgeInstallerForm form(platform.StartupWindows());
  form.SetColor(settings.ReadInteger(App, "InstallFormColor", TEdgeInstallerForm::DefaultColor));
  form.SetIndicatorColor(settings.ReadInteger(App, "InstallIndicatorColor", 1));
  form.SetIndicatorType(settings.ReadInteger(App, "InstallIndicatorType", 0));
  form.Show();

  const auto limit = TimeLimit(platform.Environment());
  TAdminRunResult run;
  if (present) {
    run = platform.Processes().ShellExecAsAdminAndWait(installer, InstallerParameters(), limit);
  } else {
    run.Reason =
        "The package carries no engine installer (" + std::string(EngineFiles.InstallerName) + ").";
  }

  if (CheckEngineIsInstalled(platform.SharedLibraries(), startup.WebViewLoaderPath(),
                             startup.EngineEntryPoints())) {
    std::error_code error;
    fs::remove(installer, error);
    // The new process starts from the beginning, without arguments: it asks
    // for the password when there is one.
    platform.Processes().Start(startup.ExecutablePath(), {});
    return;
  }
  DeleteDirectory(startup.AppCacheDir());
  ShowLocalizedError(platform, miInstallCancelled, FailureDetail(run, limit, locale));
}

}  // namespace zel
