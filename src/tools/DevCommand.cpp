// zel dev: opens an application folder in a window without packaging and
// reloads the page when a file below the folder changes.
#include <cstdio>

#include "backends/linux/FileWatcherLinux.h"
#include "backends/linux/LinuxPlatform.h"
#include "core/package/EngineFiles.h"
#include "core/text/MimeTypes.h"
#include "runtime/EngineCheck.h"
#include "runtime/LiveReload.h"
#include "runtime/MainForm.h"
#include "runtime/PreviewApp.h"
#include "runtime/WebViewLoader.h"
#include "tools/AppFolder.h"
#include "tools/Commands.h"

namespace zel {

namespace fs = std::filesystem;

int RunDev(const fs::path& folder) {
  const TAppFolder app = CheckAppFolder(folder);
  auto platform = CreateLinuxPlatform();
  const fs::path executable = platform->ProcessInfo().ExecutablePath();
  // The engine library built beside zel is loaded where it is.
  const fs::path engine = executable.parent_path() / EngineFiles.LibraryName;
  if (!fs::is_regular_file(engine))
    throw EToolError("the engine library " + engine.string() + " is missing");
  if (!CheckEngineIsInstalled(platform->SharedLibraries(), engine)) {
    throw EToolError("the engine library " + engine.string() +
                     " cannot be loaded (is WebKitGTK 4.1 installed?)");
  }

  TPreviewApp preview(folder, app.Settings, executable);
  const std::string dataFolder = preview.PrepareEngineEnvironment(*platform);
  TMimeTypes::InstallSystemSource(&platform->ContentTypes());
  TLibraryWebViewLoader loader(platform->SharedLibraries(), engine);
  TMainForm form(*platform, preview, loader);
  form.FormCreate();

  TLinuxFileWatcher watcher;
  TLinuxOneShotTimer timer;
  const fs::path appDir = fs::absolute(app.AppDir).lexically_normal();
  TLiveReload liveReload(watcher, timer, [&](const fs::path& lastChange) {
    TEdgeBrowser* edge = form.BrowserForm() ? form.BrowserForm()->EdgeBrowser() : nullptr;
    if (edge) edge->Refresh();
    std::fprintf(stderr, "zel dev: reloaded (%s changed)\n",
                 lastChange.lexically_relative(appDir).generic_string().c_str());
  });
  liveReload.Start(appDir);
  if (watcher.Polling()) {
    std::fprintf(stderr,
                 "zel dev: the system gives no file monitor; checking for changes every %d ms\n",
                 TLinuxFileWatcher::PollMilliseconds);
  }

  std::printf(
      "Serving %s (%s) from %s without packaging; website data in %s.\n"
      "The page reloads when a file there changes. Close the window to stop.\n",
      preview.AppName().c_str(), preview.AppID().c_str(), preview.FilesFolder().c_str(),
      dataFolder.c_str());
  std::fflush(stdout);
  form.Window().Show();
  platform->UserInterface().Run();
  form.FormClose();
  return 0;
}

}  // namespace zel
