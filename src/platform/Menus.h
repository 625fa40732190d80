#pragma once
// Menus the desktop draws: the main window's menu bar, and the tray icon in
// the desktop's notification area with its pop-up menu. The core builds the
// items as plain data; a view shows them and reports which item was chosen.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zel {

// A decoded picture: Width x Height pixels of red, green, blue and alpha
// (8 bits each, alpha not premultiplied), rows top to bottom.
struct TMenuImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;
};

// One entry of a menu and, for a submenu, its entries.
struct TMenuItem {
  // Unique within its menu for as long as the menu exists: clicks and
  // updates name the item by it.
  std::uint32_t Key = 0;
  // The page's id of the item.
  std::int32_t Tag = 0;
  // "&" marks the access key ("&&" stands for "&"); "-" alone makes the
  // item a separator line.
  std::string Caption;
  bool Enabled = true;
  // The image's name and position in the menu's image collection, and the
  // image itself; none when Image is empty.
  std::string ImageName;
  int ImageIndex = -1;
  std::shared_ptr<const TMenuImage> Image;
  // Opens a submenu of Items, which may have no entries. Views report
  // clicks on the other items.
  bool Submenu = false;
  std::vector<TMenuItem> Items;
  // Whether the owner acts on clicks (an item built as a leaf).
  bool Leaf = false;
};

// A menu as the desktop shows it.
class IMenuView {
 public:
  using TOnItemClick = std::function<void(std::uint32_t key)>;
  virtual ~IMenuView() = default;
  // Shows `items` in place of everything shown before.
  virtual void SetItems(const std::vector<TMenuItem>& items) = 0;
  // Shows the caption, enabled flag and image of `item` for the entry with
  // its key; its entries below stay as they are.
  virtual void UpdateItem(const TMenuItem& item) = 0;
  // Called with the key of the leaf item the user chose.
  virtual void SetOnItemClick(TOnItemClick handler) = 0;
};

// The application's icon in the desktop's notification area.
class ITrayIcon {
 public:
  virtual ~ITrayIcon() = default;
  // Shows or hides the icon; showing a shown icon changes nothing.
  virtual void SetShown(bool shown) = 0;
  // Shown and displayed: false while no tray of the desktop can hold it.
  virtual bool Visible() = 0;
  // The pop-up menu of the icon.
  virtual IMenuView& Menu() = 0;
  // Called when the user clicks the icon.
  virtual void SetOnClick(std::function<void()> handler) = 0;
};

class IMenus {
 public:
  virtual ~IMenus() = default;
  // A hidden tray icon with an empty menu and `title` as its tooltip.
  virtual std::unique_ptr<ITrayIcon> CreateTrayIcon(const std::string& title) = 0;
  // The picture in `bytes` (PNG, JPEG, BMP, GIF, ICO and whatever else the
  // system reads), or none when they are no picture it can read. Large
  // pictures may come back reduced: menus show them at 16 x 16.
  virtual std::shared_ptr<const TMenuImage> DecodeImage(std::span<const std::uint8_t> bytes) = 0;
  // The same for the contents of the file `path`.
  virtual std::shared_ptr<const TMenuImage> DecodeImageFile(const std::filesystem::path& path) = 0;
};

}  // namespace zel
