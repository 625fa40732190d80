#pragma once
// Waiting for the fake main loop: the browser control hands its creation to
// the main loop, and engine completions may arrive from other threads.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "backends/fake/FakeWindow.h"

namespace zel::test {

// Runs the main loop once something has been queued to it.
inline void RunQueuedStep(TFakeUserInterface& ui) {
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ui.PendingTaskCount() == 0 && std::chrono::steady_clock::now() < guard)
    std::this_thread::yield();
  ASSERT_GT(ui.PendingTaskCount(), 0u) << "nothing was queued to the main loop";
  ui.RunPendingTasks();
}

}  // namespace zel::test
