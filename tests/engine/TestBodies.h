#pragma once
// Response bodies for the engine's tests.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/WebEngine.h"

namespace zel::test {

// What a body saw of its reader, which may be on another thread.
struct TReadStats {
  std::atomic<std::size_t> Reads = 0;
  std::atomic<std::size_t> LargestRequest = 0;
  std::atomic<std::size_t> Delivered = 0;
  // Bytes read on a thread other than the one that made the body.
  std::atomic<std::size_t> DeliveredElsewhere = 0;
  std::atomic<std::size_t> Seeks = 0;
  std::atomic<bool> Destroyed = false;
};

// A body over text, optionally hiding its length, able to seek or not,
// slowed down per read, and recording its reads.
class TTextBody : public IResponseBody {
 public:
  TTextBody(std::string text, bool lengthKnown = true, std::shared_ptr<TReadStats> stats = nullptr,
            bool seekable = false, std::chrono::milliseconds pause = {})
      : FText(std::move(text)),
        FLengthKnown(lengthKnown),
        FStats(std::move(stats)),
        FSeekable(seekable),
        FPause(pause) {}
  ~TTextBody() override {
    if (FStats) FStats->Destroyed = true;
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    if (FPause.count() > 0) std::this_thread::sleep_for(FPause);
    std::size_t n = std::min(count, FText.size() - FPosition);
    std::memcpy(buffer, FText.data() + FPosition, n);
    FPosition += n;
    if (FStats) {
      ++FStats->Reads;
      FStats->LargestRequest = std::max(FStats->LargestRequest.load(), count);
      FStats->Delivered += n;
      if (std::this_thread::get_id() != FMaker) FStats->DeliveredElsewhere += n;
    }
    return n;
  }
  std::optional<std::uint64_t> Length() const override {
    if (!FLengthKnown) return std::nullopt;
    return FText.size();
  }
  bool Seek(std::uint64_t position) override {
    if (!FSeekable || position > FText.size()) return false;
    FPosition = static_cast<std::size_t>(position);
    if (FStats) ++FStats->Seeks;
    return true;
  }

 private:
  std::string FText;
  std::size_t FPosition = 0;
  bool FLengthKnown;
  std::shared_ptr<TReadStats> FStats;
  bool FSeekable;
  std::chrono::milliseconds FPause;
  std::thread::id FMaker = std::this_thread::get_id();
};

// Deterministic bytes for large bodies.
inline std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 7) % 251);
  return bytes;
}

}  // namespace zel::test
