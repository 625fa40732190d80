#include "backends/linux/TrayIconLinux.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <unistd.h>

namespace zel {
namespace {

constexpr const char* WatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* ItemPath = "/StatusNotifierItem";
constexpr const char* MenuPath = "/MenuBar";
// The icon of executables in every freedesktop icon theme: programs on
// Linux carry no icon of their own.
constexpr const char* IconName = "application-x-executable";
constexpr gint WatcherCallTimeoutMs = 2000;

constexpr const char* ItemXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
    <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg name="status" type="s"/></signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* ItemInfo() {
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(ItemXml, nullptr);
  return node->interfaces[0];
}

GVariant* NoPixmaps() { return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0); }

// Whether an XEmbed system tray holds the selection of the default screen.
bool SystemTrayPresent() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
  Display* x11 = gdk_x11_display_get_xdisplay(display);
  const int screen = gdk_x11_screen_get_screen_number(gdk_display_get_default_screen(display));
  const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  return XGetSelectionOwner(x11, XInternAtom(x11, selection.c_str(), False)) != None;
}

}  // namespace

void TLinuxTrayIcon::TMenus::SetItems(const std::vector<TMenuItem>& items) {
  FExported.SetItems(items);
  FPopup.SetItems(items);
}

void TLinuxTrayIcon::TMenus::UpdateItem(const TMenuItem& item) {
  FExported.UpdateItem(item);
  FPopup.UpdateItem(item);
}

void TLinuxTrayIcon::TMenus::SetOnItemClick(TOnItemClick handler) {
  FExported.SetOnItemClick(handler);
  FPopup.SetOnItemClick(std::move(handler));
}

TLinuxTrayIcon::TLinuxTrayIcon(std::string title)
    : FTitle(std::move(title)),
      FPopupMenu(gtk_menu_new()),
      FPopup(GTK_MENU_SHELL(FPopupMenu)),
      FMenu(FExported, FPopup),
      FCancellable(g_cancellable_new()) {
  static int count = 0;
  FBusName =
      "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

TLinuxTrayIcon::~TLinuxTrayIcon() {
  g_cancellable_cancel(FCancellable);
  FShown = false;
  UnexportItem();
  if (FWatcherWatch != 0) g_bus_unwatch_name(FWatcherWatch);
  if (FStatusIcon) {
    g_signal_handlers_disconnect_by_data(FStatusIcon, this);
    g_object_unref(FStatusIcon);
  }
  g_object_unref(FCancellable);
  if (FBus) g_object_unref(FBus);
  gtk_widget_destroy(FPopupMenu);
}

void TLinuxTrayIcon::SetShown(bool shown) {
  if (shown == FShown) return;
  FShown = shown;
  if (shown) ConnectBus();
  Update();
}

bool TLinuxTrayIcon::Visible() {
  if (!FShown) return false;
  return (FItemRegistration != 0 && !FRegistrationFailed) || StatusIconVisible();
}

bool TLinuxTrayIcon::ConnectBus() {
  if (FBusTried) return FBus != nullptr;
  FBusTried = true;
  FBus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (!FBus) return false;
  // Whether a watcher runs now; later changes come through the watch.
  GVariant* reply = g_dbus_connection_call_sync(
      FBus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      g_variant_new("(s)", WatcherName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE,
      WatcherCallTimeoutMs, nullptr, nullptr);
  if (reply) {
    gboolean present = FALSE;
    g_variant_get(reply, "(b)", &present);
    FWatcherPresent = present;
    g_variant_unref(reply);
  }
  FWatcherWatch = g_bus_watch_name_on_connection(FBus, WatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                 WatcherAppeared, WatcherVanished, this, nullptr);
  return true;
}

void TLinuxTrayIcon::Update() {
  if (FShown && FBus && FWatcherPresent && !FRegistrationFailed) {
    HideStatusIcon();
    if (FItemRegistration == 0) ExportItem();
    return;
  }
  UnexportItem();
  if (FShown)
    ShowStatusIcon();
  else
    HideStatusIcon();
}

void TLinuxTrayIcon::ExportItem() {
  static const GDBusInterfaceVTable vtable{ItemMethodCall, ItemProperty, nullptr, {}};
  FItemRegistration = g_dbus_connection_register_object(FBus, ItemPath, ItemInfo(), &vtable, this,
                                                        nullptr, nullptr);
  if (FItemRegistration == 0 || !FExported.Export(FBus, MenuPath)) {
    // The paths are taken (another icon of this process): the XEmbed icon
    // stands in.
    FRegistrationFailed = true;
    Update();
    return;
  }
  // The watcher is told once the name is ours; it follows the name, so
  // releasing it takes the icon away.
  FNameOwner =
      g_bus_own_name_on_connection(FBus, FBusName.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                                   NameAcquired, NameLost, this, nullptr);
}

void TLinuxTrayIcon::UnexportItem() {
  if (FNameOwner != 0) g_bus_unown_name(FNameOwner);
  FNameOwner = 0;
  if (FItemRegistration != 0) g_dbus_connection_unregister_object(FBus, FItemRegistration);
  FItemRegistration = 0;
  FExported.Unexport();
}

void TLinuxTrayIcon::Register() {
  g_dbus_connection_call(FBus, WatcherName, "/StatusNotifierWatcher", WatcherName,
                         "RegisterStatusNotifierItem", g_variant_new("(s)", FBusName.c_str()),
                         nullptr, G_DBUS_CALL_FLAGS_NONE, WatcherCallTimeoutMs, FCancellable,
                         Registered, this);
}

void TLinuxTrayIcon::Registered(GObject* source, GAsyncResult* result, gpointer self) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
  if (reply) {
    g_variant_unref(reply);
    return;
  }
  const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
  g_error_free(error);
  if (cancelled) return;  // the icon is gone
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  // The watcher refused the icon, or went away meanwhile.
  if (icon->FNameOwner == 0) return;
  icon->FRegistrationFailed = true;
  icon->Update();
}

void TLinuxTrayIcon::NameAcquired(GDBusConnection*, const gchar*, gpointer self) {
  static_cast<TLinuxTrayIcon*>(self)->Register();
}

void TLinuxTrayIcon::NameLost(GDBusConnection*, const gchar*, gpointer self) {
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  icon->FRegistrationFailed = true;
  icon->Update();
}

void TLinuxTrayIcon::WatcherAppeared(GDBusConnection*, const gchar*, const gchar*, gpointer self) {
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  const bool wasPresent = icon->FWatcherPresent;
  icon->FWatcherPresent = true;
  if (wasPresent) return;  // the state the icon was put in already
  // A new watcher (the tray restarted): the icon registers with it again.
  icon->FRegistrationFailed = false;
  if (icon->FNameOwner != 0) icon->Register();
  icon->Update();
}

void TLinuxTrayIcon::WatcherVanished(GDBusConnection*, const gchar*, gpointer self) {
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  icon->FWatcherPresent = false;
  icon->Update();
}

void TLinuxTrayIcon::ItemMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                    const gchar* method, GVariant* parameters,
                                    GDBusMethodInvocation* invocation, gpointer self) {
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  const std::string name = method;
  g_dbus_method_invocation_return_value(invocation, nullptr);
  if (name == "Activate") {
    icon->Click();
  } else if (name == "ContextMenu") {
    gint32 x = 0, y = 0;
    g_variant_get(parameters, "(ii)", &x, &y);
    icon->PopUpMenu(x, y);
  }
}

