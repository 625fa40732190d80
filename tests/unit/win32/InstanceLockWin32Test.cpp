// The single-instance mutex against the real system.
#include <gtest/gtest.h>

#include "ServicesTestSupport.h"
#include "backends/win32/InstanceLockWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

TEST(Win32InstanceLock, TheFirstHolderIsAloneUntilAnotherHoldsTheName) {
  const std::string names[] = {test::UniqueName("zel-lock"),
                               test::UniqueName(std::string(test::UnicodeName))};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    TWin32InstanceLock first;
    EXPECT_TRUE(first.TryAcquire(name));
    // The mutex is the name itself, in the session's default namespace.
    HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, WideOf(name).c_str());
    EXPECT_NE(opened, nullptr);
    if (opened) CloseHandle(opened);
    {
      auto second = std::make_unique<TWin32InstanceLock>();
      EXPECT_FALSE(second->TryAcquire(name));
      // Asked again while another holds it.
      EXPECT_FALSE(first.TryAcquire(name));
      EXPECT_FALSE(second->TryAcquire(name));
    }
    EXPECT_TRUE(first.TryAcquire(name));
  }
}

TEST(Win32InstanceLock, TheNameIsFreeOnceEveryHolderHasEnded) {
  const std::string name = test::UniqueName("zel-lock");
  { EXPECT_TRUE(TWin32InstanceLock().TryAcquire(name)); }
  EXPECT_TRUE(TWin32InstanceLock().TryAcquire(name));
  EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, WideOf(name).c_str()), nullptr);
}

TEST(Win32InstanceLock, ANameTakenByAnotherKindOfObjectCountsAsTaken) {
  const std::string name = test::UniqueName("zel-lock");
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, WideOf(name).c_str());
  ASSERT_NE(event, nullptr);
  EXPECT_FALSE(TWin32InstanceLock().TryAcquire(name));
  CloseHandle(event);
}

}  // namespace
}  // namespace zel
