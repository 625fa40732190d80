#include "core/bridge/BridgeArguments.h"

#include <charconv>

#include "core/text/CaseFold.h"

namespace zel {

namespace {

const TJsonValueView* Find(const TCallArguments& data, std::string_view key) {
  const TJsonValueView* value = data.Find(key);
  return value && value->Kind != TJsonKind::Null ? value : nullptr;
}

// A number's value, locale-independent; one too small for a double is 0.
double NumberOf(std::string_view text) {
  double number = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() ? number : 0;
}

}  // namespace

std::string ReadTextArgument(const TCallArguments& data, std::string_view key,
                             std::string_view defaultValue) {
  const TJsonValueView* value = Find(data, key);
  if (!value) return std::string(defaultValue);
  switch (value->Kind) {
    case TJsonKind::String:
      return value->HasEscapes ? DecodeJsonString(value->Text) : std::string(value->Text);
    case TJsonKind::Number:
    case TJsonKind::True:
    case TJsonKind::False:
      return std::string(value->Text);
    default:
      throw EBridgeArgumentError("The argument " + std::string(key) + " is not text");
  }
}

std::string_view TextArgumentView(const TCallArguments& data, std::string_view key,
                                  std::string& storage) {
  const TJsonValueView* value = Find(data, key);
  if (value && value->Kind == TJsonKind::String && !value->HasEscapes) return value->Text;
  storage = ReadTextArgument(data, key);
  return storage;
}

bool ReadBoolArgument(const TCallArguments& data, std::string_view key, bool defaultValue) {
  const TJsonValueView* value = Find(data, key);
  if (!value) return defaultValue;
  switch (value->Kind) {
    case TJsonKind::True:
      return true;
    case TJsonKind::False:
      return false;
    case TJsonKind::Number:
      return NumberOf(value->Text) != 0;
    case TJsonKind::String:
      if (const auto truth = TruthValueOfText(ReadTextArgument(data, key))) return *truth;
      break;
    default:
      break;
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
