#pragma once
// Response bodies for the engine's tests.
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/WebEngine.h"

namespace zel::test {

// What a body saw of its reader.
struct TReadStats {
  std::size_t Reads = 0;
  std::size_t LargestRequest = 0;
  std::size_t Delivered = 0;
  bool Destroyed = false;
};

// A body over text, optionally hiding its length and recording its reads.
class TTextBody : public IResponseBody {
 public:
  TTextBody(std::string text, bool lengthKnown = true, std::shared_ptr<TReadStats> stats = nullptr)
      : FText(std::move(text)), FLengthKnown(lengthKnown), FStats(std::move(stats)) {}
  ~TTextBody() override {
    if (FStats) FStats->Destroyed = true;
  }
  std::size_t Read(void* buffer, std::size_t count) override {
    std::size_t n = std::min(count, FText.size() - FPosition);
    std::memcpy(buffer, FText.data() + FPosition, n);
    FPosition += n;
    if (FStats) {
      ++FStats->Reads;
      FStats->LargestRequest = std::max(FStats->LargestRequest, count);
      FStats->Delivered += n;
    }
    return n;
  }
  std::optional<std::uint64_t> Length() const override {
    if (!FLengthKnown) return std::nullopt;
    return FText.size();
  }

 private:
  std::string FText;
  std::size_t FPosition = 0;
  bool FLengthKnown;
  std::shared_ptr<TReadStats> FStats;
};

// Deterministic bytes for large bodies.
inline std::string PatternBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 7) % 251);
  return bytes;
}

}  // namespace zel::test
