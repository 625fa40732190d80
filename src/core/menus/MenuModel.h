#pragma once
// A menu of the bridge (the main menu or the tray menu): its item tree, its
// image collection and the view that shows it. Items are identified towards
// the view by keys that are never reused, and towards the page by tags.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Menus.h"

namespace zel {

// An image of a menu's collection, under its name.
struct TNamedMenuImage {
  std::string Name;
  std::shared_ptr<const TMenuImage> Image;
};

class TMenuModel {
 public:
  using TOnItemClick = std::function<void(std::int32_t tag)>;

  // Images are named `imagePrefix` followed by their position.
  explicit TMenuModel(std::string imagePrefix);
  ~TMenuModel();
  TMenuModel(const TMenuModel&) = delete;
  TMenuModel& operator=(const TMenuModel&) = delete;

  // The view that shows the menu from now on; it shows the current items at
  // once. Clicks it reports after this model is gone are ignored.
  void SetView(IMenuView* view);
  IMenuView* View() const { return FView; }
  // Called with the tag of a leaf item the user chose.
  void SetOnItemClick(TOnItemClick handler) { FOnItemClick = std::move(handler); }

  std::vector<TMenuItem>& Items() { return FItems; }
  const std::vector<TMenuItem>& Items() const { return FItems; }
  const std::vector<TNamedMenuImage>& Images() const { return FImages; }

  // A new item with a fresh key at the end of `level` (the top level or an
  // item's Items).
  TMenuItem& AppendItem(std::vector<TMenuItem>& level);
  // Adds `image` to the collection under the next name and points `item`
  // at it.
  void AddItemImage(TMenuItem& item, std::shared_ptr<const TMenuImage> image);
  // Removes every item; the images stay.
  void ClearItems();
  // Removes every item and every image.
  void Clear();
  // The first item with `tag` in depth-first order (an item before its
  // children, earlier siblings before later ones), or none.
  TMenuItem* FindItemByTag(std::int32_t tag);

  // The view shows every item again, or the changed `item` alone.
  void ShowItems();
  void ShowItem(const TMenuItem& item);

  // What the view reports: a click on the item `key`.
  void ItemClicked(std::uint32_t key);

 private:
  std::string FImagePrefix;
  std::vector<TMenuItem> FItems;
  std::vector<TNamedMenuImage> FImages;
  std::uint32_t FNextKey = 1;
  IMenuView* FView = nullptr;
  TOnItemClick FOnItemClick;
  // Views may outlive the model: their click handler holds this weakly.
  std::shared_ptr<TMenuModel*> FSelf;
};

}  // namespace zel
