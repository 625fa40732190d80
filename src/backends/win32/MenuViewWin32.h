#pragma once
// A menu drawn by Windows: a menu bar (CreateMenu) or a pop-up menu
// (CreatePopupMenu). Items carry their key as item data; every menu reports
// choices by position (MNS_NOTIFYBYPOS, WM_MENUCOMMAND), so keys need not
// fit the 16 bits of a command identifier. Access keys are "&" marks laid
// out by the core; pictures are 32-bit bitmaps with alpha.
#include <functional>
#include <unordered_map>
#include <vector>

#include "backends/win32/Win32.h"
#include "core/menus/MenuDisplay.h"
#include "core/menus/MenuSnapshot.h"
#include "platform/Menus.h"

namespace zel {

class TWin32MenuView : public IMenuView {
 public:
  // `menuBar`: a menu bar; otherwise a pop-up menu.
  explicit TWin32MenuView(bool menuBar);
  ~TWin32MenuView() override;
  TWin32MenuView(const TWin32MenuView&) = delete;
  TWin32MenuView& operator=(const TWin32MenuView&) = delete;

  void SetItems(const std::vector<TMenuItem>& items) override;
  void UpdateItem(const TMenuItem& item) override;
  void SetOnItemClick(TOnItemClick handler) override { FOnItemClick = std::move(handler); }

  HMENU Handle() const { return FMenu; }
  bool Empty() const { return FItems.Empty(); }
  // Called after the items shown have changed (a menu bar is redrawn).
  void SetOnChanged(std::function<void()> handler) { FOnChanged = std::move(handler); }
  // Answers WM_MENUCOMMAND for a menu of this view; false for other menus.
  bool MenuCommand(HMENU menu, UINT position);
  // The menu that shows the items below `parentKey` (0: the top level).
  HMENU LevelMenu(std::uint32_t parentKey) const;
  // The caption Windows shows for a laid-out entry: "&" before the access
  // key, every other "&" doubled.
  static std::wstring CaptionOf(const TMenuEntryLayout& entry);

 private:
  // Fills `menu` with the items below `parentKey`, submenus included.
  void BuildLevel(HMENU menu, std::uint32_t parentKey);
  // Empties `menu`, destroying its submenus and their pictures.
  void ClearLevel(HMENU menu);
  HBITMAP Bitmap(const TMenuItem& item);

  HMENU FMenu;
  bool FMenuBar;
  TMenuSnapshot FItems;
  std::unordered_map<std::uint32_t, HMENU> FLevels;     // parent key -> its menu
  std::unordered_map<std::uint32_t, HBITMAP> FBitmaps;  // item key -> its picture
  TOnItemClick FOnItemClick;
  std::function<void()> FOnChanged;
};

}  // namespace zel
