#include "backends/linux/NotificationCenterLinux.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <optional>

#include "backends/linux/DBusCallLinux.h"

namespace zel {
namespace {

constexpr const char* Service = "org.freedesktop.Notifications";
constexpr const char* ObjectPath = "/org/freedesktop/Notifications";
constexpr const char* Interface = "org.freedesktop.Notifications";
// The notification's image is scaled down to this many pixels at most on
// its longer side, while it is decoded.
constexpr int MaxIconSide = 128;

struct TRequest {
  TNotification Notification;
  INotificationCenter::TOnPresented OnPresented;
};

// For servers that read the body as markup: the text shows as written.
std::string EscapeMarkup(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '&')
      escaped += "&amp;";
    else if (c == '<')
      escaped += "&lt;";
    else if (c == '>')
      escaped += "&gt;";
    else
      escaped += c;
  }
  return escaped;
}

void LimitIconSize(GdkPixbufLoader* loader, int width, int height, gpointer) {
  if (width <= MaxIconSide && height <= MaxIconSide) return;
  const double scale = static_cast<double>(MaxIconSide) / std::max(width, height);
  gdk_pixbuf_loader_set_size(loader, std::max(1, static_cast<int>(width * scale)),
                             std::max(1, static_cast<int>(height * scale)));
}

// The "image-data" hint (iiibiiay) for the image file `icon`; null when it
// is empty or does not decode.
TGVariant ImageDataHint(const std::string& icon) {
  if (icon.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  g_signal_connect(loader, "size-prepared", G_CALLBACK(LimitIconSize), nullptr);
  const gboolean written = gdk_pixbuf_loader_write(
      loader, reinterpret_cast<const guchar*>(icon.data()), icon.size(), nullptr);
  const gboolean closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* pixbuf = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  TGVariant hint;
  if (pixbuf && gdk_pixbuf_get_bits_per_sample(pixbuf) == 8) {
    GBytes* pixels = gdk_pixbuf_read_pixel_bytes(pixbuf);
    GVariant* data = g_variant_new_from_bytes(G_VARIANT_TYPE_BYTESTRING, pixels, TRUE);
    g_bytes_unref(pixels);
    hint.reset(g_variant_ref_sink(
        g_variant_new("(iiibii@ay)", gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf),
                      gdk_pixbuf_get_rowstride(pixbuf), gdk_pixbuf_get_has_alpha(pixbuf), 8,
                      gdk_pixbuf_get_n_channels(pixbuf), data)));
  }
  g_object_unref(loader);
  return hint;
}

}  // namespace

TNotificationTexts NotificationTexts(const std::string& title, const std::string& body) {
  if (title.empty()) return {body, ""};
  return {title, body};
}

struct TLinuxNotificationCenter::TState : std::enable_shared_from_this<TState> {
  using TThen = std::function<void(TState& state, bool ok)>;

  std::string AppName;
  TGVariant ImageData;
  TBusLocation Bus;
  int TimeoutMs = 0;
  TDBusConnection Connection;
  guint ActionSubscription = 0;
  guint ClosedSubscription = 0;
  // Whether the server reads bodies as markup, once it has said.
  std::optional<bool> BodyMarkup;
  // The notifications shown: name to the server's id.
  std::map<std::string, guint32> Shown;
  // Names with a notification under way, each with those waiting behind it,
  // so that a second one under a name replaces the first.
  std::map<std::string, std::deque<TRequest>> Busy;
  TOnClick OnClick;
  bool Ended = false;

  // A callback that runs only while this state lives and its center does.
  template <typename F>
  auto Weakly(F function) {
    return [weak = weak_from_this(), function](auto&&... arguments) {
      const std::shared_ptr<TState> state = weak.lock();
      if (state && !state->Ended) function(*state, std::forward<decltype(arguments)>(arguments)...);
    };
  }

  void Present(TRequest request) {
    const auto busy = Busy.find(request.Notification.Name);
    if (busy != Busy.end()) {
      busy->second.push_back(std::move(request));
      return;
    }
    Busy[request.Notification.Name];
    Start(std::move(request));
  }

  void Start(TRequest request) {
    auto shared = std::make_shared<TRequest>(std::move(request));
    Connect([shared](TState& state, bool connected) {
      if (!connected) return state.Finish(*shared, false);
      state.LearnCapabilities([shared](TState& state, bool serviceFound) {
        if (!serviceFound) return state.Finish(*shared, false);
        state.Notify(*shared);
      });
    });
  }

  void Connect(TThen then) {
    if (Connection && !g_dbus_connection_is_closed(Connection.get())) return then(*this, true);
    ConnectBusWithin(Bus, TimeoutMs,
                     Weakly([then](TState& state, TDBusConnection bus, const std::string&) {
                       if (!bus) return then(state, false);
                       state.Adopt(std::move(bus));
                       then(state, true);
                     }));
  }

  void Adopt(TDBusConnection bus) {
    if (Connection && !g_dbus_connection_is_closed(Connection.get())) {
      if (!Bus.Address.empty()) g_dbus_connection_close(bus.get(), nullptr, nullptr, nullptr);
      return;  // another request connected first
    }
    Unsubscribe();
    Connection = std::move(bus);
    // Subscribed before the first notification goes out, so no click is missed.
    ActionSubscription = Subscribe("ActionInvoked", ActionInvoked);
    ClosedSubscription = Subscribe("NotificationClosed", NotificationClosed);
  }

