#include "backends/linux/DBusCallLinux.h"

#include <utility>

namespace zel {
namespace {

// One attempt to reach a bus. Two holders share it, the connection's
// callback and the time limit; whichever comes first answers.
struct TBusRequest {
  TOnBus OnDone;
  GCancellable* Cancellable = g_cancellable_new();
  guint Timer = 0;
  bool Answered = false;

  ~TBusRequest() { g_object_unref(Cancellable); }

  void Answer(TDBusConnection bus, const std::string& error) {
    if (Answered) return;
    Answered = true;
    if (Timer != 0) g_source_remove(std::exchange(Timer, 0));
    TOnBus onDone = std::move(OnDone);
    onDone(std::move(bus), error);
  }
};

using TBusRequestRef = std::shared_ptr<TBusRequest>;

void BusReached(GObject*, GAsyncResult* result, gpointer data, bool forAddress) {
  const std::unique_ptr<TBusRequestRef> request(static_cast<TBusRequestRef*>(data));
  GError* error = nullptr;
  TDBusConnection bus(forAddress ? g_dbus_connection_new_for_address_finish(result, &error)
                                 : g_bus_get_finish(result, &error));
  if (bus) {
    // A private connection that is no longer wanted (the time ran out) ends here.
    if ((*request)->Answered && forAddress)
      g_dbus_connection_close(bus.get(), nullptr, nullptr, nullptr);
    (*request)->Answer(std::move(bus), "");
  } else {
    (*request)->Answer(nullptr, TakeErrorText(error));
  }
}

void SharedBusReached(GObject* source, GAsyncResult* result, gpointer data) {
  BusReached(source, result, data, false);
}

void PrivateBusReached(GObject* source, GAsyncResult* result, gpointer data) {
  BusReached(source, result, data, true);
}

gboolean BusTimeLimitReached(gpointer data) {
  TBusRequest& request = **static_cast<TBusRequestRef*>(data);
  request.Timer = 0;  // this source ends when the function returns
  g_cancellable_cancel(request.Cancellable);
  request.Answer(nullptr, "Timeout was reached");
  return G_SOURCE_REMOVE;
}

void DeleteBusRequestRef(gpointer data) { delete static_cast<TBusRequestRef*>(data); }

void MethodReturned(GObject* source, GAsyncResult* result, gpointer data) {
  const std::unique_ptr<TOnOutcome> onDone(static_cast<TOnOutcome*>(data));
  GError* error = nullptr;
  TDBusOutcome outcome;
  outcome.Reply.reset(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
  if (!outcome.Reply) outcome.Message = TakeErrorText(error, &outcome.ErrorName);
  (*onDone)(std::move(outcome));
}

}  // namespace

void ConnectBusWithin(const TBusLocation& location, int timeoutMs, TOnBus onDone) {
  auto request = std::make_shared<TBusRequest>();
  request->OnDone = std::move(onDone);
  // The connection is made on GLib's worker thread, which may wait on a bus
  // that never answers; the time limit answers in its stead.
  request->Timer =
      g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(timeoutMs), BusTimeLimitReached,
                         new TBusRequestRef(request), DeleteBusRequestRef);
  if (location.Address.empty()) {
    g_bus_get(location.Type == TBusType::System ? G_BUS_TYPE_SYSTEM : G_BUS_TYPE_SESSION,
              request->Cancellable, SharedBusReached, new TBusRequestRef(request));
  } else {
    g_dbus_connection_new_for_address(
        location.Address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, request->Cancellable, PrivateBusReached, new TBusRequestRef(request));
  }
}

void CallMethodWithin(GDBusConnection* bus, const TDBusMethodCall& call, int timeoutMs,
                      TOnOutcome onDone) {
  // GDBus keeps the time limit itself and always calls back.
  g_dbus_connection_call(bus, call.Service, call.Path, call.Interface, call.Method, call.Parameters,
                         call.ReplyType, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, MethodReturned,
                         new TOnOutcome(std::move(onDone)));
}

std::string TakeErrorText(GError* error, std::string* errorName) {
  if (!error) return "The request failed";
  if (g_dbus_error_is_remote_error(error)) {
    gchar* name = g_dbus_error_get_remote_error(error);
    if (errorName && name) *errorName = name;
    g_dbus_error_strip_remote_error(error);
    std::string text = error->message && *error->message ? error->message : (name ? name : "");
    g_free(name);
    g_error_free(error);
    return text;
  }
  std::string text = error->message ? error->message : "The request failed";
  g_error_free(error);
  return text;
}

std::string ValidUtf8(const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
  std::string result(valid);
  g_free(valid);
  return result;
}

}  // namespace zel
