#pragma once
// What a menu view keeps of the items it shows: a copy of the tree in which
// every item is found by its key, with its parent and its place.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/Menus.h"

namespace zel {

class TMenuSnapshot {
 public:
  void Assign(const std::vector<TMenuItem>& items);
  const std::vector<TMenuItem>& Items() const { return FItems; }
  bool Empty() const { return FItems.empty(); }
  // Takes the caption, enabled flag and image of `item`; returns the kept
  // item, or none when no item has its key.
  TMenuItem* Update(const TMenuItem& item);
  TMenuItem* Find(std::uint32_t key);
  // The key of the item's parent; 0 for the top level.
  std::uint32_t ParentKey(std::uint32_t key) const;
  // The item's place in its level.
  std::size_t Position(std::uint32_t key) const;
  // The items below `parentKey` (0: the top level); none for unknown keys.
  const std::vector<TMenuItem>* Level(std::uint32_t parentKey) const;

 private:
  struct TPlace {
    TMenuItem* Item = nullptr;
    std::uint32_t ParentKey = 0;
    std::size_t Position = 0;
  };
  void Index(std::vector<TMenuItem>& level, std::uint32_t parentKey);

  std::vector<TMenuItem> FItems;
  std::unordered_map<std::uint32_t, TPlace> FPlaces;
};

}  // namespace zel
