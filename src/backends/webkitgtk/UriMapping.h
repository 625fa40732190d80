#pragma once
// Text rules at the engine's boundary: the runtime speaks file:/// addresses,
// the web view loads the same paths under the engine's own scheme.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zel {

// The scheme that serves the application's own resources inside the engine.
inline constexpr std::string_view EngineScheme = "zel";

// Whether `uri` is of the engine's scheme (letter case ignored).
bool IsEngineUri(std::string_view uri);
// "file:…" → "zel:…"; other addresses unchanged.
std::string FileToEngineUri(std::string_view uri);
// "zel:…" → "file:…"; other addresses unchanged.
std::string EngineToFileUri(std::string_view uri);
// The address without its "#fragment".
std::string StripFragment(std::string_view uri);
// A document origin as the runtime sees it: "zel://" becomes "file://". The
// engine never shows documents of real file: addresses, so such an origin is
// opaque ("null"): no rule may take it for the application's.
std::string OriginToSource(std::string_view origin);

// Header lines "Name: value" separated by CR LF (or LF); malformed lines are skipped.
std::vector<std::pair<std::string, std::string>> ParseHeaderText(std::string_view text);

// The browser arguments with a WebKit counterpart.
struct TBrowserArguments {
  bool DisableWebSecurity = false;
  bool AutoplayWithoutGesture = false;
  // Set by the runtime only when a WebDriver started the process.
  bool EnableAutomation = false;
};
TBrowserArguments ParseBrowserArguments(std::string_view text);

// Glob match: '*' any run of characters, '?' exactly one.
bool MatchesUriFilter(std::string_view pattern, std::string_view uri);

// The error status of a failed navigation, in the engine-neutral numbering of
// the runtime (0 unknown, 5 certificate invalid, 7 timeout, 12 cannot connect,
// 13 host not resolved, 14 operation canceled, ...).
namespace webErrorStatus {
inline constexpr int Unknown = 0;
inline constexpr int CertificateIsInvalid = 5;
inline constexpr int Timeout = 7;
inline constexpr int ConnectionAborted = 9;
inline constexpr int ConnectionReset = 10;
inline constexpr int CannotConnect = 12;
inline constexpr int HostNameNotResolved = 13;
inline constexpr int OperationCanceled = 14;
}  // namespace webErrorStatus

// A random lower-case hexadecimal text of 2 × `bytes` characters from the
// system's random source.
std::string RandomToken(std::size_t bytes);
// Whether two texts are equal, taking the same time whatever their contents
// (for secrets such as tokens; a difference in length is not hidden).
bool EqualInConstantTime(std::string_view a, std::string_view b);

// The first range of a "Range: bytes=…" header against a body of `length`
// bytes. Empty when the header asks for no satisfiable single range.
struct TByteRange {
  std::uint64_t First = 0;
  std::uint64_t Last = 0;  // inclusive
};
enum class TRangeResult { None, Satisfiable, Unsatisfiable };
TRangeResult ParseRangeHeader(std::string_view header, std::uint64_t length, TByteRange& range);

}  // namespace zel
