#pragma once
// The platform seam: every service the core and the runtime need from the
// operating system, reached through one aggregate. Backends (linux, fake,
// later windows) implement it; nothing above this layer names an OS.
#include "platform/ContentTypes.h"
#include "platform/Environment.h"
#include "platform/FileDialogs.h"
#include "platform/FileMapping.h"
#include "platform/FileSystem.h"
#include "platform/InstanceLock.h"
#include "platform/KnownFolders.h"
#include "platform/Locale.h"
#include "platform/Menus.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessInfo.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"
#include "platform/SharedLibraries.h"
#include "platform/Shell.h"
#include "platform/StartupWindows.h"
#include "platform/SystemServices.h"
#include "platform/VisualStyles.h"
#include "platform/Window.h"

namespace zel {

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IProcessInfo& ProcessInfo() = 0;
  virtual IFileMapping& FileMapping() = 0;
  virtual ILocale& Locale() = 0;
  virtual IContentTypes& ContentTypes() = 0;
  virtual IUserInterface& UserInterface() = 0;
  virtual IMessageBoxes& MessageBoxes() = 0;
  virtual IInstanceLock& InstanceLock() = 0;
  virtual IKnownFolders& KnownFolders() = 0;
  virtual IEnvironment& Environment() = 0;
  virtual ISharedLibraries& SharedLibraries() = 0;
  virtual IProcesses& Processes() = 0;
  virtual IFileSystem& FileSystem() = 0;
  virtual IFileDialogs& FileDialogs() = 0;
  virtual IShell& Shell() = 0;
  virtual IRegistryStore& RegistryStore() = 0;
  virtual ISystemServices& SystemServices() = 0;
  virtual IMenus& Menus() = 0;
  virtual IStartupWindows& StartupWindows() = 0;
  virtual IVisualStyles& VisualStyles() = 0;
};

}  // namespace zel
