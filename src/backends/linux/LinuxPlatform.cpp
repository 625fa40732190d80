#include "backends/linux/LinuxPlatform.h"

#include "backends/linux/ContentTypesLinux.h"
#include "backends/linux/EnvironmentLinux.h"
#include "backends/linux/FileDialogsLinux.h"
#include "backends/linux/FileMappingLinux.h"
#include "backends/linux/FileSystemLinux.h"
#include "backends/linux/InstanceLockLinux.h"
#include "backends/linux/KnownFoldersLinux.h"
#include "backends/linux/LocaleLinux.h"
#include "backends/linux/MenusLinux.h"
#include "backends/linux/MessageBoxesLinux.h"
#include "backends/linux/ProcessInfoLinux.h"
#include "backends/linux/ProcessesLinux.h"
#include "backends/linux/RegistryStoreLinux.h"
#include "backends/linux/SharedLibrariesLinux.h"
#include "backends/linux/ShellLinux.h"
#include "backends/linux/StartupWindowsLinux.h"
#include "backends/linux/SystemServicesLinux.h"
#include "backends/linux/UserInterfaceLinux.h"
#include "backends/linux/VisualStylesLinux.h"

namespace zel {
namespace {

class TLinuxPlatform : public IPlatform {
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
  TLinuxProcessInfo FProcessInfo;
  TLinuxFileMapping FFileMapping;
  TLinuxLocale FLocale;
  TLinuxContentTypes FContentTypes;
  TLinuxUserInterface FUserInterface;
  TLinuxMessageBoxes FMessageBoxes;
  TLinuxInstanceLock FInstanceLock;
  TLinuxKnownFolders FKnownFolders;
  TLinuxEnvironment FEnvironment;
  TLinuxSharedLibraries FSharedLibraries;
  TLinuxProcesses FProcesses;
  TLinuxFileSystem FFileSystem;
  TLinuxFileDialogs FFileDialogs;
  TLinuxShell FShell;
  TLinuxRegistryStore FRegistryStore;
  TLinuxSystemServices FSystemServices;
  TLinuxMenus FMenus;
  TLinuxStartupWindows FStartupWindows;
  TLinuxVisualStyles FVisualStyles;
};

}  // namespace

std::unique_ptr<IPlatform> CreateLinuxPlatform() { return std::make_unique<TLinuxPlatform>(); }

}  // namespace zel
