// zel reg: the registry store of zel applications, from a terminal.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>

#include "backends/linux/RegistryStoreLinux.h"
#include "core/registry/RegistryPath.h"
#include "tools/Commands.h"

namespace zel {
namespace {

std::string TypeName(TRegistryValueType type) {
  switch (type) {
    case TRegistryValueType::String:
      return "REG_SZ";
    case TRegistryValueType::ExpandString:
      return "REG_EXPAND_SZ";
    case TRegistryValueType::Binary:
      return "REG_BINARY";
    case TRegistryValueType::DWord:
      return "REG_DWORD";
    case TRegistryValueType::MultiString:
      return "REG_MULTI_SZ";
    case TRegistryValueType::QWord:
      return "REG_QWORD";
  }
  return "REG_TYPE_" + std::to_string(static_cast<std::uint32_t>(type));
}

std::string DataText(const TRegistryValue& value) {
  char buffer[64];
  switch (value.Type) {
    case TRegistryValueType::String:
    case TRegistryValueType::ExpandString:
      return value.Text;
    case TRegistryValueType::DWord:
    case TRegistryValueType::QWord:
      std::snprintf(buffer, sizeof buffer, "0x%llx (%llu)",
                    static_cast<unsigned long long>(value.Number),
                    static_cast<unsigned long long>(value.Number));
      return buffer;
    default: {
      std::string hex;
      for (const unsigned char byte : value.Text) {
        std::snprintf(buffer, sizeof buffer, "%02X", byte);
        hex += buffer;
      }
      return hex;
    }
  }
}

void PrintValue(const TRegistryValue& value) {
  std::printf("    %s    %s    %s\n", value.Name.c_str(), TypeName(value.Type).c_str(),
              DataText(value).c_str());
}

// A DWORD as decimal or 0x-prefixed hexadecimal text.
std::uint32_t ParseDWord(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* begin = text.data() + (hex ? 2 : 0);
  const char* end = text.data() + text.size();
  std::uint32_t number = 0;
  const auto [stop, error] = std::from_chars(begin, end, number, hex ? 16 : 10);
  if (begin == end || error != std::errc() || stop != end)
    throw EToolError(
        "\"" + text +
        "\" is not a DWORD: give a number from 0 to 4294967295 (or 0x0 to 0xFFFFFFFF)");
  return number;
}

// The key as the user named it, with the leading backslash the output shows.
std::string ShownKey(const std::string& key) { return key.starts_with('\\') ? key : "\\" + key; }

void RequireKey(const std::string& key) {
  if (key.empty()) throw EToolError("the key is empty; name the root as \\");
  if (!SplitRegistryKey(key))
    throw EToolError("the key " + ShownKey(key) + " has an empty name between two backslashes");
}

int RunRegQuery(TLinuxRegistryStore& store, const std::string& key, const std::string* name) {
  RequireKey(key);
  if (name) {
    const auto value = store.ReadValue(key, *name);
    if (!value) throw EToolError("no value \"" + *name + "\" in " + ShownKey(key));
    std::printf("%s\n", ShownKey(key).c_str());
    PrintValue(*value);
    return 0;
  }
  const auto values = store.ListValues(key);
  const auto subKeys = store.ListSubKeys(key);
  if (!values || !subKeys) throw EToolError("the key " + ShownKey(key) + " does not exist");
  std::printf("%s\n", ShownKey(key).c_str());
  for (const TRegistryValue& value : *values) PrintValue(value);
  std::string prefix = ShownKey(key);
  if (!prefix.ends_with('\\')) prefix += '\\';
  if (!subKeys->empty()) std::printf("\n");
  for (const std::string& subKey : *subKeys) std::printf("%s%s\n", prefix.c_str(), subKey.c_str());
  return 0;
}

int RunRegAdd(TLinuxRegistryStore& store, const std::string& key, const std::string& name,
              const std::string& data, const std::string& type) {
  RequireKey(key);
  if (name.empty()) throw EToolError("the value name is empty");
  TRegistryValue value;
  value.Name = name;
  if (type == "dword") {
    value.Type = TRegistryValueType::DWord;
    value.Number = ParseDWord(data);
  } else {
    value.Type =
        type == "expand_sz" ? TRegistryValueType::ExpandString : TRegistryValueType::String;
    value.Text = data;
  }
  if (!store.WriteValue(key, value))
    throw EToolError("cannot create the key " + ShownKey(key) + " in " + store.File().string());
  return 0;
}

int RunRegDelete(TLinuxRegistryStore& store, const std::string& key, const std::string* name) {
  RequireKey(key);
  if (name) {
    if (!store.DeleteValue(key, *name))
      throw EToolError("no value \"" + *name + "\" in " + ShownKey(key));
    return 0;
  }
  if (!store.KeyExists(key)) throw EToolError("the key " + ShownKey(key) + " does not exist");
  if (!store.DeleteKey(key)) throw EToolError("cannot delete the key " + ShownKey(key));
  return 0;
}

}  // namespace

TRegCommand::TRegCommand(CLI::App& app) {
  FCommand = app.add_subcommand(
      "reg", "Query, add and delete values of the registry store that zel applications share");
  FCommand->require_subcommand(1);
  FCommand->footer(
      "Keys are backslash-separated paths such as Software\\Vendor\\App (quote them in the "
      "shell);\nkey and value names ignore letter case. The store is "
      "$XDG_CONFIG_HOME/zel/registry.sqlite3\n(default ~/.config/zel/registry.sqlite3), the "
      "counterpart of HKEY_CURRENT_USER.\n\n"
      "  zel reg add 'Software\\Vendor\\App' Greeting hello\n"
      "  zel reg add 'Software\\Vendor\\App' Count 42 --type dword\n"
      "  zel reg query 'Software\\Vendor\\App'\n"
      "  zel reg delete 'Software\\Vendor\\App' Greeting\n"
      "  zel reg delete 'Software\\Vendor'            (the key and everything below it)");

  FQuery = FCommand->add_subcommand("query", "Show a key's values and sub-keys, or one value");
  FQuery->add_option("KEY", FKey, "Key path")->required();
  FQuery->add_option("NAME", FName, "Value to show (default: all values and sub-keys)");

  FAdd = FCommand->add_subcommand("add", "Write a value, creating the key and its parents");
  FAdd->add_option("KEY", FKey, "Key path")->required();
  FAdd->add_option("NAME", FName, "Value name")->required();
  FAdd->add_option("VALUE", FValue, "Value: text, or a number for dword")->required();
  FAdd->add_option("--type", FType,
                   "Value type: sz (text), expand_sz (text with %VARIABLES%), dword")
      ->check(CLI::IsMember({"sz", "expand_sz", "dword"}))
      ->default_str("sz");

  FDelete = FCommand->add_subcommand("delete", "Delete a value, or a key with everything below it");
  FDelete->add_option("KEY", FKey, "Key path")->required();
  FDelete->add_option("NAME", FName, "Value to delete (default: the whole key)");
}

bool TRegCommand::Chosen() const { return FCommand->parsed(); }

int TRegCommand::Run() {
  TLinuxRegistryStore store;
  if (store.File().empty()) throw EToolError("cannot find the home folder for the store");
  const std::string* name =
      FName.empty() && !FQuery->count("NAME") && !FDelete->count("NAME") ? nullptr : &FName;
  if (FQuery->parsed()) return RunRegQuery(store, FKey, name);
  if (FAdd->parsed()) return RunRegAdd(store, FKey, FName, FValue, FType);
  return RunRegDelete(store, FKey, name);
}

}  // namespace zel
