// hello, isRuntime and the app.* functions.
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/text/StrUtils.h"

namespace zel {

void RegisterAppFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({10001, "hello", false, [](const TBridgeCall& call) {
                         call.SuccessText(BridgeVersion);
                       }});
  dispatcher.Register({10002, "isRuntime", false, [](const TBridgeCall& call) {
                         call.Success(call.Module.IsRuntime() ? "true" : "false");
                       }});
  // No reply: the window closes.
  dispatcher.Register({50001, "app.close", false, [](const TBridgeCall& call) {
                         if (call.Module.OnAppCloseRequest()) call.Module.OnAppCloseRequest()(call.Module);
                       }});
}

}  // namespace zel
