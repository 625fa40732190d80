#pragma once
// Main-loop helpers for the engine's tests: waiting for a condition and
// fetching an HTTP address while the loop keeps serving.
#include <libsoup/soup.h>

#include <functional>
#include <string>

namespace zel::test {

// Runs the main loop until `done` answers true. The guard only stops a hung
// test; it measures nothing.
inline bool RunUntil(const std::function<bool()>& done, int guardSeconds = 30) {
  gint64 deadline = g_get_monotonic_time() + gint64(guardSeconds) * G_USEC_PER_SEC;
  guint tick = g_timeout_add(
      20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  return done();
}

struct THttpResult {
  bool Done = false;
  guint Status = 0;
  std::string Body;
  std::string ContentRange;
  std::string ContentType;
  std::string AllowOrigin;
};

// Fetches `url`; when `giveUp` answers true first, the request is cancelled.
inline THttpResult Fetch(const std::string& url, const char* method = "GET",
                         const char* range = nullptr, const char* origin = nullptr,
                         const std::function<bool()>& giveUp = nullptr) {
  SoupSession* session = soup_session_new();
  SoupMessage* message = soup_message_new(method, url.c_str());
  THttpResult result;
  if (!message) {
    g_object_unref(session);
    return result;
  }
  SoupMessageHeaders* request = soup_message_get_request_headers(message);
  if (range) soup_message_headers_replace(request, "Range", range);
  if (origin) soup_message_headers_replace(request, "Origin", origin);
  struct TContext {
    THttpResult* Result;
    SoupMessage* Message;
  } context{&result, message};
  GCancellable* cancellable = g_cancellable_new();
  soup_session_send_and_read_async(
      session, message, G_PRIORITY_DEFAULT, cancellable,
      [](GObject* source, GAsyncResult* async, gpointer data) {
        auto* context = static_cast<TContext*>(data);
        GBytes* bytes = soup_session_send_and_read_finish(SOUP_SESSION(source), async, nullptr);
        if (bytes) {
          gsize size = 0;
          auto* raw = static_cast<const char*>(g_bytes_get_data(bytes, &size));
          context->Result->Body.assign(raw ? raw : "", size);
          g_bytes_unref(bytes);
        }
        context->Result->Status = soup_message_get_status(context->Message);
        SoupMessageHeaders* headers = soup_message_get_response_headers(context->Message);
        auto header = [&](const char* name) {
          const char* value = soup_message_headers_get_one(headers, name);
          return std::string(value ? value : "");
        };
        context->Result->ContentRange = header("Content-Range");
        context->Result->ContentType = header("Content-Type");
        context->Result->AllowOrigin = header("Access-Control-Allow-Origin");
        context->Result->Done = true;
      },
      &context);
  RunUntil([&] { return result.Done || (giveUp && giveUp()); });
  if (!result.Done) {
    g_cancellable_cancel(cancellable);
    RunUntil([&] { return result.Done; });
  }
  g_object_unref(cancellable);
  g_object_unref(message);
  g_object_unref(session);
  return result;
}

}  // namespace zel::test
