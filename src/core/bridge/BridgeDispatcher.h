#pragma once
// The table of bridge functions: each function family registers its handlers
// here (one file per family); the dispatcher itself knows none of them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/bridge/CallMessage.h"

namespace zel {

class TBrowserExternalModule;

// A reply made off the user-interface thread.
struct TBridgeReply {
  bool Success = true;
  std::string Result;  // a complete JSON value
};

// One call being handled: who to answer and with which arguments.
struct TBridgeCall {
  TBrowserExternalModule& Module;
  std::string Uuid;
  const TCallArguments& Data;

  // `resultJson` is a complete JSON value, inserted into the reply unchanged.
  void Success(const std::string& resultJson) const;
  void Failure(const std::string& resultJson) const;
  // Free text, encoded as a JSON string.
  void SuccessText(std::string_view text) const;
  void FailureText(std::string_view text) const;
  // Runs `work` off the user-interface thread and sends the reply it returns
  // (none when it throws). The arguments stay valid until then; calls that
  // arrive meanwhile wait, so calls still take effect in the order they came.
  void ReplyFromBackground(std::function<TBridgeReply()> work) const;
};

using TBridgeHandler = std::function<void(const TBridgeCall& call)>;

struct TBridgeFunction {
  std::int32_t Id = 0;
  // The page's name of the function, e.g. "window.getSize".
  std::string ScriptName;
  // Needs runtime mode; in preview mode it shows a message and does not reply.
  bool Gated = false;
  TBridgeHandler Handler;
};

class TBridgeDispatcher {
 public:
  void Register(TBridgeFunction function);
  const TBridgeFunction* Find(std::int32_t id) const;

 private:
  std::unordered_map<std::int32_t, TBridgeFunction> FFunctions;
};

// Registers every function family (FunctionFamilies.cpp lists them).
void RegisterFunctionFamilies(TBridgeDispatcher& dispatcher);

}  // namespace zel
