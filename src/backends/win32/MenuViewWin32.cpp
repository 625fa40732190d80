#include "backends/win32/MenuViewWin32.h"

#include "backends/win32/MenuImagesWin32.h"
#include "backends/win32/ToolkitWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

constexpr int MenuImageSize = 16;

void NotifyByPosition(HMENU menu) {
  MENUINFO info{};
  info.cbSize = sizeof info;
  info.fMask = MIM_STYLE;
  GetMenuInfo(menu, &info);
  info.dwStyle |= MNS_NOTIFYBYPOS;
  SetMenuInfo(menu, &info);
}

}  // namespace

TWin32MenuView::TWin32MenuView(bool menuBar)
    : FMenu(menuBar ? CreateMenu() : CreatePopupMenu()), FMenuBar(menuBar) {
  NotifyByPosition(FMenu);
  FLevels[0] = FMenu;
}

TWin32MenuView::~TWin32MenuView() {
  ClearLevel(FMenu);
  DestroyMenu(FMenu);
}

std::wstring TWin32MenuView::CaptionOf(const TMenuEntryLayout& entry) {
  std::string caption;
  for (std::size_t i = 0; i < entry.Text.size(); ++i) {
    if (i == entry.AccessKey) caption += '&';
    if (entry.Text[i] == '&') caption += '&';
    caption += entry.Text[i];
  }
  return WideOf(caption);
}

void TWin32MenuView::SetItems(const std::vector<TMenuItem>& items) {
  ClearLevel(FMenu);
  FItems.Assign(items);
  BuildLevel(FMenu, 0);
  if (FOnChanged) FOnChanged();
}

HMENU TWin32MenuView::LevelMenu(std::uint32_t parentKey) const {
  const auto found = FLevels.find(parentKey);
  return found == FLevels.end() ? nullptr : found->second;
}

void TWin32MenuView::BuildLevel(HMENU menu, std::uint32_t parentKey) {
  const std::vector<TMenuItem>* items = FItems.Level(parentKey);
  if (!items) return;
  const std::vector<TMenuEntryLayout> layout = LayOutMenuLevel(*items);
  UINT position = 0;
  for (std::size_t i = 0; i < items->size(); ++i) {
    // Windows cannot hide an entry: separators that would not show are left out.
    if (!layout[i].Shown) continue;
    const TMenuItem& item = (*items)[i];
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    info.dwItemData = item.Key;
    std::wstring caption;
    if (layout[i].Separator) {
      info.fType = MFT_SEPARATOR;
    } else {
      caption = CaptionOf(layout[i]);
      info.fMask |= MIIM_STRING | MIIM_STATE;
      info.fType = MFT_STRING;
      info.dwTypeData = caption.data();
      info.fState = item.Enabled ? MFS_ENABLED : MFS_DISABLED;
      if (HBITMAP bitmap = Bitmap(item)) {
        info.fMask |= MIIM_BITMAP;
        info.hbmpItem = bitmap;
      }
      if (item.Submenu) {
        HMENU submenu = CreatePopupMenu();
        NotifyByPosition(submenu);
        FLevels[item.Key] = submenu;
        BuildLevel(submenu, item.Key);
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = submenu;
      }
    }
    InsertMenuItemW(menu, position++, TRUE, &info);
  }
}

HBITMAP TWin32MenuView::Bitmap(const TMenuItem& item) {
  if (!item.Image) return nullptr;
  HBITMAP bitmap =
      MenuImageBitmap(*item.Image, Win32Toolkit::Scale(nullptr, MenuImageSize), !item.Enabled);
  if (bitmap) FBitmaps[item.Key] = bitmap;
  return bitmap;
}

void TWin32MenuView::ClearLevel(HMENU menu) {
  for (int position = GetMenuItemCount(menu) - 1; position >= 0; --position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA | MIIM_SUBMENU;
    if (GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
      const auto key = static_cast<std::uint32_t>(info.dwItemData);
      if (info.hSubMenu) {
        ClearLevel(info.hSubMenu);
        FLevels.erase(key);
      }
      // The bitmap goes only once Windows no longer shows it.
      const auto bitmap = FBitmaps.find(key);
      DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
      if (bitmap != FBitmaps.end()) {
        DeleteObject(bitmap->second);
        FBitmaps.erase(bitmap);
      }
      continue;
    }
    DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
  }
}

void TWin32MenuView::UpdateItem(const TMenuItem& changed) {
  TMenuItem* item = FItems.Update(changed);
  if (!item) return;
  // A new caption may move access keys and separators of the whole level:
  // the level is drawn again.
  HMENU menu = LevelMenu(FItems.ParentKey(item->Key));
  if (!menu) return;
  const std::uint32_t parentKey = FItems.ParentKey(item->Key);
  ClearLevel(menu);
  BuildLevel(menu, parentKey);
  if (FOnChanged) FOnChanged();
}

bool TWin32MenuView::MenuCommand(HMENU menu, UINT position) {
  bool ours = false;
  for (const auto& [key, level] : FLevels) ours = ours || level == menu;
  if (!ours) return false;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA | MIIM_SUBMENU;
  if (!GetMenuItemInfoW(menu, position, TRUE, &info) || info.hSubMenu) return true;
  const auto key = static_cast<std::uint32_t>(info.dwItemData);
  const TMenuItem* item = FItems.Find(key);
  if (!item || item->Submenu) return true;
  // The handler may replace the items: call a copy.
  const auto handler = FOnItemClick;
  if (handler) handler(key);
  return true;
}

}  // namespace zel
