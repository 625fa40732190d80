#pragma once
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/Error.h"
#include "platform/RegistryStore.h"

struct sqlite3;

namespace zel {

// The store refused a write into a key it had opened.
class ERegistryStoreError : public EError {
 public:
  using EError::EError;
};

// The registry store in an SQLite database that every application of the
// user shares. Several processes may read and write it at once: the database
// runs in WAL mode with a busy timeout, and every change is one IMMEDIATE
// transaction, so no write is lost and no reader sees half of one. The
// database is opened on first use; while it cannot be, every operation
// answers as for a missing key.
class TLinuxRegistryStore : public IRegistryStore {
 public:
  // The user's store: DefaultFile().
  TLinuxRegistryStore();
  explicit TLinuxRegistryStore(std::filesystem::path file);
  ~TLinuxRegistryStore() override;
  TLinuxRegistryStore(const TLinuxRegistryStore&) = delete;
  TLinuxRegistryStore& operator=(const TLinuxRegistryStore&) = delete;

  // $XDG_CONFIG_HOME/zel/registry.sqlite3, by default under ~/.config.
  static std::filesystem::path DefaultFile();
  const std::filesystem::path& File() const { return FFile; }

  bool WriteValue(const std::string& key, const TRegistryValue& value) override;
  std::optional<TRegistryValue> ReadValue(const std::string& key, const std::string& name) override;
  bool DeleteValue(const std::string& key, const std::string& name) override;
  bool KeyExists(const std::string& key) override;
  bool DeleteKey(const std::string& key) override;
  std::optional<std::vector<TRegistryValue>> ListValues(const std::string& key) override;
  std::optional<std::vector<std::string>> ListSubKeys(const std::string& key) override;

 private:
  // The open database, opening it when needed; null when it cannot be.
  sqlite3* Database();
  // Runs `body(database, transaction, keyId)` for an existing key inside one
  // transaction; gives `failed` when the path names no key, the store cannot
  // be opened, the key does not exist or SQLite fails.
  template <typename TResult, typename TBody>
  TResult OnExistingKey(const std::string& key, bool change, TResult failed, TBody body);

  std::filesystem::path FFile;
  std::mutex FLock;
  sqlite3* FDatabase = nullptr;
};

}  // namespace zel
