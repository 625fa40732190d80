#pragma once
// A menu drawn with GTK: a menu bar, or a pop-up menu. The top level of a
// menu bar is built at once; every other level when it is first shown, so
// that menus of many items cost nothing until they are opened.
//
// GTK lays out a menu in time that grows faster than its entries (a menu of
// 10,000 takes seconds to open, a bar of 10,000 far longer), and clips a bar
// that does not fit its window. So a level shows at most MaxMenuEntries
// entries (MaxMenuBarEntries in a bar); the items beyond go into a last
// entry, "»", whose menu lists them, and so on.
#include <gtk/gtk.h>

#include <span>
#include <unordered_map>
#include <vector>

#include "core/menus/MenuDisplay.h"
#include "core/menus/MenuSnapshot.h"
#include "platform/Menus.h"

namespace zel {

inline constexpr std::size_t MaxMenuBarEntries = 100;
inline constexpr std::size_t MaxMenuEntries = 300;

class TLinuxMenuView : public IMenuView {
 public:
  // Draws into `shell`, a GtkMenuBar (shown while it has items) or a GtkMenu.
  explicit TLinuxMenuView(GtkMenuShell* shell);
  ~TLinuxMenuView() override;
  TLinuxMenuView(const TLinuxMenuView&) = delete;
  TLinuxMenuView& operator=(const TLinuxMenuView&) = delete;

  void SetItems(const std::vector<TMenuItem>& items) override;
  void UpdateItem(const TMenuItem& item) override;
  void SetOnItemClick(TOnItemClick handler) override { FOnItemClick = std::move(handler); }

  GtkMenuShell* Shell() const { return FShell; }
  bool Empty() const { return FItems.Empty(); }

 private:
  // One menu GTK shows: the items below `ParentKey` (0: the top level)
  // from the `Part`th "»" on.
  struct TLevelId {
    std::uint32_t ParentKey = 0;
    std::uint32_t Part = 0;
    bool operator==(const TLevelId&) const = default;
  };
  struct TLevelHash {
    std::size_t operator()(const TLevelId& id) const {
      return (std::size_t{id.ParentKey} << 20) ^ id.Part;
    }
  };
  // The widgets of one shown level, one per item.
  struct TLevel {
    GtkMenuShell* Shell = nullptr;
    std::vector<GtkWidget*> Widgets;
    std::vector<TMenuEntryLayout> Layout;
  };

  // The items `id` shows, and whether a "»" follows them.
  std::span<const TMenuItem> LevelItems(TLevelId id, bool& continued) const;
  // The level that shows the item `key`, and the item's place there.
  TLevelId LevelOf(std::uint32_t key, std::size_t& index) const;
  std::size_t MaxEntries(TLevelId id) const;
  GtkWidget* CreateSubmenu(TLevelId id);

  static void LevelShown(GtkWidget* menu, gpointer self);
  static void ItemActivated(GtkMenuItem* widget, gpointer self);
  void BuildLevel(TLevelId id, GtkMenuShell* shell);
  GtkWidget* CreateWidget(const TMenuItem& item, const TMenuEntryLayout& layout);
  GtkWidget* CreateContent(const TMenuItem& item, const TMenuEntryLayout& layout,
                           GtkWidget* menuItem);
  // Forgets the built levels below `item`, whose widgets are gone.
  void ForgetLevelsBelow(const TMenuItem& item);
  bool IsMenuBar() const { return GTK_IS_MENU_BAR(FShell); }

  GtkMenuShell* FShell;
  TMenuSnapshot FItems;
  std::unordered_map<TLevelId, TLevel, TLevelHash> FLevels;
  TOnItemClick FOnItemClick;
};

}  // namespace zel
