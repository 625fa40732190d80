#include "backends/linux/MenuImagesLinux.h"

#include <gdk/gdk.h>
#include <gio/gio.h>

#include <algorithm>
#include <system_error>

namespace zel {
namespace {

// 16 pixels at the largest scale GTK offers.
constexpr int MaxDecodedSide = 64;
// Files larger than this are no menu picture.
constexpr gsize MaxImageFileBytes = 64 << 20;
constexpr gsize ReadStep = 64 << 10;

void LoaderSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer) {
  if (width > MaxDecodedSide || height > MaxDecodedSide)
    gdk_pixbuf_loader_set_size(loader, std::min(width, MaxDecodedSide),
                               std::min(height, MaxDecodedSide));
}

std::shared_ptr<const TMenuImage> ImageOfPixbuf(GdkPixbuf* source) {
  if (!source || gdk_pixbuf_get_bits_per_sample(source) != 8 ||
      gdk_pixbuf_get_colorspace(source) != GDK_COLORSPACE_RGB) {
    return nullptr;
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_get_has_alpha(source)
                          ? GDK_PIXBUF(g_object_ref(source))
                          : gdk_pixbuf_add_alpha(source, FALSE, 0, 0, 0);
  auto image = std::make_shared<TMenuImage>();
  image->Width = gdk_pixbuf_get_width(pixbuf);
  image->Height = gdk_pixbuf_get_height(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  image->Pixels.reserve(static_cast<std::size_t>(image->Width) * image->Height * 4);
  for (int y = 0; y < image->Height; ++y) {
    const guchar* row = pixels + static_cast<std::size_t>(y) * stride;
    image->Pixels.insert(image->Pixels.end(), row, row + image->Width * 4);
  }
  g_object_unref(pixbuf);
  return image;
}

// Feeds bytes to GdkPixbuf as they come; `Failed` once it refuses them.
class TImageLoader {
 public:
  TImageLoader() : FLoader(gdk_pixbuf_loader_new()) {
    g_signal_connect(FLoader, "size-prepared", G_CALLBACK(LoaderSizePrepared), nullptr);
  }
  ~TImageLoader() {
    if (!FClosed) gdk_pixbuf_loader_close(FLoader, nullptr);
    g_object_unref(FLoader);
  }
  bool Write(const guchar* bytes, gsize size) {
    FFailed = FFailed || !gdk_pixbuf_loader_write(FLoader, bytes, size, nullptr);
    return !FFailed;
  }
  std::shared_ptr<const TMenuImage> Finish() {
    FClosed = true;
    const bool closed = gdk_pixbuf_loader_close(FLoader, nullptr);
    if (FFailed || !closed) return nullptr;
    return ImageOfPixbuf(gdk_pixbuf_loader_get_pixbuf(FLoader));
  }

 private:
  GdkPixbufLoader* FLoader;
  bool FFailed = false;
  bool FClosed = false;
};

}  // namespace

std::shared_ptr<const TMenuImage> DecodeMenuImage(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  TImageLoader loader;
  if (!loader.Write(bytes.data(), bytes.size())) return nullptr;
  return loader.Finish();
}

std::shared_ptr<const TMenuImage> DecodeMenuImageFile(const std::filesystem::path& path) {
  // Only regular files: a pipe or a device would never end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  GFile* file = g_file_new_for_path(path.c_str());
  GFileInputStream* stream = g_file_read(file, nullptr, nullptr);
  g_object_unref(file);
  if (!stream) return nullptr;
  std::shared_ptr<const TMenuImage> image;
  {
    TImageLoader loader;
    std::vector<guchar> buffer(ReadStep);
    gsize total = 0;
    bool ok = true;
    for (;;) {
      const gssize count = g_input_stream_read(G_INPUT_STREAM(stream), buffer.data(), buffer.size(),
                                               nullptr, nullptr);
      if (count <= 0) {
        ok = count == 0;
        break;
      }
      total += static_cast<gsize>(count);
      if (total > MaxImageFileBytes || !loader.Write(buffer.data(), static_cast<gsize>(count))) {
        ok = false;
        break;
      }
    }
    if (ok) image = loader.Finish();
  }
  g_object_unref(stream);
  return image;
}

int MenuImageScale() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return 1;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0)
    monitor = gdk_display_get_monitor(display, 0);
  return monitor ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
}

GdkPixbuf* MenuImagePixbuf(const TMenuImage& image, int side, bool greyed) {
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 4) {
    return nullptr;
  }
  GBytes* bytes = g_bytes_new(image.Pixels.data(), image.Pixels.size());
  GdkPixbuf* source = gdk_pixbuf_new_from_bytes(bytes, GDK_COLORSPACE_RGB, TRUE, 8, image.Width,
                                                image.Height, image.Width * 4);
  g_bytes_unref(bytes);
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(source, side, side, GDK_INTERP_BILINEAR);
  g_object_unref(source);
  if (greyed && scaled) gdk_pixbuf_saturate_and_pixelate(scaled, scaled, 0.0f, FALSE);
  return scaled;
}

std::vector<std::uint8_t> MenuImagePng(const TMenuImage& image, int side, bool greyed) {
  std::vector<std::uint8_t> png;
  GdkPixbuf* pixbuf = MenuImagePixbuf(image, side, greyed);
  if (!pixbuf) return png;
  gchar* buffer = nullptr;
  gsize size = 0;
  if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr)) {
    png.assign(reinterpret_cast<const std::uint8_t*>(buffer),
               reinterpret_cast<const std::uint8_t*>(buffer) + size);
  }
  g_free(buffer);
  g_object_unref(pixbuf);
  return png;
}

}  // namespace zel
