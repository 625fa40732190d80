#include "backends/webkitgtk/MediaTransfer.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "backends/webkitgtk/BodyStream.h"

namespace zel {

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;

// The rest of a streamed response, kept on the message until it finishes.
struct TTransfer {
  std::unique_ptr<IResponseBody> Body;
  std::uint64_t Remaining = 0;
};

void DeleteTransfer(gpointer data) { delete static_cast<TTransfer*>(data); }

// Appends the next chunk, or completes the body when nothing is left.
void AppendChunk(SoupServerMessage* message) {
  auto* transfer = static_cast<TTransfer*>(g_object_get_data(G_OBJECT(message), "zel-transfer"));
  SoupMessageBody* body = soup_server_message_get_response_body(message);
  if (!transfer) return;
  std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(transfer->Remaining, ChunkSize));
  std::size_t got = 0;
  char* buffer = nullptr;
  if (want > 0 && transfer->Body) {
    buffer = static_cast<char*>(g_malloc(want));
    try {
      got = ReadFully(*transfer->Body, buffer, want);
    } catch (...) {
      got = 0;
    }
  }
  if (got == 0) {
    g_free(buffer);
    // A body shorter than announced ends the connection early; the client
    // sees a truncated response rather than a hang.
    if (transfer->Remaining > 0) {
      if (GSocket* socket = soup_server_message_get_socket(message))
        g_socket_close(socket, nullptr);
    }
    transfer->Remaining = 0;
    soup_message_body_complete(body);
    g_object_set_data(G_OBJECT(message), "zel-transfer", nullptr);
    return;
  }
  transfer->Remaining -= got;
  soup_message_body_append(body, SOUP_MEMORY_TAKE, buffer, got);
  if (transfer->Remaining == 0) {
    soup_message_body_complete(body);
    g_object_set_data(G_OBJECT(message), "zel-transfer", nullptr);
  }
}

void WroteChunk(SoupServerMessage* message, gpointer) { AppendChunk(message); }

// Streams `count` bytes of `body` (null: none) from where it stands.
void Stream(SoupServerMessage* message, std::unique_ptr<IResponseBody> body, std::uint64_t count) {
  SoupMessageBody* responseBody = soup_server_message_get_response_body(message);
  soup_message_body_set_accumulate(responseBody, FALSE);
  auto* transfer = new TTransfer{std::move(body), count};
  g_object_set_data_full(G_OBJECT(message), "zel-transfer", transfer, DeleteTransfer);
  g_signal_connect(message, "wrote-chunk", G_CALLBACK(WroteChunk), nullptr);
  AppendChunk(message);
}

// A skip on a worker thread; the message waits, paused, meanwhile.
struct TSkip {
  SoupServerMessage* Message = nullptr;  // a reference, handed back on the user-interface thread
  std::unique_ptr<IResponseBody> Body;
  std::uint64_t First = 0;
  std::uint64_t Count = 0;
  GCancellable* Cancellable = nullptr;
  std::shared_ptr<TMediaSkips> Skips;
  GSource* ClientWatch = nullptr;

  ~TSkip() {
    // Whatever the user-interface thread did not take back (its main loop
    // ended first) is left alone: it may not be freed on this thread.
    Body.release();
    if (ClientWatch) g_source_unref(ClientWatch);
    g_object_unref(Cancellable);
  }
};

void DeleteSkip(gpointer data) { delete static_cast<TSkip*>(data); }

// Reads the body up to the range's start; answers whether it got there.
void SkipInThread(GTask* task, gpointer, gpointer data, GCancellable* cancellable) {
  auto* skip = static_cast<TSkip*>(data);
  std::vector<char> buffer(ChunkSize);
  std::uint64_t left = skip->First;
  try {
    while (left > 0 && !g_cancellable_is_cancelled(cancellable)) {
      const std::size_t n = skip->Body->Read(
          buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size())));
      if (n == 0) break;
      left -= n;
    }
  } catch (...) {
  }
  skip->Skips->EndReading();
  g_task_return_boolean(task, left == 0);
}

