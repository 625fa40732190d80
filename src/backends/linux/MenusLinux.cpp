#include "backends/linux/MenusLinux.h"

#include "backends/linux/MenuImagesLinux.h"
#include "backends/linux/ToolkitLinux.h"
#include "backends/linux/TrayIconLinux.h"
#include "core/Error.h"

namespace zel {

std::unique_ptr<ITrayIcon> TLinuxMenus::CreateTrayIcon(const std::string& title) {
  if (!TLinuxToolkit::EnsureInitialized())
    throw EError("Cannot open the display: the application needs a graphical session.");
  return std::make_unique<TLinuxTrayIcon>(title);
}

std::shared_ptr<const TMenuImage> TLinuxMenus::DecodeImage(std::span<const std::uint8_t> bytes) {
  return DecodeMenuImage(bytes);
}

std::shared_ptr<const TMenuImage> TLinuxMenus::DecodeImageFile(const std::filesystem::path& path) {
  return DecodeMenuImageFile(path);
}

}  // namespace zel
