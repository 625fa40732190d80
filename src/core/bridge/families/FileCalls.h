#pragma once
// What the file, folder and base64 functions share: path arguments, large
// text arguments and the failure replies of file errors.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/bridge/BridgeDispatcher.h"

namespace zel {

// Bytes handed to the file system at a time: large files are written in
// steps, never assembled in memory whole.
inline constexpr std::size_t FileChunkSize = 1 << 20;

// Files from this size on are written off the user-interface thread, so the
// window keeps painting; smaller ones are answered at once.
inline constexpr std::uint64_t BackgroundFileSize = 1 << 20;

// Runs `work` and sends its reply: off the user-interface thread when the
// file will hold `bytes` or more.
void ReplyAfterFileWork(const TBridgeCall& call, std::uint64_t bytes,
                        std::function<TBridgeReply()> work);

// The reply of a failed file operation: its message as a JSON string.
TBridgeReply FileFailure(const std::exception& error);

// ResolveAppPath of the text argument `key`; an empty or missing one replies
// "Missing <key>" and gives nothing.
std::optional<std::filesystem::path> ReadAppPathArgument(const TBridgeCall& call,
                                                         std::string_view key);

}  // namespace zel
