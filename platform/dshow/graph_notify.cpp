#include <atomic>

#include "platform/dshow/filter_graph.h"
#include "platform/window/messages.h"

namespace platform::dshow {

namespace {
std::atomic<GraphNotificationPoster> poster{nullptr};
}

GraphNotificationPoster SetGraphNotificationPoster(GraphNotificationPoster p) { return poster.exchange(p); }

BOOL PostGraphNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (GraphNotificationPoster p = poster.load()) return p(hwnd, msg, wParam, lParam);
  return ::PostMessage(hwnd, msg, wParam, lParam);
}

}  // namespace platform::dshow