  guint Subscribe(const char* signal, GDBusSignalCallback callback) {
    return g_dbus_connection_signal_subscribe(
        Connection.get(), Service, Interface, signal, ObjectPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        callback, new std::weak_ptr<TState>(weak_from_this()),
        [](gpointer data) { delete static_cast<std::weak_ptr<TState>*>(data); });
  }

  void Unsubscribe() {
    if (!Connection) return;
    for (guint* subscription : {&ActionSubscription, &ClosedSubscription}) {
      if (*subscription != 0) g_dbus_connection_signal_unsubscribe(Connection.get(), *subscription);
      *subscription = 0;
    }
  }

  void LearnCapabilities(TThen then) {
    if (BodyMarkup) return then(*this, true);
    TDBusMethodCall call{Service,           ObjectPath, Interface,
                         "GetCapabilities", nullptr,    G_VARIANT_TYPE("(as)")};
    // A bus without the service answers at once; no service, no notification.
    CallMethodWithin(
        Connection.get(), call, TimeoutMs, Weakly([then](TState& state, TDBusOutcome outcome) {
          if (!outcome.Reply) return then(state, false);
          const gchar** capabilities = nullptr;
          g_variant_get(outcome.Reply.get(), "(^a&s)", &capabilities);
          state.BodyMarkup = capabilities && g_strv_contains(capabilities, "body-markup");
          g_free(capabilities);
          then(state, true);
        }));
  }

  void Notify(const TRequest& request) {
    const TNotification& notification = request.Notification;
    const TNotificationTexts texts = NotificationTexts(notification.Title, notification.Body);
    const std::string body = *BodyMarkup ? EscapeMarkup(texts.Body) : texts.Body;
    const auto shown = Shown.find(notification.Name);
    const guint32 replacesId = shown == Shown.end() ? 0 : shown->second;

    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE_STRING_ARRAY);
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "Open");
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE_VARDICT);
    if (ImageData) g_variant_builder_add(&hints, "{sv}", "image-data", ImageData.get());
    GVariant* parameters = g_variant_new("(susssasa{sv}i)", ValidUtf8(AppName).c_str(), replacesId,
                                         "", ValidUtf8(texts.Summary).c_str(),
                                         ValidUtf8(body).c_str(), &actions, &hints, -1);

    auto shared = std::make_shared<TRequest>(request);
    TDBusMethodCall call{Service,  ObjectPath, Interface,
                         "Notify", parameters, G_VARIANT_TYPE("(u)")};
    CallMethodWithin(Connection.get(), call, TimeoutMs,
                     Weakly([shared](TState& state, TDBusOutcome outcome) {
                       if (!outcome.Reply) return state.Finish(*shared, false);
                       guint32 id = 0;
                       g_variant_get(outcome.Reply.get(), "(u)", &id);
                       state.Shown[shared->Notification.Name] = id;
                       state.Finish(*shared, true);
                     }));
  }

  // Answers `request` and starts the next one waiting under its name.
  void Finish(const TRequest& request, bool presented) {
    const std::shared_ptr<TState> keep = shared_from_this();
    std::optional<TRequest> next;
    const auto busy = Busy.find(request.Notification.Name);
    if (busy != Busy.end()) {
      if (busy->second.empty()) {
        Busy.erase(busy);
      } else {
        next = std::move(busy->second.front());
        busy->second.pop_front();
      }
    }
    if (request.OnPresented) request.OnPresented(presented);
    if (next && !Ended) Start(std::move(*next));
  }

  static std::shared_ptr<TState> StateOf(gpointer data) {
    std::shared_ptr<TState> state = static_cast<std::weak_ptr<TState>*>(data)->lock();
    return state && !state->Ended ? state : nullptr;
  }

  static void ActionInvoked(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                            const gchar*, GVariant* parameters, gpointer data) {
    const std::shared_ptr<TState> state = StateOf(data);
    if (!state || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) return;
    guint32 id = 0;
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    if (std::strcmp(action, "default") != 0) return;
    for (const auto& [name, shownId] : state->Shown) {
      if (shownId != id) continue;
      const std::string clicked = name;
      if (state->OnClick) state->OnClick(clicked);
      return;
    }
  }

  static void NotificationClosed(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                 const gchar*, GVariant* parameters, gpointer data) {
    const std::shared_ptr<TState> state = StateOf(data);
    if (!state || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) return;
    guint32 id = 0, reason = 0;
    g_variant_get(parameters, "(uu)", &id, &reason);
    std::erase_if(state->Shown, [id](const auto& entry) { return entry.second == id; });
  }
};

TLinuxNotificationCenter::TLinuxNotificationCenter(const TNotificationSender& sender,
                                                   TBusLocation bus, int timeoutMs)
    : FState(std::make_shared<TState>()) {
  FState->AppName = sender.AppName;
  FState->ImageData = ImageDataHint(sender.Icon);
  FState->Bus = std::move(bus);
  FState->TimeoutMs = timeoutMs;
}

TLinuxNotificationCenter::~TLinuxNotificationCenter() {
  // Answers still under way are dropped; the notifications stay on screen.
  FState->Ended = true;
  FState->OnClick = nullptr;
  FState->Unsubscribe();
  if (FState->Connection && !FState->Bus.Address.empty())
    g_dbus_connection_close(FState->Connection.get(), nullptr, nullptr, nullptr);
}

void TLinuxNotificationCenter::Present(const TNotification& notification,
                                       TOnPresented onPresented) {
  FState->Present({notification, std::move(onPresented)});
}

void TLinuxNotificationCenter::SetOnClick(TOnClick handler) {
  FState->OnClick = std::move(handler);
}

}  // namespace zel
