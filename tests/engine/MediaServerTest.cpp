// The loopback media server and the body stream, on a GLib main loop only.
#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <chrono>
#include <functional>
#include <thread>

#include "TestBodies.h"
#include "TestLoop.h"
#include "backends/webkitgtk/BodyStream.h"
#include "backends/webkitgtk/MediaServer.h"

namespace zel {
namespace {

using test::Fetch;
using test::PatternBytes;
using test::RunUntil;
using test::THttpResult;
using test::TReadStats;
using test::TTextBody;

class MediaServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FServer = TMediaServer::Create();
    ASSERT_NE(FServer, nullptr);
    FToken =
        FServer->AddClient([this](const std::string& uri) -> std::optional<TWebResourceResponse> {
          FRequested.push_back(uri);
          if (uri.rfind("file:///clip.bin", 0) != 0) return std::nullopt;
          TWebResourceResponse response;
          response.Headers = "Content-Type: video/webm; charset=utf-8\r\nContent-Length: 1";
          response.Body =
              std::make_unique<TTextBody>(FContent, FLengthKnown, FStats, FSeekable, FPause);
          return response;
        });
  }
  std::string Url(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(FServer->Port()) + path;
  }

  std::unique_ptr<TMediaServer> FServer;
  std::string FToken;
  std::string FContent = PatternBytes(300 * 1024 + 17);
  bool FLengthKnown = true;
  bool FSeekable = false;
  std::chrono::milliseconds FPause{0};
  std::shared_ptr<TReadStats> FStats = std::make_shared<TReadStats>();
  std::vector<std::string> FRequested;
};

TEST_F(MediaServerTest, ServesWholeBodiesAndRangesUnderTheTokenOnly) {
  for (bool lengthKnown : {true, false}) {
    FLengthKnown = lengthKnown;
    THttpResult whole = Fetch(Url("/" + FToken + "/clip.bin?v=2"));
    EXPECT_EQ(whole.Status, 200u);
    EXPECT_EQ(whole.Body, FContent);
    EXPECT_EQ(whole.ContentType, "video/webm; charset=utf-8");

    struct TCase {
      const char* Range;
      std::size_t First;
      std::size_t Last;
    } cases[] = {{"bytes=0-99", 0, 99},
                 {"bytes=200000-", 200000, FContent.size() - 1},
                 {"bytes=-10", FContent.size() - 10, FContent.size() - 1}};
    for (const TCase& c : cases) {
      THttpResult part = Fetch(Url("/" + FToken + "/clip.bin"), "GET", c.Range);
      EXPECT_EQ(part.Status, 206u) << c.Range;
      EXPECT_EQ(part.Body, FContent.substr(c.First, c.Last - c.First + 1)) << c.Range;
      EXPECT_EQ(part.ContentRange, "bytes " + std::to_string(c.First) + "-" +
                                       std::to_string(c.Last) + "/" +
                                       std::to_string(FContent.size()))
          << c.Range;
    }
    THttpResult beyond = Fetch(Url("/" + FToken + "/clip.bin"), "GET", "bytes=999999999-");
    EXPECT_EQ(beyond.Status, 416u);
  }
  EXPECT_EQ(FRequested.front(), "file:///clip.bin?v=2");

  EXPECT_EQ(Fetch(Url("/clip.bin")).Status, 404u);
  EXPECT_EQ(Fetch(Url("/wrongtoken/clip.bin")).Status, 404u);
  EXPECT_EQ(Fetch(Url("/" + FToken + "/missing.bin")).Status, 404u);
  EXPECT_EQ(Fetch(Url("/" + FToken + "/clip.bin"), "POST").Status, 405u);
  FServer->RemoveClient(FToken);
  EXPECT_EQ(Fetch(Url("/" + FToken + "/clip.bin")).Status, 404u);
}

TEST_F(MediaServerTest, StreamsInChunksAndAnswersOriginsOfTheApplicationOnly) {
  THttpResult whole = Fetch(Url("/" + FToken + "/clip.bin"), "GET", nullptr, "zel://");
  EXPECT_EQ(whole.Body, FContent);
  EXPECT_EQ(whole.AllowOrigin, "zel://");
  EXPECT_GT(FStats->Reads.load(), 2u);
  EXPECT_LT(FStats->LargestRequest.load(), FContent.size() / 2);
  EXPECT_TRUE(FStats->Destroyed);
  EXPECT_EQ(
      Fetch(Url("/" + FToken + "/clip.bin"), "GET", nullptr, "http://evil.example").AllowOrigin,
      "");

  THttpResult head = Fetch(Url("/" + FToken + "/clip.bin"), "HEAD");
  EXPECT_EQ(head.Status, 200u);
  EXPECT_EQ(head.Body, "");
}

