#include "backends/win32/EnvironmentWin32.h"

#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"

namespace zel {

std::optional<std::string> TWin32Environment::Get(const std::string& name) {
  const std::wstring wideName = WideOf(name);
  std::wstring value(64, L'\0');
  for (;;) {
    // An empty value and a missing one both answer 0: the error code tells.
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // Too small: the answer is the size needed, its terminating null included.
    if (length >= value.size()) {
      value.resize(length);
      continue;
    }
    value.resize(length);
    return Utf8Of(value);
  }
}

void TWin32Environment::Set(const std::string& name, const std::string& value) {
  if (!SetEnvironmentVariableW(WideOf(name).c_str(), WideOf(value).c_str()))
    ThrowWin32Error(GetLastError(), "Cannot set " + name);
}

void TWin32Environment::Unset(const std::string& name) {
  if (!SetEnvironmentVariableW(WideOf(name).c_str(), nullptr) &&
      GetLastError() != ERROR_ENVVAR_NOT_FOUND)
    ThrowWin32Error(GetLastError(), "Cannot remove " + name);
}

}  // namespace zel
