#pragma once
// The registry store in memory, with the real store's rules for key paths
// and letter case.
#include <map>
#include <string>

#include "platform/RegistryStore.h"

namespace zel {

class TFakeRegistryStore : public IRegistryStore {
 public:
  bool WriteValue(const std::string& key, const TRegistryValue& value) override;
  std::optional<TRegistryValue> ReadValue(const std::string& key, const std::string& name) override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool KeyExists(const std::string& key) override { return Find(key) != nullptr; }
  bool DeleteKey(const std::string& key) override;
  std::optional<std::vector<TRegistryValue>> ListValues(const std::string& key) override;
  std::optional<std::vector<std::string>> ListSubKeys(const std::string& key) override;

  // Keys are still opened and created, but writing a value then throws, as a
  // store that refuses the write would.
  void SetRefuseWrites(bool refuse) { FRefuseWrites = refuse; }

 private:
  struct TKey {
    std::string Name;
    std::map<std::string, TKey> SubKeys;           // by folded name
    std::map<std::string, TRegistryValue> Values;  // by folded name
  };
  TKey* Find(const std::string& key);

  TKey FRoot;
  bool FRefuseWrites = false;
};

}  // namespace zel
