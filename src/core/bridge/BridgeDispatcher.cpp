#include "core/bridge/BridgeDispatcher.h"

#include "core/bridge/BrowserExternalModule.h"
#include "core/text/StrUtils.h"

namespace zel {

void TBridgeCall::Success(const std::string& resultJson) const { Module.SendSuccess(Uuid, resultJson); }
void TBridgeCall::Failure(const std::string& resultJson) const { Module.SendFailure(Uuid, resultJson); }
void TBridgeCall::SuccessText(std::string_view text) const { Success(TStrUtils::StringToJsonString(text)); }
void TBridgeCall::FailureText(std::string_view text) const { Failure(TStrUtils::StringToJsonString(text)); }

void TBridgeCall::ReplyFromBackground(std::function<TBridgeReply()> work) const {
  Module.RunInBackground(Uuid, std::move(work));
}

void TBridgeDispatcher::Register(TBridgeFunction function) {
  const std::int32_t id = function.Id;
  FFunctions.insert_or_assign(id, std::move(function));
}

const TBridgeFunction* TBridgeDispatcher::Find(std::int32_t id) const {
  const auto it = FFunctions.find(id);
  return it == FFunctions.end() ? nullptr : &it->second;
}

}  // namespace zel
