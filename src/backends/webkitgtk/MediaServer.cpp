#include "backends/webkitgtk/MediaServer.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "backends/webkitgtk/BodyStream.h"
#include "backends/webkitgtk/MediaTransfer.h"
#include "backends/webkitgtk/UriMapping.h"

namespace zel {

namespace {

constexpr std::size_t ChunkSize = 64 * 1024;

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
  // No worker reads a body any more once the server has gone.
  FSkips->Stop();
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
      bool Seek(std::uint64_t position) override {
        if (position > Data.size()) return false;
        Position = static_cast<std::size_t>(position);
        return true;
      }
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

  StartMediaTransfer(message, std::move(body), first, count, FSkips);
}

}  // namespace zel
