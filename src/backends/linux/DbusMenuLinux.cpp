#include "backends/linux/DbusMenuLinux.h"

#include <algorithm>

#include "backends/linux/MenuImagesLinux.h"

namespace zel {
namespace {

constexpr const char* Interface = "com.canonical.dbusmenu";
// Levels sent in one layout: the message bus refuses messages nested more
// deeply than 64 containers, and each level takes three. Deeper levels are
// sent when a host asks for the layout below them.
constexpr int MaxLayoutNesting = 12;

constexpr const char* InterfaceXml = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps" direction="out"/>
      <arg type="a(ias)" name="removedProps" direction="out"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision" direction="out"/>
      <arg type="i" name="parent" direction="out"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id" direction="out"/>
      <arg type="u" name="timestamp" direction="out"/>
    </signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* InterfaceInfo() {
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(InterfaceXml, nullptr);
  return node->interfaces[0];
}

std::vector<std::string> NamesOf(GVariant* strings) {
  std::vector<std::string> names;
  GVariantIter iter;
  const gchar* name = nullptr;
  g_variant_iter_init(&iter, strings);
  while (g_variant_iter_next(&iter, "&s", &name)) names.emplace_back(name);
  return names;
}

bool Wanted(const std::vector<std::string>& names, const char* name) {
  return names.empty() || std::find(names.begin(), names.end(), name) != names.end();
}

void ReturnUnknownItem(GDBusMethodInvocation* invocation) {
  g_dbus_method_invocation_return_error_literal(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                "No menu item has this id");
}

}  // namespace

bool TLinuxDbusMenu::Export(GDBusConnection* connection, const char* path) {
  Unexport();
  static const GDBusInterfaceVTable vtable{MethodCall, GetProperty, nullptr, {}};
  FRegistration = g_dbus_connection_register_object(connection, path, InterfaceInfo(), &vtable,
                                                    this, nullptr, nullptr);
  if (FRegistration == 0) return false;
  FConnection = G_DBUS_CONNECTION(g_object_ref(connection));
  FPath = path;
  return true;
}

void TLinuxDbusMenu::Unexport() {
  if (FRegistration != 0) g_dbus_connection_unregister_object(FConnection, FRegistration);
  FRegistration = 0;
  if (FConnection) g_object_unref(FConnection);
  FConnection = nullptr;
}

void TLinuxDbusMenu::SetItems(const std::vector<TMenuItem>& items) {
  FItems.Assign(items);
  FLayouts.clear();
  FIcons.clear();
  EmitLayoutUpdated(0);
}

void TLinuxDbusMenu::UpdateItem(const TMenuItem& item) {
  const TMenuItem* kept = FItems.Update(item);
  if (!kept) return;
  // A new caption may move access keys and separators of the whole level.
  const std::uint32_t parentKey = FItems.ParentKey(kept->Key);
  FLayouts.erase(parentKey);
  EmitLayoutUpdated(parentKey);
}

void TLinuxDbusMenu::EmitLayoutUpdated(std::uint32_t parentKey) {
  ++FRevision;
  if (FRegistration == 0) return;
  g_dbus_connection_emit_signal(FConnection, nullptr, FPath.c_str(), Interface, "LayoutUpdated",
                                g_variant_new("(ui)", FRevision, static_cast<gint32>(parentKey)),
                                nullptr);
}

const std::vector<TMenuEntryLayout>& TLinuxDbusMenu::LevelLayout(std::uint32_t parentKey) {
  auto it = FLayouts.find(parentKey);
  if (it == FLayouts.end()) {
    const std::vector<TMenuItem>* level = FItems.Level(parentKey);
    it = FLayouts
             .emplace(parentKey, level ? LayOutMenuLevel(*level) : std::vector<TMenuEntryLayout>{})
             .first;
  }
  return it->second;
}

bool TLinuxDbusMenu::Lookup(gint32 id, const TMenuItem*& item, const TMenuEntryLayout*& layout) {
  item = nullptr;
  layout = nullptr;
  if (id == 0) return true;
  if (id < 0) return false;
  const auto key = static_cast<std::uint32_t>(id);
  item = FItems.Find(key);
  if (!item) return false;
  layout = &LevelLayout(FItems.ParentKey(key))[FItems.Position(key)];
  return true;
}

const std::vector<std::uint8_t>& TLinuxDbusMenu::IconData(const TMenuItem& item) {
  const auto key = std::make_pair(item.Image, !item.Enabled);
  auto it = FIcons.find(key);
  if (it == FIcons.end())
    it = FIcons
             .emplace(key,
                      MenuImagePng(*item.Image, MenuImageSize * MenuImageScale(), !item.Enabled))
             .first;
  return it->second;
}

GVariant* TLinuxDbusMenu::Properties(const TMenuItem* item, const TMenuEntryLayout* layout,
                                     const TNames& names) {
  GVariantBuilder properties;
  g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
  const auto add = [&](const char* name, GVariant* value) {
    if (Wanted(names, name))
      g_variant_builder_add(&properties, "{sv}", name, value);
    else
      g_variant_unref(g_variant_ref_sink(value));
  };
  if (!item) {
    add("children-display", g_variant_new_string("submenu"));
  } else if (layout->Separator) {
    add("type", g_variant_new_string("separator"));
    if (!layout->Shown) add("visible", g_variant_new_boolean(FALSE));
  } else {
    add("label", g_variant_new_string(UnderscoreLabel(*layout).c_str()));
    if (!item->Enabled) add("enabled", g_variant_new_boolean(FALSE));
    if (item->Submenu) add("children-display", g_variant_new_string("submenu"));
    if (item->Image && Wanted(names, "icon-data")) {
      const std::vector<std::uint8_t>& png = IconData(*item);
      if (!png.empty())
        add("icon-data", g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, png.data(), png.size(), 1));
    }
  }
  return g_variant_builder_end(&properties);
}

