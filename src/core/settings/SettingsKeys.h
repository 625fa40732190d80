#pragma once
// The keys of section App of zel.ini, with their types and defaults.
#include <array>
#include <string_view>

namespace zel {

enum class TSettingType { Text, Integer, Boolean, Color };

struct TSettingKey {
  std::string_view Name;
  TSettingType Type;
  std::string_view Default;  // as it would be written in the file
  std::string_view Meaning;
};

inline constexpr std::array<TSettingKey, 31> SettingsKeys = {{
    {"ID", TSettingType::Text, "", "application identifier: instance lock and data folder"},
    {"Name", TSettingType::Text, "", "display name: window caption"},
    {"DirName", TSettingType::Text, "", "folder of the package holding the application's files"},
    {"IndexHtml", TSettingType::Text, "index.html", "start page, relative to DirName"},
    {"AllowInstances", TSettingType::Boolean, "0", "several instances may run at once"},
    {"Theme", TSettingType::Text, "Windows", "visual theme applied at start"},
    {"WebviewArguments", TSettingType::Text, "", "extra browser switches"},
    {"EdgeInstaller", TSettingType::Boolean, "1", "offer to install a missing web engine"},
    {"InstallFormColor", TSettingType::Color, "0xFF00001A", "busy window background"},
    {"InstallIndicatorColor", TSettingType::Integer, "1", "busy indicator: 0 black, 1 white"},
    {"InstallIndicatorType", TSettingType::Integer, "0", "busy indicator style 0..2"},
    {"Password", TSettingType::Text, "", "password asked before the application opens"},
    {"AllowDebug", TSettingType::Boolean, "0", "developer tools may be opened"},
    {"AllowZoom", TSettingType::Boolean, "0", "the user may zoom the page"},
    {"AllowContextMenu", TSettingType::Boolean, "0", "the engine's context menu is shown"},
    {"Top", TSettingType::Integer, "50", "initial top edge, pixels"},
    {"Left", TSettingType::Integer, "50", "initial left edge, pixels"},
    {"Width", TSettingType::Integer, "800", "initial width, pixels"},
    {"Height", TSettingType::Integer, "600", "initial height, pixels"},
    {"MaxWidth", TSettingType::Integer, "0", "largest width; 0 no limit"},
    {"MaxHeight", TSettingType::Integer, "0", "largest height; 0 no limit"},
    {"MinWidth", TSettingType::Integer, "0", "smallest width; 0 no limit"},
    {"MinHeight", TSettingType::Integer, "0", "smallest height; 0 no limit"},
    {"WindowPosition", TSettingType::Integer, "0", "0 centred; other values: system placement"},
    {"WindowStyle", TSettingType::Integer, "0", "1 full screen"},
    {"WindowBorder", TSettingType::Integer, "2", "0 none .. 5 sizeable tool window"},
    {"WindowState", TSettingType::Integer, "0", "1 maximized"},
    {"WindowOrder", TSettingType::Integer, "0", "1 stays on top"},
    {"DynamicAppTitle", TSettingType::Boolean, "0", "caption follows the page title"},
    {"BridgeOrigins", TSettingType::Text, "", "further origins whose pages may call the bridge"},
    {"Icon", TSettingType::Text, "", "image below DirName shown with notifications"},
}};

}  // namespace zel
