#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace zel {

// The current user's registry (HKEY_CURRENT_USER): keys and values keep the
// registry's own rules (names without regard to case, as first spelled).
class TWin32RegistryStore : public IRegistryStore {
 public:
  bool WriteValue(const std::string& key, const TRegistryValue& value) override;
  // The value's name as asked for; the registry does not give its spelling.
  std::optional<TRegistryValue> ReadValue(const std::string& key, const std::string& name) override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool KeyExists(const std::string& key) override;
  bool DeleteKey(const std::string& key) override;
  std::optional<std::vector<TRegistryValue>> ListValues(const std::string& key) override;
  std::optional<std::vector<std::string>> ListSubKeys(const std::string& key) override;
};

}  // namespace zel
