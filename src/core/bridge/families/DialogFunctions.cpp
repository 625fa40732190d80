// dialogs.openFile, dialogs.saveFile and dialogs.selFolder.
#include <memory>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/text/StrUtils.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Items "name|mask" separated by ";": a piece of exactly two parts adds a
// filter, any other piece (empty, without "|", with more than one) is skipped.
std::vector<TFileFilter> ParseFileTypes(std::string_view fileTypes) {
  std::vector<TFileFilter> filters;
  if (fileTypes.empty()) return filters;
  for (const std::string& piece : TStrUtils::ExplodeStrings(";", fileTypes)) {
    const std::vector<std::string> parts = TStrUtils::ExplodeStrings("|", piece);
    if (parts.size() == 2) filters.push_back({parts[0], parts[1]});
  }
  return filters;
}

// A modal dialog runs a nested main loop in which further calls arrive; one
// file dialog at a time is shown, and a call meanwhile is refused.
struct TDialogState {
  bool Open = false;
};

void ShowDialog(TDialogState& state, const TBridgeCall& call, const TFileDialogOptions& options) {
  if (state.Open) return call.FailureText("A file dialog is already open.");
  // The module may end while the dialog is open (the page closes the
  // application from the nested loop); then nobody is left to answer.
  const std::shared_ptr<TBridgeLifetime> lifetime = call.Module.Lifetime();
  std::optional<std::string> chosen;
  state.Open = true;
  try {
    chosen = call.Module.Platform().FileDialogs().Show(options);
  } catch (...) {
    if (lifetime->Alive()) state.Open = false;
    throw;  // a failing platform dialog ends the call without a reply
  }
  lifetime->RunIfAlive([&] {
    state.Open = false;
    if (!chosen) return call.SuccessText("");
    // A folder ends with "/"; the root stays "/".
    if (options.Kind == TFileDialogKind::Folder && !chosen->ends_with('/')) *chosen += '/';
    call.SuccessText(*chosen);
  });
}

}  // namespace

void RegisterDialogFunctions(TBridgeDispatcher& dispatcher) {
  const auto state = std::make_shared<TDialogState>();
  dispatcher.Register({20001, "dialogs.openFile", false, [state](const TBridgeCall& call) {
                         TFileDialogOptions options;
                         options.Kind = TFileDialogKind::Open;
                         options.FileName = ReadTextArgument(call.Data, "fileName");
                         options.Title = ReadTextArgument(call.Data, "title", "Open file");
                         options.Filters = ParseFileTypes(ReadTextArgument(call.Data, "fileTypes"));
                         ShowDialog(*state, call, options);
                       }});
  dispatcher.Register({20002, "dialogs.saveFile", false, [state](const TBridgeCall& call) {
                         TFileDialogOptions options;
                         options.Kind = TFileDialogKind::Save;
                         options.FileName = ReadTextArgument(call.Data, "fileName");
                         options.Title = ReadTextArgument(call.Data, "title", "Save file");
                         options.Filters = ParseFileTypes(ReadTextArgument(call.Data, "fileTypes"));
                         options.OverwritePrompt =
                             ReadBoolArgument(call.Data, "overwritePrompt", false);
                         ShowDialog(*state, call, options);
                       }});
  dispatcher.Register({20003, "dialogs.selFolder", false, [state](const TBridgeCall& call) {
                         TFileDialogOptions options;
                         options.Kind = TFileDialogKind::Folder;
                         options.Title = ReadTextArgument(call.Data, "title", "Save file");
                         ShowDialog(*state, call, options);
                       }});
}

}  // namespace zel
