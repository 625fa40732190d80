#pragma once
// Reading a call's arguments from its `data` object.
#include <optional>
#include <string>
#include <string_view>

#include "core/Error.h"
#include "core/bridge/CallMessage.h"

namespace zel {

// An argument of a type the handler cannot read (an object or array where
// text is read): the call ends without a reply.
class EBridgeArgumentError : public EError {
 public:
  using EError::EError;
};

// Text: absent or null gives `defaultValue`; a string its value; a number its
// JSON text; true/false "true"/"false"; an object or array throws.
std::string ReadTextArgument(const TCallArguments& data, std::string_view key,
                             std::string_view defaultValue = "");

// The same without a copy where the argument is a string written without
// escapes (contents may be hundreds of MiB): a view into the message, else
// into `storage`.
std::string_view TextArgumentView(const TCallArguments& data, std::string_view key,
                                  std::string& storage);

// Boolean: absent or null gives `defaultValue`; true/false their value;
// "true"/"false" in any letter case; a number is true unless 0; anything
// else throws.
bool ReadBoolArgument(const TCallArguments& data, std::string_view key, bool defaultValue);

// A text read as a truth value: "true" or "false" in any letter case, or a
// number, true unless 0; none for any other text.
std::optional<bool> TruthValueOfText(std::string_view text);

}  // namespace zel
