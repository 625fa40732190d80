#pragma once
// The body of one media response, sent in chunks as the client takes them,
// from the start of the requested range. A body that can move to the range's
// start (a stored package entry, a file) starts there at once; any other (a
// deflated or encrypted entry) is read up to it on a worker thread, so that a
// seek in a large video never holds up the user interface.
#include <libsoup/soup.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>

#include "platform/WebEngine.h"

namespace zel {

// The worker threads' skips of one server: the server stops them, and waits
// until none reads any more, before the bodies' sources may go.
class TMediaSkips {
 public:
  // Counts a skip that starts; false once stopped.
  bool Begin(GCancellable* cancellable);
  // The skip's reading has ended (on its worker thread).
  void EndReading();
  // The skip's completion has been handled (on the user-interface thread).
  void Forget(GCancellable* cancellable);
  // Cancels every skip and waits until none is reading.
  void Stop();
  bool Stopped();

 private:
  std::mutex FMutex;
  std::condition_variable FIdle;
  int FReading = 0;
  bool FStopped = false;
  std::set<GCancellable*> FRunning;
};

// Sends `count` bytes of `body` from `first` on as the body of `message`,
// whose status and headers are set. A body that ends early closes the
// connection, so the client sees a short response rather than a hang.
void StartMediaTransfer(SoupServerMessage* message, std::unique_ptr<IResponseBody> body,
                        std::uint64_t first, std::uint64_t count,
                        const std::shared_ptr<TMediaSkips>& skips);

}  // namespace zel
