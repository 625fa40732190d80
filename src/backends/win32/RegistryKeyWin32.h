#pragma once
// Open registry keys and their values, shared by the registry store and the
// content types.
#include <optional>
#include <string>
#include <vector>

#include "backends/win32/Win32.h"
#include "platform/RegistryStore.h"

namespace zel {

// An open registry key, closed with the object.
class TRegistryKey {
 public:
  TRegistryKey() = default;
  explicit TRegistryKey(HKEY key) : FKey(key) {}
  ~TRegistryKey() { Close(); }
  TRegistryKey(TRegistryKey&& other) noexcept : FKey(other.FKey) { other.FKey = nullptr; }
  TRegistryKey& operator=(TRegistryKey&& other) noexcept;
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;

  // `subKey` of `parent` (empty: `parent` itself); an empty object when it
  // cannot be opened, with the system's code in `error` when given.
  static TRegistryKey Open(HKEY parent, const std::wstring& subKey, REGSAM access,
                           LSTATUS* error = nullptr);

  explicit operator bool() const { return FKey != nullptr; }
  HKEY Get() const { return FKey; }

 private:
  void Close();
  HKEY FKey = nullptr;
};

// The names of the direct sub-keys of `key`, in the registry's order.
std::vector<std::wstring> SubKeyNames(HKEY key);

// A value's type and data as the store hands them out: text types decoded
// from UTF-16 without their terminating nulls, numbers from their bytes,
// anything else as raw bytes.
TRegistryValue RegistryValueOf(std::wstring_view name, DWORD type, const std::vector<BYTE>& data);

// The value `name` of `key`; nothing when it does not exist.
std::optional<TRegistryValue> ReadRegistryValue(HKEY key, const std::wstring& name);

}  // namespace zel
