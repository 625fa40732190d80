#pragma once
// Small COM helpers for the WebView2 interfaces: a counted reference, a
// reference-counted object base, and completion or event handlers made from
// a function.
#include <atomic>
#include <functional>
#include <utility>

#include "backends/webview2/WebView2Com.h"

namespace zel::webview2 {

// Holds one reference of a COM object; copies add one.
template <typename T>
class TComRef {
 public:
  TComRef() = default;
  // Takes `pointer`'s reference as it is (for objects just created).
  static TComRef Adopt(T* pointer) {
    TComRef ref;
    ref.FPointer = pointer;
    return ref;
  }
  // Adds a reference of its own (for pointers lent by a call).
  explicit TComRef(T* pointer) : FPointer(pointer) {
    if (FPointer) FPointer->AddRef();
  }
  TComRef(const TComRef& other) : TComRef(other.FPointer) {}
  TComRef(TComRef&& other) noexcept : FPointer(std::exchange(other.FPointer, nullptr)) {}
  TComRef& operator=(TComRef other) noexcept {
    std::swap(FPointer, other.FPointer);
    return *this;
  }
  ~TComRef() { Reset(); }

  T* operator->() const { return FPointer; }
  T* Get() const { return FPointer; }
  // For calls that hand out a new reference.
  T** Put() {
    Reset();
    return &FPointer;
  }
  void Reset() {
    if (FPointer) std::exchange(FPointer, nullptr)->Release();
  }
  explicit operator bool() const { return FPointer != nullptr; }

 private:
  T* FPointer = nullptr;
};

// The identifier of interface `T`: its IID member for the WebView2
// interfaces, the system's constant for the system's.
template <typename T>
const GUID& InterfaceIdOf() {
  return T::IID;
}
template <>
inline const GUID& InterfaceIdOf<IStream>() {
  return IID_IStream;
}

// IUnknown for an object that implements `TInterface`; the object deletes
// itself with its last reference and starts with one.
template <typename TInterface>
class TComObject : public TInterface {
 public:
  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, InterfaceIdOf<TInterface>())) {
      *object = static_cast<TInterface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --FReferences;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TComObject() = default;

 private:
  std::atomic<ULONG> FReferences{1};
};

// A handler interface (one Invoke method) that calls a function.
template <typename TInterface, typename... TArgs>
class TComHandler final : public TComObject<TInterface> {
 public:
  explicit TComHandler(std::function<::HRESULT(TArgs...)> function)
      : FFunction(std::move(function)) {}
  ::HRESULT STDMETHODCALLTYPE Invoke(TArgs... args) override { return FFunction(args...); }

 private:
  std::function<::HRESULT(TArgs...)> FFunction;
};

template <typename TMethod>
struct TInvokeSignature;
template <typename TClass, typename... TArgs>
struct TInvokeSignature<::HRESULT (TClass::*)(TArgs...)> {
  template <typename TInterface>
  using THandler = TComHandler<TInterface, TArgs...>;
};

// A new handler of `TInterface` whose Invoke calls `function`.
template <typename TInterface, typename TFunction>
TComRef<TInterface> MakeHandler(TFunction function) {
  using THandler =
      typename TInvokeSignature<decltype(&TInterface::Invoke)>::template THandler<TInterface>;
  return TComRef<TInterface>::Adopt(new THandler(std::move(function)));
}

// Takes a string the callee allocated with CoTaskMemAlloc and frees it.
class TCoTaskText {
 public:
  TCoTaskText() = default;
  ~TCoTaskText() { CoTaskMemFree(FText); }
  TCoTaskText(const TCoTaskText&) = delete;
  TCoTaskText& operator=(const TCoTaskText&) = delete;
  LPWSTR* Put() {
    CoTaskMemFree(std::exchange(FText, nullptr));
    return &FText;
  }
  const wchar_t* Get() const { return FText ? FText : L""; }

 private:
  LPWSTR FText = nullptr;
};

}  // namespace zel::webview2
