// Input injection: what a presenter or a test feeds in, routed like real input (capture,
// hit-testing with window regions, focus) into the queues of the windows' threads.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/base/win_types.h"

namespace platform {

enum class MouseButton { Left, Right, Middle };

// Screen coordinates. Each call queues the messages and returns; the owning thread's loop
// delivers them.
void InjectMouseMove(POINT screen);
void InjectMouseDown(MouseButton button, POINT screen);
void InjectMouseUp(MouseButton button, POINT screen);
// Down, up, then the double-click message (a plain down for classes without CS_DBLCLKS), up.
void InjectDoubleClick(MouseButton button, POINT screen);
void InjectClick(MouseButton button, POINT screen);
// The second press of a double click: the double-click message for classes with CS_DBLCLKS.
void InjectMouseDoubleDown(MouseButton button, POINT screen);
// One wheel turn (WHEEL_DELTA per notch, positive away from the user) to the focus window.
void InjectMouseWheel(int delta, POINT screen);
// Key presses go to the focus window, or to the active window when nothing has focus.
void InjectKeyDown(int vk);
void InjectKeyUp(int vk);
void InjectKey(int vk);  // down then up
void InjectChar(char ch);
// Clicks the middle of a window's client area.
void ClickWindow(HWND hwnd);

// Scripted input for modal loops: when a modal loop of this process finds nothing to do, it runs
// the next step; when the script is installed and runs out, the loop ends as cancelled, so a
// test never hangs in a dialog. Steps run on the modal loop's thread.
using InputStep = std::function<void()>;
void PushInputStep(InputStep step);
void ClearInputScript();
bool InputScriptActive();
std::size_t InputStepsLeft();
// Takes the next step; false when none is left. Used by modal loops.
bool RunNextInputStep();

// Resets focus, capture, activation, key state, cursor and script (between tests).
void ResetInputState();

}  // namespace platform
