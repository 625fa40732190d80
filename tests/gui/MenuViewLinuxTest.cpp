// Menus drawn with GTK: what the widgets show for the items, levels built
// when opened, long levels continued under "»", updates and clicks.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "backends/linux/MenuViewLinux.h"
#include "backends/linux/ToolkitLinux.h"

namespace zel {
namespace {

std::vector<GtkWidget*> Children(GtkWidget* container) {
  std::vector<GtkWidget*> children;
  GList* list = gtk_container_get_children(GTK_CONTAINER(container));
  for (GList* l = list; l; l = l->next) children.push_back(GTK_WIDGET(l->data));
  g_list_free(list);
  return children;
}

// The label text of a menu entry, underscores included; "---" for a separator.
std::string LabelOf(GtkWidget* entry) {
  if (GTK_IS_SEPARATOR_MENU_ITEM(entry)) return "---";
  GtkWidget* child = gtk_bin_get_child(GTK_BIN(entry));
  if (GTK_IS_LABEL(child)) return gtk_label_get_label(GTK_LABEL(child));
  for (GtkWidget* part : Children(child)) {
    if (GTK_IS_LABEL(part)) return gtk_label_get_label(GTK_LABEL(part));
  }
  return "?";
}

bool HasImage(GtkWidget* entry) {
  for (GtkWidget* part : Children(gtk_bin_get_child(GTK_BIN(entry)))) {
    if (GTK_IS_IMAGE(part) && gtk_image_get_storage_type(GTK_IMAGE(part)) == GTK_IMAGE_SURFACE)
      return true;
  }
  return false;
}

// Opens the entry's menu as GTK does before it pops up.
GtkWidget* Open(GtkWidget* entry) {
  GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(entry));
  gtk_widget_show(menu);
  return menu;
}

TMenuItem Item(std::uint32_t key, std::string caption, std::vector<TMenuItem> items = {}) {
  TMenuItem item;
  item.Key = key;
  item.Caption = std::move(caption);
  item.Submenu = !items.empty();
  item.Leaf = items.empty();
  item.Items = std::move(items);
  return item;
}

std::vector<TMenuItem> Numbered(std::uint32_t firstKey, int count) {
  std::vector<TMenuItem> items;
  for (int i = 0; i < count; ++i) items.push_back(Item(firstKey + i, "Item " + std::to_string(i)));
  return items;
}

class MenuViewLinuxTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(TLinuxToolkit::EnsureInitialized()); }
};

TEST_F(MenuViewLinuxTest, EntriesShowCaptionsAccessKeysSeparatorsAndImages) {
  TLinuxMenuView view(GTK_MENU_SHELL(gtk_menu_new()));
  auto image = std::make_shared<TMenuImage>();
  image->Width = image->Height = 2;
  image->Pixels.assign(16, 255);
  std::vector<TMenuItem> items{Item(1, "-"),    Item(2, "&Open"),       Item(3, "-"), Item(4, "-"),
                               Item(5, "Exit"), Item(6, "under_score"), Item(7, "-")};
  items[4].Enabled = false;
  items[5].Image = image;
  view.SetItems(items);
  EXPECT_TRUE(Children(GTK_WIDGET(view.Shell())).empty());  // built when shown
  gtk_widget_show(GTK_WIDGET(view.Shell()));
  const auto entries = Children(GTK_WIDGET(view.Shell()));
  ASSERT_EQ(entries.size(), 7u);
  std::vector<std::string> labels;
  std::vector<bool> visible;
  for (GtkWidget* entry : entries) {
    labels.push_back(LabelOf(entry));
    visible.push_back(gtk_widget_get_visible(entry));
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"---", "_Open", "---", "---", "_Exit",
                                              "_under__score", "---"}));
  EXPECT_EQ(visible, (std::vector<bool>{false, true, true, false, true, true, false}));
  EXPECT_FALSE(gtk_widget_get_sensitive(entries[4]));
  EXPECT_TRUE(HasImage(entries[5]));
  EXPECT_FALSE(HasImage(entries[1]));

  // A caption that becomes "-" turns the entry into a line, and the level's
  // separators are tidied again.
  TMenuItem changed = items[5];
  changed.Caption = "-";
  view.UpdateItem(changed);
  const auto after = Children(GTK_WIDGET(view.Shell()));
  ASSERT_EQ(after.size(), 7u);
  EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(after[5]));
  EXPECT_FALSE(gtk_widget_get_visible(after[5]));  // now last but one of trailing lines
  changed = items[4];
  changed.Caption = "&Quit";
  changed.Enabled = true;
  view.UpdateItem(changed);
  EXPECT_EQ(LabelOf(after[4]), "_Quit");
  EXPECT_TRUE(gtk_widget_get_sensitive(after[4]));
  gtk_widget_destroy(GTK_WIDGET(view.Shell()));
}

