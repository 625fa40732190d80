#pragma once
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "platform/ContentTypes.h"

namespace zel {

// One row of a built-in extension list.
struct TMimeEntry {
  const char* Extension;  // lower case, with its leading dot
  const char* Type;       // lower case
};

// The table that maps file extensions to content types: the built-in list
// first (where it names an extension twice the first entry counts), then the
// system's lists, which replace entries of the same extension.
class TMimeTypes {
 public:
  using TTable = std::map<std::string, std::string>;

  static constexpr std::string_view DefaultType = "application/octet-stream";

  // The built-in list only.
  TMimeTypes();
  // The built-in list, then the entries of `system` (none when null). A system
  // source that throws leaves the built-in list alone.
  explicit TMimeTypes(IContentTypes* system);
  // `builtIn` in place of the built-in list (for tests and special tables).
  TMimeTypes(std::span<const TMimeEntry> builtIn, IContentTypes* system);

  // The process-wide table, built once on first use from the built-in list and
  // the installed system source.
  static const TMimeTypes& Process();
  // Sets the system source of the process-wide table. It is consulted once,
  // when the table is built, and must live until then. Returns false (and has
  // no effect) when the table has already been built.
  static bool InstallSystemSource(IContentTypes* source);

  static std::span<const TMimeEntry> BuiltInEntries();

  // The extension of `fileName` in lower case with its dot: the text from the
  // last dot to the end, unless a backslash or colon follows that dot; empty
  // when there is none. A slash does not end it ("a.b/c" gives ".b/c").
  static std::string ExtensionOf(std::string_view fileName);

  // The type of `extension` (lower case, with its dot); empty when unknown.
  std::string_view TypeOfExtension(std::string_view extension) const;
  // The type for the extension of `fileName`, or DefaultType.
  std::string FileType(std::string_view fileName) const;

  const TTable& Table() const { return FTable; }

 private:
  TTable FTable;
};

}  // namespace zel