GVariant* TLinuxTrayIcon::ItemProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                       const gchar* property, GError** error, gpointer self) {
  const auto* icon = static_cast<TLinuxTrayIcon*>(self);
  const std::string name = property;
  if (name == "Category") return g_variant_new_string("ApplicationStatus");
  if (name == "Id" || name == "Title") return g_variant_new_string(icon->FTitle.c_str());
  if (name == "Status") return g_variant_new_string("Active");
  if (name == "WindowId") return g_variant_new_int32(0);
  if (name == "Menu") return g_variant_new_object_path(MenuPath);
  if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
  if (name == "IconName") return g_variant_new_string(IconName);
  if (name == "IconPixmap" || name == "OverlayIconPixmap" || name == "AttentionIconPixmap")
    return NoPixmaps();
  if (name == "IconThemePath" || name == "OverlayIconName" || name == "AttentionIconName" ||
      name == "AttentionMovieName") {
    return g_variant_new_string("");
  }
  if (name == "ToolTip")
    return g_variant_new("(s@a(iiay)ss)", "", NoPixmaps(), icon->FTitle.c_str(), "");
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "Unknown property %s", property);
  return nullptr;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
// GtkStatusIcon is GTK 3's XEmbed tray icon; deprecated because newer
// desktops have no XEmbed tray, which is why it only stands in here.
void TLinuxTrayIcon::ShowStatusIcon() {
  if (!FStatusIcon) {
    FStatusIcon = gtk_status_icon_new_from_icon_name(IconName);
    gtk_status_icon_set_title(FStatusIcon, FTitle.c_str());
    gtk_status_icon_set_tooltip_text(FStatusIcon, FTitle.c_str());
    // "activate" comes with the press of the left button: a double click
    // reports its first click only.
    g_signal_connect(FStatusIcon, "activate", G_CALLBACK(StatusIconActivated), this);
    g_signal_connect(FStatusIcon, "popup-menu", G_CALLBACK(StatusIconPopupMenu), this);
  }
  gtk_status_icon_set_visible(FStatusIcon, TRUE);
}

void TLinuxTrayIcon::HideStatusIcon() {
  if (FStatusIcon) gtk_status_icon_set_visible(FStatusIcon, FALSE);
}

bool TLinuxTrayIcon::StatusIconVisible() {
  if (!FStatusIcon || !gtk_status_icon_get_visible(FStatusIcon)) return false;
  return gtk_status_icon_is_embedded(FStatusIcon) || SystemTrayPresent();
}

void TLinuxTrayIcon::StatusIconPopupMenu(GtkStatusIcon* statusIcon, guint button, guint time,
                                         gpointer self) {
  auto* icon = static_cast<TLinuxTrayIcon*>(self);
  if (icon->FPopup.Empty()) return;
  gtk_menu_popup(GTK_MENU(icon->FPopupMenu), nullptr, nullptr, gtk_status_icon_position_menu,
                 statusIcon, button, time);
}
G_GNUC_END_IGNORE_DEPRECATIONS

void TLinuxTrayIcon::StatusIconActivated(GtkStatusIcon*, gpointer self) {
  static_cast<TLinuxTrayIcon*>(self)->Click();
}

void TLinuxTrayIcon::PopUpMenu(int x, int y) {
  if (FPopup.Empty()) return;
  GdkRectangle point{x, y, 1, 1};
  gtk_menu_popup_at_rect(GTK_MENU(FPopupMenu), gdk_get_default_root_window(), &point,
                         GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, nullptr);
}

void TLinuxTrayIcon::Click() {
  const auto handler = FOnClick;
  if (handler) handler();
}

}  // namespace zel
