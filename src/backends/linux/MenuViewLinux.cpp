#include "backends/linux/MenuViewLinux.h"

#include "backends/linux/MenuImagesLinux.h"

namespace zel {
namespace {

// On menu items: the item's key; on menus: the key of the level's parent
// and which part of its items the menu shows.
constexpr const char* KeyData = "zel-menu-key";
constexpr const char* PartData = "zel-menu-part";
constexpr const char* ContinuationCaption = "\u00BB";

std::uint32_t KeyOf(gpointer object) {
  return GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(object), KeyData));
}

GtkWidget* ImageWidget(const TMenuImage* image, bool greyed) {
  const int scale = MenuImageScale();
  GdkPixbuf* pixbuf = image ? MenuImagePixbuf(*image, MenuImageSize * scale, greyed) : nullptr;
  GtkWidget* widget = gtk_image_new();
  if (pixbuf) {
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(pixbuf, scale, nullptr);
    gtk_image_set_from_surface(GTK_IMAGE(widget), surface);
    cairo_surface_destroy(surface);
    g_object_unref(pixbuf);
  }
  gtk_widget_set_size_request(widget, MenuImageSize, MenuImageSize);
  return widget;
}

bool SameDisplay(const TMenuEntryLayout& a, const TMenuEntryLayout& b) {
  return a.Separator == b.Separator && a.Shown == b.Shown && a.Text == b.Text &&
         a.AccessKey == b.AccessKey;
}

}  // namespace

TLinuxMenuView::TLinuxMenuView(GtkMenuShell* shell)
    : FShell(GTK_MENU_SHELL(g_object_ref_sink(shell))) {
  if (!IsMenuBar()) {
    g_object_set_data(G_OBJECT(FShell), KeyData, GUINT_TO_POINTER(0));
    g_object_set_data(G_OBJECT(FShell), PartData, GUINT_TO_POINTER(0));
    g_signal_connect(FShell, "show", G_CALLBACK(LevelShown), this);
  }
  // A menu bar shows once it has items; a pop-up menu shows when it pops up.
  if (IsMenuBar()) gtk_widget_hide(GTK_WIDGET(FShell));
}

TLinuxMenuView::~TLinuxMenuView() {
  // The remaining widgets must not call back into this object.
  gtk_container_foreach(
      GTK_CONTAINER(FShell), [](GtkWidget* widget, gpointer) { gtk_widget_destroy(widget); },
      nullptr);
  g_signal_handlers_disconnect_by_data(FShell, this);
  g_object_unref(FShell);
}

void TLinuxMenuView::SetItems(const std::vector<TMenuItem>& items) {
  gtk_container_foreach(
      GTK_CONTAINER(FShell), [](GtkWidget* widget, gpointer) { gtk_widget_destroy(widget); },
      nullptr);
  FLevels.clear();
  FItems.Assign(items);
  if (IsMenuBar()) {
    BuildLevel({}, FShell);
    gtk_widget_set_visible(GTK_WIDGET(FShell), !FItems.Empty());
  } else if (gtk_widget_get_visible(GTK_WIDGET(FShell))) {
    BuildLevel({}, FShell);  // open now: shown at once
  }
}

void TLinuxMenuView::LevelShown(GtkWidget* menu, gpointer self) {
  auto* view = static_cast<TLinuxMenuView*>(self);
  const TLevelId id{KeyOf(menu), GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(menu), PartData))};
  if (!view->FLevels.contains(id)) view->BuildLevel(id, GTK_MENU_SHELL(menu));
}

std::size_t TLinuxMenuView::MaxEntries(TLevelId id) const {
  return id.ParentKey == 0 && id.Part == 0 && IsMenuBar() ? MaxMenuBarEntries : MaxMenuEntries;
}

std::span<const TMenuItem> TLinuxMenuView::LevelItems(TLevelId id, bool& continued) const {
  continued = false;
  const std::vector<TMenuItem>* all = FItems.Level(id.ParentKey);
  if (!all) return {};
  // Each part but the last shows one entry less than it may: its "»".
  std::size_t start = 0;
  for (std::uint32_t part = 0; part < id.Part; ++part)
    start += MaxEntries({id.ParentKey, part}) - 1;
  if (start >= all->size()) return {};
  const std::size_t rest = all->size() - start;
  const std::size_t max = MaxEntries(id);
  continued = rest > max;
  return std::span(*all).subspan(start, continued ? max - 1 : rest);
}

TLinuxMenuView::TLevelId TLinuxMenuView::LevelOf(std::uint32_t key, std::size_t& index) const {
  TLevelId id{FItems.ParentKey(key), 0};
  index = FItems.Position(key);
  for (bool continued = true; continued; ++id.Part) {
    const std::size_t shown = LevelItems(id, continued).size();
    if (index < shown || !continued) break;
    index -= shown;
  }
  return id;
}

