#include "core/bridge/BrowserExternalModule.h"

#include <algorithm>
#include <utility>

#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"
#include "core/text/StrUtils.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// The origin the engine reports for the application's own pages.
constexpr std::string_view ApplicationOrigin = "file://";

}  // namespace

TBrowserExternalModule::TBrowserExternalModule(IPlatform& platform)
    : FPlatform(platform), FBrowserExternalForm(std::make_unique<TBrowserExternalForm>(platform)) {
  RegisterFunctionFamilies(FDispatcher);
  // Clicks on the menus and the tray icon become page events.
  TBrowserExternalForm& form = *FBrowserExternalForm;
  form.MainMenu().SetOnItemClick(
      [this](std::int32_t tag) { RaisePageEvent("onMainMenuItemClick", std::to_string(tag)); });
  form.TrayMenu().SetOnItemClick(
      [this](std::int32_t tag) { RaisePageEvent("onTrayMenuItemClick", std::to_string(tag)); });
  form.TrayIcon().SetOnClick([this] { RaisePageEvent("onTrayIconClick"); });
  FTrayIconVisible = [&form] { return form.TrayIcon().Visible(); };
}

TBrowserExternalModule::~TBrowserExternalModule() {
  // A file being written is finished, whether or not its reply can still go.
  if (FWorker.joinable()) FWorker.join();
}

void TBrowserExternalModule::SetProjectINI(TProjectINI* value) {
  FProjectINI = value;
  FExtraOrigins.clear();
  if (!value) return;
  const std::string origins = value->ReadString(ProjectIniAppSection, "BridgeOrigins", "");
  for (const std::string& origin : TStrUtils::ExplodeStrings(" ", origins)) {
    std::string item = origin;
    while (!item.empty() && item.back() == '/')
      item.pop_back();  // "http://host/" names "http://host"
    if (!item.empty()) FExtraOrigins.push_back(item);
  }
}

bool TBrowserExternalModule::OriginAllowed(std::string_view origin) {
  if (origin == ApplicationOrigin) return true;
  return std::any_of(FExtraOrigins.begin(), FExtraOrigins.end(), [&](const std::string& allowed) {
    return allowed == "*" || allowed == origin;
  });
}

bool TBrowserExternalModule::SenderAllowed(const IWebMessageReceivedArgs& args) {
  if (!args.IsSenderCurrent()) return false;
  const std::string origin = args.Source();
  if (origin == ApplicationOrigin) {
    // An application page inside web content is driven by that content.
    const std::vector<std::string> ancestors = args.AncestorOrigins();
    return std::all_of(ancestors.begin(), ancestors.end(),
                       [](const std::string& ancestor) { return ancestor == ApplicationOrigin; });
  }
  return OriginAllowed(origin);
}

std::string OriginOfUrl(std::string_view url) {
  const auto separator = url.find("://");
  if (separator == std::string_view::npos) return std::string(url);
  const std::string scheme = FoldAsciiCase(url.substr(0, separator));
  if (scheme == "file") return "file://";
  const auto pathStart = url.find_first_of("/?#", separator + 3);
  return scheme + std::string(url.substr(separator, pathStart == std::string_view::npos
                                                        ? std::string_view::npos
                                                        : pathStart - separator));
}

bool JsonNestingWithin(std::string_view json, int limit) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      if (++depth > limit) return false;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return true;
}

void TBrowserExternalModule::EdgeBrowserWebMessageReceived(IWebMessageReceivedArgs& args) {
  // Pages of other origins (a web page after a link, a foreign frame) and
  // application pages they frame never reach the host.
  if (!SenderAllowed(args)) return;
  std::string text;
  if (!IsRuntime() && Succeeded(args.TryGetWebMessageAsString(text)) &&
      text == BrowserClickedMessage) {
    if (FBrowserForm) FBrowserForm->FocusBrowser();
    return;
  }
  Receive(args.WebMessageAsSharedJson());
}

void TBrowserExternalModule::Receive(TSharedText message) {
  if (FBusy || !FWaiting.empty()) {
    FWaiting.push_back(std::move(message));
    return;
  }
  Read(std::move(message));
}

// A small message is read at once; a large one on the worker (checking the
// text costs time in proportion to its size), then dispatched here.
void TBrowserExternalModule::Read(TSharedText message) {
  if (message.Text.size() < BackgroundMessageSize) {
    std::optional<TCallMessage> call;
    try {
      call = ReadCallMessage(message.Text, MaxMessageNesting);
    } catch (const std::exception&) {
    }
    Dispatch(message, call);
    return;
  }
  FBusy = true;
  IUserInterface* ui = &FPlatform.UserInterface();
  std::shared_ptr<TBridgeLifetime> lifetime = Lifetime();
  StartWorker([this, ui, lifetime, message] {
    auto call = std::make_shared<std::optional<TCallMessage>>();
    try {
      *call = ReadCallMessage(message.Text, MaxMessageNesting);
    } catch (const std::exception&) {
    }
    ui->RunOnUiThread([this, lifetime, message, call] {
      lifetime->RunIfAlive([&] {
        FBusy = false;
        Dispatch(message, *call);
        FinishBackgroundWork();
      });
    });
  });
}

