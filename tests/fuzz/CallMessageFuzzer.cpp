// The call-message reader against nlohmann::json's parse: it accepts a text
// exactly when the parse accepts it, it nests within the limit and it holds
// no raw NUL byte; it reads the envelope and every argument as the parse
// does; strings decoded in steps of any size equal strings decoded at once.
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "FuzzTarget.h"
#include "core/bridge/CallMessage.h"
#include "core/text/JsonScanner.h"

namespace {

constexpr int Limit = 24;

// Objects and arrays around the deepest value, the value itself counted.
int Depth(const nlohmann::json& value) {
  if (!value.is_structured()) return 0;
  int deepest = 0;
  for (const auto& item : value) deepest = std::max(deepest, Depth(item));
  return deepest + 1;
}

std::string Decoded(const zel::TJsonValueView& value, std::size_t step) {
  const std::string whole =
      value.HasEscapes ? zel::DecodeJsonString(value.Text) : std::string(value.Text);
  zel::TJsonStringDecoder decoder(value.Text, value.HasEscapes);
  std::string stepped;
  std::vector<char> buffer(step);
  while (const std::size_t n = decoder.Read(buffer.data(), buffer.size())) {
    ZEL_FUZZ_CHECK(n <= buffer.size());
    stepped.append(buffer.data(), n);
  }
  ZEL_FUZZ_CHECK(stepped == whole);
  return whole;
}

// A value as the reader saw it equals the parse's value.
bool Same(const zel::TJsonValueView& view, const nlohmann::json& value, std::size_t step) {
  if (view.Kind == zel::TJsonKind::String) return value.is_string() && Decoded(view, step) == value;
  const auto parsed = nlohmann::json::parse(view.Text, nullptr, false);
  return !parsed.is_discarded() && parsed == value;
}

// An id or uuid: a string's text, or a number's text as written.
bool SameText(const std::string& text, const nlohmann::json& value) {
  if (value.is_string()) return text == value.get<std::string>();
  const auto parsed = nlohmann::json::parse(text, nullptr, false);
  return value.is_number() && !parsed.is_discarded() && parsed == value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the step of the string decoder, the rest is the text.
  const std::size_t step = 4 + data[0] % 29;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto call = zel::ReadCallMessage(text, Limit);
  const auto parsed = nlohmann::json::parse(text, nullptr, false);
  // The parse takes a raw NUL byte for the end of the text; it is no JSON,
  // and the reader refuses it.
  const bool accepted = !parsed.is_discarded() && Depth(parsed) <= Limit &&
                        text.find('\0') == std::string_view::npos;
  // Any JSON text, not only call messages.
  zel::TJsonScanner scanner(text, Limit);
  scanner.SkipByteOrderMark();
  zel::TJsonValueView whole;
  ZEL_FUZZ_CHECK((scanner.ReadValue(0, whole) && scanner.AtEnd()) == accepted);
  const bool envelope = accepted && parsed.is_object() && parsed.contains("id") &&
                        parsed.contains("uuid") && parsed.contains("data") &&
                        parsed["data"].is_object() &&
                        (parsed["id"].is_string() || parsed["id"].is_number()) &&
                        (parsed["uuid"].is_string() || parsed["uuid"].is_number());
  ZEL_FUZZ_CHECK(call.has_value() == envelope);
  if (!call) return 0;
  ZEL_FUZZ_CHECK(SameText(call->Id, parsed["id"]));
  ZEL_FUZZ_CHECK(SameText(call->Uuid, parsed["uuid"]));
  for (const auto& [name, value] : parsed["data"].items()) {
    const zel::TJsonValueView* found = call->Data.Find(name);
    ZEL_FUZZ_CHECK(found != nullptr);
    ZEL_FUZZ_CHECK(Same(*found, value, step));
  }
  return 0;
}
