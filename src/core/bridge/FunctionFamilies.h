#pragma once
// The function families of the bridge, one registration function each.
#include "core/bridge/BridgeDispatcher.h"

namespace zel {

void RegisterAppFunctions(TBridgeDispatcher& dispatcher);

}  // namespace zel
