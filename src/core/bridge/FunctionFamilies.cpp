#include "core/bridge/FunctionFamilies.h"

namespace zel {

void RegisterFunctionFamilies(TBridgeDispatcher& dispatcher) {
  RegisterAppFunctions(dispatcher);
  RegisterShellFunctions(dispatcher);
  RegisterRegistryFunctions(dispatcher);
  RegisterWindowFunctions(dispatcher);
}

}  // namespace zel
