#pragma once
// Menu pictures on Win32: decoded by the Windows Imaging Component (PNG,
// JPEG, BMP, GIF, ICO, TIFF and the codecs installed), shown as 32-bit
// bitmaps with alpha at the small icon size, in grey for disabled items.
#include <filesystem>
#include <memory>
#include <span>

#include "backends/win32/Win32.h"
#include "platform/Menus.h"

namespace zel {

// Decodes what WIC reads; none for anything else. Pictures larger than a
// menu shows at any scale are decoded smaller.
std::shared_ptr<const TMenuImage> DecodeMenuImage(std::span<const std::uint8_t> bytes);
// The same for a regular file.
std::shared_ptr<const TMenuImage> DecodeMenuImageFile(const std::filesystem::path& path);

// `image` stretched to `side` x `side` pixels (premultiplied, top-down),
// greyed for a disabled item; null for an image without pixels. The caller
// deletes it.
HBITMAP MenuImageBitmap(const TMenuImage& image, int side, bool greyed);

// `image` as an icon of `side` x `side` pixels; null for an image without
// pixels. The caller destroys it.
HICON NewIconOfImage(const TMenuImage& image, int side);

}  // namespace zel
