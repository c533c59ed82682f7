#include "picture_tour.h"

#include <functional>

#include "gallery_ids.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

namespace gallery {
namespace {

// Each step acts on the window then active: the dialog that the step before opened.
void Step(std::function<void(HWND)> act) {
  platform::PushInputStep([act = std::move(act)] { act(GetActiveWindow()); });
}

void Click(HWND dialog, int id) {
  if (HWND button = GetDlgItem(dialog, id)) platform::ClickWindow(button);
}

// Writes the active window, then presses `id` in it (a button that opens or closes a window).
void WriteThenClick(const std::string& folder, const std::string& name, int id, std::vector<std::string>* written) {
  Step([=](HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (platform::WriteWindowPng(window, folder + name)) written->push_back(name);
    Click(window, id);
  });
}

}  // namespace

std::vector<std::string> TourPictureNames() {
  return {"gallery.png", "about.png", "message_box.png", "file_dialog.png", "folder_browser.png"};
}

void QueuePictureTour(const std::string& folder, std::vector<std::string>* written) {
  const auto names = TourPictureNames();
  WriteThenClick(folder, names[0], IDC_ABOUT, written);
  WriteThenClick(folder, names[1], IDOK, written);
  Step([](HWND main) { Click(main, IDC_PLAY); });
  WriteThenClick(folder, names[2], IDOK, written);
  Step([](HWND main) { Click(main, IDC_OPEN); });
  WriteThenClick(folder, names[3], IDCANCEL, written);
  Step([](HWND main) { Click(main, IDC_FOLDER); });
  WriteThenClick(folder, names[4], IDCANCEL, written);
  Step([](HWND main) { Click(main, IDCANCEL); });
}

}  // namespace gallery
