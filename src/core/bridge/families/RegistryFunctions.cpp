// registry.*: string values in the current user's registry store.
#include <optional>
#include <string>

#include "core/Error.h"
#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "platform/Platform.h"

namespace zel {
namespace {

constexpr std::string_view MissingKeyText = "Missing registry key.";
constexpr std::string_view MissingNameText = "Missing value name.";

// A value the bridge cannot hand to the page as text: the call ends without
// a reply.
class ERegistryValueTypeError : public EError {
 public:
  using EError::EError;
};

// Reads `key` and, unless `name` is null, `name`; answers the fixed failure
// text of the first one missing (the key first) and then returns false.
bool ReadKeyAndName(const TBridgeCall& call, std::string& key, std::string* name) {
  key = ReadTextArgument(call.Data, "key");
  if (key.empty()) {
    call.FailureText(MissingKeyText);
    return false;
  }
  if (name == nullptr) return true;
  *name = ReadTextArgument(call.Data, "name");
  if (name->empty()) {
    call.FailureText(MissingNameText);
    return false;
  }
  return true;
}

const char* TrueFalse(bool value) { return value ? "true" : "false"; }

void WriteValue(const TBridgeCall& call) {
  std::string key, name;
  if (!ReadKeyAndName(call, key, &name)) return;
  TRegistryValue value;
  value.Name = name;
  value.Type = TRegistryValueType::String;
  value.Text = ReadTextArgument(call.Data, "value");
  // A write refused after the key was opened throws: no reply.
  call.Success(TrueFalse(call.Module.Platform().RegistryStore().WriteValue(key, value)));
}

void ReadValue(const TBridgeCall& call) {
  std::string key, name;
  if (!ReadKeyAndName(call, key, &name)) return;
  const std::optional<TRegistryValue> value =
      call.Module.Platform().RegistryStore().ReadValue(key, name);
  if (!value) return call.SuccessText("");
  if (value->Type != TRegistryValueType::String && value->Type != TRegistryValueType::ExpandString)
    throw ERegistryValueTypeError("The registry value " + name + " is not text");
  call.SuccessText(value->Text);
}

void ValueExist(const TBridgeCall& call) {
  std::string key, name;
  if (!ReadKeyAndName(call, key, &name)) return;
  call.Success(TrueFalse(call.Module.Platform().RegistryStore().ReadValue(key, name).has_value()));
}

void DeleteValue(const TBridgeCall& call) {
  std::string key, name;
  if (!ReadKeyAndName(call, key, &name)) return;
  call.Success(TrueFalse(call.Module.Platform().RegistryStore().DeleteValue(key, name)));
}

void KeyExist(const TBridgeCall& call) {
  std::string key;
  if (!ReadKeyAndName(call, key, nullptr)) return;
  call.Success(TrueFalse(call.Module.Platform().RegistryStore().KeyExists(key)));
}

void DeleteKey(const TBridgeCall& call) {
  std::string key;
  if (!ReadKeyAndName(call, key, nullptr)) return;
  call.Success(TrueFalse(call.Module.Platform().RegistryStore().DeleteKey(key)));
}

}  // namespace

void RegisterRegistryFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({13001, "registry.writeValue", false, WriteValue});
  dispatcher.Register({13002, "registry.readValue", false, ReadValue});
  dispatcher.Register({13003, "registry.valueExist", false, ValueExist});
  dispatcher.Register({13004, "registry.deleteValue", false, DeleteValue});
  dispatcher.Register({13005, "registry.keyExist", false, KeyExist});
  dispatcher.Register({13006, "registry.deleteKey", false, DeleteKey});
}

}  // namespace zel
