#pragma once
// Menus in memory: views keep what they were last shown, the tray icon
// shows wherever the test says a tray exists, and pictures are read from the
// header of PNG data alone.
#include <string>
#include <string_view>
#include <vector>

#include "backends/fake/FakeFileSystem.h"
#include "core/menus/MenuSnapshot.h"
#include "platform/Menus.h"

namespace zel {

class TFakeMenuView : public IMenuView {
 public:
  void SetItems(const std::vector<TMenuItem>& items) override;
  // Changes the kept copy of the item as a view would redraw it.
  void UpdateItem(const TMenuItem& item) override;
  void SetOnItemClick(TOnItemClick handler) override { FOnItemClick = std::move(handler); }

  const std::vector<TMenuItem>& Items() const { return FItems.Items(); }
  int SetItemsCount() const { return FSetItemsCount; }
  int UpdateCount() const { return FUpdateCount; }
  // The first kept item with `caption` in depth-first order, or none.
  const TMenuItem* FindByCaption(std::string_view caption) const;
  // The user chooses the item `key`.
  void Click(std::uint32_t key);

 private:
  TMenuSnapshot FItems;
  int FSetItemsCount = 0;
  int FUpdateCount = 0;
  TOnItemClick FOnItemClick;
};

class TFakeMenus;

class TFakeTrayIcon : public ITrayIcon {
 public:
  TFakeTrayIcon(TFakeMenus& owner, std::string title, bool trayAvailable);
  ~TFakeTrayIcon() override;
  void SetShown(bool shown) override;
  bool Visible() override { return FShown && FTrayAvailable; }
  TFakeMenuView& Menu() override { return FMenu; }
  void SetOnClick(std::function<void()> handler) override { FOnClick = std::move(handler); }

  bool Shown() const { return FShown; }
  const std::string& Title() const { return FTitle; }
  // Times the icon went from hidden to shown.
  int ShowCount() const { return FShowCount; }
  void SetTrayAvailable(bool available) { FTrayAvailable = available; }
  // The user clicks the icon.
  void Click();
  void Detach() { FOwner = nullptr; }

 private:
  TFakeMenus* FOwner;
  std::string FTitle;
  bool FTrayAvailable;
  bool FShown = false;
  int FShowCount = 0;
  TFakeMenuView FMenu;
  std::function<void()> FOnClick;
};

class TFakeMenus : public IMenus {
 public:
  explicit TFakeMenus(TFakeFileSystem& fileSystem) : FFileSystem(fileSystem) {}
  ~TFakeMenus() override;
  std::unique_ptr<ITrayIcon> CreateTrayIcon(const std::string& title) override;
  // PNG data: the signature and an IHDR chunk give the size; the pixels are
  // all transparent. Anything else is no picture.
  std::shared_ptr<const TMenuImage> DecodeImage(std::span<const std::uint8_t> bytes) override;
  // The same for a file of the fake file system.
  std::shared_ptr<const TMenuImage> DecodeImageFile(const std::filesystem::path& path) override;

  // The icon created last, while it exists.
  TFakeTrayIcon* TrayIcon() const { return FTrayIcon; }
  // Whether the desktop has a tray, for icons created from now on.
  void SetTrayAvailable(bool available) { FTrayAvailable = available; }
  // The files read as pictures, in order.
  const std::vector<std::string>& DecodedFiles() const { return FDecodedFiles; }

 private:
  friend class TFakeTrayIcon;
  TFakeFileSystem& FFileSystem;
  TFakeTrayIcon* FTrayIcon = nullptr;
  bool FTrayAvailable = true;
  std::vector<std::string> FDecodedFiles;
};

// The smallest data TFakeMenus reads as a `width` x `height` picture.
std::string FakePngHeader(std::uint32_t width, std::uint32_t height);

}  // namespace zel
