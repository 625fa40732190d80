#pragma once
#include <memory>

#include "platform/Platform.h"

namespace zel {

// The Windows implementations of every platform service.
std::unique_ptr<IPlatform> CreateWin32Platform();

}  // namespace zel
