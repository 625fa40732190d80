// The icon and version texts written into a real mingw-built program, read
// back with Windows' own functions, and the program still runs.
#include <gtest/gtest.h>

#include "ServicesTestSupport.h"
#include "core/package/ExeUtils.h"

namespace zel {
namespace {

// An .ico file with one 32x32 32-bit bitmap image, which LoadImage decodes.
std::vector<std::uint8_t> BitmapIcon() {
  constexpr std::uint32_t side = 32, pixels = side * side * 4, mask = side * 4;
  constexpr std::uint32_t imageSize = 40 + pixels + mask;
  std::vector<std::uint8_t> ico;
  auto add16 = [&](std::uint32_t v) { ico.insert(ico.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); };
  auto add32 = [&](std::uint32_t v) { add16(v & 0xFFFF); add16(v >> 16); };
  add16(0), add16(1), add16(1);
  ico.insert(ico.end(), {side, side, 0, 0});
  add16(1), add16(32), add32(imageSize), add32(6 + 16);
  add32(40), add32(side), add32(side * 2), add16(1), add16(32), add32(0), add32(pixels + mask);
  add32(0), add32(0), add32(0), add32(0);
  for (std::uint32_t i = 0; i < side * side; ++i) ico.insert(ico.end(), {0x20, 0x80, 0xE0, 0xFF});
  ico.resize(ico.size() + mask, 0);
  return ico;
}

std::wstring VersionText(const std::vector<BYTE>& info, const std::wstring& translation, const wchar_t* name) {
  const std::wstring query = L"\\StringFileInfo\\" + translation + L"\\" + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), query.c_str(), &value, &length) || !value) return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value), length ? length - 1 : 0);
}

TEST(ExeResourcesWin32, IconAndVersionTextsReadBackThroughWindowsAndTheProgramStillRuns) {
  test::TTemporaryFolder folder;
  const auto exe = folder / "app.exe";
  const auto ico = folder / "app.ico";
  std::filesystem::copy_file(Utf8ToPath(ZEL_WIN32_TEST_VERSIONED), exe);
  test::WriteFile(ico, BitmapIcon());

  TExeVersionTexts texts;
  texts[0] = "Acme Widgets International Limited, Example Division";  // CompanyName, longer
  texts[2] = "2.5";                                                    // FileVersion, same length
  TExeUtils utils(exe);
  utils.ChangeExeIcon(exe, ico);
  ASSERT_TRUE(utils.UpdateExeInfo(exe, texts));

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
  for (const wchar_t* translation : {L"040904b0", L"040704b0"}) {
    SCOPED_TRACE(std::string(translation, translation + 8));
    EXPECT_EQ(VersionText(info, translation, L"CompanyName"), L"Acme Widgets International Limited, Example Division");
    EXPECT_EQ(VersionText(info, translation, L"FileVersion"), L"2.5");
    EXPECT_EQ(VersionText(info, translation, L"ProductName"), L"zel");
  }
  EXPECT_EQ(VersionText(info, L"040704b0", L"FileDescription"), L"zel Testprogramm");

  HMODULE module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, L"MAINICON", MAKEINTRESOURCEW(14)), nullptr);  // RT_GROUP_ICON
  EXPECT_NE(FindResourceExW(module, MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(100), 1033), nullptr);  // RT_ICON
  HANDLE icon = LoadImageW(module, L"MAINICON", IMAGE_ICON, 32, 32, 0);
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(static_cast<HICON>(icon));
  FreeLibrary(module);

  std::wstring commandLine = L"\"" + exe.wstring() + L"\" exit 7";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 7u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace zel