GVariant* TLinuxDbusMenu::Layout(std::uint32_t key, const TMenuItem* item,
                                 const TMenuEntryLayout* layout, int depth, int nesting,
                                 const TNames& names) {
  GVariantBuilder children;
  g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
  const bool opens = !item || (item->Submenu && !layout->Separator);
  if (opens && depth != 0 && nesting < MaxLayoutNesting) {
    const std::vector<TMenuItem>& level = *FItems.Level(key);
    const std::vector<TMenuEntryLayout>& layouts = LevelLayout(key);
    for (std::size_t i = 0; i < level.size(); ++i) {
      g_variant_builder_add(&children, "v",
                            Layout(level[i].Key, &level[i], &layouts[i], depth < 0 ? -1 : depth - 1,
                                   nesting + 1, names));
    }
  }
  GVariant* properties = Properties(item, layout, names);
  return g_variant_new("(i@a{sv}av)", static_cast<gint32>(key), properties, &children);
}

bool TLinuxDbusMenu::EventTarget(gint32 id, const gchar* eventId, std::uint32_t& clicked) {
  const TMenuItem* item = nullptr;
  const TMenuEntryLayout* layout = nullptr;
  if (!Lookup(id, item, layout)) return false;
  clicked = 0;
  if (item && g_strcmp0(eventId, "clicked") == 0 && !item->Submenu && !layout->Separator &&
      item->Enabled)
    clicked = item->Key;
  return true;
}

void TLinuxDbusMenu::Click(std::uint32_t key) {
  const auto handler = FOnItemClick;
  if (key != 0 && handler) handler(key);
}

void TLinuxDbusMenu::MethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar* method, GVariant* parameters,
                                GDBusMethodInvocation* invocation, gpointer self) {
  static_cast<TLinuxDbusMenu*>(self)->Call(method, parameters, invocation);
}

