#include "backends/win32/InstanceLockWin32.h"

#include "backends/win32/WideTextWin32.h"
// clang-format off
#include "backends/win32/Win32.h"
#include <winternl.h>
// clang-format on

namespace zel {
namespace {

// How many handles to the object are open, in every process; 0 when the
// system does not tell. NtQueryObject is reached at run time: ntdll has no
// import library in every toolchain.
unsigned long HandleCount(HANDLE object) {
  using TNtQueryObject = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<TNtQueryObject>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  if (query == nullptr) return 0;
  PUBLIC_OBJECT_BASIC_INFORMATION information{};
  if (query(object, ObjectBasicInformation, &information, sizeof information, nullptr) < 0)
    return 0;
  return information.HandleCount;
}

}  // namespace

TWin32InstanceLock::~TWin32InstanceLock() {
  for (const auto& [name, handle] : FHeld) CloseHandle(handle);
}

bool TWin32InstanceLock::TryAcquire(const std::string& name) {
  // Held already: alone when ours is the only handle to the mutex.
  if (const auto held = FHeld.find(name); held != FHeld.end())
    return HandleCount(held->second) == 1;
  // Not inheritable (no security attributes): a program this one starts
  // does not keep the name alive.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, WideOf(name).c_str());
  const DWORD error = GetLastError();
  if (mutex != nullptr) {
    FHeld[name] = mutex;
    return error != ERROR_ALREADY_EXISTS;
  }
  // A mutex of another user, or another kind of object, under the name:
  // the name is taken.
  if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) return false;
  // A name the system cannot hold (one with a backslash, say): there is no
  // lock, and so no rule to keep.
  return true;
}

}  // namespace zel
