#pragma once
#include <string>
#include <string_view>

#include "core/BuildPlatform.h"
#include "core/Error.h"

namespace zel {

class ILocale;

// Raised for an index outside the message table.
class EMessageIndexError : public EError {
 public:
  using EError::EError;
};

// Entries of the message table.
enum TMessageIndex : int {
  miLanguageCode = 0,      // the list's two-letter language code
  miErrorCaption = 1,      // caption of error dialogs
  miConfirmCaption = 2,    // caption of the installation prompt
  miAcceptButton = 3,      // the accepting button of every dialog
  miCancelButton = 4,      // the refusing button of the installation prompt
  miNoPackage = 5,         // the executable carries no package
  miRuntimeRequired = 6,   // runtime missing, installation switched off
  miInstallPrompt = 7,     // runtime missing, offer to install it
  miCannotContinue = 8,    // the user refused the installation
  miInstallCancelled = 9,  // runtime still missing after the installer ran
  miMessageCount = 10
};

// The names the messages give the operating system and the web-view runtime.
struct TMessagePlatformNames {
  std::string_view System;
  std::string_view WebViewRuntime;
};

inline constexpr TMessagePlatformNames LinuxMessageNames{"Linux", "WebKitGTK"};
inline constexpr TMessagePlatformNames WindowsMessageNames{"Windows", "Microsoft WebView2"};

// The names this build's messages use.
inline constexpr TMessagePlatformNames MessagePlatformNames =
    BuildPlatform == TBuildPlatform::Windows ? WindowsMessageNames : LinuxMessageNames;

// The entry at `index` in the list whose code equals `languageCode` exactly
// (Spanish, Italian, German, French and Chinese lists, searched in that
// order), else in the English list. Throws EMessageIndexError when the index
// is negative or not below miMessageCount.
std::string GetLocalizedMessage(int index, std::string_view languageCode,
                                const TMessagePlatformNames& names = MessagePlatformNames);

// The same in the language of the user's regional format.
std::string GetLocalizedMessage(int index, ILocale& locale);

// The installer did not end within `minutes`: a line that goes with the
// message that the installation failed, in the same language.
std::string GetInstallerTimeLimitMessage(int minutes, std::string_view languageCode);

}  // namespace zel
