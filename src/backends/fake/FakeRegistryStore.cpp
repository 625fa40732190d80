#include "backends/fake/FakeRegistryStore.h"

#include <stdexcept>

#include "core/registry/RegistryPath.h"
#include "core/text/CaseFold.h"

namespace zel {

TFakeRegistryStore::TKey* TFakeRegistryStore::Find(const std::string& key) {
  const auto names = SplitRegistryKey(key);
  if (!names) return nullptr;
  TKey* current = &FRoot;
  for (const std::string& name : *names) {
    const auto it = current->SubKeys.find(FoldCase(name));
    if (it == current->SubKeys.end()) return nullptr;
    current = &it->second;
  }
  return current;
}

bool TFakeRegistryStore::WriteValue(const std::string& key, const TRegistryValue& value) {
  const auto names = SplitRegistryKey(key);
  if (!names) return false;
  TKey* current = &FRoot;
  for (const std::string& name : *names) {
    TKey& child = current->SubKeys[FoldCase(name)];
    if (child.Name.empty()) child.Name = name;
    current = &child;
  }
  if (FRefuseWrites) throw std::runtime_error("The store refuses the write");
  const auto [it, inserted] = current->Values.try_emplace(FoldCase(value.Name), value);
  if (!inserted) {
    const std::string spelling = it->second.Name;  // the first spelling stays
    it->second = value;
    it->second.Name = spelling;
  }
  return true;
}

std::optional<TRegistryValue> TFakeRegistryStore::ReadValue(const std::string& key,
                                                            const std::string& name) {
  const TKey* found = Find(key);
  if (!found) return std::nullopt;
  const auto it = found->Values.find(FoldCase(name));
  if (it == found->Values.end()) return std::nullopt;
  return it->second;
}

bool TFakeRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  TKey* found = Find(key);
  return found && found->Values.erase(FoldCase(name)) > 0;
}

bool TFakeRegistryStore::DeleteKey(const std::string& key) {
  const auto names = SplitRegistryKey(key);
  if (!names || names->empty()) return false;
  TKey* parent = &FRoot;
  for (std::size_t i = 0; i + 1 < names->size(); ++i) {
    const auto it = parent->SubKeys.find(FoldCase((*names)[i]));
    if (it == parent->SubKeys.end()) return false;
    parent = &it->second;
  }
  return parent->SubKeys.erase(FoldCase(names->back())) > 0;
}

std::optional<std::vector<TRegistryValue>> TFakeRegistryStore::ListValues(const std::string& key) {
  const TKey* found = Find(key);
  if (!found) return std::nullopt;
  std::vector<TRegistryValue> values;
  for (const auto& [folded, value] : found->Values) values.push_back(value);
  return values;
}

std::optional<std::vector<std::string>> TFakeRegistryStore::ListSubKeys(const std::string& key) {
  const TKey* found = Find(key);
  if (!found) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& [folded, child] : found->SubKeys) names.push_back(child.Name);
  return names;
}

}  // namespace zel
