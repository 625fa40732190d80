#pragma once
// The current user's store of named values under a tree of keys. Keys are
// paths of names separated by backslashes below the root, with an optional
// leading backslash ("Software\Vendor\App"); key and value names compare
// without regard to case and keep the spelling they were created with.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel {

// The type codes match those of the Windows registry, so that values keep
// their meaning wherever the store lives.
enum class TRegistryValueType : std::uint32_t {
  String = 1,        // text
  ExpandString = 2,  // text holding %VARIABLES%, kept unexpanded
  Binary = 3,
  DWord = 4,  // 32-bit number
  MultiString = 7,
  QWord = 11,
};

struct TRegistryValue {
  std::string Name;
  TRegistryValueType Type = TRegistryValueType::String;
  // String and ExpandString: the text; other types: the raw bytes.
  std::string Text;
  // DWord and QWord.
  std::uint64_t Number = 0;
};

class IRegistryStore {
 public:
  virtual ~IRegistryStore() = default;
  // Opens `key`, creating it and every missing parent, and writes `value`.
  // False when the key cannot be opened or created; throws
  // std::runtime_error when the value cannot be written into the open key.
  virtual bool WriteValue(const std::string& key, const TRegistryValue& value) = 0;
  // Nothing when the key or the value does not exist.
  virtual std::optional<TRegistryValue> ReadValue(const std::string& key,
                                                  const std::string& name) = 0;
  // False when the key or the value does not exist.
  virtual bool DeleteValue(const std::string& key, const std::string& name) = 0;
  virtual bool KeyExists(const std::string& key) = 0;
  // Deletes `key` with all its sub-keys and values; false when it did not
  // exist (the root cannot be deleted).
  virtual bool DeleteKey(const std::string& key) = 0;
  // The values of `key` and the names of its direct sub-keys, each sorted by
  // name; nothing when the key does not exist.
  virtual std::optional<std::vector<TRegistryValue>> ListValues(const std::string& key) = 0;
  virtual std::optional<std::vector<std::string>> ListSubKeys(const std::string& key) = 0;
};

}  // namespace zel
