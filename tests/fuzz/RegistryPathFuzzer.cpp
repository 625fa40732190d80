// Registry key paths as pages send them: split into names, folded for
// comparison, and used on a store (the in-memory one, which follows the
// same rules as the SQLite store).
#include <string>
#include <string_view>

#include "FuzzTarget.h"
#include "backends/fake/FakeRegistryStore.h"
#include "core/registry/RegistryPath.h"
#include "core/text/CaseFold.h"
#include "core/text/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // A NUL byte separates the key from a value name.
  const std::size_t split = input.find('\0');
  const std::string key(input.substr(0, split));
  const std::string name(split == std::string_view::npos ? "" : input.substr(split + 1));

  const auto names = zel::SplitRegistryKey(key);
  if (names) {
    std::string joined;
    for (const std::string& part : *names) {
      ZEL_FUZZ_CHECK(!part.empty() && part.find('\\') == std::string::npos);
      ZEL_FUZZ_CHECK(zel::IsValidUtf8(zel::FoldCase(part)));
      if (!joined.empty()) joined += '\\';
      joined += part;
    }
    std::string_view trimmed = key;
    if (trimmed.starts_with('\\')) trimmed.remove_prefix(1);
    if (trimmed.ends_with('\\')) trimmed.remove_suffix(1);
    ZEL_FUZZ_CHECK(joined == trimmed);
  }

  zel::TFakeRegistryStore store;
  const zel::TRegistryValue value{name, zel::TRegistryValueType::String, "x", 0};
  const bool written = store.WriteValue(key, value);
  ZEL_FUZZ_CHECK(written == names.has_value());
  if (written) {
    const auto read = store.ReadValue(key, name);
    ZEL_FUZZ_CHECK(read && read->Text == "x");
    ZEL_FUZZ_CHECK(store.KeyExists(key));
    store.ListValues(key);
    store.ListSubKeys(key);
    ZEL_FUZZ_CHECK(store.DeleteValue(key, name));
    store.DeleteKey(key);
  }
  return 0;
}
