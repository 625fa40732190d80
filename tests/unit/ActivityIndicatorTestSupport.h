#pragma once
// The rule every backend's drawing of the activity indicator keeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/StartupWindows.h"

namespace zel::test {

// A frame on a transparent square of `size` pixels, premultiplied ARGB.
using TRenderIndicator = std::function<std::vector<std::uint32_t>(
    TActivityIndicatorType type, TActivityIndicatorColor color, int size, double seconds)>;

// Each indicator is drawn in its colour only, changes from frame to frame
// and differs from the other two.
inline void ExpectIndicatorFramesMoveInTheirColour(const TRenderIndicator& render) {
  const TActivityIndicatorType types[] = {TActivityIndicatorType::MomentumDots,
                                          TActivityIndicatorType::RotatingSector,
                                          TActivityIndicatorType::SectorRing};
  std::vector<std::vector<std::uint32_t>> firstFrames;
  for (const auto type : types) {
    SCOPED_TRACE(static_cast<int>(type));
    for (const auto color : {TActivityIndicatorColor::Black, TActivityIndicatorColor::White}) {
      const auto frame = render(type, color, 64, 0.5);
      int painted = 0;
      for (const std::uint32_t pixel : frame) {
        const std::uint32_t alpha = pixel >> 24;
        if (alpha == 0) continue;
        ++painted;
        // Premultiplied: white has each channel equal to alpha, black zero.
        const std::uint32_t level = color == TActivityIndicatorColor::White ? alpha : 0;
        EXPECT_EQ(pixel & 0xFFFFFF, level << 16 | level << 8 | level);
      }
      EXPECT_GT(painted, 100);
      EXPECT_LT(painted, 64 * 64 / 2);
    }
    const auto first = render(type, TActivityIndicatorColor::White, 64, 0.5);
    EXPECT_NE(first, render(type, TActivityIndicatorColor::White, 64, 0.75));
    EXPECT_NE(first, render(type, TActivityIndicatorColor::White, 64, 2.0));
    for (const auto& other : firstFrames) EXPECT_NE(first, other);
    firstFrames.push_back(first);
  }
}

}  // namespace zel::test
