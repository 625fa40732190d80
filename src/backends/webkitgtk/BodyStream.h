#pragma once
// A GInputStream over a synthesized response body. The engine reads it with
// the asynchronous stream calls; every read runs on the calling (user
// interface) thread, so the body is never touched from a worker thread.
#include <gio/gio.h>

#include <cstdint>
#include <memory>

#include "platform/WebEngine.h"

namespace zel {

// Bodies up to this length (when known) are read at once into memory.
inline constexpr std::uint64_t SmallBodyLimit = 256 * 1024;

// A new stream that owns `body` (nullptr gives an empty stream). Small bodies
// of known length are copied into a memory stream; the rest stream on demand.
GInputStream* NewBodyStream(std::unique_ptr<IResponseBody> body);

// Reads exactly `count` bytes unless the body ends first; returns how many.
std::size_t ReadFully(IResponseBody& body, void* buffer, std::size_t count);

}  // namespace zel
