// The entry points of the upload library Tovrin.so and the codes it posts to its caller.
#pragma once

#include "platform/base/win_types.h"

// wParam of the notify message; the value (percent or result) is in the high word of lParam.
constexpr WPARAM TOVRIN_STARTED = 100;
constexpr WPARAM TOVRIN_PROGRESS = 101;
constexpr WPARAM TOVRIN_FINISHED = 102;
constexpr WPARAM TOVRIN_COMPLETE = 103;

// Results that come with TOVRIN_FINISHED.
constexpr int TOVRIN_STOPPED = 1000;
constexpr int TOVRIN_LOGIN_REFUSED = 1002;
constexpr int TOVRIN_FAILED = 1007;
// The server stopped taking the file: no byte of it went through for a minute.
constexpr int TOVRIN_NO_PROGRESS = 1008;
// The service named an upload address other than the configured one; nothing was sent there.
constexpr int TOVRIN_ADDRESS_REFUSED = 1009;

// Text arguments are UTF-8. Returns at once; the upload runs on the library's own thread and
// reports with `message` posted to `window`. Returns 0 only when the arguments are unusable.
using YouTubeUploadFn = int (*)(const char* user, const char* password, int accountType, const char* file,
                                const char* title, const char* description, const char* keywords, const char* category,
                                HWND window, UINT message, int one, int broadcast);
// Ends a running upload and waits for its thread; harmless when none runs.
using YouTubeUploadStopFn = void (*)();
// The address the last TOVRIN_ADDRESS_REFUSED was about, copied into `text` (cut to fit `size`
// bytes with its terminator); its whole length. A caller may do without it.
using YouTubeUploadRefusedAddressFn = int (*)(char* text, int size);
