#include "core/menus/MenuModel.h"

namespace zel {
namespace {

TMenuItem* FindByTag(std::vector<TMenuItem>& level, std::int32_t tag) {
  for (TMenuItem& item : level) {
    if (item.Tag == tag) return &item;
    if (TMenuItem* found = FindByTag(item.Items, tag)) return found;
  }
  return nullptr;
}

const TMenuItem* FindByKey(const std::vector<TMenuItem>& level, std::uint32_t key) {
  for (const TMenuItem& item : level) {
    if (item.Key == key) return &item;
    if (const TMenuItem* found = FindByKey(item.Items, key)) return found;
  }
  return nullptr;
}

}  // namespace

TMenuModel::TMenuModel(std::string imagePrefix)
    : FImagePrefix(std::move(imagePrefix)), FSelf(std::make_shared<TMenuModel*>(this)) {}

TMenuModel::~TMenuModel() { *FSelf = nullptr; }

void TMenuModel::SetView(IMenuView* view) {
  if (view == FView) return;
  FView = view;
  if (!FView) return;
  FView->SetOnItemClick([self = std::weak_ptr<TMenuModel*>(FSelf)](std::uint32_t key) {
    if (const auto model = self.lock(); model && *model) (*model)->ItemClicked(key);
  });
  FView->SetItems(FItems);
}

TMenuItem& TMenuModel::AppendItem(std::vector<TMenuItem>& level) {
  TMenuItem& item = level.emplace_back();
  item.Key = FNextKey++;
  return item;
}

void TMenuModel::AddItemImage(TMenuItem& item, std::shared_ptr<const TMenuImage> image) {
  const int index = static_cast<int>(FImages.size());
  FImages.push_back({FImagePrefix + std::to_string(index), image});
  item.ImageName = FImages.back().Name;
  item.ImageIndex = index;
  item.Image = std::move(image);
}

void TMenuModel::ClearItems() { FItems.clear(); }

void TMenuModel::Clear() {
  FItems.clear();
  FImages.clear();
}

TMenuItem* TMenuModel::FindItemByTag(std::int32_t tag) { return FindByTag(FItems, tag); }

void TMenuModel::ShowItems() {
  if (FView) FView->SetItems(FItems);
}

void TMenuModel::ShowItem(const TMenuItem& item) {
  if (FView) FView->UpdateItem(item);
}

void TMenuModel::ItemClicked(std::uint32_t key) {
  const TMenuItem* item = FindByKey(FItems, key);
  if (item && item->Leaf && FOnItemClick) FOnItemClick(item->Tag);
}

}  // namespace zel
