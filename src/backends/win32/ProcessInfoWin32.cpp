#include "backends/win32/ProcessInfoWin32.h"

#include "backends/win32/Win32.h"

namespace zel {

std::filesystem::path TWin32ProcessInfo::ExecutablePath() {
  // The path may be longer than MAX_PATH: the buffer grows until it fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace zel