void SkipDone(GObject*, GAsyncResult* result, gpointer) {
  GTask* task = G_TASK(result);
  auto* skip = static_cast<TSkip*>(g_task_get_task_data(task));
  const bool reached = g_task_propagate_boolean(task, nullptr);
  if (skip->ClientWatch) g_source_destroy(skip->ClientWatch);
  skip->Skips->Forget(skip->Cancellable);
  SoupServerMessage* message = std::exchange(skip->Message, nullptr);
  std::unique_ptr<IResponseBody> body = std::move(skip->Body);
  // A server that has gone, or a message that has finished, is left alone.
  // Otherwise the message goes on: with the body from the range's start, or
  // (the client went, or the body ended before the range's start) with none,
  // which ends it.
  if (!skip->Skips->Stopped() && !g_object_get_data(G_OBJECT(message), "zel-finished")) {
    const bool sends = reached && !g_cancellable_is_cancelled(skip->Cancellable);
    Stream(message, sends ? std::move(body) : nullptr, skip->Count);
    soup_server_message_unpause(message);
  }
  g_object_unref(message);
}

// While the message waits, paused, the server does not watch its
// connection: the watch here sees the client go.
gboolean WatchClient(GSocket* socket, GIOCondition, gpointer cancellable) {
  if (g_cancellable_is_cancelled(G_CANCELLABLE(cancellable))) return G_SOURCE_REMOVE;
  char byte = 0;
  const ssize_t n = recv(g_socket_get_fd(socket), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (n > 0) return G_SOURCE_REMOVE;  // the client's next request: it is still there
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
  g_cancellable_cancel(G_CANCELLABLE(cancellable));  // the end of its stream, or an error
  return G_SOURCE_REMOVE;
}

void CancelSkip(SoupServerMessage* message, gpointer cancellable) {
  g_object_set_data(G_OBJECT(message), "zel-finished", GINT_TO_POINTER(1));
  g_cancellable_cancel(G_CANCELLABLE(cancellable));
}

}  // namespace

bool TMediaSkips::Begin(GCancellable* cancellable) {
  const std::lock_guard lock(FMutex);
  if (FStopped) return false;
  ++FReading;
  FRunning.insert(static_cast<GCancellable*>(g_object_ref(cancellable)));
  return true;
}

void TMediaSkips::EndReading() {
  const std::lock_guard lock(FMutex);
  --FReading;
  FIdle.notify_all();
}

void TMediaSkips::Forget(GCancellable* cancellable) {
  const std::lock_guard lock(FMutex);
  if (FRunning.erase(cancellable) != 0) g_object_unref(cancellable);
}

bool TMediaSkips::Stopped() {
  const std::lock_guard lock(FMutex);
  return FStopped;
}

void TMediaSkips::Stop() {
  std::unique_lock lock(FMutex);
  FStopped = true;
  for (GCancellable* cancellable : FRunning) g_cancellable_cancel(cancellable);
  FIdle.wait(lock, [&] { return FReading == 0; });
}

void StartMediaTransfer(SoupServerMessage* message, std::unique_ptr<IResponseBody> body,
                        std::uint64_t first, std::uint64_t count,
                        const std::shared_ptr<TMediaSkips>& skips) {
  if (first == 0 || body->Seek(first)) return Stream(message, std::move(body), count);

  GCancellable* cancellable = g_cancellable_new();
  if (!skips->Begin(cancellable)) {
    g_object_unref(cancellable);
    return Stream(message, nullptr, count);
  }
  auto* skip = new TSkip{static_cast<SoupServerMessage*>(g_object_ref(message)),
                         std::move(body),
                         first,
                         count,
                         cancellable,
                         skips};
  g_signal_connect_data(
      message, "finished", G_CALLBACK(CancelSkip), g_object_ref(cancellable),
      [](gpointer data, GClosure*) { g_object_unref(data); }, GConnectFlags(0));
  soup_server_message_pause(message);
  if (GSocket* socket = soup_server_message_get_socket(message)) {
    skip->ClientWatch = g_socket_create_source(
        socket, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), nullptr);
    g_source_set_callback(skip->ClientWatch, G_SOURCE_FUNC(WatchClient), g_object_ref(cancellable),
                          g_object_unref);
    g_source_attach(skip->ClientWatch, g_main_context_get_thread_default());
  }
  GTask* task = g_task_new(nullptr, cancellable, SkipDone, nullptr);
  g_task_set_task_data(task, skip, DeleteSkip);
  g_task_run_in_thread(task, SkipInThread);
  g_object_unref(task);
}

}  // namespace zel
