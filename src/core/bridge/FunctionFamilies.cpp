#include "core/bridge/FunctionFamilies.h"

namespace zel {

void RegisterFunctionFamilies(TBridgeDispatcher& dispatcher) {
  RegisterAppFunctions(dispatcher);
  RegisterFileFunctions(dispatcher);
  RegisterFolderFunctions(dispatcher);
  RegisterBase64Functions(dispatcher);
  RegisterDialogFunctions(dispatcher);
  RegisterShellFunctions(dispatcher);
  RegisterRegistryFunctions(dispatcher);
  RegisterWindowFunctions(dispatcher);
  RegisterSystemFunctions(dispatcher);
  RegisterMenuFunctions(dispatcher);
  RegisterThemeFunctions(dispatcher);
}

}  // namespace zel
