// folders.dirExists, folders.deleteDir and the folder getters.
#include "core/bridge/AppPaths.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/bridge/families/FileCalls.h"
#include "platform/Platform.h"

namespace zel {
namespace {

using TFolderGetter = std::string (*)(IPlatform& platform);

void RegisterGetter(TBridgeDispatcher& dispatcher, std::int32_t id, std::string name,
                    TFolderGetter getter) {
  dispatcher.Register({id, std::move(name), false, [getter](const TBridgeCall& call) {
                         call.SuccessText(FolderResult(getter(call.Module.Platform())));
                       }});
}

}  // namespace

void RegisterFolderFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({40001, "folders.dirExists", false, [](const TBridgeCall& call) {
                         const auto path = ReadAppPathArgument(call, "dirPath");
                         if (!path) return;
                         const bool exists =
                             call.Module.Platform().FileSystem().DirectoryExists(*path);
                         call.Success(exists ? "true" : "false");
                       }});
  dispatcher.Register({40002, "folders.deleteDir", false, [](const TBridgeCall& call) {
                         const auto path = ReadAppPathArgument(call, "dirPath");
                         if (!path) return;
                         const bool deleted =
                             call.Module.Platform().FileSystem().DeleteDirectory(*path);
                         call.Success(deleted ? "true" : "false");
                       }});
  RegisterGetter(dispatcher, 40003, "folders.getTempDir",
                 [](IPlatform& platform) { return platform.KnownFolders().Temp(); });
  RegisterGetter(dispatcher, 40004, "folders.getUserDocumentsDir",
                 [](IPlatform& platform) { return platform.KnownFolders().Documents(); });
  RegisterGetter(dispatcher, 40005, "folders.getUserDesktopDir",
                 [](IPlatform& platform) { return platform.KnownFolders().Desktop(); });
  dispatcher.Register({40006, "folders.getAppExecutableDir", false, [](const TBridgeCall& call) {
                         call.SuccessText(FolderResult(AppExecutableDir(call.Module)));
                       }});
  RegisterGetter(dispatcher, 40007, "folders.getAppDataDir",
                 [](IPlatform& platform) { return platform.KnownFolders().RoamingAppData(); });
}

}  // namespace zel
