#pragma once
// A menu served over D-Bus as com.canonical.dbusmenu, the menu of a
// StatusNotifierItem that the desktop's tray draws. Menu ids are the items'
// keys, 0 the root. The protocol is served here rather than through
// libdbusmenu-glib, whose items cost time in proportion to their siblings
// (10,000 items of one level took over a second to build there); this
// serves any number from the kept items.
#include <gio/gio.h>

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/menus/MenuDisplay.h"
#include "core/menus/MenuSnapshot.h"
#include "platform/Menus.h"

namespace zel {

class TLinuxDbusMenu : public IMenuView {
 public:
  TLinuxDbusMenu() = default;
  ~TLinuxDbusMenu() override { Unexport(); }
  TLinuxDbusMenu(const TLinuxDbusMenu&) = delete;
  TLinuxDbusMenu& operator=(const TLinuxDbusMenu&) = delete;

  // Serves the menu at `path` on `connection` until Unexport; false when
  // the path is taken.
  bool Export(GDBusConnection* connection, const char* path);
  void Unexport();

  void SetItems(const std::vector<TMenuItem>& items) override;
  void UpdateItem(const TMenuItem& item) override;
  void SetOnItemClick(TOnItemClick handler) override { FOnItemClick = std::move(handler); }

 private:
  using TNames = std::vector<std::string>;

  static void MethodCall(GDBusConnection* connection, const gchar* sender, const gchar* path,
                         const gchar* interface, const gchar* method, GVariant* parameters,
                         GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* GetProperty(GDBusConnection* connection, const gchar* sender, const gchar* path,
                               const gchar* interface, const gchar* property, GError** error,
                               gpointer self);
  void Call(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation);
  // The item `id` with its layout; false for unknown ids. The root has no item.
  bool Lookup(gint32 id, const TMenuItem*& item, const TMenuEntryLayout*& layout);
  GVariant* Layout(std::uint32_t key, const TMenuItem* item, const TMenuEntryLayout* layout,
                   int depth, int nesting, const TNames& names);
  GVariant* Properties(const TMenuItem* item, const TMenuEntryLayout* layout, const TNames& names);
  const std::vector<TMenuEntryLayout>& LevelLayout(std::uint32_t parentKey);
  const std::vector<std::uint8_t>& IconData(const TMenuItem& item);
  // The item a "clicked" event on `id` chooses, if any; false for unknown ids.
  bool EventTarget(gint32 id, const gchar* eventId, std::uint32_t& clicked);
  void Click(std::uint32_t key);
  void EmitLayoutUpdated(std::uint32_t parentKey);

  TMenuSnapshot FItems;
  std::unordered_map<std::uint32_t, std::vector<TMenuEntryLayout>> FLayouts;
  std::map<std::pair<std::shared_ptr<const TMenuImage>, bool>, std::vector<std::uint8_t>> FIcons;
  std::uint32_t FRevision = 1;
  GDBusConnection* FConnection = nullptr;
  guint FRegistration = 0;
  std::string FPath;
  TOnItemClick FOnItemClick;
};

}  // namespace zel
