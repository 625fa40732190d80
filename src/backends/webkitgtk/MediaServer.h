#pragma once
// The loopback HTTP server that plays the application's audio and video:
// WebKit's media player refuses custom schemes, so media elements are pointed
// at http://127.0.0.1:PORT/TOKEN/path. Each web view has its own random token;
// a request without a known token gets 404. Bytes come from the web view's
// resource requests, so the runtime answers them like any other resource; a
// range starts at its offset (MediaTransfer.h).
#include <libsoup/soup.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "backends/webkitgtk/MediaTransfer.h"
#include "platform/WebEngine.h"

namespace zel {

class TMediaServer {
 public:
  // Answers a file:/// address, or nothing when the runtime set no response.
  using TResolver = std::function<std::optional<TWebResourceResponse>(const std::string& fileUri)>;

  // Listens on 127.0.0.1 at a port the system picks; nullptr when it cannot.
  static std::unique_ptr<TMediaServer> Create();
  ~TMediaServer();
  TMediaServer(const TMediaServer&) = delete;
  TMediaServer& operator=(const TMediaServer&) = delete;

  int Port() const { return FPort; }
  // Registers a resolver and returns its token (the first path segment).
  std::string AddClient(TResolver resolver);
  void RemoveClient(const std::string& token);

 private:
  TMediaServer() = default;
  static void HandleRequest(SoupServer* server, SoupServerMessage* message, const char* path,
                            GHashTable* query, gpointer self);
  void Serve(SoupServerMessage* message);
  const TResolver* FindClient(std::string_view token) const;

  SoupServer* FServer = nullptr;
  int FPort = 0;
  std::map<std::string, TResolver> FClients;
  std::shared_ptr<TMediaSkips> FSkips = std::make_shared<TMediaSkips>();
};

}  // namespace zel