void TLinuxMenuView::BuildLevel(TLevelId id, GtkMenuShell* shell) {
  bool continued = false;
  const std::span<const TMenuItem> items = LevelItems(id, continued);
  TLevel& level = FLevels[id];
  level.Shell = shell;
  level.Layout = LayOutMenuLevel(items);
  level.Widgets.assign(items.size(), nullptr);
  if (continued) {
    GtkWidget* more = gtk_menu_item_new_with_label(ContinuationCaption);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(more), CreateSubmenu({id.ParentKey, id.Part + 1}));
    gtk_widget_show(more);
    gtk_menu_shell_prepend(shell, more);
  }
  // Prepending from the end: appending walks the shell's whole list each time.
  for (std::size_t i = items.size(); i-- > 0;) {
    level.Widgets[i] = CreateWidget(items[i], level.Layout[i]);
    gtk_menu_shell_prepend(shell, level.Widgets[i]);
  }
}

GtkWidget* TLinuxMenuView::CreateSubmenu(TLevelId id) {
  GtkWidget* submenu = gtk_menu_new();
  g_object_set_data(G_OBJECT(submenu), KeyData, GUINT_TO_POINTER(id.ParentKey));
  g_object_set_data(G_OBJECT(submenu), PartData, GUINT_TO_POINTER(id.Part));
  g_signal_connect(submenu, "show", G_CALLBACK(LevelShown), this);
  return submenu;
}

GtkWidget* TLinuxMenuView::CreateWidget(const TMenuItem& item, const TMenuEntryLayout& layout) {
  GtkWidget* widget;
  if (layout.Separator) {
    widget = gtk_separator_menu_item_new();
  } else {
    widget = gtk_menu_item_new();
    gtk_container_add(GTK_CONTAINER(widget), CreateContent(item, layout, widget));
    gtk_widget_set_sensitive(widget, item.Enabled);
    if (item.Submenu) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), CreateSubmenu({item.Key, 0}));
    } else {
      g_signal_connect(widget, "activate", G_CALLBACK(ItemActivated), this);
    }
  }
  g_object_set_data(G_OBJECT(widget), KeyData, GUINT_TO_POINTER(item.Key));
  gtk_widget_set_visible(widget, layout.Shown);
  return widget;
}

GtkWidget* TLinuxMenuView::CreateContent(const TMenuItem& item, const TMenuEntryLayout& layout,
                                         GtkWidget* menuItem) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  // Pop-up menus keep a column for pictures, as menus with an image list do.
  if (item.Image || !IsMenuBar())
    gtk_box_pack_start(GTK_BOX(box), ImageWidget(item.Image.get(), !item.Enabled), FALSE, FALSE, 0);
  GtkWidget* label;
  if (layout.AccessKey != std::string::npos) {
    label = gtk_label_new_with_mnemonic(UnderscoreLabel(layout).c_str());
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), menuItem);
  } else {
    label = gtk_label_new(layout.Text.c_str());
  }
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
  gtk_widget_show_all(box);
  return box;
}

void TLinuxMenuView::ItemActivated(GtkMenuItem* widget, gpointer self) {
  const auto handler = static_cast<TLinuxMenuView*>(self)->FOnItemClick;
  if (handler) handler(KeyOf(widget));
}

void TLinuxMenuView::UpdateItem(const TMenuItem& changed) {
  TMenuItem* item = FItems.Update(changed);
  if (!item) return;
  std::size_t index = 0;
  const TLevelId id = LevelOf(item->Key, index);
  const auto built = FLevels.find(id);
  if (built == FLevels.end()) return;  // drawn with the new values when shown
  TLevel& level = built->second;
  bool continued = false;
  const std::span<const TMenuItem> items = LevelItems(id, continued);
  // A new caption may move access keys and separators of the whole level.
  std::vector<TMenuEntryLayout> layout = LayOutMenuLevel(items);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool self = items[i].Key == item->Key;
    if (!self && SameDisplay(layout[i], level.Layout[i])) continue;
    GtkWidget* widget = level.Widgets[i];
    if (layout[i].Separator != level.Layout[i].Separator) {
      ForgetLevelsBelow(items[i]);
      GtkWidget* replacement = CreateWidget(items[i], layout[i]);
      gtk_menu_shell_insert(level.Shell, replacement, static_cast<gint>(i));
      gtk_widget_destroy(widget);
      level.Widgets[i] = replacement;
      continue;
    }
    gtk_widget_set_visible(widget, layout[i].Shown);
    if (layout[i].Separator) continue;
    if (GtkWidget* content = gtk_bin_get_child(GTK_BIN(widget))) gtk_widget_destroy(content);
    gtk_container_add(GTK_CONTAINER(widget), CreateContent(items[i], layout[i], widget));
    gtk_widget_set_sensitive(widget, items[i].Enabled);
  }
  level.Layout = std::move(layout);
}

void TLinuxMenuView::ForgetLevelsBelow(const TMenuItem& item) {
  // A level below an unbuilt one is unbuilt too.
  if (FLevels.erase({item.Key, 0}) == 0) return;
  for (std::uint32_t part = 1; FLevels.erase({item.Key, part}) != 0; ++part) {
  }
  for (const TMenuItem& child : item.Items) ForgetLevelsBelow(child);
}

}  // namespace zel
