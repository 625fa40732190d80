#pragma once
// A one-line progress bar on standard error, drawn only on a terminal.
#include <chrono>
#include <cstdint>
#include <string>

namespace zel {

class TProgressBar {
 public:
  explicit TProgressBar(std::string label);
  ~TProgressBar();
  void SetMax(std::int64_t max);
  void SetPosition(std::int64_t position);
  void SetFraction(double fraction);
  // Completes the line (leaves the full bar on the terminal).
  void Finish();

 private:
  void Draw(double fraction, bool force);

  std::string FLabel;
  std::int64_t FMax = 0;
  bool FEnabled;
  bool FFinished = false;
  int FLastPermille = -1;
  std::chrono::steady_clock::time_point FLastDraw;
};

}  // namespace zel
