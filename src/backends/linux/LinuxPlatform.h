#pragma once
#include <memory>

#include "platform/Platform.h"

namespace zel {

// The Linux implementations of every platform service.
std::unique_ptr<IPlatform> CreateLinuxPlatform();

}  // namespace zel
