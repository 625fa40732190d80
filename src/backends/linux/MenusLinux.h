#pragma once
#include "platform/Menus.h"

namespace zel {

// Tray icons of Linux desktops (TLinuxTrayIcon) and menu pictures read by
// GdkPixbuf.
class TLinuxMenus : public IMenus {
 public:
  // Throws EError when no display can be opened.
  std::unique_ptr<ITrayIcon> CreateTrayIcon(const std::string& title) override;
  std::shared_ptr<const TMenuImage> DecodeImage(std::span<const std::uint8_t> bytes) override;
  std::shared_ptr<const TMenuImage> DecodeImageFile(const std::filesystem::path& path) override;
};

}  // namespace zel
