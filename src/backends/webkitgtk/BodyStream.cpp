#include "backends/webkitgtk/BodyStream.h"

#include <vector>

namespace {

struct ZelBodyStream {
  GInputStream parent;
  zel::IResponseBody* body;
};

struct ZelBodyStreamClass {
  GInputStreamClass parent_class;
};

G_DEFINE_TYPE(ZelBodyStream, zel_body_stream, G_TYPE_INPUT_STREAM)

void DestroyBody(ZelBodyStream* self) {
  delete self->body;
  self->body = nullptr;
}

gssize BodyRead(GInputStream* stream, void* buffer, gsize count, GCancellable* cancellable,
                GError** error) {
  auto* self = reinterpret_cast<ZelBodyStream*>(stream);
  if (g_cancellable_set_error_if_cancelled(cancellable, error)) return -1;
  if (!self->body || count == 0) return 0;
  try {
    return static_cast<gssize>(self->body->Read(buffer, count));
  } catch (...) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_FAILED, "The response body failed");
    return -1;
  }
}

gboolean BodyClose(GInputStream* stream, GCancellable*, GError**) {
  DestroyBody(reinterpret_cast<ZelBodyStream*>(stream));
  return TRUE;
}

// The asynchronous calls complete on the calling thread: the body belongs to
// the user-interface thread.
void BodyReadAsync(GInputStream* stream, void* buffer, gsize count, int priority,
                   GCancellable* cancellable, GAsyncReadyCallback callback, gpointer data) {
  GTask* task = g_task_new(stream, cancellable, callback, data);
  g_task_set_priority(task, priority);
  GError* error = nullptr;
  gssize n = BodyRead(stream, buffer, count, cancellable, &error);
  if (n < 0)
    g_task_return_error(task, error);
  else
    g_task_return_int(task, n);
  g_object_unref(task);
}

gssize BodyReadFinish(GInputStream*, GAsyncResult* result, GError** error) {
  return g_task_propagate_int(G_TASK(result), error);
}

void BodyCloseAsync(GInputStream* stream, int priority, GCancellable* cancellable,
                    GAsyncReadyCallback callback, gpointer data) {
  GTask* task = g_task_new(stream, cancellable, callback, data);
  g_task_set_priority(task, priority);
  BodyClose(stream, cancellable, nullptr);
  g_task_return_boolean(task, TRUE);
  g_object_unref(task);
}

gboolean BodyCloseFinish(GInputStream*, GAsyncResult* result, GError** error) {
  return g_task_propagate_boolean(G_TASK(result), error);
}

void BodyFinalize(GObject* object) {
  DestroyBody(reinterpret_cast<ZelBodyStream*>(object));
  G_OBJECT_CLASS(zel_body_stream_parent_class)->finalize(object);
}

void zel_body_stream_class_init(ZelBodyStreamClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = BodyFinalize;
  GInputStreamClass* stream = G_INPUT_STREAM_CLASS(klass);
  stream->read_fn = BodyRead;
  stream->close_fn = BodyClose;
  stream->read_async = BodyReadAsync;
  stream->read_finish = BodyReadFinish;
  stream->close_async = BodyCloseAsync;
  stream->close_finish = BodyCloseFinish;
}

void zel_body_stream_init(ZelBodyStream* self) { self->body = nullptr; }

}  // namespace

namespace zel {

std::size_t ReadFully(IResponseBody& body, void* buffer, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    std::size_t n = body.Read(static_cast<char*>(buffer) + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

GInputStream* NewBodyStream(std::unique_ptr<IResponseBody> body) {
  if (!body) return g_memory_input_stream_new();
  std::optional<std::uint64_t> length;
  try {
    length = body->Length();
  } catch (...) {
  }
  if (length && *length <= SmallBodyLimit) {
    std::vector<char> data(static_cast<std::size_t>(*length));
    std::size_t n = 0;
    try {
      n = ReadFully(*body, data.data(), data.size());
    } catch (...) {
    }
    GBytes* bytes = g_bytes_new(data.data(), n);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    g_bytes_unref(bytes);
    return stream;
  }
  auto* stream = static_cast<ZelBodyStream*>(g_object_new(zel_body_stream_get_type(), nullptr));
  stream->body = body.release();
  return G_INPUT_STREAM(stream);
}

}  // namespace zel
