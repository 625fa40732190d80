#include "backends/fake/FakeMenus.h"

#include <algorithm>
#include <cstring>

namespace zel {
namespace {

constexpr std::string_view PngSignature = "\x89PNG\r\n\x1a\n";
// Pictures are kept at most this wide and high, as the system's are.
constexpr std::uint32_t MaxKeptSide = 64;

const TMenuItem* FindByCaptionIn(const std::vector<TMenuItem>& level, std::string_view caption) {
  for (const TMenuItem& item : level) {
    if (item.Caption == caption) return &item;
    if (const TMenuItem* found = FindByCaptionIn(item.Items, caption)) return found;
  }
  return nullptr;
}

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

}  // namespace

void TFakeMenuView::SetItems(const std::vector<TMenuItem>& items) {
  FItems.Assign(items);
  ++FSetItemsCount;
}

void TFakeMenuView::UpdateItem(const TMenuItem& item) {
  ++FUpdateCount;
  FItems.Update(item);
}

const TMenuItem* TFakeMenuView::FindByCaption(std::string_view caption) const {
  return FindByCaptionIn(FItems.Items(), caption);
}

void TFakeMenuView::Click(std::uint32_t key) {
  if (FOnItemClick) FOnItemClick(key);
}

TFakeTrayIcon::TFakeTrayIcon(TFakeMenus& owner, std::string title, bool trayAvailable)
    : FOwner(&owner), FTitle(std::move(title)), FTrayAvailable(trayAvailable) {}

TFakeTrayIcon::~TFakeTrayIcon() {
  if (FOwner && FOwner->FTrayIcon == this) FOwner->FTrayIcon = nullptr;
}

void TFakeTrayIcon::SetShown(bool shown) {
  if (shown && !FShown) ++FShowCount;
  FShown = shown;
}

void TFakeTrayIcon::Click() {
  if (FOnClick) FOnClick();
}

TFakeMenus::~TFakeMenus() {
  if (FTrayIcon) FTrayIcon->Detach();
}

std::unique_ptr<ITrayIcon> TFakeMenus::CreateTrayIcon(const std::string& title) {
  auto icon = std::make_unique<TFakeTrayIcon>(*this, title, FTrayAvailable);
  FTrayIcon = icon.get();
  return icon;
}

std::shared_ptr<const TMenuImage> TFakeMenus::DecodeImage(std::span<const std::uint8_t> bytes) {
  // Signature, chunk length, "IHDR", width, height.
  if (bytes.size() < 24 ||
      std::memcmp(bytes.data(), PngSignature.data(), PngSignature.size()) != 0 ||
      std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
    return nullptr;
  }
  const std::uint32_t width = BigEndian32(bytes.data() + 16);
  const std::uint32_t height = BigEndian32(bytes.data() + 20);
  if (width == 0 || height == 0) return nullptr;
  auto image = std::make_shared<TMenuImage>();
  image->Width = static_cast<int>(std::min(width, MaxKeptSide));
  image->Height = static_cast<int>(std::min(height, MaxKeptSide));
  image->Pixels.assign(static_cast<std::size_t>(image->Width) * image->Height * 4, 0);
  return image;
}

std::shared_ptr<const TMenuImage> TFakeMenus::DecodeImageFile(const std::filesystem::path& path) {
  FDecodedFiles.push_back(path.string());
  const std::optional<std::string> contents = FFileSystem.FileContents(path);
  if (!contents) return nullptr;
  return DecodeImage({reinterpret_cast<const std::uint8_t*>(contents->data()), contents->size()});
}

std::string FakePngHeader(std::uint32_t width, std::uint32_t height) {
  std::string bytes(PngSignature);
  bytes += std::string("\0\0\0\x0dIHDR", 8);
  for (const std::uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes += static_cast<char>((value >> shift) & 0xFF);
  }
  return bytes;
}

}  // namespace zel
