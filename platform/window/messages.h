// Messages: per-thread queues, sending and posting across threads (and processes), the loop calls.
#pragma once

#include "platform/base/sync.h"

#include "platform/base/win_types.h"
#include "platform/window/wm_messages.h"

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

constexpr UINT QS_KEY = 0x0001;
constexpr UINT QS_MOUSEMOVE = 0x0002;
constexpr UINT QS_MOUSEBUTTON = 0x0004;
constexpr UINT QS_POSTMESSAGE = 0x0008;
constexpr UINT QS_TIMER = 0x0010;
constexpr UINT QS_PAINT = 0x0020;
constexpr UINT QS_SENDMESSAGE = 0x0040;
constexpr UINT QS_ALLINPUT = 0x04FF;

#define HWND_BROADCAST (reinterpret_cast<HWND>(0xFFFF))

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Gives up after timeoutMs (0 result, *result untouched) when the receiver does not answer.
LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                           DWORD_PTR* result);
BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A thread's queue holds at most kMaxPostedMessages posts. When it is full, the oldest
// droppable post goes (with a log line) to make room; without one, the post fails.
constexpr size_t kMaxPostedMessages = 10000;
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A post the receiver can do without, such as progress that a later post brings up to date:
// dropped first when the queue is full. Carries no pointer that would leak if it were dropped.
BOOL PostDroppableMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL InSendMessage();
BOOL ReplyMessage(LRESULT result);

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
BOOL WaitMessage();
DWORD GetQueueStatus(UINT flags);
DWORD GetMessageTime();
DWORD GetMessagePos();

// GetCurrentThreadId and GetCurrentProcessId come from platform/base/sync.h: a thread's queue
// is known by the same id.
// Numbers in 0xC000..0xFFFF derived from the name (case ignored), so every process agrees on them.
UINT RegisterWindowMessage(LPCSTR name);
UINT RegisterClipboardFormat(LPCSTR name);
