// shell.execute, shell.explore, shell.command and shell.windows.
#include <memory>
#include <string>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BridgeLifetime.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/text/StrUtils.h"
#include "core/text/SystemMessage.h"
#include "core/text/TextDecoding.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Empty, or nothing but spaces and control characters.
bool IsBlank(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

void ReplyShellResult(const TBridgeCall& call, const TShellResult& result) {
  if (result.Success)
    call.Success("true");
  else
    call.FailureText(TrimSystemMessage(result.Message));
}

void Execute(const TBridgeCall& call) {
  const std::string filePath = ReadTextArgument(call.Data, "filePath");
  const std::string arguments = ReadTextArgument(call.Data, "arguments");
  if (filePath.empty()) return call.FailureText("Missing filePath");
  ReplyShellResult(call, call.Module.Platform().Shell().Execute(filePath, arguments));
}

void Explore(const TBridgeCall& call) {
  const std::string filePath = ReadTextArgument(call.Data, "filePath");
  if (filePath.empty()) return call.FailureText("Missing filePath");
  ReplyShellResult(call, call.Module.Platform().Shell().Explore(filePath));
}

// The command runs off the user-interface thread; its output is decoded
// there as a whole (a character split between two reads stays intact, and
// bytes that look like a byte-order mark are output like any other) and
// the reply is posted back to the user-interface thread, unless the module
// has gone meanwhile.
void Command(const TBridgeCall& call) {
  TShellCommand command;
  command.Command = ReadTextArgument(call.Data, "command");
  command.WorkingDir = ReadTextArgument(call.Data, "workingDir");
  command.ShowWindow = ReadTextArgument(call.Data, "showWindow", "false") == "true";
  if (command.Command.empty()) return call.FailureText("Missing command");

  TBrowserExternalModule* module = &call.Module;
  IUserInterface* ui = &module->Platform().UserInterface();
  std::shared_ptr<TBridgeLifetime> lifetime = module->Lifetime();
  const std::string uuid = call.Uuid;
  module->Platform().Shell().RunCommand(command, [=](std::string output) {
    const std::string result = TStrUtils::StringToJsonString(DecodeAnsi(output));
    // The platform outlives the module: while the module lives, `ui` does.
    lifetime->RunIfAlive([&] {
      ui->RunOnUiThread([=] { lifetime->RunIfAlive([&] { module->SendSuccess(uuid, result); }); });
    });
  });
}

void Windows(const TBridgeCall& call) {
  std::string result = "[";
  for (const std::string& caption : call.Module.Platform().Shell().WindowCaptions()) {
    if (IsBlank(caption)) continue;
    if (result.size() > 1) result += ',';
    result += TStrUtils::StringToJsonString(caption);
  }
  call.Success(result + "]");
}

}  // namespace

void RegisterShellFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({70001, "shell.execute", false, Execute});
  dispatcher.Register({70002, "shell.explore", false, Explore});
  dispatcher.Register({70003, "shell.command", false, Command});
  dispatcher.Register({70004, "shell.windows", false, Windows});
}

}  // namespace zel
