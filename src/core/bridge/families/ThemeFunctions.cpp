// themes.getTheme, themes.getThemes and themes.setTheme.
#include <string>
#include <vector>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/text/StrUtils.h"
#include "core/themes/StylesUtils.h"
#include "platform/Platform.h"

namespace zel {
namespace {

void GetTheme(const TBridgeCall& call) {
  call.SuccessText(TStylesUtils::GetActiveTheme(call.Module.Platform().VisualStyles()));
}

void GetThemes(const TBridgeCall& call) {
  std::vector<std::string> names;
  TStylesUtils::GetAvailables(names, true);
  std::string result = "[";
  for (const std::string& name : names) {
    if (result.size() > 1) result += ',';
    result += TStrUtils::StringToJsonString(name);
  }
  call.Success(result + "]");
}

// Answers whether the active theme now bears exactly the requested name: a
// name that matched in another letter case changes the theme but answers
// false.
void SetTheme(const TBridgeCall& call) {
  const std::string name = ReadTextArgument(call.Data, "name");
  IPlatform& platform = call.Module.Platform();
  TStylesUtils::TrySetStyle(platform, name, false);
  call.Success(TStylesUtils::GetActiveTheme(platform.VisualStyles()) == name ? "true" : "false");
}

}  // namespace

void RegisterThemeFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({80001, "themes.getTheme", true, GetTheme});
  dispatcher.Register({80002, "themes.getThemes", true, GetThemes});
  dispatcher.Register({80003, "themes.setTheme", true, SetTheme});
}

}  // namespace zel
