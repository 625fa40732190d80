#include "core/registry/RegistryPath.h"

namespace zel {

std::optional<std::vector<std::string>> SplitRegistryKey(std::string_view key) {
  if (key.starts_with('\\')) key.remove_prefix(1);
  if (key.ends_with('\\')) key.remove_suffix(1);
  std::vector<std::string> names;
  if (key.empty()) return names;
  while (true) {
    const std::size_t separator = key.find('\\');
    const std::string_view name = key.substr(0, separator);
    if (name.empty()) return std::nullopt;
    names.emplace_back(name);
    if (separator == std::string_view::npos) return names;
    key.remove_prefix(separator + 1);
  }
}

}  // namespace zel
