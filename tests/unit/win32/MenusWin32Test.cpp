// The tray icon in the notification area, and menu pictures through WIC.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Win32TestSupport.h"
#include "backends/win32/MenuImagesWin32.h"
#include "backends/win32/MenusWin32.h"
#include "backends/win32/TrayIconWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

// A 2 x 2 PNG: red, half-transparent green / blue, transparent white.
const std::vector<std::uint8_t> SmallPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xb6, 0x0d,
    0x24, 0x00, 0x00, 0x00, 0x15, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0,
    0x1f, 0x08, 0x1b, 0x18, 0x80, 0x34, 0x08, 0x30, 0x00, 0x00, 0x43, 0xd3, 0x08, 0x79, 0xc9, 0x15,
    0x1c, 0x0f, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// A bottom-up 24-bit BMP of `width` x `height` grey pixels.
std::vector<std::uint8_t> GreyBmp(int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
  std::vector<std::uint8_t> bytes(file.bfSize, 0x80);
  std::memcpy(bytes.data(), &file, sizeof file);
  std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
  return bytes;
}

TMenuItem Leaf(std::uint32_t key, const std::string& caption) {
  TMenuItem item;
  item.Key = key;
  item.Caption = caption;
  item.Leaf = true;
  return item;
}

TEST(MenuImagesWin32Test, PicturesDecodeToRgbaAndLargeOnesComeReduced) {
  TWin32Menus menus;
  const auto png = menus.DecodeImage(SmallPng);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->Width, 2);
  EXPECT_EQ(png->Height, 2);
  const std::vector<std::uint8_t> expected = {255, 0, 0,   255, 0,   255, 0,   128,
                                              0,   0, 255, 255, 255, 255, 255, 0};
  EXPECT_EQ(png->Pixels, expected) << "rows top to bottom, alpha not premultiplied";

  const auto bmp = menus.DecodeImage(GreyBmp(300, 200));
  ASSERT_NE(bmp, nullptr);
  EXPECT_LE(bmp->Width, 64);
  EXPECT_LE(bmp->Height, 64);
  EXPECT_EQ(bmp->Pixels.size(), static_cast<std::size_t>(bmp->Width) * bmp->Height * 4);

  const std::vector<std::uint8_t> garbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g'};
  EXPECT_EQ(menus.DecodeImage(garbage), nullptr);
  EXPECT_EQ(menus.DecodeImage({}), nullptr);
  EXPECT_EQ(menus.DecodeImageFile(L"C:\\no\\such\\picture.png"), nullptr);
}

TEST(MenuImagesWin32Test, MenuBitmapsArePremultipliedAndGreyedForDisabledItems) {
  TMenuImage red;
  red.Width = red.Height = 1;
  red.Pixels = {255, 0, 0, 128};
  for (const bool greyed : {false, true}) {
    HBITMAP bitmap = MenuImageBitmap(red, 16, greyed);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 16);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    const auto* pixel = static_cast<const std::uint8_t*>(dib.dsBm.bmBits);  // B, G, R, A
    if (!greyed) {
      EXPECT_EQ(pixel[3], 128);
      EXPECT_EQ(pixel[2], 128) << "red premultiplied by alpha";
      EXPECT_EQ(pixel[0], 0);
    } else {
      EXPECT_EQ(pixel[0], pixel[2]) << "grey";
      EXPECT_LT(pixel[3], 128) << "fainter";
    }
    DeleteObject(bitmap);
  }
  EXPECT_EQ(MenuImageBitmap(TMenuImage{}, 16, false), nullptr);
}

TEST(TrayIconWin32Test, ClicksAndTheMenuReachTheOwner) {
  TWin32TrayIcon icon("Zel tray");
  int clicks = 0;
  std::vector<std::uint32_t> chosen;
  icon.SetOnClick([&] { ++clicks; });
  icon.Menu().SetOnItemClick([&](std::uint32_t key) { chosen.push_back(key); });
  TMenuItem quit = Leaf(2, "&Quit");
  icon.Menu().SetItems({Leaf(1, "Show"), Leaf(3, "-"), quit});
  EXPECT_FALSE(icon.Visible());
  icon.SetShown(true);
  // Wine's virtual desktop has a notification area (explorer's).
  EXPECT_TRUE(icon.Visible());
  ASSERT_EQ(GetMenuItemCount(icon.MenuHandle()), 3);

  // The shell's events, in either layout (version 4 or the classic one).
  const LPARAM select = MAKELPARAM(NIN_SELECT, TWin32TrayIcon::IconId);
  const LPARAM leftUp = MAKELPARAM(WM_LBUTTONUP, TWin32TrayIcon::IconId);
  SendMessageW(icon.Handle(), TWin32TrayIcon::CallbackMessage, 0, select);
  SendMessageW(icon.Handle(), TWin32TrayIcon::CallbackMessage, 0, leftUp);
  EXPECT_EQ(clicks, 1) << "one click, whichever layout the shell speaks";

  // The right button pops the menu up; the user leaves it.
  bool popped = false;
  test::TDialogAnswer answer(L"#32768", [&](HWND) {
    popped = true;
    EndMenu();
  });
  const LPARAM context = MAKELPARAM(WM_CONTEXTMENU, TWin32TrayIcon::IconId);
  const LPARAM rightUp = MAKELPARAM(WM_RBUTTONUP, TWin32TrayIcon::IconId);
  SendMessageW(icon.Handle(), TWin32TrayIcon::CallbackMessage, MAKEWPARAM(100, 100), context);
  SendMessageW(icon.Handle(), TWin32TrayIcon::CallbackMessage, MAKEWPARAM(100, 100), rightUp);
  EXPECT_TRUE(popped);

  // A chosen item arrives by position.
  SendMessageW(icon.Handle(), WM_MENUCOMMAND, 2, reinterpret_cast<LPARAM>(icon.MenuHandle()));
  EXPECT_EQ(chosen, std::vector<std::uint32_t>{2});

  icon.SetShown(false);
  EXPECT_FALSE(icon.Visible());
}

}  // namespace
}  // namespace zel
