// mainMenu.* and trayMenu.*: menus built from the page's item objects, the
// tray icon, and the images of menu items.
#include <optional>
#include <string>

#include "core/bridge/AppPaths.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Package entries larger than this are no menu image.
constexpr std::uint64_t MaxMenuImageBytes = 64 << 20;

// An item object that lacks "caption" or "id", or whose "items" is not an
// array: the whole menu is cleared and the call fails.
class EMenuItemJsonError : public EError {
 public:
  using EError::EError;
};

// A value of an item object read as text: a string's own text, the JSON
// text of a number, true, false or null; none when the key is absent or
// holds an object or an array. Keys match exactly, letter case included.
std::optional<std::string> ItemText(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || it->is_object() || it->is_array()) return std::nullopt;
  if (it->is_string()) return it->get<std::string>();
  return it->dump();
}

// An "enabled" text that is neither a number nor "true" or "false" ends the
// call without a reply.
bool EnabledFromText(const std::string& text) {
  if (const auto enabled = TruthValueOfText(text)) return *enabled;
  throw EBridgeArgumentError("The enabled value " + text + " is not a truth value");
}

// The picture named by `nameOrPath`, first match wins: the package's entry of
// that whole name (letter case of ASCII letters ignored), the file of that
// name beside the executable, the file itself (absolute, or relative to the
// current folder). None when nothing is found or the bytes are no picture.
std::shared_ptr<const TMenuImage> LoadMenuImage(TBrowserExternalModule& module,
                                                const std::string& nameOrPath) {
  IPlatform& platform = module.Platform();
  if (const TExeZip* package = module.ExeZip(); package && package->Active()) {
    if (const std::int64_t index = package->FindFile(nameOrPath); index >= 0) {
      if (package->Entry(static_cast<std::size_t>(index)).Size > MaxMenuImageBytes) return nullptr;
      TMemoryStream bytes;
      if (!package->ExtractToStream(nameOrPath, bytes)) return nullptr;
      return platform.Menus().DecodeImage(bytes.Data());
    }
  }
  const std::string besideExecutable = AppExecutableDir(module) + nameOrPath;
  if (platform.FileSystem().FileExists(besideExecutable))
    return platform.Menus().DecodeImageFile(besideExecutable);
  if (!nameOrPath.empty() && platform.FileSystem().FileExists(nameOrPath))
    return platform.Menus().DecodeImageFile(nameOrPath);
  return nullptr;
}

// A new image goes into the collection under the next name; without one the
// item keeps what it had.
void LoadItemImage(TBrowserExternalModule& module, TMenuModel& menu, TMenuItem& item,
                   const std::string& nameOrPath) {
  if (auto image = LoadMenuImage(module, nameOrPath)) menu.AddItemImage(item, std::move(image));
}

// Fills `item` from the item object `object` and, for an "items" array, its
// submenu in array order.
void FillMenuItem(TBrowserExternalModule& module, TMenuModel& menu, TMenuItem& item,
                  const nlohmann::json& object) {
  if (!object.is_object()) throw EBridgeArgumentError("A menu item is not an object");
  const auto caption = ItemText(object, "caption");
  const auto id = ItemText(object, "id");
  if (!caption || !id) throw EMenuItemJsonError("A menu item lacks its caption or id");
  item.Tag = ParseIniInteger(*id).value_or(0);
  item.Caption = *caption;
  if (const auto enabled = ItemText(object, "enabled")) item.Enabled = EnabledFromText(*enabled);
  if (const auto image = ItemText(object, "image")) LoadItemImage(module, menu, item, *image);

  const auto children = object.find("items");
  if (children == object.end()) {
    item.Leaf = true;
    return;
  }
  if (!children->is_array()) throw EMenuItemJsonError("The items of a menu item are not an array");
  item.Submenu = true;
  for (const nlohmann::json& child : *children)
    FillMenuItem(module, menu, menu.AppendItem(item.Items), child);
}

