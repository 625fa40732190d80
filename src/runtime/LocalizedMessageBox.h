#pragma once
#include <string>
#include <vector>

#include "platform/MessageBoxes.h"

namespace zel {

class IPlatform;

// Shows a modal message dialog whose caption and button captions are given
// texts, normally from the message table (GetLocalizedMessage); returns its
// modal result (6 Yes, 2 Cancel, also for Escape and the close box).
int ShowLocalizedMessage(IMessageBoxes& messageBoxes, const std::string& text, TMessageKind kind,
                         TButtonSet buttons, const std::vector<std::string>& buttonCaptions,
                         const std::string& caption);

// The start-up error dialog: message `messageIndex` in the user's language,
// captioned "Error", with one button "Accept" (all three from the table).
// A `detail` goes below the message after an empty line.
int ShowLocalizedError(IPlatform& platform, int messageIndex, const std::string& detail = "");

}  // namespace zel
