#pragma once
// A menu drawn with GTK: a menu bar, or a pop-up menu. The top level of a
// menu bar is built at once; every other level when it is first shown, so
// that menus of many items cost nothing until they are opened.
#include <gtk/gtk.h>

#include <unordered_map>
#include <vector>

#include "core/menus/MenuDisplay.h"
#include "core/menus/MenuSnapshot.h"
#include "platform/Menus.h"

namespace zel {

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
  // The widgets of one shown level, one per item.
  struct TLevel {
    GtkMenuShell* Shell = nullptr;
    std::vector<GtkWidget*> Widgets;
    std::vector<TMenuEntryLayout> Layout;
  };

  static void LevelShown(GtkWidget* menu, gpointer self);
  static void ItemActivated(GtkMenuItem* widget, gpointer self);
  void BuildLevel(std::uint32_t parentKey, GtkMenuShell* shell);
  GtkWidget* CreateWidget(const TMenuItem& item, const TMenuEntryLayout& layout);
  GtkWidget* CreateContent(const TMenuItem& item, const TMenuEntryLayout& layout, GtkWidget* menuItem);
  // Forgets the built levels below `item`, whose widgets are gone.
  void ForgetLevelsBelow(const TMenuItem& item);
  bool IsMenuBar() const { return GTK_IS_MENU_BAR(FShell); }

  GtkMenuShell* FShell;
  TMenuSnapshot FItems;
  std::unordered_map<std::uint32_t, TLevel> FLevels;  // by the key of the level's parent, 0 at the top
  TOnItemClick FOnItemClick;
};

}  // namespace zel
