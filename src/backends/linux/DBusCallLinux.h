#pragma once
// D-Bus requests that never keep the user-interface thread waiting: the bus
// is reached and the method called asynchronously, and the answer comes
// back on the calling thread's main context within a time limit, whether
// the peer answers or not.
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>

#include "backends/linux/BusLocationLinux.h"

namespace zel {

struct TGVariantUnref {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
using TGVariant = std::unique_ptr<GVariant, TGVariantUnref>;

struct TDBusConnectionUnref {
  void operator()(void* object) const { g_object_unref(object); }
};
using TDBusConnection = std::unique_ptr<GDBusConnection, TDBusConnectionUnref>;

// The outcome of a method call: the reply, or the error's name and text.
struct TDBusOutcome {
  TGVariant Reply;
  // The D-Bus error name ("org.freedesktop.DBus.Error.AccessDenied") when
  // the peer or the bus refused; empty for local failures.
  std::string ErrorName;
  // What went wrong, as the peer or GLib put it.
  std::string Message;
};

struct TDBusMethodCall {
  const char* Service = nullptr;
  const char* Path = nullptr;
  const char* Interface = nullptr;
  const char* Method = nullptr;
  // A floating or owned reference, consumed by the call; may be null.
  GVariant* Parameters = nullptr;
  // The reply's expected type; null accepts any.
  const GVariantType* ReplyType = nullptr;
};

using TOnBus = std::function<void(TDBusConnection bus, const std::string& error)>;
using TOnOutcome = std::function<void(TDBusOutcome outcome)>;

// Reaches the bus and calls `onDone` exactly once, later, on the calling
// thread's main context: with the connection, or with none and the reason,
// also when the bus does not answer within `timeoutMs`.
void ConnectBusWithin(const TBusLocation& location, int timeoutMs, TOnBus onDone);

// Calls the method and calls `onDone` exactly once, later, on the calling
// thread's main context, at the latest after `timeoutMs`.
void CallMethodWithin(GDBusConnection* bus, const TDBusMethodCall& call, int timeoutMs,
                      TOnOutcome onDone);

// The error's text without GDBus's "GDBus.Error:name: " prefix; the D-Bus
// error name goes to `errorName` when there is one. Frees `error`.
std::string TakeErrorText(GError* error, std::string* errorName = nullptr);

// `text` with every byte sequence that is not UTF-8 replaced, as D-Bus
// strings must be.
std::string ValidUtf8(const std::string& text);

}  // namespace zel
