#include "tools/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace zel {

TProgressBar::TProgressBar(std::string label)
    : FLabel(std::move(label)), FEnabled(isatty(STDERR_FILENO) == 1) {}

TProgressBar::~TProgressBar() {
  if (FEnabled && !FFinished && FLastPermille >= 0) std::fputc('\n', stderr);
}

void TProgressBar::SetMax(std::int64_t max) { FMax = max; }

void TProgressBar::SetPosition(std::int64_t position) {
  SetFraction(FMax > 0 ? static_cast<double>(position) / static_cast<double>(FMax) : 1.0);
}

void TProgressBar::SetFraction(double fraction) { Draw(std::clamp(fraction, 0.0, 1.0), false); }

void TProgressBar::Finish() {
  Draw(1.0, true);
  if (FEnabled && !FFinished) std::fputc('\n', stderr);
  FFinished = true;
}

void TProgressBar::Draw(double fraction, bool force) {
  if (!FEnabled || FFinished) return;
  const int permille = static_cast<int>(fraction * 1000);
  const auto now = std::chrono::steady_clock::now();
  // Redraw at most every 50 ms: a terminal is slower than a 10 KiB copy loop.
  if (!force && (permille == FLastPermille || now - FLastDraw < std::chrono::milliseconds(50))) {
    return;
  }
  FLastPermille = permille;
  FLastDraw = now;
  constexpr int Width = 30;
  const int filled = static_cast<int>(fraction * Width);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(Width, '.');
  std::fprintf(stderr, "\r%-12s [%s] %5.1f%%", FLabel.c_str(), bar.c_str(), fraction * 100.0);
  std::fflush(stderr);
}

}  // namespace zel
