#include "backends/win32/SystemErrorWin32.h"

#include "backends/win32/WideTextWin32.h"
#include "backends/win32/Win32.h"
#include "core/text/SystemMessage.h"

namespace zel {
namespace {

class TWin32ErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "win32"; }
  std::string message(int code) const override {
    return TrimSystemMessage(SystemErrorText(static_cast<unsigned long>(code)));
  }
};

}  // namespace

std::string SystemErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length > 0 ? Utf8Of(std::wstring_view(buffer, length)) : std::string();
  if (buffer != nullptr) LocalFree(buffer);
  return text.empty() ? "Error " + std::to_string(code) : text;
}

const std::error_category& Win32ErrorCategory() {
  static const TWin32ErrorCategory category;
  return category;
}

void ThrowWin32Error(unsigned long code, const std::string& what) {
  throw std::system_error(static_cast<int>(code), Win32ErrorCategory(), what);
}

}  // namespace zel
