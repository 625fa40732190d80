#pragma once
// Menu pictures on GTK: decoded by GdkPixbuf, drawn at 16 x 16 logical
// pixels scaled for the display, in grey for disabled items.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "platform/Menus.h"

namespace zel {

// The side of a menu picture in logical pixels.
inline constexpr int MenuImageSize = 16;

// Decodes what GdkPixbuf reads; none for anything else. Pictures larger than
// a menu can show at any scale are decoded smaller.
std::shared_ptr<const TMenuImage> DecodeMenuImage(std::span<const std::uint8_t> bytes);
// The same for a regular file, read in steps.
std::shared_ptr<const TMenuImage> DecodeMenuImageFile(const std::filesystem::path& path);

// The display's scale factor (device pixels per logical pixel).
int MenuImageScale();
// `image` stretched to `side` x `side` pixels, greyed for a disabled item. A
// new reference.
GdkPixbuf* MenuImagePixbuf(const TMenuImage& image, int side, bool greyed);
// The same as PNG data.
std::vector<std::uint8_t> MenuImagePng(const TMenuImage& image, int side, bool greyed);

}  // namespace zel
