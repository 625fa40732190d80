#include "core/bridge/families/FileCalls.h"

#include "core/bridge/AppPaths.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/text/StrUtils.h"

namespace zel {

void ReplyAfterFileWork(const TBridgeCall& call, std::uint64_t bytes,
                        std::function<TBridgeReply()> work) {
  if (bytes >= BackgroundFileSize) return call.ReplyFromBackground(std::move(work));
  const TBridgeReply reply = work();
  call.Module.SendReply(call.Uuid, reply.Result, reply.Success);
}

TBridgeReply FileFailure(const std::exception& error) {
  return {false, TStrUtils::StringToJsonString(error.what())};
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
