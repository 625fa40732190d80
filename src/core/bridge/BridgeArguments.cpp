#include "core/bridge/BridgeArguments.h"

#include <charconv>

#include "core/text/CaseFold.h"

namespace zel {

namespace {
const nlohmann::json* Find(const nlohmann::json& data, std::string_view key) {
  if (!data.is_object()) return nullptr;
  const auto it = data.find(std::string(key));
  return it == data.end() || it->is_null() ? nullptr : &*it;
}
}  // namespace

std::string ReadTextArgument(const nlohmann::json& data, std::string_view key,
                             std::string_view defaultValue) {
  const nlohmann::json* value = Find(data, key);
  if (!value) return std::string(defaultValue);
  if (value->is_string()) return value->get<std::string>();
  if (value->is_number() || value->is_boolean()) return value->dump();
  throw EBridgeArgumentError("The argument " + std::string(key) + " is not text");
}

bool ReadBoolArgument(const nlohmann::json& data, std::string_view key, bool defaultValue) {
  const nlohmann::json* value = Find(data, key);
  if (!value) return defaultValue;
  if (value->is_boolean()) return value->get<bool>();
  if (value->is_number()) return value->get<double>() != 0;
  if (value->is_string()) {
    if (const auto truth = TruthValueOfText(value->get_ref<const std::string&>())) return *truth;
  }
  throw EBridgeArgumentError("The argument " + std::string(key) + " is not a truth value");
}

std::optional<bool> TruthValueOfText(std::string_view text) {
  if (SameTextIgnoringCase(text, "true")) return true;
  if (SameTextIgnoringCase(text, "false")) return false;
  // Locale-independent: "1.5" is a number whatever the user's decimal separator.
  double number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (!text.empty() && error == std::errc() && stop == end) return number != 0;
  return std::nullopt;
}

}  // namespace zel
