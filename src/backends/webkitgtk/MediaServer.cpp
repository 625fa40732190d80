#include "backends/webkitgtk/MediaServer.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "backends/webkitgtk/BodyStream.h"
#include "backends/webkitgtk/UriMapping.h"

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

bool IsHeaderWeSet(const std::string& name) {
  static const char* const names[] = {"Content-Length", "Transfer-Encoding", "Content-Range",
                                      "Accept-Ranges", "Connection"};
  for (const char* n : names)
    if (strcasecmp(n, name.c_str()) == 0) return true;
  return false;
}

}  // namespace

std::unique_ptr<TMediaServer> TMediaServer::Create() {
  std::unique_ptr<TMediaServer> server(new TMediaServer());
  server->FServer = soup_server_new("server-header", "", nullptr);
  GError* error = nullptr;
  GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
  GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
  g_object_unref(loopback);
  gboolean listening =
      soup_server_listen(server->FServer, address, static_cast<SoupServerListenOptions>(0), &error);
  g_object_unref(address);
  if (!listening) {
    g_clear_error(&error);
    return nullptr;
  }
  GSList* uris = soup_server_get_uris(server->FServer);
  if (uris) server->FPort = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  if (server->FPort <= 0) return nullptr;
  soup_server_add_handler(server->FServer, nullptr, &TMediaServer::HandleRequest, server.get(),
                          nullptr);
  return server;
}

TMediaServer::~TMediaServer() {
  if (FServer) {
    soup_server_remove_handler(FServer, nullptr);
    soup_server_disconnect(FServer);
    g_object_unref(FServer);
  }
}

std::string TMediaServer::AddClient(TResolver resolver) {
  std::string token = RandomToken(16);
  FClients[token] = std::move(resolver);
  return token;
}

void TMediaServer::RemoveClient(const std::string& token) { FClients.erase(token); }

const TMediaServer::TResolver* TMediaServer::FindClient(std::string_view token) const {
  // Every token is compared in full: the time taken tells nothing of how
  // much of a guess was right.
  const TResolver* found = nullptr;
  for (const auto& [known, resolver] : FClients)
    if (EqualInConstantTime(known, token)) found = &resolver;
  return found;
}

void TMediaServer::HandleRequest(SoupServer*, SoupServerMessage* message, const char*, GHashTable*,
                                 gpointer self) {
  static_cast<TMediaServer*>(self)->Serve(message);
}

void TMediaServer::Serve(SoupServerMessage* message) {
  const char* method = soup_server_message_get_method(message);
  bool head = strcmp(method, SOUP_METHOD_HEAD) == 0;
  if (!head && strcmp(method, SOUP_METHOD_GET) != 0) {
    soup_server_message_set_status(message, SOUP_STATUS_METHOD_NOT_ALLOWED, nullptr);
    return;
  }
  // The path as the client sent it (percent-encoding kept): /TOKEN/rest.
  GUri* uri = soup_server_message_get_uri(message);
  std::string path = g_uri_get_path(uri);
  std::size_t slash = path.find('/', 1);
  const TResolver* client = slash == std::string::npos
                                ? nullptr
                                : FindClient(std::string_view(path).substr(1, slash - 1));
  if (!client) {
    soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    return;
  }
  std::string fileUri = "file:///" + path.substr(slash + 1);
  if (const char* query = g_uri_get_query(uri)) fileUri += std::string("?") + query;

  std::optional<TWebResourceResponse> response;
  try {
    TResolver resolver = *client;  // the resolver may remove itself
    response = resolver(fileUri);
  } catch (...) {
    response.reset();
  }
  if (!response) {
    soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    return;
  }

  SoupMessageHeaders* requestHeaders = soup_server_message_get_request_headers(message);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
  for (auto& [name, value] : ParseHeaderText(response->Headers))
    if (!IsHeaderWeSet(name)) soup_message_headers_append(headers, name.c_str(), value.c_str());
  // Only the application's pages may read the bytes from script.
  const char* origin = soup_message_headers_get_one(requestHeaders, "Origin");
  if (origin && strcmp(origin, "zel://") == 0)
    soup_message_headers_replace(headers, "Access-Control-Allow-Origin", origin);
  soup_message_headers_replace(headers, "Accept-Ranges", "bytes");

  std::unique_ptr<IResponseBody> body = std::move(response->Body);
  std::optional<std::uint64_t> length;
  if (body) {
    try {
      length = body->Length();
    } catch (...) {
    }
  } else {
    length = 0;
  }
  // A body of unknown length is read whole once to learn it.
  if (!length) {
    std::vector<char> data;
    char buffer[ChunkSize];
    try {
      while (std::size_t n = body->Read(buffer, sizeof buffer))
        data.insert(data.end(), buffer, buffer + n);
    } catch (...) {
    }
    struct TMemoryBody : IResponseBody {
      std::vector<char> Data;
      std::size_t Position = 0;
      std::size_t Read(void* out, std::size_t count) override {
        std::size_t n = std::min(count, Data.size() - Position);
        std::memcpy(out, Data.data() + Position, n);
        Position += n;
        return n;
      }
      std::optional<std::uint64_t> Length() const override { return Data.size(); }
    };
    auto memory = std::make_unique<TMemoryBody>();
    memory->Data = std::move(data);
    length = memory->Data.size();
    body = std::move(memory);
  }

  std::uint64_t first = 0;
  std::uint64_t count = *length;
  int status = response->StatusCode;
  std::string reason = response->ReasonPhrase;
  if (status == SOUP_STATUS_OK) {
    if (const char* rangeHeader = soup_message_headers_get_one(requestHeaders, "Range")) {
      TByteRange range;
      switch (ParseRangeHeader(rangeHeader, *length, range)) {
        case TRangeResult::Satisfiable:
          status = SOUP_STATUS_PARTIAL_CONTENT;
          reason = "Partial Content";
          first = range.First;
          count = range.Last - range.First + 1;
          soup_message_headers_set_content_range(headers, static_cast<goffset>(range.First),
                                                 static_cast<goffset>(range.Last),
                                                 static_cast<goffset>(*length));
          break;
        case TRangeResult::Unsatisfiable: {
          std::string value = "bytes */" + std::to_string(*length);
          soup_message_headers_replace(headers, "Content-Range", value.c_str());
          soup_server_message_set_status(message, SOUP_STATUS_REQUESTED_RANGE_NOT_SATISFIABLE,
                                         nullptr);
          return;
        }
        case TRangeResult::None:
          break;
      }
    }
  }
  soup_server_message_set_status(message, status, reason.empty() ? nullptr : reason.c_str());
  soup_message_headers_set_content_length(headers, static_cast<goffset>(count));
  if (head || count == 0) return;

  // Skip to the range start by reading: the body has no seek.
  char skip[ChunkSize];
  std::uint64_t toSkip = first;
  try {
    while (toSkip > 0) {
      std::size_t n =
          body->Read(skip, static_cast<std::size_t>(std::min<std::uint64_t>(toSkip, sizeof skip)));
      if (n == 0) break;
      toSkip -= n;
    }
  } catch (...) {
  }

  SoupMessageBody* responseBody = soup_server_message_get_response_body(message);
  soup_message_body_set_accumulate(responseBody, FALSE);
  auto* transfer = new TTransfer{std::move(body), count};
  g_object_set_data_full(G_OBJECT(message), "zel-transfer", transfer, DeleteTransfer);
  g_signal_connect(message, "wrote-chunk", G_CALLBACK(WroteChunk), nullptr);
  AppendChunk(message);
}

}  // namespace zel
