// The engine's web process extension, loaded by WebKit into every web process
// of the engine's context:
// - rewrites absolute file:/// subresource requests of the application's
//   pages to the engine's scheme (never those of web content);
// - gives every frame window.chrome.webview before its own scripts run;
// - sends each posted message to the host with what the host judges it by:
//   whether the document that owns the channel is still its frame's
//   document, that document's origin and the origins of the documents that
//   frame it, all read here where the page cannot forge them;
// - delivers the host's messages to the top document.
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <string_view>

namespace zel::resources {
extern const std::string_view EngineShimJs;
extern const std::string_view EngineWebContentJs;
}  // namespace zel::resources

namespace {

constexpr const char* WebMessageName = "zel-web-message";
constexpr const char* PostMessageName = "zel-post-message";
// The name under which a top document's delivery function is kept in the
// document's own world of ours: it comes and goes with the document, also
// through the back-forward cache.
constexpr const char* DispatchName = "zelDispatch";

WebKitWebExtension* Extension = nullptr;

// A world of our own, where the page's scripts cannot replace `self.origin`.
WebKitScriptWorld* OriginWorld() {
  static WebKitScriptWorld* world = webkit_script_world_new_with_name("zel-origin");
  return world;
}

// The frame a `post` function belongs to. The function itself belongs to one
// document of that frame: the global object it was made in.
struct TFrameBinding {
  WebKitFrame* Frame;
  guint64 PageId;
};

constexpr const char* EngineSchemePrefix = "zel:";

// Whether the `post` function being called belongs to the document its frame
// shows now. A document restored from the back-forward cache is shown again.
bool CallerIsCurrentDocument(WebKitFrame* frame) {
  JSCContext* own = jsc_context_get_current();  // the called function's global object
  JSCContext* shown = webkit_frame_get_js_context(frame);
  bool current = own != nullptr && own == shown;
  g_clear_object(&shown);
  return current;
}

void FreeBinding(gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  g_object_unref(binding->Frame);
  delete binding;
}

// Evaluates `script` in the frame's document in a world of our own and
// returns its text result, or `fallback`.
std::string EvaluateText(WebKitFrame* frame, const char* script, const char* fallback) {
  std::string result = fallback;
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, OriginWorld());
  if (!context) return result;
  JSCValue* value = jsc_context_evaluate(context, script, -1);
  if (value && jsc_value_is_string(value)) {
    char* text = jsc_value_to_string(value);
    result = text;
    g_free(text);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&value);
  g_object_unref(context);
  return result;
}

// The document's security origin: opaque ("null") for sandboxed and data:
// documents, inherited for about:blank; location.origin would give the URL's.
std::string FrameOrigin(WebKitFrame* frame) { return EvaluateText(frame, "self.origin", "null"); }

// The origins of the documents that frame this one, nearest first, as a
// JSON array. An origin this document may not read counts as "null".
std::string AncestorOrigins(WebKitFrame* frame) {
  static const char* const script = R"((() => {
  const origins = [];
  try {
    for (let w = self; w !== w.parent; ) {
      w = w.parent;
      let origin = 'null';
      try { origin = String(w.origin); } catch (e) {}
      origins.push(origin);
      if (origins.length > 64) break;
    }
  } catch (e) {
    origins.push('null');
  }
  return JSON.stringify(origins);
})())";
  return EvaluateText(frame, script, "[\"null\"]");
}

// An application document: of the engine's scheme, framed only by
// application documents.
bool IsApplicationDocument(WebKitFrame* frame) {
  static const char* const script = R"((() => {
  try {
    for (let w = self; ; w = w.parent) {
      if (w.origin !== 'zel://') return 'no';
      if (w === w.parent) return 'yes';
    }
  } catch (e) {
    return 'no';
  }
})())";
  return EvaluateText(frame, script, "no") == "yes";
}

// Runs one of our scripts, a function expression, in `context`.
void RunScript(JSCContext* context, std::string_view source, const char* name) {
  JSCValue* function = jsc_context_evaluate_with_source_uri(
      context, source.data(), static_cast<gssize>(source.size()), name, 1);
  if (function && jsc_value_is_function(function)) {
    JSCValue* result = jsc_value_function_call(function, G_TYPE_NONE);
    g_clear_object(&result);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&function);
}

void Post(const char* json, gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  WebKitWebPage* page = webkit_web_extension_get_page(Extension, binding->PageId);
  if (!page || !json) return;
  // A function kept from a document that has gone speaks for nobody.
  bool current = CallerIsCurrentDocument(binding->Frame);
  std::string origin = current ? FrameOrigin(binding->Frame) : "null";
  std::string ancestors = current ? AncestorOrigins(binding->Frame) : "[]";
  webkit_web_page_send_message_to_view(
      page,
      webkit_user_message_new(WebMessageName, g_variant_new("(sbss)", origin.c_str(), current,
                                                            ancestors.c_str(), json)),
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
    if (dispatch && jsc_value_is_function(dispatch) && webkit_frame_is_main_frame(frame)) {
      if (JSCContext* own = webkit_frame_get_js_context_for_script_world(frame, OriginWorld())) {
        jsc_context_set_value(own, DispatchName, dispatch);
        g_object_unref(own);
      }
    }
    g_clear_object(&dispatch);
    g_object_unref(post);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&shim);
  if (!IsApplicationDocument(frame))
    RunScript(context, zel::resources::EngineWebContentJs, "zel-engine:///web-content.js");
  g_object_unref(context);
}

gboolean SendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
  const char* uri = webkit_uri_request_get_uri(request);
  // Only pages whose top document is the application's may reach its files;
  // WebKit keeps web content from asking for file: addresses at all.
  const char* top = webkit_web_page_get_uri(page);
  if (!top || g_ascii_strncasecmp(top, EngineSchemePrefix, 4) != 0) return FALSE;
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
  JSCContext* own = webkit_frame_get_js_context_for_script_world(
      webkit_web_page_get_main_frame(page), OriginWorld());
  if (!own) return TRUE;
  JSCValue* dispatch = jsc_context_get_value(own, DispatchName);
  if (dispatch && jsc_value_is_function(dispatch)) {
    JSCValue* result = jsc_value_function_call(
        dispatch, G_TYPE_STRING, g_variant_get_string(parameters, nullptr), G_TYPE_NONE);
    g_clear_object(&result);
  }
  jsc_context_clear_exception(jsc_value_get_context(dispatch));
  jsc_context_clear_exception(own);
  g_clear_object(&dispatch);
  g_object_unref(own);
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
