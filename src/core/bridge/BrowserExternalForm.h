#pragma once
// The bridge's menus: the main menu (shown as the main window's menu bar
// once the page sets it), the tray icon and the tray icon's menu. Never
// shown itself; the bridge module creates it and frees it with itself.
#include <filesystem>
#include <memory>
#include <string>

#include "core/menus/MenuModel.h"
#include "platform/Menus.h"

namespace zel {

class IPlatform;

class TBrowserExternalForm {
 public:
  // The tray icon starts hidden, both menus empty.
  explicit TBrowserExternalForm(IPlatform& platform);
  TBrowserExternalForm(const TBrowserExternalForm&) = delete;
  TBrowserExternalForm& operator=(const TBrowserExternalForm&) = delete;

  TMenuModel& MainMenu() { return FMainMenu; }
  TMenuModel& TrayMenu() { return FTrayMenu; }
  ITrayIcon& TrayIcon() { return *FTrayIcon; }

 private:
  TMenuModel FMainMenu{"MainMenuImg"};
  TMenuModel FTrayMenu{"TrayMenuImg"};
  std::unique_ptr<ITrayIcon> FTrayIcon;
};

// The application's title before the settings name it, which the tray icon
// keeps as its tooltip: the executable's file name up to its first ".",
// its first character as it is and the others in lower case, at most 127
// characters ("MyApp.bin" gives "Myapp").
std::string DefaultApplicationTitle(const std::filesystem::path& executable);

}  // namespace zel
