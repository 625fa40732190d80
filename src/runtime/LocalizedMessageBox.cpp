#include "runtime/LocalizedMessageBox.h"

#include "core/messages/LocalizedMessages.h"
#include "platform/Platform.h"

namespace zel {

int ShowLocalizedMessage(IMessageBoxes& messageBoxes, const std::string& text, TMessageKind kind,
                         TButtonSet buttons, const std::vector<std::string>& buttonCaptions,
                         const std::string& caption) {
  return messageBoxes.Show(text, kind, buttons, buttonCaptions, caption);
}

int ShowLocalizedError(IPlatform& platform, int messageIndex, const std::string& detail) {
  ILocale& locale = platform.Locale();
  std::string text = GetLocalizedMessage(messageIndex, locale);
  if (!detail.empty()) text += "\n\n" + detail;
  return ShowLocalizedMessage(platform.MessageBoxes(), text,
                              TMessageKind::Error, TButtonSet::Yes,
                              {GetLocalizedMessage(miAcceptButton, locale)},
                              GetLocalizedMessage(miErrorCaption, locale));
}

}  // namespace zel
