#include "core/bridge/CallMessage.h"

#include <algorithm>

namespace zel {
namespace {

std::string NameOf(const TJsonValueView& key) {
  return key.HasEscapes ? DecodeJsonString(key.Text) : std::string(key.Text);
}

// Reads the members of the object at the scanner's position, which is
// nested `depth` deep, into `members` (null: only checked).
bool ReadMembers(TJsonScanner& scanner, int depth, TCallArguments* members) {
  if (!scanner.Consume('{')) return false;
  if (scanner.Consume('}')) return true;
  do {
    TJsonValueView key, value;
    if (!scanner.ReadString(key) || !scanner.Consume(':') || !scanner.ReadValue(depth, value))
      return false;
    if (members) members->Add(NameOf(key), value);
  } while (scanner.Consume(','));
  return scanner.Consume('}');
}

// A string's text or a number's JSON text; none for other values.
std::optional<std::string> TextOf(const std::optional<TJsonValueView>& value) {
  if (!value) return std::nullopt;
  if (value->Kind == TJsonKind::String) return NameOf(*value);
  if (value->Kind == TJsonKind::Number) return std::string(value->Text);
  return std::nullopt;
}

}  // namespace

const TJsonValueView* TCallArguments::Find(std::string_view name) const {
  const auto found = std::find_if(FMembers.rbegin(), FMembers.rend(),
                                  [&](const auto& member) { return member.first == name; });
  return found == FMembers.rend() ? nullptr : &found->second;
}

void TCallArguments::Add(std::string name, TJsonValueView value) {
  FMembers.emplace_back(std::move(name), value);
}

std::optional<TCallMessage> ReadCallMessage(std::string_view text, int maxNesting) {
  if (maxNesting < 1) return std::nullopt;
  TJsonScanner scanner(text, maxNesting);
  scanner.SkipByteOrderMark();
  if (!scanner.Consume('{')) return std::nullopt;
  std::optional<TJsonValueView> id, uuid;
  std::optional<TCallArguments> data;  // the last `data`, when it is an object
  bool hasData = false;
  if (!scanner.Consume('}')) {
    do {
      TJsonValueView key;
      if (!scanner.ReadString(key) || !scanner.Consume(':')) return std::nullopt;
      const std::string name = NameOf(key);
      if (name == "data" && scanner.Peek() == '{') {
        // The arguments, one level below the envelope.
        if (maxNesting < 2) return std::nullopt;
        TCallArguments arguments;
        if (!ReadMembers(scanner, 2, &arguments)) return std::nullopt;
        data = std::move(arguments);
        hasData = true;
        continue;
      }
      TJsonValueView value;
      if (!scanner.ReadValue(1, value)) return std::nullopt;
      if (name == "id") id = value;
      if (name == "uuid") uuid = value;
      if (name == "data") {
        data.reset();
        hasData = true;
      }
    } while (scanner.Consume(','));
    if (!scanner.Consume('}')) return std::nullopt;
  }
  if (!scanner.AtEnd()) return std::nullopt;

  auto idText = TextOf(id);
  auto uuidText = TextOf(uuid);
  if (!hasData || !data || !idText || !uuidText) return std::nullopt;
  return TCallMessage{std::move(*idText), std::move(*uuidText), std::move(*data)};
}

}  // namespace zel
