#include "core/bridge/families/FileCalls.h"

#include "core/bridge/AppPaths.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"

namespace zel {

std::string_view TextArgumentView(const nlohmann::json& data, std::string_view key,
                                  std::string& storage) {
  const auto it = data.find(key);
  if (it != data.end() && it->is_string()) return it->get_ref<const std::string&>();
  storage = ReadTextArgument(data, key);
  return storage;
}

std::optional<std::filesystem::path> ReadAppPathArgument(const TBridgeCall& call,
                                                         std::string_view key) {
  const std::string path = ReadTextArgument(call.Data, key);
  if (path.empty()) {
    call.FailureText("Missing " + std::string(key));
    return std::nullopt;
  }
  return ResolveAppPath(call.Module, path);
}

}  // namespace zel
