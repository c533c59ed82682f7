// A tiny module the loader tests load and call. Like the suite's modules, it carries its own
// private copy of the platform library.
#include "platform/base/message_box.h"

extern "C" __attribute__((visibility("default"))) int base_test_add(int a, int b) { return a + b; }

extern "C" __attribute__((visibility("default"))) int base_test_show_box(const char* text) {
  return MessageBox(nullptr, text, "Module", MB_OKCANCEL | MB_ICONERROR);
}
