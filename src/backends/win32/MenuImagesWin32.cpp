#include "backends/win32/MenuImagesWin32.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "backends/win32/ComWin32.h"

namespace zel {
namespace {

// 16 pixels at 400 %.
constexpr UINT MaxDecodedSide = 64;
// Files larger than this are no menu picture.
constexpr std::uintmax_t MaxImageFileBytes = 64 << 20;

bool NewFactory(TComPtr<IWICImagingFactory>& factory) {
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IWICImagingFactory, factory.Out()));
}

// The pixels of `source` scaled to `width` x `height`, as BGRA rows.
bool CopyScaled(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                std::vector<std::uint8_t>& bgra) {
  TComPtr<IWICBitmapScaler> scaler;
  TComPtr<IWICFormatConverter> converter;
  IWICBitmapSource* scaled = source;
  UINT sourceWidth = 0, sourceHeight = 0;
  if (FAILED(source->GetSize(&sourceWidth, &sourceHeight))) return false;
  if (sourceWidth != width || sourceHeight != height) {
    if (FAILED(factory->CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(source, width, height, WICBitmapInterpolationModeFant)))
      return false;
    scaled = scaler.Get();
  }
  if (FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(scaled, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return false;
  bgra.resize(static_cast<std::size_t>(width) * height * 4);
  return SUCCEEDED(
      converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data()));
}

}  // namespace

std::shared_ptr<const TMenuImage> DecodeMenuImage(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > MaxImageFileBytes) return nullptr;
  TComScope com;
  TComPtr<IWICImagingFactory> factory;
  TComPtr<IWICStream> stream;
  TComPtr<IWICBitmapDecoder> decoder;
  TComPtr<IWICBitmapFrameDecode> frame;
  if (!NewFactory(factory) || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)))
    return nullptr;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return nullptr;
  width = std::min(width, MaxDecodedSide);
  height = std::min(height, MaxDecodedSide);
  std::vector<std::uint8_t> bgra;
  if (!CopyScaled(factory.Get(), frame.Get(), width, height, bgra)) return nullptr;
  auto image = std::make_shared<TMenuImage>();
  image->Width = static_cast<int>(width);
  image->Height = static_cast<int>(height);
  image->Pixels = std::move(bgra);
  for (std::size_t i = 0; i < image->Pixels.size(); i += 4)
    std::swap(image->Pixels[i], image->Pixels[i + 2]);  // BGRA to RGBA
  return image;
}

std::shared_ptr<const TMenuImage> DecodeMenuImageFile(const std::filesystem::path& path) {
  // Only regular files: a pipe or a device would never end.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > MaxImageFileBytes) return nullptr;
  std::ifstream file(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
    return nullptr;
  return DecodeMenuImage(bytes);
}

namespace {

// `image` stretched to `side` x `side` pixels as BGRA rows, alpha straight.
bool ScaledBgra(const TMenuImage& image, int side, std::vector<std::uint8_t>& scaled) {
  if (image.Width <= 0 || image.Height <= 0 || side <= 0 ||
      image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 4)
    return false;
  TComScope com;
  TComPtr<IWICImagingFactory> factory;
  TComPtr<IWICBitmap> source;
  std::vector<std::uint8_t> bgra(image.Pixels);
  for (std::size_t i = 0; i < bgra.size(); i += 4) std::swap(bgra[i], bgra[i + 2]);
  if (!NewFactory(factory) || FAILED(factory->CreateBitmapFromMemory(
                                  static_cast<UINT>(image.Width), static_cast<UINT>(image.Height),
                                  GUID_WICPixelFormat32bppBGRA, static_cast<UINT>(image.Width) * 4,
                                  static_cast<UINT>(bgra.size()), bgra.data(), &source)))
    return false;
  return CopyScaled(factory.Get(), source.Get(), static_cast<UINT>(side), static_cast<UINT>(side),
                    scaled);
}

// A top-down 32-bit DIB section of `side` x `side` pixels.
HBITMAP NewDibSection(int side, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

HBITMAP MenuImageBitmap(const TMenuImage& image, int side, bool greyed) {
  std::vector<std::uint8_t> scaled;
  if (!ScaledBgra(image, side, scaled)) return nullptr;
  void* bits = nullptr;
  HBITMAP bitmap = NewDibSection(side, &bits);
  if (bitmap == nullptr) return nullptr;
  auto* out = static_cast<std::uint8_t*>(bits);
  for (std::size_t i = 0; i < scaled.size(); i += 4) {
    std::uint8_t blue = scaled[i], green = scaled[i + 1], red = scaled[i + 2];
    const std::uint8_t alpha = scaled[i + 3];
    if (greyed) {
      // Luminance, lightened and half transparent like the system's greyed text.
      const int grey = (red * 30 + green * 59 + blue * 11) / 100;
      red = green = blue = static_cast<std::uint8_t>(128 + grey / 2);
    }
    const std::uint8_t shownAlpha = greyed ? static_cast<std::uint8_t>(alpha / 2) : alpha;
    // Windows draws menu bitmaps with premultiplied alpha.
    out[i] = static_cast<std::uint8_t>(blue * shownAlpha / 255);
    out[i + 1] = static_cast<std::uint8_t>(green * shownAlpha / 255);
    out[i + 2] = static_cast<std::uint8_t>(red * shownAlpha / 255);
    out[i + 3] = shownAlpha;
  }
  return bitmap;
}

HICON NewIconOfImage(const TMenuImage& image, int side) {
  std::vector<std::uint8_t> scaled;
  if (!ScaledBgra(image, side, scaled)) return nullptr;
  void* bits = nullptr;
  HBITMAP color = NewDibSection(side, &bits);
  if (color == nullptr) return nullptr;
  // Icons take straight alpha; the mask is unused where the colour has alpha.
  std::memcpy(bits, scaled.data(), scaled.size());
  HBITMAP mask = CreateBitmap(side, side, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}

}  // namespace zel
