#pragma once
#include <filesystem>
#include <string_view>

#include "core/package/ExeZip.h"

namespace zel {

// Writes the package entry `name` to `target`: beside it first, renamed into
// place when complete, so an interrupted or failed extraction never leaves a
// file that later starts would take for whole. False, writing nothing, when
// the package has no such entry; a damaged entry throws.
bool ExtractEntryToFile(TExeZip& zip, std::string_view name, const std::filesystem::path& target);

}  // namespace zel
