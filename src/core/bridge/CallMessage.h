#pragma once
// A call message read in place: {"id": ..., "uuid": ..., "data": {...}}. The
// whole text is checked as JSON, but only the envelope is decoded; the
// arguments stay views into the text, so a large argument is never copied.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/text/JsonScanner.h"

namespace zel {

// The `data` object of a call: its members by name, values as written.
class TCallArguments {
 public:
  // The member `name` (the last one where a name repeats), or null.
  const TJsonValueView* Find(std::string_view name) const;
  void Add(std::string name, TJsonValueView value);

 private:
  std::vector<std::pair<std::string, TJsonValueView>> FMembers;
};

struct TCallMessage {
  std::string Id;    // a string's text or a number's JSON text
  std::string Uuid;  // the same
  TCallArguments Data;
};

// Reads `text` as a call message. None when it is not JSON, not an object,
// lacks `id`, `uuid` or `data`, has an `id` or `uuid` that is neither a
// string nor a number or a `data` that is no object, or nests objects and
// arrays deeper than `maxNesting`. The result points into `text`.
std::optional<TCallMessage> ReadCallMessage(std::string_view text, int maxNesting);

}  // namespace zel
