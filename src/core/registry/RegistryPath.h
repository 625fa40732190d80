#pragma once
// Key paths of the registry store: names separated by backslashes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// The names along `key`, from the root down. One leading and one trailing
// backslash are allowed; an empty path is the root itself. Nothing when a
// name between separators is empty ("A\\B"), which no key can be called.
std::optional<std::vector<std::string>> SplitRegistryKey(std::string_view key);

}  // namespace zel
