#pragma once
// The function families of the bridge, one registration function each.
#include "core/bridge/BridgeDispatcher.h"

namespace zel {

void RegisterAppFunctions(TBridgeDispatcher& dispatcher);
void RegisterFileFunctions(TBridgeDispatcher& dispatcher);
void RegisterFolderFunctions(TBridgeDispatcher& dispatcher);
void RegisterBase64Functions(TBridgeDispatcher& dispatcher);
void RegisterDialogFunctions(TBridgeDispatcher& dispatcher);
void RegisterShellFunctions(TBridgeDispatcher& dispatcher);
void RegisterRegistryFunctions(TBridgeDispatcher& dispatcher);
void RegisterWindowFunctions(TBridgeDispatcher& dispatcher);
void RegisterSystemFunctions(TBridgeDispatcher& dispatcher);
void RegisterMenuFunctions(TBridgeDispatcher& dispatcher);
void RegisterThemeFunctions(TBridgeDispatcher& dispatcher);

}  // namespace zel