void SetItems(const TBridgeCall& call, TMenuModel& menu, bool mainMenu) {
  const std::string text = ReadTextArgument(call.Data, "items");
  if (text.empty()) return call.FailureText("Missing menu items");
  if (mainMenu) {
    if (IWindow* window = call.Module.MainForm()) menu.SetView(&window->MenuBar());
  }
  // Nesting is bounded as in call messages, so that building the items
  // never runs out of stack.
  const nlohmann::json items = JsonNestingWithin(text, MaxMessageNesting)
                                   ? nlohmann::json::parse(text, nullptr, false)
                                   : nlohmann::json(nlohmann::json::value_t::discarded);
  if (items.is_discarded() || !items.is_array()) {
    menu.ClearItems();
    menu.ShowItems();
    return call.FailureText("Wrong menu items JSON");
  }
  // A list is replaced only after it has been cleared with an empty one.
  if (!menu.Items().empty() && !items.empty()) return call.Success("true");

  menu.Clear();
  try {
    for (const nlohmann::json& element : items)
      FillMenuItem(call.Module, menu, menu.AppendItem(menu.Items()), element);
  } catch (const EMenuItemJsonError&) {
    menu.ClearItems();
    menu.ShowItems();
    return call.FailureText("Wrong menu item JSON");
  } catch (...) {
    menu.ShowItems();  // what was built before the error stays
    throw;
  }
  menu.ShowItems();
  call.Success("true");
}

void UpdateItem(const TBridgeCall& call, TMenuModel& menu) {
  const std::string idText = ReadTextArgument(call.Data, "id");
  if (idText.empty()) return call.FailureText("Missing item ID");
  const std::int32_t id = ParseIniInteger(idText).value_or(-1);
  if (id == -1) return call.FailureText("Wrong item ID");
  if (menu.Items().empty()) return call.FailureText("No menu items");

  if (TMenuItem* item = menu.FindItemByTag(id)) {
    // Shown also when a later argument ends the call with an error.
    struct TShowItem {
      TMenuModel& Menu;
      TMenuItem& Item;
      ~TShowItem() { Menu.ShowItem(Item); }
    } show{menu, *item};
    // Missing, null or empty values leave the item as it is.
    if (const std::string caption = ReadTextArgument(call.Data, "caption"); !caption.empty())
      item->Caption = caption;
    if (const std::string enabled = ReadTextArgument(call.Data, "enabled"); !enabled.empty())
      item->Enabled = EnabledFromText(enabled);
    if (const std::string image = ReadTextArgument(call.Data, "image"); !image.empty())
      LoadItemImage(call.Module, menu, *item, image);
  }
  call.Success("true");
}

TBrowserExternalForm& Form(const TBridgeCall& call) { return call.Module.BrowserExternalForm(); }

}  // namespace

void RegisterMenuFunctions(TBridgeDispatcher& d) {
  d.Register({12001, "mainMenu.setItems", true,
              [](const TBridgeCall& call) { SetItems(call, Form(call).MainMenu(), true); }});
  d.Register({12002, "mainMenu.updateItem", true,
              [](const TBridgeCall& call) { UpdateItem(call, Form(call).MainMenu()); }});
  d.Register({14001, "trayMenu.showIcon", true, [](const TBridgeCall& call) {
                Form(call).TrayIcon().SetShown(true);
                call.Success("true");
              }});
  d.Register({14002, "trayMenu.hideIcon", true, [](const TBridgeCall& call) {
                Form(call).TrayIcon().SetShown(false);
                call.Success("true");
              }});
  d.Register({14003, "trayMenu.setItems", true,
              [](const TBridgeCall& call) { SetItems(call, Form(call).TrayMenu(), false); }});
  d.Register({14004, "trayMenu.updateItem", true,
              [](const TBridgeCall& call) { UpdateItem(call, Form(call).TrayMenu()); }});
}

}  // namespace zel