void TBrowserExternalModule::Dispatch(const TSharedText& message,
                                      const std::optional<TCallMessage>& call) {
  // A malformed message or a failing handler ends this call without a
  // reply; the application goes on with the next message.
  if (!call) return;
  const std::optional<std::int32_t> functionId = ParseIniInteger(call->Id);
  if (!functionId) return;
  const TBridgeFunction* function = FDispatcher.Find(*functionId);
  if (!function) return;
  if (function->Gated && !IsRuntime()) {
    ShowRuntimeOnlyMessage(*function);
    return;
  }
  // Restored after the handler: a dialog's nested main loop dispatches too.
  TSharedText outer = std::exchange(FCurrentMessage, message);
  try {
    function->Handler(TBridgeCall{*this, call->Uuid, call->Data});
  } catch (const std::exception&) {
  }
  FCurrentMessage = std::move(outer);
}

void TBrowserExternalModule::RunInBackground(const std::string& uuid,
                                             std::function<TBridgeReply()> work) {
  FBusy = true;
  IUserInterface* ui = &FPlatform.UserInterface();
  std::shared_ptr<TBridgeLifetime> lifetime = Lifetime();
  StartWorker([this, ui, lifetime, uuid, work = std::move(work), message = FCurrentMessage] {
    std::optional<TBridgeReply> reply;
    try {
      reply = work();
    } catch (const std::exception&) {
      // Like an error inside a handler: no reply.
    }
    ui->RunOnUiThread([this, lifetime, uuid, reply = std::move(reply)] {
      lifetime->RunIfAlive([&] {
        FBusy = false;
        if (reply) SendReply(uuid, reply->Result, reply->Success);
        FinishBackgroundWork();
      });
    });
  });
}

// Dispatches the messages that waited, in order, until one works off the
// user-interface thread again.
void TBrowserExternalModule::FinishBackgroundWork() {
  while (!FBusy && !FWaiting.empty()) {
    TSharedText next = std::move(FWaiting.front());
    FWaiting.pop_front();
    Read(std::move(next));
  }
}

void TBrowserExternalModule::StartWorker(std::function<void()> work) {
  // The last worker has handed its result over already; it is at its end.
  if (FWorker.joinable()) FWorker.join();
  FWorker = std::thread(std::move(work));
}

void TBrowserExternalModule::ShowRuntimeOnlyMessage(const TBridgeFunction& function) {
  FPlatform.MessageBoxes().Show("Calls to zel." + function.ScriptName + "() works only at runtime.",
                                TMessageKind::Information, TButtonSet::Ok, {}, "");
}

void TBrowserExternalModule::SendReply(const std::string& uuid, const std::string& result,
                                       bool success) {
  if (!FBrowserForm) return;
  // The uuid is the page's own text and is not re-encoded; one that would
  // break the reply's JSON is refused, and its reply lost.
  if (std::any_of(uuid.begin(), uuid.end(), [](char c) {
        return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
      })) {
    return;
  }
  FBrowserForm->PostWebMessageAsJson("{\"uuid\": \"" + uuid +
                                     "\", \"success\": " + (success ? "true" : "false") +
                                     ", \"result\": " + result + "}");
}

void TBrowserExternalModule::SetNotificationCenter(std::unique_ptr<INotificationCenter> value) {
  FNotificationCenter = std::move(value);
  if (FNotificationCenter) {
    FNotificationCenter->SetOnClick(
        [this](const std::string& name) { NotificationCenterReceiveLocalNotification(name); });
  }
}

void TBrowserExternalModule::NotificationCenterReceiveLocalNotification(const std::string& name) {
  RaisePageEvent("onNotificationClick", name);
}

void TBrowserExternalModule::RaisePageEvent(std::string_view name) {
  if (FBrowserForm) FBrowserForm->ExecuteScript("zel.events." + std::string(name) + "();");
}

void TBrowserExternalModule::RaisePageEvent(std::string_view name, std::string_view argument) {
  if (FBrowserForm) {
    FBrowserForm->ExecuteScript("zel.events." + std::string(name) + "(" +
                                TStrUtils::StringToJsonString(argument) + ");");
  }
}

}  // namespace zel
