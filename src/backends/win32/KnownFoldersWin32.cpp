#include "backends/win32/KnownFoldersWin32.h"

#include "backends/win32/EnvironmentWin32.h"
#include "backends/win32/WideTextWin32.h"
// clang-format off
#include "backends/win32/Win32.h"
#include <knownfolders.h>
#include <shlobj.h>
// clang-format on

namespace zel {
namespace {

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

// The folder as the shell knows it, without creating it; else the
// environment's variable (when given), which the shell sets from the same
// place.
std::string KnownFolder(const KNOWNFOLDERID& id, const char* variable = nullptr) {
  wchar_t* path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path != nullptr)
    folder = Utf8Of(path);
  CoTaskMemFree(path);
  if (folder.empty() && variable != nullptr)
    folder = TWin32Environment().Get(variable).value_or("");
  return WithSeparator(folder);
}

}  // namespace

std::string TWin32KnownFolders::LocalAppData() {
  return KnownFolder(FOLDERID_LocalAppData, "LOCALAPPDATA");
}

std::string TWin32KnownFolders::RoamingAppData() {
  return KnownFolder(FOLDERID_RoamingAppData, "APPDATA");
}

std::string TWin32KnownFolders::Temp() {
  wchar_t path[MAX_PATH + 1] = {};
  // The answer ends with a backslash already.
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return {};
  return WithSeparator(Utf8Of(std::wstring_view(path, length)));
}

std::string TWin32KnownFolders::Documents() { return KnownFolder(FOLDERID_Documents); }

std::string TWin32KnownFolders::Desktop() { return KnownFolder(FOLDERID_Desktop); }

}  // namespace zel
