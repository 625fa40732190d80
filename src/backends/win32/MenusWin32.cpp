#include "backends/win32/MenusWin32.h"

#include "backends/win32/MenuImagesWin32.h"
#include "backends/win32/TrayIconWin32.h"

namespace zel {

std::unique_ptr<ITrayIcon> TWin32Menus::CreateTrayIcon(const std::string& title) {
  return std::make_unique<TWin32TrayIcon>(title);
}

std::shared_ptr<const TMenuImage> TWin32Menus::DecodeImage(std::span<const std::uint8_t> bytes) {
  return DecodeMenuImage(bytes);
}

std::shared_ptr<const TMenuImage> TWin32Menus::DecodeImageFile(const std::filesystem::path& path) {
  return DecodeMenuImageFile(path);
}

}  // namespace zel
