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
#include <fcntl.h>
#include <gio/gunixfdlist.h>
#include <sys/mman.h>
#include <unistd.h>
#include <webkit2/webkit-web-extension.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/JsonSpecialBytes.h"

namespace zel::resources {
extern const std::string_view EngineShimJs;
extern const std::string_view EngineWebContentJs;
extern const std::string_view EngineDocumentFactsJs;
}  // namespace zel::resources

namespace {

constexpr const char* WebMessageName = "zel-web-message";
constexpr const char* PostMessageName = "zel-post-message";
// The name under which a top document's delivery function is kept in the
// document's own world of ours: it comes and goes with the document, also
// through the back-forward cache.
constexpr const char* DispatchName = "zelDispatch";
// The page's top frame, kept on the page.
constexpr const char* MainFrameKey = "zel-main-frame";
// The name of the function that reads a document's facts, in that world.
constexpr const char* FactsName = "zelDocumentFacts";

WebKitWebExtension* Extension = nullptr;

// A world of our own, where the page's scripts cannot replace `self.origin`.
WebKitScriptWorld* OriginWorld() {
  static WebKitScriptWorld* world = webkit_script_world_new_with_name("zel-origin");
  return world;
}

// What the host judges a document by (document-facts.js).
struct TDocumentFacts {
  std::string Origin = "null";
  std::string Ancestors = "[\"null\"]";
  bool Application = false;
};

class TPieceMessage;

// The frame the `post` and `postPart` functions belong to. The functions
// themselves belong to one document of that frame: the global object they
// were made in; both hold it. Its facts do not change while it lives (no
// document moves to another frame), so they are read once.
struct TFrameBinding {
  WebKitFrame* Frame;
  guint64 PageId;
  std::optional<TDocumentFacts> Facts;
  std::unique_ptr<TPieceMessage> Pieces;  // a message arriving in pieces
  int Holders = 2;
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

void FreeBinding(gpointer data);

std::string TextOf(JSCValue* value, const char* fallback) {
  if (!value || !jsc_value_is_string(value)) return fallback;
  char* text = jsc_value_to_string(value);
  std::string result = text;
  g_free(text);
  return result;
}

// Reads the facts of the frame's document through a function of ours, made
// once per document in our own world.
TDocumentFacts ReadDocumentFacts(WebKitFrame* frame) {
  TDocumentFacts facts;
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, OriginWorld());
  if (!context) return facts;
  JSCValue* read = jsc_context_get_value(context, FactsName);
  if (!read || !jsc_value_is_function(read)) {
    g_clear_object(&read);
    const std::string_view source = zel::resources::EngineDocumentFactsJs;
    read = jsc_context_evaluate_with_source_uri(context, source.data(),
                                                static_cast<gssize>(source.size()),
                                                "zel-engine:///document-facts.js", 1);
    if (read && jsc_value_is_function(read)) jsc_context_set_value(context, FactsName, read);
  }
  JSCValue* result =
      read && jsc_value_is_function(read) ? jsc_value_function_call(read, G_TYPE_NONE) : nullptr;
  if (result && jsc_value_is_array(result)) {
    JSCValue* origin = jsc_value_object_get_property_at_index(result, 0);
    JSCValue* ancestors = jsc_value_object_get_property_at_index(result, 1);
    JSCValue* application = jsc_value_object_get_property_at_index(result, 2);
    facts.Origin = TextOf(origin, "null");
    facts.Ancestors = TextOf(ancestors, "[\"null\"]");
    facts.Application = jsc_value_is_boolean(application) && jsc_value_to_boolean(application);
    g_clear_object(&origin);
    g_clear_object(&ancestors);
    g_clear_object(&application);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&result);
  g_clear_object(&read);
  g_object_unref(context);
  return facts;
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

// What the host judges a message by, read when the page posts it.
struct TSender {
  std::string Origin;
  bool Current;
  std::string Ancestors;
};

TSender SenderOf(TFrameBinding& binding) {
  // A function kept from a document that has gone speaks for nobody.
  const bool current = CallerIsCurrentDocument(binding.Frame);
  if (!current) return {"null", false, "[]"};
  if (!binding.Facts) binding.Facts = ReadDocumentFacts(binding.Frame);
  return {binding.Facts->Origin, true, binding.Facts->Ancestors};
}

// Messages from this size on travel in a memory file of their own: the host
// maps it, so the text is copied once on its way, not at every stage of the
// engine's messaging.
constexpr std::size_t SharedMessageSize = 256 * 1024;
// Text gathered before it is written to the memory file.
constexpr std::size_t WriteBufferSize = 1 << 20;

bool WriteAll(int fd, const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

// Sends `text` with its sender to the host: in a sealed memory file when it
// is large (the seals keep it from changing or shrinking under the host's
// mapping), inline otherwise or when no memory file can be made.
void SendToHost(guint64 pageId, const TSender& sender, int memoryFile, const char* text) {
  WebKitWebPage* page = webkit_web_extension_get_page(Extension, pageId);
  WebKitUserMessage* message = nullptr;
  if (memoryFile >= 0 && page &&
      fcntl(memoryFile, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0) {
    const int fd = dup(memoryFile);
    if (fd >= 0) {
      GUnixFDList* files = g_unix_fd_list_new_from_array(&fd, 1);  // takes the descriptor
      message = webkit_user_message_new_with_fd_list(
          WebMessageName,
          g_variant_new("(sbsh)", sender.Origin.c_str(), sender.Current, sender.Ancestors.c_str(), 0),
          files);
      g_object_unref(files);
    }
  }
  if (!page) return;
  if (!message && text) {
    message = webkit_user_message_new(
        WebMessageName, g_variant_new("(sbss)", sender.Origin.c_str(), sender.Current,
                                      sender.Ancestors.c_str(), text));
  }
  if (message) webkit_web_page_send_message_to_view(page, message, nullptr, nullptr, nullptr);
}

// The position of the first quote, backslash or control character in
// text[from, length), or `length`: eight bytes at a time through the plain
// text between them.
std::size_t NextToEscape(const char* text, std::size_t from, std::size_t length) {
  std::size_t at = from;
  for (;;) {
    while (length - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, text + at, 8);
      // The first flag is exact; flags after it may mark clean bytes.
      const std::uint64_t flags = zel::JsonSpecialByteMarks(word);
      if (flags) {
        if constexpr (std::endian::native == std::endian::little)
          return at + std::countr_zero(flags) / 8;
        break;
      }
      at += 8;
    }
    // The flagged word (or the last bytes) one at a time.
    const std::size_t end = std::min(length, at + 8);
    for (; at < end; ++at) {
      const auto c = static_cast<unsigned char>(text[at]);
      if (c < 0x20 || c == '"' || c == '\\') return at;
    }
    if (at == length) return length;
  }
}

// A message written into a memory file as its pieces come (see shim.js);
// kept in memory where no memory file can be made.
class TPieceMessage {
 public:
  explicit TPieceMessage(TSender sender)
      : FSender(std::move(sender)),
        FFile(memfd_create("zel-message", MFD_CLOEXEC | MFD_ALLOW_SEALING)) {}
  ~TPieceMessage() {
    if (FFile >= 0) close(FFile);
  }
  TPieceMessage(const TPieceMessage&) = delete;
  TPieceMessage& operator=(const TPieceMessage&) = delete;

  void AppendJson(const char* text, std::size_t length) { Append(text, length); }

  // Characters of a string, escaped as JSON.stringify escapes them.
  void AppendStringPiece(const char* text, std::size_t length) {
    static const char* const Hex = "0123456789abcdef";
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < length) {
      i = NextToEscape(text, i, length);
      if (i == length) break;
      const auto c = static_cast<unsigned char>(text[i]);
      Append(text + run, i - run);
      run = ++i;
      char escape[6] = {'\\', static_cast<char>(c), 0, 0, 0, 0};
      std::size_t size = 2;
      switch (c) {
        case '"': case '\\': break;
        case '\b': escape[1] = 'b'; break;
        case '\f': escape[1] = 'f'; break;
        case '\n': escape[1] = 'n'; break;
        case '\r': escape[1] = 'r'; break;
        case '\t': escape[1] = 't'; break;
        default:
          escape[1] = 'u';
          escape[2] = escape[3] = '0';
          escape[4] = Hex[c >> 4];
          escape[5] = Hex[c & 15];
          size = 6;
      }
      Append(escape, size);
    }
    Append(text + run, length - run);
  }

  void Disown() { FSender = {"null", false, "[]"}; }

  void Send(guint64 pageId) {
    if (FFile < 0) return SendToHost(pageId, FSender, -1, FText.c_str());
    // A memory file that could not be written whole is not sent.
    if (Flush() && !FFailed) SendToHost(pageId, FSender, FFile, nullptr);
  }

 private:
  void Append(const char* text, std::size_t length) {
    if (FFile < 0) {
      FText.append(text, length);
      return;
    }
    if (FText.size() + length <= WriteBufferSize) {
      FText.append(text, length);
      return;
    }
    // Long runs (a string without escapes) go to the file without a copy.
    if (!Flush() || !WriteAll(FFile, text, length)) FFailed = true;
  }
  bool Flush() {
    const bool written = WriteAll(FFile, FText.data(), FText.size());
    FText.clear();
    return written;
  }

  TSender FSender;
  int FFile;
  std::string FText;
  bool FFailed = false;
};

void FreeBinding(gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  if (--binding->Holders > 0) return;
  g_object_unref(binding->Frame);
  delete binding;
}

void Post(const char* json, gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  if (!json) return;
  const TSender sender = SenderOf(*binding);
  const std::size_t length = std::strlen(json);
  int fd = -1;
  if (length >= SharedMessageSize) {
    fd = memfd_create("zel-message", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd >= 0 && !WriteAll(fd, json, length)) {
      close(fd);
      fd = -1;
    }
  }
  SendToHost(binding->PageId, sender, fd, json);
  if (fd >= 0) close(fd);
}

// One step of a message that arrives in pieces; kinds as in shim.js.
void PostPart(int kind, JSCValue* text, gpointer data) {
  auto* binding = static_cast<TFrameBinding*>(data);
  if (kind == 0) binding->Pieces = std::make_unique<TPieceMessage>(SenderOf(*binding));
  TPieceMessage* message = binding->Pieces.get();
  if (!message) return;
  if (kind == 3) {
    // The document must still be its frame's when the last piece comes: a
    // function kept after its document went speaks for nobody.
    if (!CallerIsCurrentDocument(binding->Frame)) message->Disown();
    message->Send(binding->PageId);
    binding->Pieces.reset();
    return;
  }
  // The characters as UTF-8, NUL characters included.
  GBytes* bytes = jsc_value_to_string_as_bytes(text);
  gsize size = 0;
  const auto* characters = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  if (kind == 2)
    message->AppendStringPiece(characters, size);
  else
    message->AppendJson(characters, size);
  g_bytes_unref(bytes);
}

void WindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                         gpointer) {
  JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
  if (!context) return;
  const std::string_view source = zel::resources::EngineShimJs;
  JSCValue* shim = jsc_context_evaluate_with_source_uri(
      context, source.data(), static_cast<gssize>(source.size()), "zel-engine:///shim.js", 1);
  if (shim && jsc_value_is_function(shim)) {
    auto* binding = new TFrameBinding{WEBKIT_FRAME(g_object_ref(frame)),
                                      webkit_web_page_get_id(page), std::nullopt, nullptr, 2};
    JSCValue* post = jsc_value_new_function(context, nullptr, G_CALLBACK(Post), binding,
                                            FreeBinding, G_TYPE_NONE, 1, G_TYPE_STRING);
    JSCValue* postPart =
        jsc_value_new_function(context, nullptr, G_CALLBACK(PostPart), binding, FreeBinding,
                               G_TYPE_NONE, 2, G_TYPE_INT, JSC_TYPE_VALUE);
    JSCValue* dispatch = jsc_value_function_call(shim, JSC_TYPE_VALUE, post, JSC_TYPE_VALUE,
                                                 postPart, G_TYPE_NONE);
    // Only the top document receives the host's messages.
    if (dispatch && jsc_value_is_function(dispatch) && webkit_frame_is_main_frame(frame)) {
      g_object_set_data_full(G_OBJECT(page), MainFrameKey, g_object_ref(frame), g_object_unref);
      if (JSCContext* own = webkit_frame_get_js_context_for_script_world(frame, OriginWorld())) {
        jsc_context_set_value(own, DispatchName, dispatch);
        g_object_unref(own);
      }
    }
    g_clear_object(&dispatch);
    g_object_unref(post);
    g_object_unref(postPart);
  }
  jsc_context_clear_exception(context);
  g_clear_object(&shim);
  if (!ReadDocumentFacts(frame).Application)
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
  auto* top = static_cast<WebKitFrame*>(g_object_get_data(G_OBJECT(page), MainFrameKey));
  JSCContext* own =
      top ? webkit_frame_get_js_context_for_script_world(top, OriginWorld()) : nullptr;
  if (!own) return TRUE;
  JSCValue* dispatch = jsc_context_get_value(own, DispatchName);
  if (dispatch && jsc_value_is_function(dispatch)) {
    JSCValue* result = jsc_value_function_call(
        dispatch, G_TYPE_STRING, g_variant_get_string(parameters, nullptr), G_TYPE_NONE);
    jsc_context_clear_exception(jsc_value_get_context(dispatch));
    g_clear_object(&result);
  }
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
