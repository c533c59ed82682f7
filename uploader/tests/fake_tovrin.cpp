// Stands in for Tovrin.so where a test plays the library's part by posting its codes itself;
// built once without YouTubeUploadStop, as a broken installation would be.
#include "platform/base/win_types.h"

extern "C" __attribute__((visibility("default"))) int YouTubeUpload(const char*, const char*, int, const char*,
                                                                    const char*, const char*, const char*, const char*,
                                                                    HWND, UINT, int, int) {
  return 1;
}

#ifndef WITHOUT_STOP
extern "C" __attribute__((visibility("default"))) void YouTubeUploadStop() {}
#endif
