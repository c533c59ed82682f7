// How replies reach the host window: posted, or sent for the item start. Records that travel
// with a reply belong to the host once delivered and are freed here when delivery fails.
#pragma once

#include <functional>
#include <memory>

#include "platform/base/win_types.h"

namespace mordax {

struct ReplyPort {
  // False when the message could not be queued (window gone).
  std::function<bool(HWND, UINT, WPARAM, LPARAM)> post;
  // A post the host's queue may drop when it falls behind (progress); `post` when not given.
  std::function<bool(HWND, UINT, WPARAM, LPARAM)> postDroppable;
  // False when the window is gone; returns once the window procedure has run.
  std::function<bool(HWND, UINT, WPARAM, LPARAM)> send;
  // Lets a host thread that waits for the engine answer messages sent to it meanwhile.
  std::function<void()> answerSent;
};

// The window system's port unless a test installed another; returns the previous one.
ReplyPort SetReplyPort(ReplyPort port);
ReplyPort WindowReplyPort();

struct ReplyTarget {
  HWND window = nullptr;
  UINT message = 0;
};

constexpr WPARAM ReplyCode(int op, int status) { return MAKEWPARAM(static_cast<WORD>(op), static_cast<WORD>(status)); }

bool PostReply(const ReplyTarget& target, int op, int status, LPARAM value);
// For progress that a later reply brings up to date; the value must own nothing.
bool PostDroppableReply(const ReplyTarget& target, int op, int status, LPARAM value);
bool SendReply(const ReplyTarget& target, int op, int status, LPARAM value);
void AnswerSentReplies();

// A record handed to the host with a posted reply; freed here when the post fails.
template <typename T>
bool PostRecord(const ReplyTarget& target, int op, int status, std::unique_ptr<T> record) {
  if (!PostReply(target, op, status, reinterpret_cast<LPARAM>(record.get()))) return false;
  record.release();
  return true;
}

template <typename T>
bool SendRecord(const ReplyTarget& target, int op, int status, std::unique_ptr<T> record) {
  if (!SendReply(target, op, status, reinterpret_cast<LPARAM>(record.get()))) return false;
  record.release();
  return true;
}

}  // namespace mordax
