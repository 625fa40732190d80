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

// True when `target` is a regular file (not a link) holding exactly the bytes
// of the package entry `name`, by size and CRC-32; false when the package has
// no such entry.
bool FileHoldsEntry(TExeZip& zip, std::string_view name, const std::filesystem::path& target);

}  // namespace zel
