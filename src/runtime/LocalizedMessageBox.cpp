#include "runtime/LocalizedMessageBox.h"

#include "core/messages/LocalizedMessages.h"
#include "platform/Platform.h"

namespace zel {

int ShowLocalizedMessage(IMessageBoxes& messageBoxes, const std::string& text, TMessageKind kind,
                         TButtonSet buttons, const std::vector<std::string>& buttonCaptions,
                         const std::string& caption) {
  return messageBoxes.Show(text, kind, buttons, buttonCaptions, caption);
}

int ShowLocalizedError(IPlatform& platform, int messageIndex) {
  ILocale& locale = platform.Locale();
  return ShowLocalizedMessage(platform.MessageBoxes(), GetLocalizedMessage(messageIndex, locale),
                              TMessageKind::Error, TButtonSet::Yes,
                              {GetLocalizedMessage(miAcceptButton, locale)},
                              GetLocalizedMessage(miErrorCaption, locale));
}

}  // namespace zel
