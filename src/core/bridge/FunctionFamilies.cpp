#include "core/bridge/FunctionFamilies.h"

namespace zel {

void RegisterFunctionFamilies(TBridgeDispatcher& dispatcher) {
  RegisterAppFunctions(dispatcher);
}

}  // namespace zel
