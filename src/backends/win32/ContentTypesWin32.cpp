#include "backends/win32/ContentTypesWin32.h"

#include <optional>
#include <vector>

#include "backends/win32/RegistryKeyWin32.h"
#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"

namespace zel {
namespace {

// Extensions are looked up in ASCII lower case (TMimeTypes::ExtensionOf).
std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A text value of `key`, or nothing when it is missing, empty or not text.
std::optional<std::string> TextValue(HKEY key, const wchar_t* name) {
  const std::optional<TRegistryValue> value = ReadRegistryValue(key, name);
  if (!value || value->Text.empty() ||
      (value->Type != TRegistryValueType::String &&
       value->Type != TRegistryValueType::ExpandString))
    return std::nullopt;
  return value->Text;
}

}  // namespace

void TWin32ContentTypes::AddSystemContentTypes(std::map<std::string, std::string>& table) {
  TRegistryKey root = FRoot.empty()
                          ? TRegistryKey::Open(HKEY_CLASSES_ROOT, L"", KEY_READ)
                          : TRegistryKey::Open(HKEY_CURRENT_USER, WideOf(FRoot), KEY_READ);
  if (!root) return;
  for (const std::wstring& name : SubKeyNames(root.Get())) {
    if (name.empty() || name.front() != L'.') continue;
    const TRegistryKey extension = TRegistryKey::Open(root.Get(), name, KEY_QUERY_VALUE);
    if (!extension) continue;
    if (const auto type = TextValue(extension.Get(), L"Content Type"))
      table[AsciiLower(Utf8Of(name))] = AsciiLower(*type);
  }
  const TRegistryKey database =
      TRegistryKey::Open(root.Get(), L"MIME\\Database\\Content Type", KEY_READ);
  if (!database) return;
  for (const std::wstring& type : SubKeyNames(database.Get())) {
    const TRegistryKey entry = TRegistryKey::Open(database.Get(), type, KEY_QUERY_VALUE);
    if (!entry) continue;
    const auto extension = TextValue(entry.Get(), L"Extension");
    if (!extension) continue;
    const std::string dotted = extension->front() == '.' ? *extension : "." + *extension;
    table[AsciiLower(dotted)] = AsciiLower(Utf8Of(type));
  }
}

}  // namespace zel
