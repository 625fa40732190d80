#include "runtime/ProgramEntry.h"

#include "core/text/MimeTypes.h"
#include "runtime/MainForm.h"
#include "runtime/WebViewLoader.h"

#include <exception>

#include "core/messages/LocalizedMessages.h"

namespace zel {
namespace {

// Single-instance rule: unless several instances are allowed, a second
// process goes on only when started for another window of the application
// (exactly two arguments, the first being AppID).
bool MayRunBesideOthers(IPlatform& platform, TStartupLoader& loader) {
  if (loader.ProjectINI().ReadBool("App", "AllowInstances", false)) return true;
  if (platform.InstanceLock().TryAcquire(loader.AppID())) return true;
  return loader.Arguments().size() == 2 && loader.FirstArgumentIsAppID();
}

void ShowEscapedError(IPlatform& platform, const std::string& text) {
  try {
    platform.MessageBoxes().Show(text, TMessageKind::Error, TButtonSet::Ok, {},
                                 GetLocalizedMessage(miErrorCaption, platform.Locale()));
  } catch (...) {
    // Nothing more can be shown; the exit code still tells.
  }
}

}  // namespace

int RunMainWindow(IPlatform& platform, TStartupLoader& startup) {
  TMimeTypes::InstallSystemSource(&platform.ContentTypes());
  TLibraryWebViewLoader loader(platform.SharedLibraries(), startup.WebViewLoaderPath(),
                               startup.EngineEntryPoints());
  TMainForm form(platform, startup, loader);
  form.FormCreate();
  form.Window().Show();
  platform.UserInterface().Run();
  form.FormClose();
  return 0;
}

int RunProgram(IPlatform& platform, TStartupLoader& loader, const TRunMainWindow& runMainWindow) {
  try {
    if (!loader.Execute()) return 0;
    if (!MayRunBesideOthers(platform, loader)) return 0;
    return runMainWindow(platform, loader);
  } catch (const std::exception& error) {
    ShowEscapedError(platform, error.what());
  } catch (...) {
    ShowEscapedError(platform, "Unknown error");
  }
  return 1;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

}  // namespace zel
