#include "convengine/reply_port.h"

#include <mutex>

namespace mordax {

namespace {

std::mutex g_lock;
ReplyPort g_port;
bool g_installed = false;

ReplyPort Current() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_installed) {
    g_port = WindowReplyPort();
    g_installed = true;
  }
  return g_port;
}

}  // namespace

ReplyPort SetReplyPort(ReplyPort port) {
  std::lock_guard<std::mutex> guard(g_lock);
  ReplyPort previous = g_installed ? g_port : WindowReplyPort();
  g_port = std::move(port);
  g_installed = true;
  return previous;
}

bool PostReply(const ReplyTarget& target, int op, int status, LPARAM value) {
  const ReplyPort port = Current();
  return port.post && port.post(target.window, target.message, ReplyCode(op, status), value);
}

bool PostDroppableReply(const ReplyTarget& target, int op, int status, LPARAM value) {
  const ReplyPort port = Current();
  const auto& post = port.postDroppable ? port.postDroppable : port.post;
  return post && post(target.window, target.message, ReplyCode(op, status), value);
}

bool SendReply(const ReplyTarget& target, int op, int status, LPARAM value) {
  const ReplyPort port = Current();
  return port.send && port.send(target.window, target.message, ReplyCode(op, status), value);
}

void AnswerSentReplies() {
  const ReplyPort port = Current();
  if (port.answerSent) port.answerSent();
}

}  // namespace mordax
