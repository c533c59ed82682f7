// Windows that record every message they get, for tests of the window system itself.
#pragma once

#include <string>
#include <vector>

#include "platform/window/messages.h"
#include "platform/testkit/driving.h"
#include "platform/window/window.h"

namespace testkit {

struct Logged {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Every window of class "TestWindow" records its messages here (on any thread).
std::vector<Logged> Log();
void ClearLog();
// The messages of one window, in order, restricted to the listed kinds when given.
std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& only = {});
std::vector<HWND> WindowsThatGot(UINT msg);

// Registers "TestWindow" once; returns its name.
const char* TestClass();
HWND MakeTop(const char* title = "Top", DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT r = {100, 100, 500, 400});
HWND MakeChild(HWND parent, int id, RECT r, DWORD style = WS_CHILD | WS_VISIBLE);

// Destroys every window of the test thread and resets input state.
void ResetWindows();

}  // namespace testkit
