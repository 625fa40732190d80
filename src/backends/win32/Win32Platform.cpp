// <windows.h> first: its macros (DeleteFile, ReplaceFile...) must rename the
// seam's methods here as they do in each service's own files.
// clang-format off
#include "backends/win32/Win32.h"
#include "backends/win32/Win32Platform.h"
// clang-format on

#include "backends/win32/ContentTypesWin32.h"
#include "backends/win32/EnvironmentWin32.h"
#include "backends/win32/FileDialogsWin32.h"
#include "backends/win32/FileMappingWin32.h"
#include "backends/win32/FileSystemWin32.h"
#include "backends/win32/InstanceLockWin32.h"
#include "backends/win32/KnownFoldersWin32.h"
#include "backends/win32/LocaleWin32.h"
#include "backends/win32/MenusWin32.h"
#include "backends/win32/MessageBoxesWin32.h"
#include "backends/win32/ProcessInfoWin32.h"
#include "backends/win32/ProcessesWin32.h"
#include "backends/win32/RegistryStoreWin32.h"
#include "backends/win32/SharedLibrariesWin32.h"
#include "backends/win32/ShellWin32.h"
#include "backends/win32/StartupWindowsWin32.h"
#include "backends/win32/SystemServicesWin32.h"
#include "backends/win32/UserInterfaceWin32.h"
#include "backends/win32/VisualStylesWin32.h"

namespace zel {
namespace {

class TWin32Platform : public IPlatform {
 public:
  IProcessInfo& ProcessInfo() override { return FProcessInfo; }
  IFileMapping& FileMapping() override { return FFileMapping; }
  ILocale& Locale() override { return FLocale; }
  IContentTypes& ContentTypes() override { return FContentTypes; }
  IUserInterface& UserInterface() override { return FUserInterface; }
  IMessageBoxes& MessageBoxes() override { return FMessageBoxes; }
  IInstanceLock& InstanceLock() override { return FInstanceLock; }
  IKnownFolders& KnownFolders() override { return FKnownFolders; }
  IEnvironment& Environment() override { return FEnvironment; }
  ISharedLibraries& SharedLibraries() override { return FSharedLibraries; }
  IProcesses& Processes() override { return FProcesses; }
  IFileSystem& FileSystem() override { return FFileSystem; }
  IFileDialogs& FileDialogs() override { return FFileDialogs; }
  IShell& Shell() override { return FShell; }
  IRegistryStore& RegistryStore() override { return FRegistryStore; }
  ISystemServices& SystemServices() override { return FSystemServices; }
  IMenus& Menus() override { return FMenus; }
  IStartupWindows& StartupWindows() override { return FStartupWindows; }
  IVisualStyles& VisualStyles() override { return FVisualStyles; }

 private:
  TWin32ProcessInfo FProcessInfo;
  TWin32FileMapping FFileMapping;
  TWin32Locale FLocale;
  TWin32ContentTypes FContentTypes;
  TWin32UserInterface FUserInterface;
  TWin32MessageBoxes FMessageBoxes;
  TWin32InstanceLock FInstanceLock;
  TWin32KnownFolders FKnownFolders;
  TWin32Environment FEnvironment;
  TWin32SharedLibraries FSharedLibraries;
  TWin32Processes FProcesses;
  TWin32FileSystem FFileSystem;
  TWin32FileDialogs FFileDialogs;
  TWin32Shell FShell;
  TWin32RegistryStore FRegistryStore;
  TWin32SystemServices FSystemServices;
  TWin32Menus FMenus;
  TWin32StartupWindows FStartupWindows;
  TWin32VisualStyles FVisualStyles;
};

}  // namespace

std::unique_ptr<IPlatform> CreateWin32Platform() { return std::make_unique<TWin32Platform>(); }

}  // namespace zel
