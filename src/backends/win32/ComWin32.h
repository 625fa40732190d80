#pragma once
// COM for the Win32 backend: the apartment of one call, and an owning pointer.
#include <objbase.h>

#include "backends/win32/Win32.h"

namespace zel {

// COM on this thread for the duration of one call, as far as the thread
// allows it (a thread already in another apartment keeps it).
class TComScope {
 public:
  TComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~TComScope() {
    if (SUCCEEDED(FResult)) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  HRESULT FResult;
};

// Owns one reference of a COM object.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() {
    if (FPointer) FPointer->Release();
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  // For functions that hand out a new reference.
  T** operator&() { return &FPointer; }
  void** Out() { return reinterpret_cast<void**>(&FPointer); }
  T* operator->() const { return FPointer; }
  T* Get() const { return FPointer; }
  explicit operator bool() const { return FPointer != nullptr; }

 private:
  T* FPointer = nullptr;
};

}  // namespace zel