TEST_F(MenuViewLinuxTest, LevelsAreBuiltWhenOpenedAndClicksReportKeys) {
  TLinuxMenuView view(GTK_MENU_SHELL(gtk_menu_bar_new()));
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(view.Shell())));  // no items, no bar
  std::vector<std::uint32_t> clicks;
  view.SetOnItemClick([&](std::uint32_t key) { clicks.push_back(key); });
  view.SetItems({Item(1, "File", {Item(11, "New"), Item(12, "Recent", {Item(121, "Doc")})}),
                 Item(2, "Help")});
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(view.Shell())));
  const auto bar = Children(GTK_WIDGET(view.Shell()));
  ASSERT_EQ(bar.size(), 2u);
  GtkWidget* file = gtk_menu_item_get_submenu(GTK_MENU_ITEM(bar[0]));
  EXPECT_TRUE(Children(file).empty());
  const auto fileEntries = Children(Open(bar[0]));
  ASSERT_EQ(fileEntries.size(), 2u);
  // An item changed while its level was closed shows the change when opened.
  TMenuItem doc = Item(121, "Document");
  view.UpdateItem(doc);
  const auto recent = Children(Open(fileEntries[1]));
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(LabelOf(recent[0]), "_Document");

  gtk_menu_item_activate(GTK_MENU_ITEM(recent[0]));
  gtk_menu_item_activate(GTK_MENU_ITEM(fileEntries[1]));  // opens a menu: no click
  gtk_menu_item_activate(GTK_MENU_ITEM(bar[1]));
  EXPECT_EQ(clicks, (std::vector<std::uint32_t>{121, 2}));

  view.SetItems({});
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(view.Shell())));
}

TEST_F(MenuViewLinuxTest, LongLevelsContinueUnderAnEntryOfTheirOwn) {
  TLinuxMenuView view(GTK_MENU_SHELL(gtk_menu_bar_new()));
  std::vector<TMenuItem> top = Numbered(1, 250);
  top.push_back(Item(100000, "Big", Numbered(200000, 1000)));
  view.SetItems(top);
  const auto bar = Children(GTK_WIDGET(view.Shell()));
  ASSERT_EQ(bar.size(), MaxMenuBarEntries);
  EXPECT_EQ(LabelOf(bar[98]), "Item 98");  // access keys are all taken by then
  EXPECT_EQ(LabelOf(bar[99]), "\u00BB");
  const auto rest = Children(Open(bar[99]));
  ASSERT_EQ(rest.size(), 152u);             // items 99 to 249 and Big
  EXPECT_EQ(LabelOf(rest[0]), "_Item 99");  // a menu of its own, with keys of its own
  const auto big = Children(Open(rest[151]));
  ASSERT_EQ(big.size(), MaxMenuEntries);
  const auto more = Children(Open(big.back()));
  ASSERT_EQ(more.size(), MaxMenuEntries);
  EXPECT_EQ(LabelOf(more[0]), "_Item " + std::to_string(MaxMenuEntries - 1));

  // Updates find the entry in whichever part shows it.
  TMenuItem changed = top[200];
  changed.Caption = "Two hundred";
  view.UpdateItem(changed);
  EXPECT_EQ(LabelOf(rest[200 - 99]), "T_wo hundred");
  changed = top[250].Items[MaxMenuEntries];
  changed.Caption = "Moved";
  view.UpdateItem(changed);
  EXPECT_EQ(LabelOf(more[1]), "_Moved");
  gtk_widget_destroy(GTK_WIDGET(view.Shell()));
}

}  // namespace
}  // namespace zel
