#include "core/text/SystemMessage.h"

namespace zel {

std::string TrimSystemMessage(std::string message) {
  while (!message.empty() && (static_cast<unsigned char>(message.back()) <= ' ' ||
                              message.back() == '.' || message.back() == '\x7f')) {
    message.pop_back();
  }
  return message;
}

}  // namespace zel