void TLinuxDbusMenu::Call(const std::string& method, GVariant* parameters,
                          GDBusMethodInvocation* invocation) {
  const TMenuItem* item = nullptr;
  const TMenuEntryLayout* layout = nullptr;
  if (method == "GetLayout") {
    gint32 parent = 0, depth = 0;
    GVariant* names = nullptr;
    g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
    const TNames wanted = NamesOf(names);
    g_variant_unref(names);
    if (!Lookup(parent, item, layout)) return ReturnUnknownItem(invocation);
    GVariant* tree = Layout(static_cast<std::uint32_t>(parent), item, layout, depth, 0, wanted);
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(u@(ia{sv}av))", FRevision, tree));
  } else if (method == "GetGroupProperties") {
    GVariant* ids = nullptr;
    GVariant* names = nullptr;
    g_variant_get(parameters, "(@ai@as)", &ids, &names);
    const TNames wanted = NamesOf(names);
    GVariantBuilder result;
    g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
    gsize count = 0;
    const auto* list =
        static_cast<const gint32*>(g_variant_get_fixed_array(ids, &count, sizeof(gint32)));
    for (gsize i = 0; i < count; ++i) {
      if (Lookup(list[i], item, layout))
        g_variant_builder_add(&result, "(i@a{sv})", list[i], Properties(item, layout, wanted));
    }
    g_variant_unref(ids);
    g_variant_unref(names);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(ia{sv}))", &result));
  } else if (method == "GetProperty") {
    gint32 id = 0;
    const gchar* name = nullptr;
    g_variant_get(parameters, "(i&s)", &id, &name);
    if (!Lookup(id, item, layout)) return ReturnUnknownItem(invocation);
    GVariant* properties = g_variant_ref_sink(Properties(item, layout, {name}));
    GVariant* value = g_variant_lookup_value(properties, name, nullptr);
    g_variant_unref(properties);
    if (!value) {
      return g_dbus_method_invocation_return_error_literal(invocation, G_DBUS_ERROR,
                                                           G_DBUS_ERROR_INVALID_ARGS,
                                                           "The menu item has no such property");
    }
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
    g_variant_unref(value);
  } else if (method == "Event") {
    gint32 id = 0;
    const gchar* eventId = nullptr;
    g_variant_get(parameters, "(i&svu)", &id, &eventId, nullptr, nullptr);
    std::uint32_t clicked = 0;
    if (!EventTarget(id, eventId, clicked)) return ReturnUnknownItem(invocation);
    g_dbus_method_invocation_return_value(invocation, nullptr);
    Click(clicked);
  } else if (method == "EventGroup") {
    GVariantIter* events = nullptr;
    g_variant_get(parameters, "(a(isvu))", &events);
    GVariantBuilder errors;
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    std::vector<std::uint32_t> clicks;
    gint32 id = 0;
    const gchar* eventId = nullptr;
    while (g_variant_iter_next(events, "(i&svu)", &id, &eventId, nullptr, nullptr)) {
      std::uint32_t clicked = 0;
      if (EventTarget(id, eventId, clicked))
        clicks.push_back(clicked);
      else
        g_variant_builder_add(&errors, "i", id);
    }
    g_variant_iter_free(events);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(ai)", &errors));
    for (const std::uint32_t key : clicks) Click(key);
  } else if (method == "AboutToShow") {
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
  } else if (method == "AboutToShowGroup") {
    GVariantIter* ids = nullptr;
    g_variant_get(parameters, "(ai)", &ids);
    GVariantBuilder errors;
    g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
    gint32 id = 0;
    while (g_variant_iter_next(ids, "i", &id)) {
      if (!Lookup(id, item, layout)) g_variant_builder_add(&errors, "i", id);
    }
    g_variant_iter_free(ids);
    g_dbus_method_invocation_return_value(
        invocation,
        g_variant_new("(@aiai)",
                      g_variant_new_fixed_array(G_VARIANT_TYPE_INT32, nullptr, 0, sizeof(gint32)),
                      &errors));
  } else {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                          "Unknown method %s", method.c_str());
  }
}

GVariant* TLinuxDbusMenu::GetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                      const gchar* property, GError** error, gpointer) {
  const std::string name = property;
  if (name == "Version") return g_variant_new_uint32(3);
  if (name == "TextDirection") return g_variant_new_string("ltr");
  if (name == "Status") return g_variant_new_string("normal");
  if (name == "IconThemePath") return g_variant_new_strv(nullptr, 0);
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "Unknown property %s", property);
  return nullptr;
}

}  // namespace zel
