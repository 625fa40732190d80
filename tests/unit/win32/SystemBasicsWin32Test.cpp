// Process information, environment, shared libraries, file mapping, locale
// and known folders of the Win32 backend, against the real system.
#include <gtest/gtest.h>

#include "ServicesTestSupport.h"
#include "backends/win32/EnvironmentWin32.h"
#include "backends/win32/FileMappingWin32.h"
#include "backends/win32/KnownFoldersWin32.h"
#include "backends/win32/LocaleWin32.h"
#include "backends/win32/ProcessInfoWin32.h"
#include "backends/win32/SharedLibrariesWin32.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

namespace fs = std::filesystem;
using test::TTemporaryFolder;
using test::UnicodeName;

TEST(Win32ProcessInfo, TheExecutableIsThisTestProgram) {
  const fs::path exe = TWin32ProcessInfo().ExecutablePath();
  EXPECT_TRUE(exe.is_absolute());
  EXPECT_EQ(exe.filename(), L"zel_unit_tests.exe");
  EXPECT_TRUE(fs::is_regular_file(exe));
}

TEST(Win32Environment, ValuesRoundTripAndEmptyDiffersFromMissing) {
  TWin32Environment environment;
  const std::string name = test::UniqueName("ZEL_TEST_VARIABLE");
  EXPECT_EQ(environment.Get(name), std::nullopt);
  const std::string values[] = {UnicodeName, std::string(5000, 'x') + "end", ""};
  for (const std::string& value : values) {
    SCOPED_TRACE(value.substr(0, 40));
    environment.Set(name, value);
    EXPECT_EQ(environment.Get(name), value);
  }
  environment.Unset(name);
  EXPECT_EQ(environment.Get(name), std::nullopt);
  EXPECT_NO_THROW(environment.Unset(name));  // already gone
  // The block that child processes inherit, not only the C runtime's copy.
  environment.Set(name, "seen");
  wchar_t buffer[16] = {};
  EXPECT_EQ(GetEnvironmentVariableW(Utf8ToPath(name).c_str(), buffer, 16), 4u);
  environment.Unset(name);
}

fs::path SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  return fs::path(std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH)));
}

TEST(Win32SharedLibraries, AFileIsLoadedItsExportsFoundAndFailuresNameThePath) {
  TWin32SharedLibraries libraries;
  std::string error = "stale";
  auto kernel = libraries.Load(SystemFolder() / L"kernel32.dll", error);
  ASSERT_NE(kernel, nullptr) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_NE(kernel->Symbol("GetTickCount64"), nullptr);
  EXPECT_EQ(kernel->Symbol("NoSuchExportAnywhere"), nullptr);

  TTemporaryFolder folder;
  test::WriteFile(folder / "not-a-library.dll", "plain text, no image");
  const fs::path failures[] = {
      folder / (std::string(UnicodeName) + ".dll"),  // missing
      folder / "not-a-library.dll",
      // A bare name means a file of the current folder, never the system's.
      "kernel32.dll",
  };
  const fs::path current = fs::current_path();
  fs::current_path(folder.Path());
  for (const fs::path& path : failures) {
    SCOPED_TRACE(PathToUtf8(path));
    error.clear();
    EXPECT_EQ(libraries.Load(path, error), nullptr);
    EXPECT_NE(error.find(PathToUtf8(path.filename())), std::string::npos) << error;
  }
  fs::current_path(current);
}

TEST(Win32FileMapping, TheWholeFileIsMappedWhateverItsNameOrSize) {
  TTemporaryFolder folder;
  TWin32FileMapping mapping;
  std::string large(3 * 65536 + 17, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7);
  const std::pair<std::string, std::string> files[] = {
      {std::string(UnicodeName) + ".bin", "bytes\0with a zero"},
      {"large.bin", large},
      {"empty.bin", ""},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    test::WriteFile(folder / name, bytes);
    const auto mapped = mapping.MapReadOnly(folder / name);
    const auto view = mapped->Bytes();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.data()), view.size()), bytes);
  }
  try {
    mapping.MapReadOnly(folder / (std::string(UnicodeName) + ".missing"));
    ADD_FAILURE() << "a missing file was mapped";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), ERROR_FILE_NOT_FOUND);
    // The path in UTF-8, not in the ANSI code page.
    EXPECT_NE(std::string(error.what()).find(UnicodeName), std::string::npos) << error.what();
  }
}

TEST(Win32Locale, TheLanguageIsTheUserLocalesInLowerCase) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
  std::string expected =
      PathToUtf8(fs::path(std::wstring(name).substr(0, std::wstring(name).find(L'-'))));
  for (char& c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  TWin32Locale locale;
  EXPECT_EQ(locale.LanguageCode(), expected);
  EXPECT_EQ(locale.LanguageCode().size(), 2u);
  EXPECT_FALSE(locale.DecimalSeparator().empty());
}

TEST(Win32KnownFolders, EachIsAFolderWithATrailingBackslash) {
  TWin32KnownFolders folders;
  const std::pair<const char*, std::string> known[] = {
      {"LocalAppData", folders.LocalAppData()},
      {"RoamingAppData", folders.RoamingAppData()},
      {"Temp", folders.Temp()},
      {"Documents", folders.Documents()},
      {"Desktop", folders.Desktop()},
  };
  for (const auto& [name, folder] : known) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(Utf8ToPath(folder).is_absolute());
  }
  // The folders the environment names for the same places.
  EXPECT_EQ(folders.LocalAppData(), TWin32Environment().Get("LOCALAPPDATA").value_or("?") + "\\");
  EXPECT_EQ(folders.RoamingAppData(), TWin32Environment().Get("APPDATA").value_or("?") + "\\");
  EXPECT_TRUE(fs::is_directory(Utf8ToPath(folders.LocalAppData())));
  EXPECT_TRUE(fs::is_directory(Utf8ToPath(folders.Temp())));
}

}  // namespace
}  // namespace zel
