#include "backends/linux/RegistryStoreLinux.h"

#include <glib.h>
#include <sqlite3.h>

#include "backends/linux/KnownFoldersLinux.h"
#include "core/registry/RegistryPath.h"
#include "core/text/CaseFold.h"

namespace zel {
namespace {

// How long a change waits for another process's change to finish.
constexpr int BusyTimeoutMilliseconds = 10000;
constexpr sqlite3_int64 RootKeyId = 1;

// Keys form a tree below the root row; names are stored as first spelled and
// found through their case fold. Value types keep the Windows registry codes.
constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS vals(
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  type INTEGER NOT NULL,
  data,
  PRIMARY KEY(key, folded)) WITHOUT ROWID;
INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES(1, NULL, '', '');
)";

class ESqlError : public EError {
 public:
  explicit ESqlError(sqlite3* database)
      : EError(sqlite3_errmsg(database)), FCode(sqlite3_errcode(database)) {}
  // Another process holds the store for a moment: trying again helps.
  bool Transient() const { return FCode == SQLITE_BUSY || FCode == SQLITE_LOCKED; }

 private:
  int FCode;
};

void Execute(sqlite3* database, const char* sql) {
  if (sqlite3_exec(database, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw ESqlError(database);
}

class TStatement {
 public:
  TStatement(sqlite3* database, const char* sql) : FDatabase(database) {
    if (sqlite3_prepare_v2(database, sql, -1, &FStatement, nullptr) != SQLITE_OK) {
      sqlite3_finalize(FStatement);
      throw ESqlError(database);
    }
  }
  ~TStatement() { sqlite3_finalize(FStatement); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  TStatement& Bind(int index, sqlite3_int64 value) {
    Check(sqlite3_bind_int64(FStatement, index, value));
    return *this;
  }
  TStatement& Bind(int index, const std::string& text) {
    Check(sqlite3_bind_text(FStatement, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  TStatement& BindBlob(int index, const std::string& bytes) {
    Check(sqlite3_bind_blob(FStatement, index, bytes.data(), static_cast<int>(bytes.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  // True while there is a row.
  bool Step() {
    const int result = sqlite3_step(FStatement);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    throw ESqlError(FDatabase);
  }
  sqlite3_int64 Integer(int column) { return sqlite3_column_int64(FStatement, column); }
  std::string Bytes(int column) {
    const void* data = sqlite3_column_blob(FStatement, column);
    const int size = sqlite3_column_bytes(FStatement, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
  }
  std::string Text(int column) {
    const unsigned char* text = sqlite3_column_text(FStatement, column);
    const int size = sqlite3_column_bytes(FStatement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
  }

 private:
  void Check(int result) {
    if (result != SQLITE_OK) throw ESqlError(FDatabase);
  }
  sqlite3* FDatabase;
  sqlite3_stmt* FStatement = nullptr;
};

// Rolls back unless committed.
class TTransaction {
 public:
  // A change takes the write lock at once (waiting up to the busy timeout),
  // so that it cannot fail half-way for a lock; a read sees one snapshot.
  TTransaction(sqlite3* database, bool change) : FDatabase(database) {
    Execute(database, change ? "BEGIN IMMEDIATE" : "BEGIN");
  }
  ~TTransaction() {
    if (FOpen) sqlite3_exec(FDatabase, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;
  void Commit() {
    Execute(FDatabase, "COMMIT");
    FOpen = false;
  }

 private:
  sqlite3* FDatabase;
  bool FOpen = true;
};

std::optional<sqlite3_int64> FindKey(sqlite3* database, const std::vector<std::string>& names) {
  sqlite3_int64 id = RootKeyId;
  for (const std::string& name : names) {
    TStatement find(database, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, id).Bind(2, FoldCase(name));
    if (!find.Step()) return std::nullopt;
    id = find.Integer(0);
  }
  return id;
}

sqlite3_int64 CreateKey(sqlite3* database, const std::vector<std::string>& names) {
  sqlite3_int64 id = RootKeyId;
  for (const std::string& name : names) {
    TStatement find(database, "SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, id).Bind(2, FoldCase(name));
    if (find.Step()) {
      id = find.Integer(0);
      continue;
    }
    TStatement insert(database, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?3)");
    insert.Bind(1, id).Bind(2, name).Bind(3, FoldCase(name)).Step();
    id = sqlite3_last_insert_rowid(database);
  }
  return id;
}

bool IsText(TRegistryValueType type) {
  return type == TRegistryValueType::String || type == TRegistryValueType::ExpandString;
}
bool IsNumber(TRegistryValueType type) {
  return type == TRegistryValueType::DWord || type == TRegistryValueType::QWord;
}

// A row of (name, type, data).
TRegistryValue ValueOfRow(TStatement& row) {
  TRegistryValue value;
  value.Name = row.Text(0);
  value.Type = static_cast<TRegistryValueType>(row.Integer(1));
  if (IsNumber(value.Type))
    value.Number = static_cast<std::uint64_t>(row.Integer(2));
  else if (IsText(value.Type))
    value.Text = row.Text(2);
  else
    value.Text = row.Bytes(2);
  return value;
}

}  // namespace

TLinuxRegistryStore::TLinuxRegistryStore() : TLinuxRegistryStore(DefaultFile()) {}

TLinuxRegistryStore::TLinuxRegistryStore(std::filesystem::path file) : FFile(std::move(file)) {}

TLinuxRegistryStore::~TLinuxRegistryStore() {
  if (FDatabase) sqlite3_close(FDatabase);
}

std::filesystem::path TLinuxRegistryStore::DefaultFile() {
  const std::string config = TLinuxKnownFolders().RoamingAppData();
  if (config.empty()) return {};
  return std::filesystem::path(config) / "zel" / "registry.sqlite3";
}

sqlite3* TLinuxRegistryStore::Database() {
  if (FDatabase) return FDatabase;
  if (FFile.empty()) return nullptr;
  // The folder is the user's own: other users read nothing of it.
  g_mkdir_with_parents(FFile.parent_path().c_str(), 0700);
  // Setting a store up can meet another process doing the same, or the last
  // connection of one closing, for a moment in which SQLite answers "busy"
  // without waiting: the setup is tried again until the busy timeout.
  const gint64 deadline = g_get_monotonic_time() + gint64(BusyTimeoutMilliseconds) * 1000;
  for (;;) {
    sqlite3* database = nullptr;
    if (sqlite3_open_v2(FFile.c_str(), &database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
      sqlite3_close(database);
      return nullptr;
    }
    try {
      sqlite3_busy_timeout(database, BusyTimeoutMilliseconds);
      // The write-ahead log stays when the last connection closes, so that
      // processes opening and closing the store side by side never race for
      // its files.
      int persist = 1;
      sqlite3_file_control(database, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
      // WAL: readers never wait for a writer and always see whole
      // transactions. NORMAL synchronisation keeps every commit across a
      // crash of the program; a power loss may undo the last ones, as with
      // the Windows registry's lazy flush.
      Execute(database, "PRAGMA journal_mode=WAL");
      Execute(database, "PRAGMA synchronous=NORMAL");
      TTransaction transaction(database, true);
      Execute(database, Schema);
      transaction.Commit();
      FDatabase = database;
      return FDatabase;
    } catch (const ESqlError& error) {
      sqlite3_close(database);
      if (!error.Transient() || g_get_monotonic_time() > deadline) return nullptr;
    }
    g_usleep(10000);
  }
}

bool TLinuxRegistryStore::WriteValue(const std::string& key, const TRegistryValue& value) {
  const auto names = SplitRegistryKey(key);
  if (!names) return false;
  std::lock_guard lock(FLock);
  sqlite3* database = Database();
  if (!database) return false;
  std::optional<TTransaction> transaction;
  sqlite3_int64 keyId = 0;
  try {
    transaction.emplace(database, true);
    keyId = CreateKey(database, *names);
  } catch (const ESqlError&) {
    return false;  // the key cannot be opened or created
  }
  try {
    TStatement upsert(database,
                      "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                      "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, "
                      "data = excluded.data");
    upsert.Bind(1, keyId)
        .Bind(2, value.Name)
        .Bind(3, FoldCase(value.Name))
        .Bind(4, static_cast<sqlite3_int64>(value.Type));
    if (IsNumber(value.Type))
      upsert.Bind(5, static_cast<sqlite3_int64>(value.Number));
    else if (IsText(value.Type))
      upsert.Bind(5, value.Text);
    else
      upsert.BindBlob(5, value.Text);
    upsert.Step();
    transaction->Commit();
  } catch (const ESqlError& error) {
    throw ERegistryStoreError("Cannot write the registry value " + value.Name + ": " +
                              error.what());
  }
  return true;
}

template <typename TResult, typename TBody>
TResult TLinuxRegistryStore::OnExistingKey(const std::string& key, bool change, TResult failed,
                                           TBody body) {
  const auto names = SplitRegistryKey(key);
  if (!names) return failed;
  std::lock_guard lock(FLock);
  sqlite3* database = Database();
  if (!database) return failed;
  try {
    TTransaction transaction(database, change);
    const auto keyId = FindKey(database, *names);
    if (!keyId) return failed;
    return body(database, transaction, *keyId);
  } catch (const ESqlError&) {
    return failed;
  }
}

std::optional<TRegistryValue> TLinuxRegistryStore::ReadValue(const std::string& key,
                                                             const std::string& name) {
  return OnExistingKey(key, false, std::optional<TRegistryValue>(),
                       [&](sqlite3* database, TTransaction&,
                           sqlite3_int64 keyId) -> std::optional<TRegistryValue> {
                         TStatement read(database,
                                         "SELECT name, type, data FROM vals WHERE key = ?1 AND folded = ?2");
                         read.Bind(1, keyId).Bind(2, FoldCase(name));
                         if (!read.Step()) return std::nullopt;
                         return ValueOfRow(read);
                       });
}

bool TLinuxRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  return OnExistingKey(key, true, false, [&](sqlite3* database, TTransaction& transaction, sqlite3_int64 keyId) {
    TStatement remove(database, "DELETE FROM vals WHERE key = ?1 AND folded = ?2");
    remove.Bind(1, keyId).Bind(2, FoldCase(name)).Step();
    const bool deleted = sqlite3_changes(database) > 0;
    transaction.Commit();
    return deleted;
  });
}

bool TLinuxRegistryStore::KeyExists(const std::string& key) {
  return OnExistingKey(key, false, false, [](sqlite3*, TTransaction&, sqlite3_int64) { return true; });
}

bool TLinuxRegistryStore::DeleteKey(const std::string& key) {
  const auto names = SplitRegistryKey(key);
  if (!names || names->empty()) return false;  // never the root
  return OnExistingKey(key, true, false, [](sqlite3* database, TTransaction& transaction, sqlite3_int64 keyId) {
    // The whole branch, parents before children; deleted deepest first.
    std::vector<sqlite3_int64> branch{keyId};
    for (std::size_t i = 0; i < branch.size(); ++i) {
      TStatement children(database, "SELECT id FROM keys WHERE parent = ?1");
      children.Bind(1, branch[i]);
      while (children.Step()) branch.push_back(children.Integer(0));
    }
    for (auto it = branch.rbegin(); it != branch.rend(); ++it) {
      TStatement(database, "DELETE FROM vals WHERE key = ?1").Bind(1, *it).Step();
      TStatement(database, "DELETE FROM keys WHERE id = ?1").Bind(1, *it).Step();
    }
    transaction.Commit();
    return true;
  });
}

std::optional<std::vector<TRegistryValue>> TLinuxRegistryStore::ListValues(const std::string& key) {
  using TValues = std::optional<std::vector<TRegistryValue>>;
  return OnExistingKey(key, false, TValues(), [](sqlite3* database, TTransaction&, sqlite3_int64 keyId) {
    TStatement read(database, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY folded");
    read.Bind(1, keyId);
    std::vector<TRegistryValue> values;
    while (read.Step()) values.push_back(ValueOfRow(read));
    return TValues(std::move(values));
  });
}

std::optional<std::vector<std::string>> TLinuxRegistryStore::ListSubKeys(const std::string& key) {
  using TNames = std::optional<std::vector<std::string>>;
  return OnExistingKey(key, false, TNames(), [](sqlite3* database, TTransaction&, sqlite3_int64 keyId) {
    TStatement read(database, "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded");
    read.Bind(1, keyId);
    std::vector<std::string> subKeys;
    while (read.Step()) subKeys.push_back(read.Text(0));
    return TNames(std::move(subKeys));
  });
}

}  // namespace zel
