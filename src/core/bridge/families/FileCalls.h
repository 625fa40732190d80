#pragma once
// What the file, folder and base64 functions share: path arguments, large
// text arguments and the failure replies of file errors.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/bridge/BridgeDispatcher.h"

namespace zel {

// Bytes handed to the file system at a time: large files are written in
// steps, never assembled in memory whole.
inline constexpr std::size_t FileChunkSize = 1 << 20;

// The text argument `key` without a copy when it is a JSON string (contents
// may be hundreds of MiB); other values are read into `storage`.
std::string_view TextArgumentView(const nlohmann::json& data, std::string_view key,
                                  std::string& storage);

// ResolveAppPath of the text argument `key`; an empty or missing one replies
// "Missing <key>" and gives nothing.
std::optional<std::filesystem::path> ReadAppPathArgument(const TBridgeCall& call,
                                                         std::string_view key);

}  // namespace zel
