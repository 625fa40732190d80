#pragma once
// The name a file is written under beside its target before it is renamed
// into place, so that an interrupted write never leaves a file under the
// target's name.
#include <filesystem>
#include <string_view>

namespace zel {

// A hidden path in `target`'s folder: "." + the target's name + "." + random
// digits + `suffix` (".part", ".zip", …). The name's characters are kept as
// they are (no conversion through text).
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target, std::string_view suffix);

}  // namespace zel
