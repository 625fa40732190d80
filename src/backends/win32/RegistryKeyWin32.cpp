#include "backends/win32/RegistryKeyWin32.h"

#include <cstring>

#include "backends/win32/WideTextWin32.h"

namespace zel {

TRegistryKey& TRegistryKey::operator=(TRegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    FKey = other.FKey;
    other.FKey = nullptr;
  }
  return *this;
}

void TRegistryKey::Close() {
  if (FKey != nullptr) RegCloseKey(FKey);
  FKey = nullptr;
}

TRegistryKey TRegistryKey::Open(HKEY parent, const std::wstring& subKey, REGSAM access,
                                LSTATUS* error) {
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(parent, subKey.c_str(), 0, access, &key);
  if (error != nullptr) *error = status;
  return TRegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

std::vector<std::wstring> SubKeyNames(HKEY key) {
  std::vector<std::wstring> names;
  // Key names are at most 255 characters.
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    const LSTATUS status =
        RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_SUCCESS) names.emplace_back(name, length);
  }
  return names;
}

TRegistryValue RegistryValueOf(std::wstring_view name, DWORD type, const std::vector<BYTE>& data) {
  TRegistryValue value;
  value.Name = Utf8Of(name);
  value.Type = static_cast<TRegistryValueType>(type);
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    // Written with or without their terminating null by other programs.
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    value.Text = Utf8Of(text);
  } else if (type == REG_DWORD || type == REG_QWORD) {
    // Little-endian; a value shorter than its type counts its missing bytes
    // as zeros.
    const std::size_t width = type == REG_DWORD ? 4 : 8;
    for (std::size_t i = 0; i < width && i < data.size(); ++i)
      value.Number |= static_cast<std::uint64_t>(data[i]) << (8 * i);
  } else {
    value.Text.assign(data.begin(), data.end());
  }
  return value;
}

std::optional<TRegistryValue> ReadRegistryValue(HKEY key, const std::wstring& name) {
  std::vector<BYTE> data(256);
  for (;;) {
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      // Another process may make it larger meanwhile: asked again.
      data.resize(size > data.size() ? size : data.size() * 2);
      continue;
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    return RegistryValueOf(name, type, data);
  }
}

}  // namespace zel
