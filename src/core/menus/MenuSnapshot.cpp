#include "core/menus/MenuSnapshot.h"

namespace zel {

void TMenuSnapshot::Assign(const std::vector<TMenuItem>& items) {
  FPlaces.clear();
  FItems = items;
  Index(FItems, 0);
}

void TMenuSnapshot::Index(std::vector<TMenuItem>& level, std::uint32_t parentKey) {
  for (std::size_t i = 0; i < level.size(); ++i) {
    FPlaces[level[i].Key] = {&level[i], parentKey, i};
    Index(level[i].Items, level[i].Key);
  }
}

TMenuItem* TMenuSnapshot::Update(const TMenuItem& item) {
  TMenuItem* kept = Find(item.Key);
  if (!kept) return nullptr;
  kept->Caption = item.Caption;
  kept->Enabled = item.Enabled;
  kept->ImageName = item.ImageName;
  kept->ImageIndex = item.ImageIndex;
  kept->Image = item.Image;
  return kept;
}

TMenuItem* TMenuSnapshot::Find(std::uint32_t key) {
  const auto it = FPlaces.find(key);
  return it == FPlaces.end() ? nullptr : it->second.Item;
}

std::uint32_t TMenuSnapshot::ParentKey(std::uint32_t key) const {
  const auto it = FPlaces.find(key);
  return it == FPlaces.end() ? 0 : it->second.ParentKey;
}

std::size_t TMenuSnapshot::Position(std::uint32_t key) const {
  const auto it = FPlaces.find(key);
  return it == FPlaces.end() ? 0 : it->second.Position;
}

const std::vector<TMenuItem>* TMenuSnapshot::Level(std::uint32_t parentKey) const {
  if (parentKey == 0) return &FItems;
  const auto it = FPlaces.find(parentKey);
  return it == FPlaces.end() ? nullptr : &it->second.Item->Items;
}

}  // namespace zel
