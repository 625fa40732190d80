#pragma once
#include <string>
#include <vector>

namespace zel {

enum class TMessageKind { Information, Error, Confirmation };
enum class TButtonSet { Ok, Yes, YesCancel, Close };

// Modal results, as the dialogs report them.
inline constexpr int ModalResultOk = 1;
inline constexpr int ModalResultCancel = 2;
inline constexpr int ModalResultYes = 6;
inline constexpr int ModalResultClose = 8;

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Shows a modal message dialog and returns its modal result; closing it by
  // its close box or Escape gives ModalResultCancel. `buttonCaptions`
  // replaces the buttons' standard captions in order (extra ones are ignored).
  virtual int Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
                   const std::vector<std::string>& buttonCaptions, const std::string& caption) = 0;
};

}  // namespace zel
