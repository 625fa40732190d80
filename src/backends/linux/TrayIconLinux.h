#pragma once
// The tray icon on Linux desktops: a StatusNotifierItem on the session bus,
// registered with the desktop's org.kde.StatusNotifierWatcher, its menu
// served as com.canonical.dbusmenu. Where no watcher runs, an XEmbed icon
// (GtkStatusIcon) in the X11 system tray instead. Without either the icon
// is not visible, and nothing fails.
//
// Clicks: Activate (the primary click, the left button on every tray host)
// and a left click on the XEmbed icon report a click; ContextMenu and the
// right button pop the menu up where the tray asks; hosts that draw the
// exported menu themselves send its clicks as menu events.
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "backends/linux/DbusMenuLinux.h"
#include "backends/linux/MenuViewLinux.h"
#include "platform/Menus.h"

namespace zel {

class TLinuxTrayIcon : public ITrayIcon {
 public:
  // The toolkit must be initialized.
  explicit TLinuxTrayIcon(std::string title);
  ~TLinuxTrayIcon() override;
  TLinuxTrayIcon(const TLinuxTrayIcon&) = delete;
  TLinuxTrayIcon& operator=(const TLinuxTrayIcon&) = delete;

  void SetShown(bool shown) override;
  bool Visible() override;
  IMenuView& Menu() override { return FMenu; }
  void SetOnClick(std::function<void()> handler) override { FOnClick = std::move(handler); }

 private:
  // The menu goes both to the bus and to the pop-up menu drawn here.
  class TMenus : public IMenuView {
   public:
    TMenus(TLinuxDbusMenu& exported, TLinuxMenuView& popup) : FExported(exported), FPopup(popup) {}
    void SetItems(const std::vector<TMenuItem>& items) override;
    void UpdateItem(const TMenuItem& item) override;
    void SetOnItemClick(TOnItemClick handler) override;

   private:
    TLinuxDbusMenu& FExported;
    TLinuxMenuView& FPopup;
  };

  static void ItemMethodCall(GDBusConnection* connection, const gchar* sender, const gchar* path,
                             const gchar* interface, const gchar* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* ItemProperty(GDBusConnection* connection, const gchar* sender, const gchar* path,
                                const gchar* interface, const gchar* property, GError** error,
                                gpointer self);
  static void WatcherAppeared(GDBusConnection* connection, const gchar* name, const gchar* owner,
                              gpointer self);
  static void WatcherVanished(GDBusConnection* connection, const gchar* name, gpointer self);
  static void NameAcquired(GDBusConnection* connection, const gchar* name, gpointer self);
  static void NameLost(GDBusConnection* connection, const gchar* name, gpointer self);
  static void Registered(GObject* source, GAsyncResult* result, gpointer self);
  static void StatusIconActivated(GtkStatusIcon* icon, gpointer self);
  static void StatusIconPopupMenu(GtkStatusIcon* icon, guint button, guint time, gpointer self);

  // Connects to the session bus and starts watching for a watcher; false
  // without a session bus.
  bool ConnectBus();
  // Puts the icon where the desktop can show it now, or takes it away.
  void Update();
  void ExportItem();
  void UnexportItem();
  void Register();
  void ShowStatusIcon();
  void HideStatusIcon();
  bool StatusIconVisible();
  void PopUpMenu(int x, int y);
  void Click();

  std::string FTitle;
  bool FShown = false;
  std::function<void()> FOnClick;

  GtkWidget* FPopupMenu;
  TLinuxMenuView FPopup;
  TLinuxDbusMenu FExported;
  TMenus FMenu;

  GDBusConnection* FBus = nullptr;
  bool FBusTried = false;
  guint FWatcherWatch = 0;
  bool FWatcherPresent = false;
  bool FRegistrationFailed = false;
  guint FItemRegistration = 0;
  guint FNameOwner = 0;
  std::string FBusName;
  GCancellable* FCancellable;

  GtkStatusIcon* FStatusIcon = nullptr;
};

}  // namespace zel