// A seek in a large video asks for a range far into the body: a body that can
// move there starts at once, any other is read up to it on a worker thread,
// never on the user interface's.
TEST_F(MediaServerTest, ARangeStartsAtItsOffsetOrIsReachedOffTheUserInterfaceThread) {
  const std::size_t first = 250000;
  for (bool seekable : {true, false}) {
    SCOPED_TRACE(seekable ? "seekable" : "read from the start");
    FSeekable = seekable;
    FStats = std::make_shared<TReadStats>();
    THttpResult part = Fetch(Url("/" + FToken + "/clip.bin"), "GET", "bytes=250000-");
    EXPECT_EQ(part.Status, 206u);
    EXPECT_EQ(part.Body, FContent.substr(first));
    if (seekable) {
      EXPECT_EQ(FStats->Seeks.load(), 1u);
      EXPECT_EQ(FStats->Delivered.load(), FContent.size() - first);  // nothing before the range
    } else {
      EXPECT_GE(FStats->DeliveredElsewhere.load(), first);
    }
    EXPECT_TRUE(RunUntil([&] { return FStats->Destroyed.load(); }));
  }
}

// A client that goes while the start of its range is still being read, and
// a server that goes meanwhile, stop the reading.
TEST_F(MediaServerTest, SkipsStopWhenTheClientOrTheServerGoes) {
  FContent = PatternBytes(4 * 1024 * 1024);
  FPause = std::chrono::milliseconds(5);  // a minute to reach the range's start
  for (bool serverGoes : {false, true}) {
    SCOPED_TRACE(serverGoes ? "server goes" : "client goes");
    FStats = std::make_shared<TReadStats>();
    THttpResult part = Fetch(Url("/" + FToken + "/clip.bin"), "GET", "bytes=4000000-", nullptr,
                             [&] { return FStats->Reads.load() >= 3; });
    EXPECT_FALSE(part.Status == 206u && part.Body.size() == FContent.size() - 4000000);
    if (serverGoes) FServer.reset();
    EXPECT_TRUE(RunUntil([&] { return FStats->Destroyed.load(); }));
    const std::size_t reads = FStats->Reads.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(FStats->Reads.load(), reads);
    EXPECT_LT(FStats->Delivered.load(), 1000000u);
  }
}

TEST(EngineBodyStream, ReadsEveryBodyToTheEndOnTheCallingThread) {
  struct TCase {
    std::size_t Size;
    bool LengthKnown;
  } cases[] = {{0, true},
               {10, true},
               {SmallBodyLimit, true},
               {SmallBodyLimit + 1, true},
               {3 * 1024 * 1024, true},
               {70000, false}};
  for (const TCase& c : cases) {
    std::string content = PatternBytes(c.Size);
    auto stats = std::make_shared<TReadStats>();
    GInputStream* stream =
        NewBodyStream(std::make_unique<TTextBody>(content, c.LengthKnown, stats));
    std::string read;
    bool done = false;
    GThread* self = g_thread_self();
    std::function<void()> next;
    char buffer[8192];
    bool otherThread = false;
    next = [&] {
      g_input_stream_read_async(
          stream, buffer, sizeof buffer, G_PRIORITY_DEFAULT, nullptr,
          [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<std::function<void(gssize)>> step(
                static_cast<std::function<void(gssize)>*>(data));
            (*step)(g_input_stream_read_finish(G_INPUT_STREAM(source), result, nullptr));
          },
          new std::function<void(gssize)>([&](gssize n) {
            if (g_thread_self() != self) otherThread = true;
            if (n <= 0) {
              done = true;
              return;
            }
            read.append(buffer, static_cast<std::size_t>(n));
            next();
          }));
    };
    next();
    ASSERT_TRUE(RunUntil([&] { return done; })) << c.Size;
    EXPECT_EQ(read, content) << c.Size;
    EXPECT_FALSE(otherThread) << c.Size;
    g_object_unref(stream);
    EXPECT_TRUE(stats->Destroyed) << c.Size;
    bool streamed = c.Size > SmallBodyLimit || !c.LengthKnown;
    if (streamed) {
      EXPECT_LE(stats->LargestRequest.load(), sizeof buffer) << c.Size;
    }
  }
  GInputStream* empty = NewBodyStream(nullptr);
  char byte;
  EXPECT_EQ(g_input_stream_read(empty, &byte, 1, nullptr, nullptr), 0);
  g_object_unref(empty);
}

}  // namespace
}  // namespace zel
