// The engine's web process extension, loaded by WebKit into every web process
// of the engine's context:
// - rewrites absolute file:/// subresource requests to the engine's scheme;
// - gives every frame window.chrome.webview before its own scripts run;
// - sends each posted message to the host with the origin of the frame's
//   document, read here where the page cannot forge it;
// - delivers the host's messages to the top document.
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <string_view>

namespace zel::resources {
extern const std::string_view EngineShimJs;
}

namespace {

constexpr const char* WebMessageName = "zel-web-message";
constexpr const char* PostMessageName = "zel-post-message";
constexpr const char* DispatchKey = "zel-dispatch";

WebKitWebExtension* Extension = nullptr;

// A world of our own, where the page's scripts cannot replace `self.origin`.
WebKitScriptWorld* OriginWorld() {
  static WebKitScriptWorld* world = webkit_script_world_new_with_name("zel-origin");
  return world;
}

// The frame a `post` function belongs to.
struct TFrameBinding {
  WebKitFrame* Frame;
  guint64 PageId;
};

void FreeBinding(gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  g_object_unref(binding->Frame);
  delete binding;
}

std::string FrameOrigin(WebKitFrame* frame) {
  std::string origin = "null";
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, OriginWorld());
  if (!context) return origin;
  // The document's security origin: opaque ("null") for sandboxed and data:
  // documents, inherited for about:blank; location.origin would give the URL's.
  JSCValue* value = jsc_context_evaluate(context, "self.origin", -1);
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    origin = text;
    g_free(text);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&value);
  g_object_unref(context);
  return origin;
}

void Post(const char* json, gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  WebKitWebPage* page = webkit_web_extension_get_page(Extension, binding->PageId);
  if (!page || !json) return;
  std::string origin = FrameOrigin(binding->Frame);
  webkit_web_page_send_message_to_view(
      page, webkit_user_message_new(WebMessageName, g_variant_new("(ss)", origin.c_str(), json)),
      nullptr, nullptr, nullptr);
}

void WindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                         gpointer) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  if (!context) return;
  const std::string_view source = zel::resources::EngineShimJs;
  JSCValue* shim = jsc_context_evaluate_with_source_uri(
      context, source.data(), static_cast<gssize>(source.size()), "zel-engine:///shim.js", 1);
  if (shim && jsc_value_is_function(shim)) {
    auto* binding =
        new TFrameBinding{WEBKIT_FRAME(g_object_ref(frame)), webkit_web_page_get_id(page)};
    JSCValue* post = jsc_value_new_function(context, nullptr, G_CALLBACK(Post), binding,
                                            FreeBinding, G_TYPE_NONE, 1, G_TYPE_STRING);
    JSCValue* dispatch = jsc_value_function_call(shim, JSC_TYPE_VALUE, post, G_TYPE_NONE);
    // Only the top document receives the host's messages.
    if (dispatch && jsc_value_is_function(dispatch) && webkit_frame_is_main_frame(frame))
      g_object_set_data_full(G_OBJECT(page), DispatchKey, g_object_ref(dispatch), g_object_unref);
    g_clear_object(&dispatch);
    g_object_unref(post);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&shim);
  g_object_unref(context);
}

gboolean SendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
  const char* uri = webkit_uri_request_get_uri(request);
  if (uri && g_ascii_strncasecmp(uri, "file:", 5) == 0) {
    std::string rewritten = std::string("zel:") + (uri + 5);
    webkit_uri_request_set_uri(request, rewritten.c_str());
  }
  return FALSE;
}

gboolean UserMessage(WebKitWebPage* page, WebKitUserMessage* message, gpointer) {
  if (g_strcmp0(webkit_user_message_get_name(message), PostMessageName) != 0) return FALSE;
  GVariant* parameters = webkit_user_message_get_parameters(message);
  if (!parameters || !g_variant_is_of_type(parameters, G_VARIANT_TYPE_STRING)) return TRUE;
  auto* dispatch = static_cast<JSCValue*>(g_object_get_data(G_OBJECT(page), DispatchKey));
  if (!dispatch) return TRUE;
  JSCValue* result = jsc_value_function_call(
      dispatch, G_TYPE_STRING, g_variant_get_string(parameters, nullptr), G_TYPE_NONE);
  jsc_context_clear_exception(jsc_value_get_context(dispatch));
  g_clear_object(&result);
  return TRUE;
}

void PageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
  g_signal_connect(page, "send-request", G_CALLBACK(SendRequest), nullptr);
  g_signal_connect(page, "user-message-received", G_CALLBACK(UserMessage), nullptr);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant*) {
  Extension = extension;
  g_signal_connect(extension, "page-created", G_CALLBACK(PageCreated), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                   G_CALLBACK(WindowObjectCleared), nullptr);
}
