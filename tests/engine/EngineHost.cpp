#include "EngineHost.h"

#include <dlfcn.h>

#include "TestBodies.h"

namespace zel::test {

TEngineHost::TEngineHost(const std::string& libraryPath) {
  FLibrary = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!FLibrary) {
    FFailure = std::string("dlopen: ") + dlerror();
    return;
  }
  auto create = reinterpret_cast<TCreateCoreWebView2Environment>(
      dlsym(FLibrary, "CreateCoreWebView2Environment"));
  auto version = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      dlsym(FLibrary, "GetAvailableCoreWebView2BrowserVersionString"));
  if (!create || !version) {
    FFailure = "entry points missing";
    return;
  }
  version(nullptr, &FVersion);

  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(FWindow), 800, 600);
  FContainer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(FWindow), FContainer);
  gtk_widget_show_all(FWindow);

  bool environmentDone = false;
  HRESULT environmentResult = E_FAIL;
  TEnvironmentCompleted completed = [&](HRESULT hr,
                                        std::shared_ptr<IWebViewEnvironment> environment) {
    environmentDone = true;
    environmentResult = hr;
    FEnvironment = std::move(environment);
  };
  if (!Succeeded(create(&completed))) {
    FFailure = "CreateCoreWebView2Environment failed";
    return;
  }
  if (!RunUntil([&] { return environmentDone; }) || !Succeeded(environmentResult) ||
      !FEnvironment) {
    FFailure = "environment creation did not complete";
    return;
  }
  bool controllerDone = false;
  bool completedSynchronously = true;
  HRESULT controllerResult = FEnvironment->CreateController(
      FContainer, [&](HRESULT hr, std::unique_ptr<IWebViewController> controller) {
        controllerDone = true;
        controllerResult = hr;
        FController = std::move(controller);
      });
  completedSynchronously = controllerDone;
  if (!Succeeded(controllerResult)) {
    FFailure = "CreateController failed";
    return;
  }
  if (completedSynchronously) {
    FFailure = "controller creation completed synchronously";
    FController.reset();
    return;
  }
  if (!RunUntil([&] { return controllerDone; }) || !FController) {
    FFailure = "controller creation did not complete";
    return;
  }
  View().SetEventSink(this);
  View().AddWebResourceRequestedFilter("*", 0);
}

TEngineHost::~TEngineHost() {
  if (FController) {
    View().SetEventSink(nullptr);
    FController->Close();
    FController.reset();
  }
  FEnvironment.reset();
  if (FWindow) gtk_widget_destroy(FWindow);
  // Lets WebKit finish its shutdown work before the library is unloaded.
  RunUntil([] { return !g_main_context_pending(nullptr); }, 5);
  // The library stays loaded: GLib types it registered cannot be unregistered.
}

GtkWidget* TEngineHost::EngineWidget() const {
  GtkWidget* found = nullptr;
  std::function<void(GtkWidget*)> visit = [&](GtkWidget* widget) {
    if (found) return;
    if (g_str_has_prefix(G_OBJECT_TYPE_NAME(widget), "WebKitWebView")) {
      found = widget;
      return;
    }
    if (GTK_IS_CONTAINER(widget)) {
      GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
      for (GList* child = children; child; child = child->next) visit(GTK_WIDGET(child->data));
      g_list_free(children);
    }
  };
  visit(FContainer);
  return found;
}

void TEngineHost::AddResource(const std::string& path, const std::string& type,
                              const std::string& text) {
  FResources[path] = TResource{type, text, nullptr};
}

void TEngineHost::AddResource(const std::string& path, const std::string& type, TBodyFactory body) {
  FResources[path] = TResource{type, "", std::move(body)};
}

TCompletion TEngineHost::NavigateAndWait(const std::string& uri) {
  std::size_t before = Completed.size();
  if (!Succeeded(View().Navigate(uri))) return TCompletion{false, -1};
  if (!RunUntil([&] { return Completed.size() > before; })) return TCompletion{false, -2};
  return Completed.back();
}

TMessage TEngineHost::WaitForMessage(const std::string& kind) {
  TMessage found;
  bool have = false;
  RunUntil([&] {
    if (have) return true;
    for (auto it = Messages.begin(); it != Messages.end(); ++it) {
      bool match = it->Data.is_object()
                       ? it->Data.value("kind", "") == kind
                       : it->Data.is_string() && it->Data.get<std::string>() == kind;
      if (match) {
        found = *it;
        Messages.erase(it);
        have = true;
        return true;
      }
    }
    return false;
  });
  if (!have) found.Data = nlohmann::json{{"timeout", kind}};
  return found;
}

std::pair<HRESULT, std::string> TEngineHost::Execute(const std::string& script) {
  bool done = false;
  std::pair<HRESULT, std::string> result{E_FAIL, "<none>"};
  HRESULT hr = View().ExecuteScript(script, [&](HRESULT code, const std::string& json) {
    result = {code, json};
    done = true;
  });
  if (!Succeeded(hr)) return {hr, "<not started>"};
  RunUntil([&] { return done; });
  return result;
}

void TEngineHost::NavigationStarting(INavigationStartingArgs& args) {
  Starting.push_back(args.Uri());
}

void TEngineHost::NavigationCompleted(bool isSuccess, int webErrorStatus) {
  Completed.push_back(TCompletion{isSuccess, webErrorStatus});
}

void TEngineHost::NewWindowRequested(INewWindowRequestedArgs& args) {
  NewWindows.push_back(args.Uri());
  args.SetHandled(true);
}

void TEngineHost::WebResourceRequested(IWebResourceRequestedArgs& args) {
  // The runtime's rule: drop "file:///", cut the query, decode "%20".
  std::string uri = args.Uri();
  Requested.push_back(uri);
  if (uri.rfind("file:///", 0) != 0) return;
  std::string path =
      uri.substr(8, uri.find('?') == std::string::npos ? std::string::npos : uri.find('?') - 8);
  for (std::size_t at; (at = path.find("%20")) != std::string::npos;) path.replace(at, 3, " ");
  auto it = FResources.find(path);
  if (it == FResources.end()) return;
  TWebResourceResponse response;
  response.Headers = "Content-Type: " + it->second.Type + "; charset=utf-8";
  response.Body =
      it->second.Body ? it->second.Body() : std::make_unique<TTextBody>(it->second.Text);
  args.SetResponse(std::move(response));
}

void TEngineHost::PermissionRequested(IPermissionRequestedArgs& args) {
  Permissions.push_back(args.Kind());
  args.SetState(PermissionAnswer);
}

void TEngineHost::WebMessageReceived(IWebMessageReceivedArgs& args) {
  TMessage message;
  message.Json = args.WebMessageAsJson();
  message.Data = nlohmann::json::parse(message.Json, nullptr, false);
  message.StringResult = args.TryGetWebMessageAsString(message.String);
  message.Source = args.Source();
  message.Ancestors = args.AncestorOrigins();
  message.Current = args.IsSenderCurrent();
  Messages.push_back(std::move(message));
}

}  // namespace zel::test
