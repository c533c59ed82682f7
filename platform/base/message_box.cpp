#include "platform/base/message_box.h"

#include <cstdio>
#include <memory>

#include "platform/base/process_slot.h"

namespace platform {
namespace {

// One handler per process, shared with the copies of this library that modules carry.
struct HandlerState {
  std::mutex mutex;
  std::shared_ptr<MessageBoxHandler> handler;
};

HandlerState& State() {
  static HandlerState* const state = [] {
    static std::mutex creation;
    std::lock_guard<std::mutex> lock(creation);
    void*& slot = ProcessSlot("message-box-handler");
    if (!slot) slot = new HandlerState;
    return static_cast<HandlerState*>(slot);
  }();
  return *state;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  auto next = handler ? std::make_shared<MessageBoxHandler>(std::move(handler)) : nullptr;
  HandlerState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::shared_ptr<MessageBoxHandler> previous = std::move(state.handler);
  state.handler = std::move(next);
  return previous ? *previous : MessageBoxHandler();
}

int DismissAnswer(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNO: return IDNO;
    default: return IDCANCEL;
  }
}

MessageBoxRecorder::MessageBoxRecorder() {
  previous_ = SetMessageBoxHandler(
      [state = state_](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->calls.push_back({owner, text, caption, flags});
        if (state->answers.empty()) return DismissAnswer(flags);
        const int answer = state->answers.front();
        state->answers.pop_front();
        return answer;
      });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler(std::move(previous_)); }

void MessageBoxRecorder::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->answers.push_back(answer);
}

std::vector<MessageBoxCall> MessageBoxRecorder::Calls() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls;
}

std::size_t MessageBoxRecorder::Count() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls.size();
}

MessageBoxCall MessageBoxRecorder::Last() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls.empty() ? MessageBoxCall() : state_->calls.back();
}

void MessageBoxRecorder::Clear() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->calls.clear();
  state_->answers.clear();
}

}  // namespace platform

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  std::shared_ptr<platform::MessageBoxHandler> handler;
  {
    platform::HandlerState& state = platform::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    handler = state.handler;
  }
  // Called outside the lock: a real box runs a modal loop that may show further boxes.
  if (handler) return (*handler)(owner, text, caption, flags);
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return platform::DismissAnswer(flags);
}
