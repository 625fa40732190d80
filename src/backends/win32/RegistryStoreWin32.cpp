#include "backends/win32/RegistryStoreWin32.h"

#include <algorithm>
#include <stdexcept>

#include "backends/win32/RegistryKeyWin32.h"
#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "core/registry/RegistryPath.h"
#include "core/text/CaseFold.h"
#include "core/text/SystemMessage.h"

namespace zel {
namespace {

// The key's path below HKEY_CURRENT_USER in the registry's form; nothing
// for a path that names no key ("A\\\\B").
std::optional<std::wstring> KeyPath(const std::string& key) {
  const auto names = SplitRegistryKey(key);
  if (!names) return std::nullopt;
  std::wstring path;
  for (const std::string& name : *names) {
    if (!path.empty()) path += L'\\';
    path += WideOf(name);
  }
  return path;
}

TRegistryKey OpenKey(const std::string& key, REGSAM access) {
  const auto path = KeyPath(key);
  if (!path) return {};
  return TRegistryKey::Open(HKEY_CURRENT_USER, *path, access);
}

// The bytes the registry stores for `value`.
std::vector<BYTE> DataOf(const TRegistryValue& value) {
  std::vector<BYTE> data;
  switch (value.Type) {
    case TRegistryValueType::String:
    case TRegistryValueType::ExpandString: {
      const std::wstring text = WideOf(value.Text);
      const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
      data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
      break;
    }
    case TRegistryValueType::DWord:
    case TRegistryValueType::QWord: {
      const std::size_t width = value.Type == TRegistryValueType::DWord ? 4 : 8;
      for (std::size_t i = 0; i < width; ++i)
        data.push_back(static_cast<BYTE>(value.Number >> (8 * i)));
      break;
    }
    default:
      data.assign(value.Text.begin(), value.Text.end());
  }
  return data;
}

template <typename T, typename TNameOf>
void SortByFoldedName(std::vector<T>& items, TNameOf nameOf) {
  std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) {
    return FoldCase(nameOf(a)) < FoldCase(nameOf(b));
  });
}

}  // namespace

bool TWin32RegistryStore::WriteValue(const std::string& key, const TRegistryValue& value) {
  const auto path = KeyPath(key);
  if (!path) return false;
  HKEY opened = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path->c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
    return false;
  const TRegistryKey created(opened);
  const std::vector<BYTE> data = DataOf(value);
  const LSTATUS status =
      RegSetValueExW(created.Get(), WideOf(value.Name).c_str(), 0, static_cast<DWORD>(value.Type),
                     data.data(), static_cast<DWORD>(data.size()));
  if (status != ERROR_SUCCESS)
    throw std::runtime_error(
        "Cannot write the registry value " + value.Name + ": " +
        TrimSystemMessage(SystemErrorText(static_cast<unsigned long>(status))));
  return true;
}

std::optional<TRegistryValue> TWin32RegistryStore::ReadValue(const std::string& key,
                                                             const std::string& name) {
  const TRegistryKey opened = OpenKey(key, KEY_QUERY_VALUE);
  if (!opened) return std::nullopt;
  std::optional<TRegistryValue> value = ReadRegistryValue(opened.Get(), WideOf(name));
  if (value) value->Name = name;
  return value;
}

bool TWin32RegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  const TRegistryKey opened = OpenKey(key, KEY_SET_VALUE);
  return opened && RegDeleteValueW(opened.Get(), WideOf(name).c_str()) == ERROR_SUCCESS;
}

bool TWin32RegistryStore::KeyExists(const std::string& key) {
  return static_cast<bool>(OpenKey(key, KEY_QUERY_VALUE));
}

bool TWin32RegistryStore::DeleteKey(const std::string& key) {
  const auto path = KeyPath(key);
  if (!path || path->empty()) return false;  // never the root
  // The whole branch, deepest keys first, then the key itself.
  return RegDeleteTreeW(HKEY_CURRENT_USER, path->c_str()) == ERROR_SUCCESS;
}

std::optional<std::vector<TRegistryValue>> TWin32RegistryStore::ListValues(const std::string& key) {
  const TRegistryKey opened = OpenKey(key, KEY_QUERY_VALUE);
  if (!opened) return std::nullopt;
  std::vector<TRegistryValue> values;
  std::vector<wchar_t> name(256);
  std::vector<BYTE> data(256);
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LSTATUS status = RegEnumValueW(opened.Get(), index, name.data(), &nameLength, nullptr,
                                         &type, data.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status == ERROR_MORE_DATA) {
      // Value names reach 16,383 characters; the same index is asked again.
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      if (name.size() < 16384) name.resize(16384);
      continue;
    }
    if (status == ERROR_SUCCESS) {
      values.push_back(RegistryValueOf(std::wstring_view(name.data(), nameLength), type,
                                       std::vector<BYTE>(data.begin(), data.begin() + size)));
    }
    ++index;
  }
  SortByFoldedName(values,
                   [](const TRegistryValue& value) -> const std::string& { return value.Name; });
  return values;
}

std::optional<std::vector<std::string>> TWin32RegistryStore::ListSubKeys(const std::string& key) {
  const TRegistryKey opened = OpenKey(key, KEY_ENUMERATE_SUB_KEYS);
  if (!opened) return std::nullopt;
  std::vector<std::string> names;
  for (const std::wstring& name : SubKeyNames(opened.Get())) names.push_back(Utf8Of(name));
  SortByFoldedName(names, [](const std::string& name) -> const std::string& { return name; });
  return names;
}

}  // namespace zel
