// Times menu calls through the bridge module on the Linux platform, as the
// runtime makes them inside the web-message event, until GTK has laid the
// result out (pending events run). Prints milliseconds for one case:
//   main-flat N      mainMenu.setItems with N items in the menu bar
//   main-submenu N   one menu of the bar with N items (built when opened)
//   main-open N      opening that menu: its items built and laid out
//   main-grid N      N menus of N items each
//   main-update N    updateItem of the first of N items in the menu bar
//   main-caption N   one item whose caption has N characters
//   tray-flat N      trayMenu.setItems with N items, the icon shown
//   floor N          plain GTK: N labelled items put into a menu bar
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "BenchBridge.h"
#include "backends/linux/LinuxPlatform.h"
#include "backends/linux/MenuViewLinux.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/package/ExeZip.h"

namespace {

using namespace zel;
using bench::TMessage;
using bench::TReplies;

void RunPending() {
  while (gtk_events_pending()) gtk_main_iteration();
}

double TimedMs(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  RunPending();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

nlohmann::json Items(int count, const std::string& prefix, int firstId) {
  nlohmann::json items = nlohmann::json::array();
  for (int i = 0; i < count; ++i)
    items.push_back({{"caption", prefix + std::to_string(i)}, {"id", firstId + i}});
  return items;
}

std::string Call(int id, const nlohmann::json& data) {
  return nlohmann::json{{"id", id}, {"uuid", "u"}, {"data", data}}.dump();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zel_bench_menus CASE N\n");
    return 2;
  }
  const std::string which = argv[1];
  const int n = std::atoi(argv[2]);
  std::unique_ptr<IPlatform> platform = CreateLinuxPlatform();
  std::unique_ptr<IWindow> window = platform->UserInterface().CreateMainWindow();
  window->SetBounds({0, 0, 800, 600});
  window->Show();
  RunPending();

  if (which == "floor") {
    GtkWidget* bar = gtk_menu_bar_new();
    gtk_widget_show(bar);
    gtk_box_pack_start(
        GTK_BOX(gtk_widget_get_parent(static_cast<GtkWidget*>(window->ContentHandle()))), bar,
        FALSE, FALSE, 0);
    std::printf("%.1f\n", TimedMs([&] {
                  for (int i = n; i-- > 0;) {
                    GtkWidget* item =
                        gtk_menu_item_new_with_label(("Item " + std::to_string(i)).c_str());
                    gtk_widget_show(item);
                    gtk_menu_shell_prepend(GTK_MENU_SHELL(bar), item);
                  }
                }));
    return 0;
  }

  TExeZip package;  // present, so the module is in runtime mode
  TReplies replies;
  TBrowserExternalModule module(*platform);
  module.SetExeZip(&package);
  module.SetBrowserForm(&replies);
  module.SetMainForm(window.get());
  const auto send = [&](const std::string& json) {
    TMessage message(json);
    module.EdgeBrowserWebMessageReceived(message);
  };
  const auto setItems = [&](int function, const nlohmann::json& items) {
    return Call(function, {{"items", items.dump()}});
  };

  std::string message;
  if (which == "main-flat" || which == "main-update") {
    message = setItems(12001, Items(n, "Item ", 1));
  } else if (which == "main-submenu" || which == "main-open") {
    message = setItems(
        12001,
        nlohmann::json::array({{{"caption", "Big"}, {"id", 0}, {"items", Items(n, "Item ", 1)}}}));
  } else if (which == "main-grid") {
    nlohmann::json menus = nlohmann::json::array();
    for (int i = 0; i < n; ++i)
      menus.push_back({{"caption", "Menu " + std::to_string(i)},
                       {"id", -2 - i},
                       {"items", Items(n, "Item ", i * n)}});
    message = setItems(12001, menus);
  } else if (which == "main-caption") {
    message =
        setItems(12001, nlohmann::json::array({{{"caption", std::string(n, 'w')}, {"id", 1}}}));
  } else if (which == "tray-flat") {
    send(Call(14001, nlohmann::json::object()));
    message = setItems(14003, Items(n, "Item ", 1));
  } else {
    std::fprintf(stderr, "unknown case %s\n", which.c_str());
    return 2;
  }
  double ms = TimedMs([&] { send(message); });
  if (which == "main-open") {
    GtkWidget* box = gtk_widget_get_parent(static_cast<GtkWidget*>(window->ContentHandle()));
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    GtkWidget* bar = static_cast<GtkWidget*>(children->data);  // the bar is placed first
    g_list_free(children);
    GList* entries = gtk_container_get_children(GTK_CONTAINER(bar));
    GtkWidget* first = static_cast<GtkWidget*>(entries->data);
    g_list_free(entries);
    ms = TimedMs([&] { gtk_menu_shell_select_item(GTK_MENU_SHELL(bar), first); });
    GtkWidget* menu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(first));
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    const guint built = g_list_length(items);
    g_list_free(items);
    // Long menus show their first entries and "»" for the rest.
    if (built != std::min<guint>(n, MaxMenuEntries)) {
      std::fprintf(stderr, "the menu shows %u items\n", built);
      return 1;
    }
  }
  if (which == "main-update") {
    const std::string update = Call(12002, {{"id", 1}, {"caption", "Changed"}});
    ms = TimedMs([&] { send(update); });
  }
  if (replies.Last.find("\"success\": true") == std::string::npos) {
    std::fprintf(stderr, "the call failed: %s\n", replies.Last.c_str());
    return 1;
  }
  std::printf("%.1f\n", ms);
  return 0;
}
