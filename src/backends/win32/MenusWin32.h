#pragma once
#include "platform/Menus.h"

namespace zel {

// Tray icons in Windows' notification area (TWin32TrayIcon) and menu
// pictures read by the Windows Imaging Component.
class TWin32Menus : public IMenus {
 public:
  std::unique_ptr<ITrayIcon> CreateTrayIcon(const std::string& title) override;
  std::shared_ptr<const TMenuImage> DecodeImage(std::span<const std::uint8_t> bytes) override;
  std::shared_ptr<const TMenuImage> DecodeImageFile(const std::filesystem::path& path) override;
};

}  // namespace zel
