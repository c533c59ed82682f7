#include "wizard_text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/base/message_box.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "wizard_state.h"

namespace wizard {

std::string Text(UINT id) {
  return platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id).value_or("");
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<std::size_t>(size));
  }
  va_end(args);
  return out;
}

int Ask(HWND owner, const std::string& text, UINT type) { return ::MessageBox(owner, text, State().windowTitle, type); }

}  // namespace wizard
